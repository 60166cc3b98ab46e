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

// The average character width as GDI takes it for a TrueType face: the
// lowercase letters and the space weighted by their frequency in English
// text (per thousand). The table of the font file's own average differs
// between the metric-compatible faces; this one does not.
double AverageCharWidth(const QFont& f)
{
    static const int weights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                    56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
    const QFontMetricsF fm(f);
    double sum = 0;
    for (int i = 0; i < 26; ++i)
        sum += weights[i] * fm.horizontalAdvance(QChar(u'a' + i));
    sum += weights[26] * fm.horizontalAdvance(QChar(u' '));
    return sum / 1000.0;
}

// A GDI width: the face stretched so that its average character is that
// many pixels wide (at `scale` device pixels per logical one).
void ApplyWidth(QFont& f, const Font& font, double scale)
{
    if (font.Width() <= 0)
        return;
    QFont natural(f);
    natural.setStretch(QFont::Unstretched);
    const double average = AverageCharWidth(natural);
    if (average <= 0)
        return;
    const int stretch = int(std::lround(100.0 * font.Width() * scale / average));
    f.setStretch(std::clamp(stretch, 1, 4000));
}

QFont MakeFont(const Font& font, double pixels, double deviceDpi, double scale)
{
    QFont f(ResolveFace(font.Face()));
    f.setWeight(QFont::Weight(std::clamp(font.Weight(), 100, 900)));
    if (pixels <= 0)
        pixels = 1;
    // Point size on the device's own scale gives the exact pixel size, fractions included.
    f.setPointSizeF(pixels * 72.0 / (deviceDpi > 0 ? deviceDpi : 96.0));
    ApplyWidth(f, font, scale);
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
    return MakeFont(font, PixelsFor(font, dpi, scale), deviceDpi, scale);
}

QFont ToWidgetFont(const Font& font)
{
    QFont f(ResolveFace(font.Face()));
    f.setWeight(QFont::Weight(std::clamp(font.Weight(), 100, 900)));
    f.setPixelSize(std::max(1, int(std::lround(PixelsFor(font, 96, 1.0f)))));
    ApplyWidth(f, font, 1.0);
    return f;
}
