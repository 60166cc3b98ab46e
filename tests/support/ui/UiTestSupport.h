#pragma once
// Helpers for tests of windows: the application object, real input events as
// a user makes them, grabbing a window into an image or a PNG, and stand-ins
// for the message-box and printer services. Their interface has no Qt in it.
#include "Image.h"
#include "MessageBoxService.h"
#include "PrinterService.h"
#include "Rect.h"
#include "WinDefs.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class Wnd;

// The process's UiApp (made once, on the calling thread, which is then the UI thread).
void EnsureUiApp();

// What the window shows now, children included.
std::unique_ptr<Image> GrabWindow(Wnd& wnd);
bool GrabWindowToPng(Wnd& wnd, const std::string& path);
// An image of width x height pixels given as 0xAARRGGBB, row by row.
std::unique_ptr<Image> ImageFromPixels(int width, int height, const std::vector<uint32_t>& pixels);
// The part of the image in the rectangle.
std::unique_ptr<Image> CropImage(const Image& image, const CRect& rect);
// Share of pixels that are equal in the two images (0 when sizes differ).
double Likeness(const Image& a, const Image& b);
// The window's rectangle in the client coordinates of its top-level window.
CRect RectInTopLevel(Wnd& wnd);

// The modal dialog running now (the innermost), or nullptr.
Wnd* ActiveModalWindow();

// Shows the window's top-level window and waits until it can take input.
bool ShowAndWait(Wnd& wnd);

// Input through the window system, at points in wnd's client coordinates; the
// point may lie outside wnd (another window, or outside every window).
void MouseMove(Wnd& wnd, CPoint point);
void MousePress(Wnd& wnd, CPoint point, bool right = false);
void MouseRelease(Wnd& wnd, CPoint point, bool right = false);
void MouseClick(Wnd& wnd, CPoint point);
void MouseWheel(Wnd& wnd, CPoint point, int delta);
// Keys to the window with the focus (or wnd when none has it); ctrl holds Ctrl down.
void KeyPress(Wnd& wnd, UINT vk, bool ctrl = false);
void TypeText(Wnd& wnd, const std::wstring& text);
void SetClipboardText(const std::wstring& text);
// Runs the UI thread's events for a while (real time).
void RunEvents(int ms = 0);

// Answers message boxes from a script, in order (IDOK when the script is
// empty), and remembers every box asked. Installed for its lifetime; the
// service before it comes back after it.
class ScriptedMessageBoxes final : public IMessageBoxService {
public:
    struct Asked {
        std::wstring text;
        std::wstring caption;
        UINT type = 0;
        bool onUiThread = false;
    };
    explicit ScriptedMessageBoxes(std::vector<int> answers = {});
    ~ScriptedMessageBoxes() override;
    int Show(Wnd* owner, const std::wstring& text, const std::wstring& caption, UINT type) override;
    std::vector<Asked> AskedBoxes() const;
    // Runs while a box is open, before it is answered (what the window shows meanwhile).
    std::function<void(const Asked&)> whileOpen;

private:
    mutable std::mutex m_mutex;
    std::deque<int> m_answers;
    std::vector<Asked> m_asked;
    IMessageBoxService* m_previous;
};

// Printers of a test: a list, a default, and jobs drawn into bitmaps at the
// printer's resolution. Installed for its lifetime; the printers before them
// come back after them.
class FakePrinterService final : public IPrinterService {
public:
    struct Page {
        std::wstring printer;
        std::wstring document;
        int widthTenthMm = 0;
        int lengthTenthMm = 0;
        std::shared_ptr<Image> image;
    };
    FakePrinterService(std::vector<std::wstring> printers, std::wstring defaultPrinter, int dpi = 203);
    ~FakePrinterService() override;
    std::vector<std::wstring> EnumPrinters() override { return m_printers; }
    std::wstring GetDefaultPrinter() override { return m_default; }
    std::unique_ptr<IPrintJob> StartJob(const std::wstring& printer, int widthTenthMm, int lengthTenthMm,
                                        const std::wstring& documentName) override;
    // Pages of the jobs that ended.
    std::vector<Page> Printed() const;

private:
    friend class FakePrintJob;
    std::vector<std::wstring> m_printers;
    std::wstring m_default;
    int m_dpi;
    mutable std::mutex m_mutex;
    std::vector<Page> m_printed;
    IPrinterService* m_previous;
};

// One printer, `name`, that writes each job into the PDF file at `path`
// through the program's own print job set-up. Installed for its lifetime, as
// FakePrinterService is.
class PdfPrinterService final : public IPrinterService {
public:
    PdfPrinterService(std::wstring name, std::string path);
    ~PdfPrinterService() override;
    std::vector<std::wstring> EnumPrinters() override { return {m_name}; }
    std::wstring GetDefaultPrinter() override { return m_name; }
    std::unique_ptr<IPrintJob> StartJob(const std::wstring& printer, int widthTenthMm, int lengthTenthMm,
                                        const std::wstring& documentName) override;

private:
    std::wstring m_name;
    std::string m_path;
    IPrinterService* m_previous;
};
