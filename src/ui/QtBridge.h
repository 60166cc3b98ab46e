#pragma once
// Conversions between the layer's types and Qt's, for the layer's own sources.
#include "Font.h"
#include "Rect.h"

#include <QFont>
#include <QRect>
#include <QString>

class QPaintDevice;

// Font faces the program names, as installed here ("Arial" is Liberation Sans).
QString ResolveFace(const std::wstring& face);
// The Qt font for a device: points count at `dpi`, GDI heights are logical
// units scaled by `scale` device pixels per unit.
QFont ToQFont(const Font& font, const QPaintDevice* device, int dpi = 96, float scale = 1.0f);
// The same for a widget's own text (a control's font), on a 96-dpi screen.
QFont ToWidgetFont(const Font& font);

inline QRect ToQRect(const CRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
inline CRect FromQRect(const QRect& r) { return CRect(r.x(), r.y(), r.x() + r.width(), r.y() + r.height()); }
