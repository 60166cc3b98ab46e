#include "Graphics.h"

#include "Image.h"
#include "QtBridge.h"
#include "WinDefs.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

void PreparePainter(QPainter& p)
{
    // GDI+ defaults: lines and fills without smoothing, text smoothed, images interpolated.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

Qt::Alignment HorizontalFlag(StringAlignment a)
{
    switch (a) {
    case StringAlignmentCenter: return Qt::AlignHCenter;
    case StringAlignmentFar: return Qt::AlignRight;
    default: return Qt::AlignLeft;
    }
}

Qt::Alignment VerticalFlag(StringAlignment a)
{
    switch (a) {
    case StringAlignmentCenter: return Qt::AlignVCenter;
    case StringAlignmentFar: return Qt::AlignBottom;
    default: return Qt::AlignTop;
    }
}

} // namespace

Graphics::Graphics(Image& target, int dpi)
    : m_ownPainter(std::make_unique<QPainter>()), m_painter(m_ownPainter.get()), m_dpi(dpi > 0 ? dpi : 96),
      m_width(target.GetWidth()), m_height(target.GetHeight())
{
    if (!target.IsNull())
        m_painter->begin(&target.Data());
    if (m_painter->isActive())
        PreparePainter(*m_painter);
}

Graphics::Graphics(QPainter& painter, int dpi, bool printing)
    : m_painter(&painter), m_dpi(dpi > 0 ? dpi : 96), m_printing(printing)
{
    if (QPaintDevice* dev = painter.device()) {
        m_width = dev->width();
        m_height = dev->height();
    }
    PreparePainter(painter);
}

Graphics::~Graphics()
{
    if (m_ownPainter && m_ownPainter->isActive())
        m_ownPainter->end();
}

float Graphics::Scale() const { return m_mapMode == MM_LOMETRIC ? float(m_dpi) / 254.0f : 1.0f; }

float Graphics::MapY(float y) const { return m_mapMode == MM_LOMETRIC ? -y * Scale() : y; }

// A rectangle is its two corners mapped, so a positive height in MM_LOMETRIC goes upwards.
QRectF Graphics::MapRect(const RectF& r) const
{
    float h = m_mapMode == MM_LOMETRIC ? -MapLen(r.Height) : r.Height;
    return QRectF(MapX(r.X), MapY(r.Y), MapLen(r.Width), h).normalized();
}

void Graphics::DrawImage(const Image* image, const RectF& dest)
{
    if (!image || image->IsNull() || !m_painter->isActive())
        return;
    m_painter->drawImage(MapRect(dest), image->Data());
}

void Graphics::DrawImage(const Image* image, float x, float y)
{
    if (!image || image->IsNull() || !m_painter->isActive())
        return;
    m_painter->drawImage(QPointF(MapX(x), MapY(y)), image->Data());
}

float Graphics::CellHeight(const Font& font) const
{
    QFontMetricsF fm(ToQFont(font, m_painter->device(), m_dpi, Scale()), m_painter->device());
    return float(fm.ascent() + fm.descent()) / Scale();
}

void Graphics::DrawString(const std::wstring& text, const Font& font, Color color, const RectF& rect,
                          const StringFormat& format)
{
    if (text.empty() || !m_painter->isActive())
        return;
    m_painter->setFont(ToQFont(font, m_painter->device(), m_dpi, Scale()));
    m_painter->setPen(QColor::fromRgba(color.GetValue()));
    QRectF r = MapRect(rect);
    int flags = int(HorizontalFlag(format.alignment) | VerticalFlag(format.lineAlignment));
    if (!format.noWrap)
        flags |= Qt::TextWordWrap;
    m_painter->drawText(r, flags, QString::fromStdWString(text));
}

void Graphics::DrawString(const std::wstring& text, const Font& font, Color color, const PointF& origin,
                          const StringFormat& format)
{
    if (text.empty() || !m_painter->isActive())
        return;
    QFont qf = ToQFont(font, m_painter->device(), m_dpi, Scale());
    QString s = QString::fromStdWString(text);
    QSizeF size = QFontMetricsF(qf, m_painter->device()).size(0, s);
    float x = MapX(origin.X), y = MapY(origin.Y);
    if (format.alignment == StringAlignmentCenter)
        x -= float(size.width()) / 2;
    else if (format.alignment == StringAlignmentFar)
        x -= float(size.width());
    if (format.lineAlignment == StringAlignmentCenter)
        y -= float(size.height()) / 2;
    else if (format.lineAlignment == StringAlignmentFar)
        y -= float(size.height());
    m_painter->setFont(qf);
    m_painter->setPen(QColor::fromRgba(color.GetValue()));
    m_painter->drawText(QRectF(QPointF(x, y), size), int(HorizontalFlag(format.alignment) | Qt::AlignTop), s);
}

SizeF Graphics::MeasureString(const std::wstring& text, const Font& font) const
{
    QFont qf = ToQFont(font, m_painter->device(), m_dpi, Scale());
    QSizeF size = QFontMetricsF(qf, m_painter->device()).size(0, QString::fromStdWString(text));
    return SizeF(float(size.width()) / Scale(), float(size.height()) / Scale());
}

SizeF Graphics::MeasureString(const std::wstring& text, const Font& font, float width) const
{
    QFont qf = ToQFont(font, m_painter->device(), m_dpi, Scale());
    const QRectF box(0, 0, std::max(1.0f, MapLen(width)), std::numeric_limits<int>::max() / 2.0);
    QRectF size =
        QFontMetricsF(qf, m_painter->device())
            .boundingRect(box, int(Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap), QString::fromStdWString(text));
    return SizeF(float(size.width()) / Scale(), float(size.height()) / Scale());
}

void Graphics::DrawLine(Color color, float width, float x1, float y1, float x2, float y2)
{
    if (!m_painter->isActive())
        return;
    QPen pen(QColor::fromRgba(color.GetValue()));
    pen.setWidthF(std::max(1.0f, MapLen(width)));
    pen.setCapStyle(Qt::FlatCap);
    m_painter->setPen(pen);
    m_painter->drawLine(QPointF(MapX(x1), MapY(y1)), QPointF(MapX(x2), MapY(y2)));
}

void Graphics::DrawRectangle(Color color, float width, const RectF& rect)
{
    if (!m_painter->isActive())
        return;
    QPen pen(QColor::fromRgba(color.GetValue()));
    pen.setWidthF(std::max(1.0f, MapLen(width)));
    pen.setJoinStyle(Qt::MiterJoin);
    m_painter->setPen(pen);
    m_painter->setBrush(Qt::NoBrush);
    m_painter->drawRect(MapRect(rect));
}

void Graphics::FillRectangle(Color color, const RectF& rect)
{
    if (!m_painter->isActive())
        return;
    m_painter->fillRect(MapRect(rect), QColor::fromRgba(color.GetValue()));
}

void Graphics::FillRect(const CRect& rect, COLORREF color) { FillRectangle(Color::FromCOLORREF(color), RectF(rect)); }

void Graphics::TranslateTransform(float dx, float dy)
{
    if (m_painter->isActive())
        m_painter->translate(MapX(dx), MapY(dy));
}

int Graphics::SetMapMode(int mode)
{
    int old = m_mapMode;
    if (mode == MM_TEXT || mode == MM_LOMETRIC)
        m_mapMode = mode;
    return old;
}

int Graphics::GetDeviceCaps(int index) const
{
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return m_dpi;
    case HORZRES: return m_width;
    case VERTRES: return m_height;
    case HORZSIZE: return int(std::lround(m_width * 25.4 / m_dpi));
    case VERTSIZE: return int(std::lround(m_height * 25.4 / m_dpi));
    default: return 0;
    }
}

CRect Graphics::GetClipBox() const { return CRect(0, 0, m_width, m_height); }
