#include "QtBridge.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QPaintDevice>

#include <cmath>

QString ResolveFace(const std::wstring& face)
{
    QString f = QString::fromStdWString(face);
    if (f.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans");
    return f;
}

namespace {

// Pixel size per unit of cell height for a face and weight, measured once.
double CellRatio(const QString& family, int weight)
{
    static QHash<QString, double> cache;
    QString key = family + QLatin1Char('/') + QString::number(weight);
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    QFont f(family);
    f.setPixelSize(1000);
    f.setWeight(QFont::Weight(weight));
    QFontMetricsF fm(f);
    double ratio = (fm.ascent() + fm.descent()) / 1000.0;
    if (ratio <= 0)
        ratio = 1.15;
    cache.insert(key, ratio);
    return ratio;
}

QFont MakeFont(const Font& font, double pixels, double deviceDpi)
{
    QFont f(ResolveFace(font.Face()));
    f.setWeight(QFont::Weight(std::clamp(font.Weight(), 100, 900)));
    if (pixels <= 0)
        pixels = 1;
    // Point size on the device's own scale gives the exact pixel size, fractions included.
    f.setPointSizeF(pixels * 72.0 / (deviceDpi > 0 ? deviceDpi : 96.0));
    return f;
}

double PixelsFor(const Font& font, int dpi, float scale)
{
    if (font.GetUnit() == Font::Unit::Point)
        return font.Size() * dpi / 72.0;
    double h = std::fabs(font.Size()) * scale;
    if (font.Size() > 0)
        return h / CellRatio(ResolveFace(font.Face()), font.Weight());
    return h;
}

} // namespace

QFont ToQFont(const Font& font, const QPaintDevice* device, int dpi, float scale)
{
    double deviceDpi = device ? device->logicalDpiY() : 96.0;
    return MakeFont(font, PixelsFor(font, dpi, scale), deviceDpi);
}

QFont ToWidgetFont(const Font& font)
{
    QFont f(ResolveFace(font.Face()));
    f.setWeight(QFont::Weight(std::clamp(font.Weight(), 100, 900)));
    f.setPixelSize(std::max(1, int(std::lround(PixelsFor(font, 96, 1.0f)))));
    return f;
}
