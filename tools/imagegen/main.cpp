// imagegen: draws every picture the client shows, at the size the window that
// shows it gives, into PNG files and a Qt resource list (":/png/<id>.png"),
// and the brand-logo fall-backs, the sample brands' logos and the label logo
// into pic/car/.
//
// The pictures are our own: flat shapes in the client's palette, no text (the
// program draws every caption), no real brand's mark: the sample brands'
// logos are plain initials drawn as strokes. The output depends on nothing
// but this file, so every build draws the same bytes.
//
//   imagegen <resource folder> <pic/car folder> [<icon folder> <size>...]
//
// With an icon folder, the application icon is also drawn for a desktop's
// icon theme at each size given, as <icon folder>/<N>x<N>/apps/brelk.png.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTextStream>
#include <QTransform>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

// The palette of the client's windows.
const QColor kInkSoft(0x79, 0x7D, 0x80); // model and year texts
const QColor kBorder(0x7C, 0x7D, 0x7F);  // frame lines
const QColor kLineLight(0xA9, 0xA9, 0xA9);
const QColor kAccent(0x10, 0xA6, 0xE7); // the progress-bar blue
const QColor kAccentDark(0x0B, 0x84, 0xBA);
const QColor kAccentLight(0x4F, 0xBE, 0xEE);
const QColor kAccentPale(0xD6, 0xEF, 0xFA);
const QColor kRed(0xD9, 0x30, 0x25);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kPage(0xF5, 0xF5, 0xF5);
const QColor kPanel(0xEE, 0xEC, 0xED);
const QColor kPanelDark(0xE1, 0xDF, 0xDE);
const QColor kGrey(0xC8, 0xC6, 0xC5);
const QColor kGreyMid(0xB4, 0xB2, 0xB1);

using Drawer = std::function<void(QPainter&, int w, int h)>;

struct Picture {
    int id;
    int width;
    int height;
    const char* what; // where the client shows it
    Drawer draw;
};

QRectF Inset(int w, int h, double d) { return QRectF(d, d, w - 2 * d, h - 2 * d); }

void RoundBox(QPainter& p, const QRectF& r, double radius, const QColor& fill, const QColor& edge = QColor())
{
    p.setPen(edge.isValid() ? QPen(edge, 1) : Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

// A button face: a rounded plate with a thin edge.
Drawer Button(QColor fill, QColor edge)
{
    return [=](QPainter& p, int w, int h) { RoundBox(p, Inset(w, h, 0.5), std::min(5.0, h / 4.0), fill, edge); };
}

// A tab: rounded on top, square below, with a lighter base line when not chosen.
Drawer Tab(QColor fill, QColor edge)
{
    return [=](QPainter& p, int w, int h) {
        QPainterPath path;
        QRectF r(0.5, 0.5, w - 1.0, h - 0.5);
        double rad = 5;
        path.moveTo(r.left(), r.bottom());
        path.lineTo(r.left(), r.top() + rad);
        path.quadTo(r.left(), r.top(), r.left() + rad, r.top());
        path.lineTo(r.right() - rad, r.top());
        path.quadTo(r.right(), r.top(), r.right(), r.top() + rad);
        path.lineTo(r.right(), r.bottom());
        path.closeSubpath();
        p.setPen(QPen(edge, 1));
        p.setBrush(fill);
        p.drawPath(path);
    };
}

// The caption buttons: a plate and a cross or a bar.
Drawer CaptionButton(QColor fill, QColor glyph, bool cross)
{
    return [=](QPainter& p, int w, int h) {
        if (fill.alpha())
            RoundBox(p, QRectF(0, -4, w, h + 3.5), 4, fill);
        p.setPen(QPen(glyph, 1.6, Qt::SolidLine, Qt::RoundCap));
        double cx = w / 2.0, cy = h / 2.0;
        if (cross) {
            p.drawLine(QPointF(cx - 4, cy - 4), QPointF(cx + 4, cy + 4));
            p.drawLine(QPointF(cx + 4, cy - 4), QPointF(cx - 4, cy + 4));
        } else {
            p.drawLine(QPointF(cx - 5, cy + 2), QPointF(cx + 5, cy + 2));
        }
    };
}

// The back button: an arrow-shaped plate pointing left.
Drawer BackButton(QColor fill)
{
    return [=](QPainter& p, int w, int h) {
        QPainterPath path;
        double tip = h / 2.0;
        path.moveTo(0.5, h / 2.0);
        path.lineTo(tip, 0.5);
        path.lineTo(w - 4.5, 0.5);
        path.quadTo(w - 0.5, 0.5, w - 0.5, 4.5);
        path.lineTo(w - 0.5, h - 4.5);
        path.quadTo(w - 0.5, h - 0.5, w - 4.5, h - 0.5);
        path.lineTo(tip, h - 0.5);
        path.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawPath(path);
    };
}

void Fill(QPainter& p, int w, int h, const QColor& c) { p.fillRect(QRect(0, 0, w, h), c); }

// A tyre-pressure sensor seen from the side: a rounded body on a valve stem.
void Sensor(QPainter& p, const QRectF& box, const QColor& accent)
{
    double s = std::min(box.width() / 1.6, box.height());
    QPointF o(box.center().x() - s * 0.8, box.center().y() - s * 0.5);
    auto at = [&](double x, double y) { return QPointF(o.x() + x * s, o.y() + y * s); };
    // Shadow.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawEllipse(QRectF(at(0.10, 0.86), QSizeF(s * 1.4, s * 0.10)));
    // Valve stem.
    p.setBrush(kGreyMid);
    QPolygonF stem({at(1.05, 0.30), at(1.55, 0.12), at(1.60, 0.24), at(1.10, 0.46)});
    p.drawPolygon(stem);
    p.setBrush(kBorder);
    p.drawRoundedRect(QRectF(at(1.50, 0.06), QSizeF(s * 0.14, s * 0.24)), s * 0.03, s * 0.03);
    // Body.
    p.setBrush(QColor(0x5E, 0x61, 0x64));
    p.drawRoundedRect(QRectF(at(0.12, 0.30), QSizeF(s * 1.02, s * 0.54)), s * 0.14, s * 0.14);
    p.setBrush(QColor(0x74, 0x77, 0x7A));
    p.drawRoundedRect(QRectF(at(0.16, 0.33), QSizeF(s * 0.94, s * 0.22)), s * 0.10, s * 0.10);
    // The band that tells the frequency family.
    p.setBrush(accent);
    p.drawRoundedRect(QRectF(at(0.22, 0.62), QSizeF(s * 0.82, s * 0.10)), s * 0.04, s * 0.04);
    // A radio arc above.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(accent, std::max(1.5, s * 0.03), Qt::SolidLine, Qt::RoundCap));
    for (int i = 1; i <= 3; ++i) {
        double r = s * 0.08 * i;
        p.drawArc(QRectF(at(0.62, 0.18) - QPointF(r, r), QSizeF(2 * r, 2 * r)), 40 * 16, 100 * 16);
    }
}

Drawer SensorPicture(QColor accent, QColor background)
{
    return [=](QPainter& p, int w, int h) {
        if (background.alpha())
            RoundBox(p, Inset(w, h, 0.5), 8, background);
        Sensor(p, QRectF(w * 0.1, h * 0.12, w * 0.8, h * 0.78), accent);
    };
}

// The results panel: a card with a header band and a small sensor mark.
Drawer ResultPanel(QColor accent, bool mark)
{
    return [=](QPainter& p, int w, int h) {
        Fill(p, w, h, kPage);
        p.fillRect(QRectF(0, 0, w, 46), kPanelDark);
        p.fillRect(QRectF(0, 46, w, 2), accent);
        p.setPen(QPen(kGrey, 1));
        for (int k = 0; k < 9; ++k) {
            double y = 80 + 24 * k + 4.5;
            p.drawLine(QPointF(140, y), QPointF(w - 16, y));
        }
        if (mark)
            Sensor(p, QRectF(14, 70, 112, 90), accent);
    };
}

// The scroll-bar arrow glyphs.
Drawer Triangle(bool up)
{
    return [=](QPainter& p, int w, int h) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBorder);
        QPolygonF t = up ? QPolygonF({QPointF(w / 2.0, 0.5), QPointF(w - 0.5, h - 0.5), QPointF(0.5, h - 0.5)})
                         : QPolygonF({QPointF(0.5, 0.5), QPointF(w - 0.5, 0.5), QPointF(w / 2.0, h - 0.5)});
        p.drawPolygon(t);
    };
}

// A plug, the connection state's icon.
Drawer Plug(QColor colour, bool connected)
{
    return [=](QPainter& p, int, int h) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        double cy = h / 2.0;
        // Cable.
        p.drawRoundedRect(QRectF(2, cy - 2, 10, 4), 2, 2);
        // Plug body.
        p.drawRoundedRect(QRectF(11, cy - 8, 12, 16), 3, 3);
        // Pins.
        p.drawRect(QRectF(23, cy - 5, 6, 3));
        p.drawRect(QRectF(23, cy + 2, 6, 3));
        // Socket, joined or apart.
        double sx = connected ? 29 : 33;
        p.drawRoundedRect(QRectF(sx, cy - 10, 10, 20), 3, 3);
        if (!connected) {
            p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(sx - 5, cy - 13), QPointF(sx - 1, cy - 16));
            p.drawLine(QPointF(sx - 5, cy + 13), QPointF(sx - 1, cy + 16));
        }
    };
}

// A car seen from the side, the model list's icon.
Drawer Car(QColor colour)
{
    return [=](QPainter& p, int w, int h) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        QPainterPath body;
        body.addRoundedRect(QRectF(1, h * 0.42, w - 2, h * 0.32), 3, 3);
        QPainterPath roof;
        roof.moveTo(w * 0.22, h * 0.44);
        roof.lineTo(w * 0.34, h * 0.18);
        roof.lineTo(w * 0.68, h * 0.18);
        roof.lineTo(w * 0.82, h * 0.44);
        roof.closeSubpath();
        p.drawPath(body.united(roof));
        p.setBrush(colour.lightness() > 128 ? kAccent : kWhite);
        p.drawEllipse(QPointF(w * 0.27, h * 0.76), h * 0.13, h * 0.13);
        p.drawEllipse(QPointF(w * 0.73, h * 0.76), h * 0.13, h * 0.13);
    };
}

// The brand fall-back: a neutral wheel, plain or in the chosen look.
Drawer Wheel(bool selected)
{
    return [=](QPainter& p, int w, int h) {
        if (selected)
            RoundBox(p, Inset(w, h, 1), 10, kAccentPale, kAccent);
        QPointF c(w / 2.0, h / 2.0);
        double r = std::min(w, h) * 0.36;
        p.setPen(Qt::NoPen);
        p.setBrush(selected ? kAccentDark : QColor(0x5E, 0x61, 0x64));
        p.drawEllipse(c, r, r);
        p.setBrush(selected ? kWhite : kPanel);
        p.drawEllipse(c, r * 0.62, r * 0.62);
        p.setBrush(selected ? kAccent : kGreyMid);
        for (int i = 0; i < 5; ++i) {
            p.save();
            p.translate(c);
            p.rotate(i * 72.0);
            p.drawRoundedRect(QRectF(-r * 0.08, -r * 0.58, r * 0.16, r * 0.4), 2, 2);
            p.restore();
        }
        p.drawEllipse(c, r * 0.16, r * 0.16);
    };
}

// A letter as pen strokes on a unit square (x right, y down), so that the
// marks need no font and come out the same on every machine.
QPainterPath Letter(char letter)
{
    QPainterPath p;
    switch (letter) {
    case 'B':
        p.moveTo(0.2, 0.1);
        p.lineTo(0.2, 0.9);
        p.moveTo(0.2, 0.1);
        p.lineTo(0.52, 0.1);
        p.cubicTo(0.8, 0.1, 0.8, 0.5, 0.52, 0.5);
        p.lineTo(0.2, 0.5);
        p.moveTo(0.52, 0.5);
        p.cubicTo(0.86, 0.5, 0.86, 0.9, 0.52, 0.9);
        p.lineTo(0.2, 0.9);
        break;
    case 'N':
        p.moveTo(0.2, 0.9);
        p.lineTo(0.2, 0.1);
        p.lineTo(0.8, 0.9);
        p.lineTo(0.8, 0.1);
        break;
    case 'T':
        p.moveTo(0.15, 0.1);
        p.lineTo(0.85, 0.1);
        p.moveTo(0.5, 0.1);
        p.lineTo(0.5, 0.9);
        break;
    case 'V':
        p.moveTo(0.15, 0.1);
        p.lineTo(0.5, 0.9);
        p.lineTo(0.85, 0.1);
        break;
    default: break;
    }
    return p;
}

// A brand logo of the sample data: a plain round badge with the brand's
// initial, on the chosen look's pale plate when selected.
Drawer LetterMark(char letter, QColor colour, bool selected)
{
    return [=](QPainter& p, int w, int h) {
        if (selected)
            RoundBox(p, Inset(w, h, 1), 10, kAccentPale, kAccent);
        QPointF c(w / 2.0, h / 2.0);
        double r = std::min(w, h) * 0.36;
        p.setPen(Qt::NoPen);
        p.setBrush(selected ? colour.darker(115) : colour);
        p.drawEllipse(c, r, r);
        p.setPen(QPen(kWhite, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, r * 0.86, r * 0.86);
        double side = r * 1.0;
        QTransform t;
        t.translate(c.x() - side / 2, c.y() - side / 2);
        t.scale(side, side);
        p.setPen(QPen(kWhite, std::max(3.0, r * 0.14), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(t.map(Letter(letter)));
    };
}

// The sample brands that have a logo of their own; the others show the fall-back.
struct SampleLogo {
    const char* brand;
    char letter;
    QColor colour;
};
const SampleLogo kSampleLogos[] = {
    {"Brunmark", 'B', QColor(0x2F, 0x5D, 0x8C)},
    {"Norvak", 'N', QColor(0x3C, 0x8D, 0x5A)},
    {"Tarrin", 'T', QColor(0xB5, 0x4A, 0x32)},
    {"Velsor", 'V', QColor(0x6E, 0x4C, 0x9A)},
};

// The label logo: a neutral mark for monochrome label printers.
void LabelLogo(QPainter& p, int w, int h)
{
    Fill(p, w, h, kWhite);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    QPointF c(h / 2.0 + 4, h / 2.0);
    double r = h * 0.42;
    p.drawEllipse(c, r, r);
    p.setBrush(kWhite);
    p.drawEllipse(c, r * 0.55, r * 0.55);
    p.setBrush(Qt::black);
    p.drawEllipse(c, r * 0.2, r * 0.2);
    for (int i = 0; i < 4; ++i)
        p.drawRoundedRect(QRectF(h + 12 + i * 46.0, h * 0.3 + (i % 2) * h * 0.1, 34, h * (0.4 - (i % 2) * 0.2)), 4, 4);
}

// The application icon: the window's, and the desktop's at every size.
constexpr int kAppIconSize = 64;
void AppIcon(QPainter& p, int w, int h)
{
    RoundBox(p, Inset(w, h, 2), 12, kAccent);
    Sensor(p, QRectF(8, 14, w - 16, h - 26), kWhite);
}

std::vector<Picture> Pictures()
{
    const QColor none(0, 0, 0, 0);
    return {
        {128, kAppIconSize, kAppIconSize, "application icon", AppIcon},
        {130, 1024, 70, "top pane background",
         [](QPainter& p, int w, int h) {
             Fill(p, w, h, kPanel);
             p.fillRect(QRectF(0, 0, w, 3), kAccent);
             p.fillRect(QRectF(0, h - 1, w, 1), kGrey);
         }},
        {138, 1024, 33, "foot pane background",
         [](QPainter& p, int w, int h) {
             Fill(p, w, h, kPanelDark);
             p.fillRect(QRectF(0, 0, w, 1), kGrey);
             p.fillRect(QRectF(0, h - 3, w, 3), kAccent);
         }},
        {139, 43, 34, "connection icon: connected", Plug(kAccent, true)},
        {140, 43, 34, "connection icon: disconnected", Plug(kRed, false)},
        {141, 227, 30, "search box",
         [](QPainter& p, int w, int h) {
             RoundBox(p, QRectF(0.5, 2.5, w - 1.0, h - 5.0), (h - 5) / 2.0, kWhite, kGrey);
             p.setPen(QPen(kBorder, 2));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(QPointF(14, h / 2.0 - 1), 5, 5);
             p.drawLine(QPointF(18, h / 2.0 + 3), QPointF(22, h / 2.0 + 7));
         }},
        {142, 38, 17, "minimise: pressed", CaptionButton(kAccentDark, kWhite, false)},
        {143, 40, 17, "close: pressed", CaptionButton(kRed.darker(120), kWhite, true)},
        {144, 38, 17, "minimise: hover", CaptionButton(kAccentLight, kWhite, false)},
        {145, 40, 17, "close: hover", CaptionButton(kRed, kWhite, true)},
        {146, 38, 17, "minimise: normal", CaptionButton(none, kBorder, false)},
        {147, 40, 17, "close: normal", CaptionButton(none, kBorder, true)},
        {157, 126, 29, "settings tab: normal", Tab(kPanelDark, kGrey)},
        {158, 120, 29, "part-number tab: normal", Tab(kPanelDark, kGrey)},
        {159, 127, 29, "car tab and help button: normal", Tab(kPanelDark, kGrey)},
        {160, 126, 29, "settings tab: hover", Tab(kAccentLight, kAccent)},
        {161, 120, 29, "part-number tab: hover", Tab(kAccentLight, kAccent)},
        {162, 127, 29, "car tab and help button: hover", Tab(kAccentLight, kAccent)},
        {163, 126, 29, "settings tab: chosen", Tab(kAccent, kAccentDark)},
        {164, 120, 29, "part-number tab: chosen", Tab(kAccent, kAccentDark)},
        {165, 127, 29, "car tab and help button: chosen", Tab(kAccent, kAccentDark)},
        {166, 101, 29, "create tab: chosen", Tab(kAccent, kAccentDark)},
        {167, 101, 29, "create tab: normal", Tab(kPanelDark, kGrey)},
        {168, 101, 29, "test tab: chosen", Tab(kAccent, kAccentDark)},
        {169, 101, 29, "test tab: normal", Tab(kPanelDark, kGrey)},
        {170, 65, 25, "back button: normal", BackButton(kBorder)},
        {171, 65, 25, "back button: hover and pressed", BackButton(kAccent)},
        {172, 24, 25, "model icon: chosen", Car(kWhite)},
        {173, 24, 25, "model icon: normal", Car(kInkSoft)},
        {174, 288, 46, "model tile: normal",
         [](QPainter& p, int w, int h) { Fill(p, w, h, QColor(0xE2, 0xE0, 0xDF)); }},
        {175, 288, 46, "model tile: chosen",
         [](QPainter& p, int w, int h) {
             Fill(p, w, h, kAccent);
             p.fillRect(QRectF(0, 0, 4, h), kAccentDark);
         }},
        {176, 253, 133, "year item: chosen",
         [](QPainter& p, int w, int h) {
             Fill(p, w, h, kAccentPale);
             p.fillRect(QRectF(0, h - 4, w, 4), kAccent);
         }},
        {177, 253, 133, "year item: hover, even row",
         [](QPainter& p, int w, int h) { Fill(p, w, h, QColor(0xE6, 0xF4, 0xFB)); }},
        {178, 253, 133, "year item: hover, odd row",
         [](QPainter& p, int w, int h) { Fill(p, w, h, QColor(0xDA, 0xEC, 0xF4)); }},
        {179, 101, 29, "create tab: hover", Tab(kAccentLight, kAccent)},
        {180, 101, 29, "test tab: hover", Tab(kAccentLight, kAccent)},
        {182, 90, 28, "function-list and daily-file buttons: normal", Button(kPanelDark, kGrey)},
        {185, 90, 28, "function-list and daily-file buttons: hover and pressed", Button(kAccent, kAccentDark)},
        {187, 410, 284, "results panel: programmed sensors", ResultPanel(kAccent, false)},
        {190, 150, 40, "page button: normal", Button(kPanelDark, kGreyMid)},
        {191, 150, 40, "page button: pressed", Button(kAccentDark, kAccentDark.darker(115))},
        {192, 150, 40, "page button: hover", Button(kAccent, kAccentDark)},
        {193, 200, 96, "part-number item: hover, even row",
         [](QPainter& p, int w, int h) { Fill(p, w, h, kAccentLight); }},
        {194, 200, 96, "part-number item: hover, odd row",
         [](QPainter& p, int w, int h) { Fill(p, w, h, QColor(0x3F, 0xB2, 0xE4)); }},
        {195, 200, 96, "part-number item: chosen",
         [](QPainter& p, int w, int h) {
             Fill(p, w, h, kAccent);
             p.fillRect(QRectF(0, h - 4, w, 4), kAccentDark);
         }},
        {196, 120, 23, "identifier edit background",
         [](QPainter& p, int w, int h) {
             Fill(p, w, h, kWhite);
             p.fillRect(QRectF(0, h - 2, w, 2), kAccent);
         }},
        {201, 1024, 666, "start-up picture",
         [](QPainter& p, int w, int h) {
             Fill(p, w, h, kPage);
             p.fillRect(QRectF(0, h * 0.62, w, h * 0.38), kPanel);
             // The station: a box with a sensor on it, joined to a computer by a cable.
             QRectF station(w * 0.52, h * 0.38, w * 0.26, h * 0.24);
             RoundBox(p, station, 14, QColor(0x5E, 0x61, 0x64));
             RoundBox(p, QRectF(station.left() + 20, station.top() + 18, station.width() - 40, 10), 5, kAccent);
             Sensor(p, QRectF(station.left() + 30, station.top() - h * 0.20, station.width() - 60, h * 0.22), kAccent);
             QRectF screen(w * 0.18, h * 0.30, w * 0.22, h * 0.22);
             RoundBox(p, screen, 8, kBorder);
             RoundBox(p, screen.adjusted(8, 8, -8, -8), 4, kAccentPale);
             RoundBox(p, QRectF(screen.center().x() - 40, screen.bottom() + 4, 80, 10), 4, kBorder);
             p.setPen(QPen(kBorder, 5, Qt::SolidLine, Qt::RoundCap));
             p.setBrush(Qt::NoBrush);
             QPainterPath cable;
             cable.moveTo(screen.right(), screen.center().y() + 20);
             cable.cubicTo(QPointF(w * 0.46, h * 0.66), QPointF(w * 0.48, h * 0.55),
                           QPointF(station.left(), station.center().y()));
             p.drawPath(cable);
         }},
        {208, 16, 665, "scroll bar background",
         [](QPainter& p, int w, int h) { Fill(p, w, h, QColor(0xEB, 0xEA, 0xE9)); }},
        {209, 14, 5, "scroll thumb: bottom cap",
         [](QPainter& p, int w, int h) {
             QPainterPath path;
             path.addRoundedRect(QRectF(1, -6, w - 2, h + 5.5), 5, 5);
             p.setPen(Qt::NoPen);
             p.setBrush(kLineLight);
             p.drawPath(path);
         }},
        {211, 16, 26, "scroll bar: up arrow pressed", [](QPainter& p, int w, int h) { Fill(p, w, h, kGrey); }},
        {213, 16, 24, "scroll bar: down arrow pressed", [](QPainter& p, int w, int h) { Fill(p, w, h, kGrey); }},
        {214, 7, 6, "scroll bar: down glyph", Triangle(false)},
        {218, 14, 629, "scroll bar track",
         [](QPainter& p, int w, int h) { RoundBox(p, QRectF(2, 0, w - 4, h), 4, QColor(0xDD, 0xDB, 0xDA)); }},
        {221, 8, 7, "scroll bar: up glyph", Triangle(true)},
        {224, 14, 32, "scroll thumb: body",
         [](QPainter& p, int w, int h) { p.fillRect(QRectF(1, 0, w - 2, h), kLineLight); }},
        {225, 14, 6, "scroll thumb: top cap",
         [](QPainter& p, int w, int h) {
             QPainterPath path;
             path.addRoundedRect(QRectF(1, 0.5, w - 2, h + 6), 5, 5);
             p.setPen(Qt::NoPen);
             p.setBrush(kLineLight);
             p.drawPath(path);
         }},
        {229, 101, 29, "copy tab: normal", Tab(kPanelDark, kGrey)},
        {230, 101, 29, "copy tab: hover", Tab(kAccentLight, kAccent)},
        {231, 101, 29, "copy tab: chosen", Tab(kAccent, kAccentDark)},
        {236, 379, 610, "version panel",
         [](QPainter& p, int w, int h) {
             RoundBox(p, Inset(w, h, 0.5), 10, kWhite, kGrey);
             QPainterPath head;
             head.addRoundedRect(QRectF(0.5, 0.5, w - 1.0, 44), 10, 10);
             head.addRect(QRectF(0.5, 24, w - 1.0, 20.5));
             p.setPen(Qt::NoPen);
             p.setBrush(kAccent);
             p.drawPath(head.simplified());
             // A rule under each of the three version lines (their tops at
             // 60, 82 and 104, 22 apart, 16-pixel text): in the gap between
             // one line's descenders and the next line's capitals.
             p.setPen(QPen(kPanel, 1));
             for (int k = 0; k < 3; ++k)
                 p.drawLine(QPointF(24, 80.5 + 22 * k), QPointF(w - 24, 80.5 + 22 * k));
             Sensor(p, QRectF(60, h * 0.45, w - 120, h * 0.35), kAccent);
         }},
        {240, 443, 25, "strip under the sensor picture",
         [](QPainter& p, int w, int h) {
             p.setPen(Qt::NoPen);
             p.setBrush(QColor(0, 0, 0, 22));
             p.drawEllipse(QRectF(w * 0.05, h * 0.25, w * 0.9, h * 0.5));
             p.fillRect(QRectF(0, h - 2, w, 2), kGrey);
         }},
        {245, 560, 310, "copy page: sensor, other frequencies", SensorPicture(kBorder, none)},
        {246, 560, 310, "copy page: sensor, 433 MHz", SensorPicture(kAccent, none)},
        {247, 500, 310, "create page: sensor, other frequencies", SensorPicture(kBorder, none)},
        {248, 500, 310, "create page: sensor, 433 MHz", SensorPicture(kAccent, none)},
        {249, 566, 320, "test page: sensor, other frequencies", SensorPicture(kBorder, none)},
        {250, 566, 320, "test page: sensor, 433 MHz", SensorPicture(kAccent, none)},
        {251, 410, 284, "results panel: other frequencies", ResultPanel(kBorder, true)},
        {252, 410, 284, "results panel: 433 MHz", ResultPanel(kAccent, true)},
    };
}

QImage Render(int w, int h, const Drawer& draw)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    draw(p, w, h);
    p.end();
    // No resolution chunk: a drawing rectangle alone gives the size.
    img.setDotsPerMeterX(3780);
    img.setDotsPerMeterY(3780);
    return img.convertToFormat(QImage::Format_ARGB32);
}

bool Save(const QImage& img, const QString& path, const char* format)
{
    if (!img.save(path, format)) {
        std::fprintf(stderr, "imagegen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || argc == 4) {
        std::fprintf(stderr, "usage: imagegen <resource folder> <pic/car folder> [<icon folder> <size>...]\n");
        return 2;
    }
    QString resDir = QString::fromLocal8Bit(argv[1]);
    QString carDir = QString::fromLocal8Bit(argv[2]);
    if (!QDir().mkpath(resDir + "/png") || !QDir().mkpath(carDir)) {
        std::fprintf(stderr, "imagegen: cannot make the output folders\n");
        return 1;
    }

    QString qrc;
    QTextStream out(&qrc);
    out << "<!DOCTYPE RCC><RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const Picture& pic : Pictures()) {
        QString name = QStringLiteral("png/%1.png").arg(pic.id);
        if (!Save(Render(pic.width, pic.height, pic.draw), resDir + "/" + name, "PNG"))
            return 1;
        out << "  <file>" << name << "</file>\n";
    }
    out << "</qresource>\n</RCC>\n";
    out.flush();

    QFile f(resDir + "/brelk_images.qrc");
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(qrc.toUtf8()) < 0) {
        std::fprintf(stderr, "imagegen: cannot write the resource list\n");
        return 1;
    }
    f.close();

    if (!Save(Render(117, 116, Wheel(false)), carDir + "/undefined.png", "PNG") ||
        !Save(Render(117, 116, Wheel(true)), carDir + "/undefined_s.png", "PNG") ||
        !Save(Render(256, 64, LabelLogo).convertToFormat(QImage::Format_RGB888), carDir + "/VornixLogo.bmp", "BMP"))
        return 1;
    for (const SampleLogo& logo : kSampleLogos) {
        const QString base = carDir + "/" + logo.brand;
        if (!Save(Render(117, 116, LetterMark(logo.letter, logo.colour, false)), base + ".png", "PNG") ||
            !Save(Render(117, 116, LetterMark(logo.letter, logo.colour, true)), base + "_s.png", "PNG"))
            return 1;
    }
    if (argc > 4) {
        const QString iconDir = QString::fromLocal8Bit(argv[3]);
        for (int i = 4; i < argc; ++i) {
            const int size = std::atoi(argv[i]);
            if (size <= 0) {
                std::fprintf(stderr, "imagegen: %s is no icon size\n", argv[i]);
                return 2;
            }
            const QString folder = QStringLiteral("%1/%2x%2/apps").arg(iconDir).arg(size);
            // Drawn at the window icon's size and scaled as a drawing, so every size is sharp.
            const Drawer scaled = [size](QPainter& p, int, int) {
                p.scale(double(size) / kAppIconSize, double(size) / kAppIconSize);
                AppIcon(p, kAppIconSize, kAppIconSize);
            };
            if (!QDir().mkpath(folder) || !Save(Render(size, size, scaled), folder + "/brelk.png", "PNG"))
                return 1;
        }
    }
    return 0;
}
