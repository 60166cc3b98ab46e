#include "UiTestSupport.h"

#include "Graphics.h"
#include "QtPrintJob.h"
#include "UiApp.h"
#include "UiThread.h"
#include "Wnd.h"
#include "WndWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

// fontconfig keeps a cache block it never frees; that is not ours to mend.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

void EnsureUiApp()
{
    static int argc = 1;
    static char name[] = "brelk-tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) {
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Kept to the end of the process: windows of static objects may outlive main.
        static UiApp* app = new UiApp(argc, argv);
        (void)app;
    }
}

std::unique_ptr<Image> GrabWindow(Wnd& wnd)
{
    return CallOnUiThread([&]() -> std::unique_ptr<Image> {
        if (!wnd.Widget())
            return nullptr;
        QImage img = wnd.Widget()->grab().toImage();
        return std::make_unique<Image>(img.convertToFormat(QImage::Format_ARGB32));
    });
}

bool GrabWindowToPng(Wnd& wnd, const std::string& path)
{
    auto img = GrabWindow(wnd);
    return img && img->Save(path);
}

std::unique_ptr<Image> ImageFromPixels(int width, int height, const std::vector<uint32_t>& pixels)
{
    if (width <= 0 || height <= 0 || pixels.size() < static_cast<size_t>(width) * static_cast<size_t>(height))
        return nullptr;
    QImage img(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    return std::make_unique<Image>(img);
}

std::unique_ptr<Image> CropImage(const Image& image, const CRect& rect)
{
    return std::make_unique<Image>(image.Data().copy(rect.left, rect.top, rect.Width(), rect.Height()));
}

double Likeness(const Image& a, const Image& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetWidth() == 0)
        return 0.0;
    long equal = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            equal += (a.GetPixel(x, y).GetValue() & 0xFFFFFF) == (b.GetPixel(x, y).GetValue() & 0xFFFFFF) ? 1 : 0;
    return static_cast<double>(equal) / (static_cast<double>(a.GetWidth()) * a.GetHeight());
}

CRect RectInTopLevel(Wnd& wnd)
{
    return CallOnUiThread([&]() -> CRect {
        QWidget* w = wnd.Widget();
        if (!w)
            return CRect();
        const QPoint origin = w->mapTo(w->window(), QPoint(0, 0));
        return CRect(origin.x(), origin.y(), origin.x() + w->width(), origin.y() + w->height());
    });
}

Wnd* ActiveModalWindow()
{
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? WndRouter::FromWidget(modal) : nullptr;
}

bool ShowAndWait(Wnd& wnd)
{
    QWidget* top = wnd.Widget() ? wnd.Widget()->window() : nullptr;
    if (!top)
        return false;
    top->show();
    top->activateWindow();
    QApplication::setActiveWindow(top);
    return QTest::qWaitForWindowExposed(top);
}

namespace {

QWindow* WindowOf(Wnd& wnd, QPoint& pos, CPoint point)
{
    QWidget* w = wnd.Widget();
    QWidget* top = w->window();
    pos = w->mapTo(top, QPoint(point.x, point.y));
    return top->windowHandle();
}

} // namespace

void MouseMove(Wnd& wnd, CPoint point)
{
    QPoint pos;
    if (QWindow* win = WindowOf(wnd, pos, point))
        QTest::mouseMove(win, pos);
    QApplication::processEvents();
}

void MousePress(Wnd& wnd, CPoint point, bool right)
{
    QPoint pos;
    if (QWindow* win = WindowOf(wnd, pos, point))
        QTest::mousePress(win, right ? Qt::RightButton : Qt::LeftButton, Qt::NoModifier, pos);
    QApplication::processEvents();
}

void MouseRelease(Wnd& wnd, CPoint point, bool right)
{
    QPoint pos;
    if (QWindow* win = WindowOf(wnd, pos, point))
        QTest::mouseRelease(win, right ? Qt::RightButton : Qt::LeftButton, Qt::NoModifier, pos);
    QApplication::processEvents();
}

void MouseClick(Wnd& wnd, CPoint point)
{
    MousePress(wnd, point);
    MouseRelease(wnd, point);
}

void MouseWheel(Wnd& wnd, CPoint point, int delta)
{
    QWidget* w = wnd.Widget();
    QWidget* target = w->childAt(point.x, point.y);
    if (!target)
        target = w;
    QPoint local = target->mapFrom(w, QPoint(point.x, point.y));
    QWheelEvent ev(local, target->mapToGlobal(local), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &ev);
    QApplication::processEvents();
}

static int QtKey(UINT vk)
{
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return int(vk);
    if (vk >= VK_F1 && vk <= VK_F1 + 23)
        return Qt::Key_F1 + int(vk - VK_F1);
    switch (vk) {
    case VK_BACK: return Qt::Key_Backspace;
    case VK_TAB: return Qt::Key_Tab;
    case VK_RETURN: return Qt::Key_Return;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_SPACE: return Qt::Key_Space;
    case VK_DELETE: return Qt::Key_Delete;
    case VK_LEFT: return Qt::Key_Left;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_UP: return Qt::Key_Up;
    case VK_DOWN: return Qt::Key_Down;
    case VK_HOME: return Qt::Key_Home;
    case VK_END: return Qt::Key_End;
    default: return 0;
    }
}

static QWidget* KeyTarget(Wnd& wnd)
{
    QWidget* f = QApplication::focusWidget();
    return f ? f : wnd.Widget();
}

void KeyPress(Wnd& wnd, UINT vk, bool ctrl)
{
    QTest::keyClick(KeyTarget(wnd), Qt::Key(QtKey(vk)), ctrl ? Qt::ControlModifier : Qt::NoModifier);
    QApplication::processEvents();
}

void TypeText(Wnd& wnd, const std::wstring& text)
{
    for (wchar_t ch : text) {
        QChar c{char16_t(ch)};
        int key = c.isLetterOrNumber() ? c.toUpper().unicode() : 0;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QWidget* target = KeyTarget(wnd);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }
    QApplication::processEvents();
}

void SetClipboardText(const std::wstring& text) { QApplication::clipboard()->setText(QString::fromStdWString(text)); }

void RunEvents(int ms)
{
    if (ms <= 0)
        QApplication::processEvents();
    else
        QTest::qWait(ms);
}

// ---- message boxes ------------------------------------------------------------

ScriptedMessageBoxes::ScriptedMessageBoxes(std::vector<int> answers)
    : m_answers(answers.begin(), answers.end()), m_previous(&GetMessageBoxService())
{
    SetMessageBoxService(this);
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { SetMessageBoxService(m_previous); }

int ScriptedMessageBoxes::Show(Wnd*, const std::wstring& text, const std::wstring& caption, UINT type)
{
    const Asked asked{text, caption, type, IsUiThread()};
    if (whileOpen)
        whileOpen(asked);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_asked.push_back(asked);
    if (m_answers.empty())
        return IDOK;
    int a = m_answers.front();
    m_answers.pop_front();
    return a;
}

std::vector<ScriptedMessageBoxes::Asked> ScriptedMessageBoxes::AskedBoxes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_asked;
}

// ---- printers -----------------------------------------------------------------

class FakePrintJob final : public IPrintJob {
public:
    FakePrintJob(FakePrinterService& owner, FakePrinterService::Page page, int dpi)
        : m_owner(owner), m_page(std::move(page))
    {
        int w = int(m_page.widthTenthMm * dpi / 254.0 + 0.5);
        int h = int(m_page.lengthTenthMm * dpi / 254.0 + 0.5);
        m_page.image = std::make_shared<Image>(w, h, Color(0xFFFFFFFF));
        m_painter.begin(&m_page.image->Data());
        m_graphics = std::make_unique<Graphics>(m_painter, dpi, true);
    }
    ~FakePrintJob() override { End(); }
    Graphics& Page() override { return *m_graphics; }
    bool End() override
    {
        if (!m_painter.isActive())
            return true;
        m_graphics.reset();
        m_painter.end();
        std::lock_guard<std::mutex> lock(m_owner.m_mutex);
        m_owner.m_printed.push_back(m_page);
        return true;
    }

private:
    FakePrinterService& m_owner;
    FakePrinterService::Page m_page;
    QPainter m_painter;
    std::unique_ptr<Graphics> m_graphics;
};

FakePrinterService::FakePrinterService(std::vector<std::wstring> printers, std::wstring defaultPrinter, int dpi)
    : m_printers(std::move(printers)), m_default(std::move(defaultPrinter)), m_dpi(dpi),
      m_previous(&GetPrinterService())
{
    SetPrinterService(this);
}

FakePrinterService::~FakePrinterService() { SetPrinterService(m_previous); }

std::unique_ptr<IPrintJob> FakePrinterService::StartJob(const std::wstring& printer, int widthTenthMm,
                                                        int lengthTenthMm, const std::wstring& documentName)
{
    bool known = false;
    for (const auto& p : m_printers)
        known = known || p == printer;
    if (!known || widthTenthMm <= 0 || lengthTenthMm <= 0)
        return nullptr;
    return std::make_unique<FakePrintJob>(*this, Page{printer, documentName, widthTenthMm, lengthTenthMm, nullptr},
                                          m_dpi);
}

std::vector<FakePrinterService::Page> FakePrinterService::Printed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_printed;
}

PdfPrinterService::PdfPrinterService(std::wstring name, std::string path)
    : m_name(std::move(name)), m_path(std::move(path)), m_previous(&GetPrinterService())
{
    SetPrinterService(this);
}

PdfPrinterService::~PdfPrinterService() { SetPrinterService(m_previous); }

std::unique_ptr<IPrintJob> PdfPrinterService::StartJob(const std::wstring& printer, int widthTenthMm, int lengthTenthMm,
                                                       const std::wstring& documentName)
{
    if (printer != m_name)
        return nullptr;
    auto pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdf->setOutputFormat(QPrinter::PdfFormat);
    pdf->setOutputFileName(QString::fromStdString(m_path));
    return StartQtPrintJob(std::move(pdf), widthTenthMm, lengthTenthMm, documentName);
}
