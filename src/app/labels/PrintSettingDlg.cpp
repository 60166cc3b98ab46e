#include "PrintSettingDlg.h"

#include "AppSettings.h"
#include "Graphics.h"
#include "LabelPrinting.h"
#include "Language.h"
#include "PrintHelpers.h"
#include "PrintImageManage.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

// The dialog's layout, client pixels.
constexpr CSize kDialogSize(420, 380);
constexpr CRect kPrinterLabelRect(14, 17, 104, 35);
constexpr CRect kPrinterComboRect(108, 12, 406, 36);
constexpr CRect kPaperGroupRect(10, 46, 410, 106);
constexpr CRect kWidthLabelRect(22, 73, 112, 91);
constexpr CRect kWidthEditRect(114, 68, 170, 92);
constexpr CRect kWidthUnitRect(174, 73, 200, 91);
constexpr CRect kHeightLabelRect(216, 73, 306, 91);
constexpr CRect kHeightEditRect(308, 68, 364, 92);
constexpr CRect kHeightUnitRect(368, 73, 396, 91);
constexpr CRect kPreviewFrameRect(10, 116, 410, 320);
constexpr CRect kLogoTitleLabelRect(22, 142, 160, 160);
constexpr CRect kLogoTitleEditRect(22, 162, 160, 186);
constexpr CRect kDateLabelRect(22, 204, 160, 222);
constexpr CRect kDateComboRect(22, 224, 160, 248);
constexpr CRect kMessageRect(12, 326, 230, 370);
constexpr CRect kOkRect(240, 338, 320, 366);
constexpr CRect kCloseRect(328, 338, 408, 366);
constexpr int kPreviewGap = 10;   // between the logo title edit and the preview
constexpr int kPreviewMargin = 8; // the preview's least distance from the frame's right edge
constexpr int kFrameCaption = 20; // kept free above and below the preview
constexpr COLORREF kDialogFace = 0xF0F0F0;
constexpr COLORREF kEditBorder = 0x7A7A7A;
constexpr COLORREF kErrorText = 0x0000FF;
const Font kDialogFont(L"Arial", 9);

const wchar_t kLogoFile[] = L"/pic/car/VornixLogo.bmp";

// The text of the language key, or the dialog's own text when the language has none.
std::wstring Text(const wchar_t* key, const wchar_t* fallback)
{
    std::wstring text = GetLanguageManager().GetText(key);
    return text.empty() ? fallback : text;
}

bool EqualIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](wchar_t x, wchar_t y) { return std::towlower(x) == std::towlower(y); });
}

std::wstring FormatMillimetres(float value)
{
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"%.1f", double(value));
    return text;
}

// The edit's text as a number, the way the C runtime reads one ("12abc" is 12, "" is 0).
float ReadNumber(const Edit& edit)
{
    const std::wstring text = edit.GetWindowText();
    return static_cast<float>(std::wcstod(text.c_str(), nullptr));
}

} // namespace

CPrintSettingDlg::CPrintSettingDlg() : Dialog(kDialogSize), m_previewFrame(*this) {}

CPrintSettingDlg::~CPrintSettingDlg() { m_backBuffer.Free(); }

void CPrintSettingDlg::SetSettings(_tagPrintSettingInfo* settings)
{
    m_pSettings = settings;
    if (!settings)
        return;
    m_edited = *settings;
    m_sample = _tagTPMSPrintInfo();
    m_sample.title = settings->logoTitle;
    m_sample.logoPath = AppSettings().GetAppFolder() + kLogoFile;
    m_sample.sensorId = L"FFFFFFFF(H)";
    m_sample.makeModel = L"XXX-YYY";
    m_sample.yearText = L"XXXX/XX-YYYY/YY";
    m_sample.kind = _tagTPMSPrintInfo::kVehicle;
    m_sample.dateFormatType = settings->dateFormatType;
}

int CPrintSettingDlg::OnCreate()
{
    struct Item {
        Wnd& wnd;
        CRect rect;
        int id;
    };
    // Created in tab order; the frames first, so that the controls lie over them.
    const Item items[] = {
        {m_paperGroup, kPaperGroupRect, kPaperGroup},
        {m_previewFrame, kPreviewFrameRect, kPreviewFrame},
        {m_printerLabel, kPrinterLabelRect, kPrinterLabel},
        {m_printerCombo, kPrinterComboRect, kPrinterCombo},
        {m_widthLabel, kWidthLabelRect, kWidthLabel},
        {m_widthEdit, kWidthEditRect, kWidthEdit},
        {m_widthUnit, kWidthUnitRect, 0},
        {m_heightLabel, kHeightLabelRect, kHeightLabel},
        {m_heightEdit, kHeightEditRect, kHeightEdit},
        {m_heightUnit, kHeightUnitRect, 0},
        {m_logoTitleLabel, kLogoTitleLabelRect, kLogoTitleLabel},
        {m_logoTitle, kLogoTitleEditRect, kLogoTitleEdit},
        {m_dateLabel, kDateLabelRect, kDateLabel},
        {m_dateCombo, kDateComboRect, kDateCombo},
        {m_message, kMessageRect, kMessage},
        {m_okButton, kOkRect, kOkButton},
        {m_closeButton, kCloseRect, kCloseButton},
    };
    for (const Item& item : items)
        if (!item.wnd.Create(this, item.rect, item.id))
            return -1;
    for (Edit* edit : {&m_widthEdit, &m_heightEdit, &m_logoTitle}) {
        edit->SetFont(kDialogFont);
        edit->SetColors(0x000000, 0xFFFFFF);
        edit->SetMargins(3, 3);
    }
    m_printerCombo.SetFont(kDialogFont);
    m_dateCombo.SetFont(kDialogFont);
    m_okButton.SetFont(kDialogFont);
    m_closeButton.SetFont(kDialogFont);
    m_message.SetTextColor(kErrorText);
    m_widthUnit.SetWindowText(L"mm");
    m_heightUnit.SetWindowText(L"mm");
    return 0;
}

bool CPrintSettingDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    FillControls();
    UpdatePreview();
    m_bReady = true;
    m_previewFrame.Invalidate();
    return true;
}

void CPrintSettingDlg::OnDestroy()
{
    m_bReady = false;
    Dialog::OnDestroy();
}

void CPrintSettingDlg::FillControls()
{
    SetWindowText(Text(L"PRINT_SETTING", L"Print Setting"));
    m_printerLabel.SetWindowText(Text(L"PRINTER_NAME", L"Printer Name"));
    m_paperGroup.SetWindowText(Text(L"PAPER", L"Paper"));
    m_widthLabel.SetWindowText(Text(L"PAPER_WIDTH", L"Width"));
    m_heightLabel.SetWindowText(Text(L"PAPER_HEIGHT", L"Height"));
    m_previewFrame.SetWindowText(Text(L"CUSTOM", L"Custom"));
    m_logoTitleLabel.SetWindowText(Text(L"LOGO_TITLE", L"Logo Title"));
    m_dateLabel.SetWindowText(Text(L"DATE_FORMAT", L"Date Format"));
    m_okButton.SetWindowText(Text(L"OK", L"OK"));
    m_closeButton.SetWindowText(Text(L"CLOSE", L"Close"));

    std::vector<std::wstring> printers;
    EnumLocalPrinters(printers);
    m_printerCombo.ResetContent();
    for (const std::wstring& name : printers)
        m_printerCombo.AddString(name);
    // With no printer installed nothing here can be chosen: say so before OK is tried.
    if (printers.empty())
        m_message.SetWindowText(GetLanguageManager().GetText(L"NO_PRINTER"));
    if (m_edited.printerName.empty())
        GetDefaultPrinterName(m_edited.printerName);

    if (m_pSettings) {
        m_widthEdit.SetWindowText(FormatMillimetres(m_edited.paperWidth));
        m_heightEdit.SetWindowText(FormatMillimetres(m_edited.paperHeight));
        const auto match = std::find_if(printers.begin(), printers.end(), [&](const std::wstring& name) {
            return EqualIgnoringCase(name, m_edited.printerName);
        });
        m_printerCombo.SetCurSel(match == printers.end() ? CB_ERR : int(match - printers.begin()));
        m_logoTitle.SetWindowText(m_sample.title);
    }

    m_dateFormats = {{0, L"MM.DD.YYYY", 0}, {1, L"DD.MM.YYYY", 1}, {2, L"YYYY.MM.DD", 2}};
    m_dateCombo.ResetContent();
    for (const DateFormatEntry& entry : m_dateFormats)
        m_dateCombo.AddString(entry.text);
    m_dateCombo.SetCurSel(m_sample.dateFormatType);
    m_logoTitle.SetLimitText(kLogoTitleLimit);
}

void CPrintSettingDlg::UpdatePreview()
{
    // A size from an edited settings file may be anything: no preview for one a label cannot have.
    if (!m_pSettings || !m_previewFrame.IsCreated() || !IsPaperSizeValid(m_edited.paperWidth) ||
        !IsPaperSizeValid(m_edited.paperHeight))
        return;
    // The frame's client coordinates: the preview starts right of the logo title edit.
    const CRect frame = m_previewFrame.GetWindowRect();
    const CRect client = m_previewFrame.GetClientRect();
    const int left = m_logoTitle.GetWindowRect().right - frame.left + kPreviewGap;
    const int roomX = client.right - kPreviewMargin - left;
    const int roomY = client.Height() - 2 * kFrameCaption;

    // True size on the screen; a paper larger than the frame is shown whole
    // on a bitmap of lower resolution instead of one of the paper's size.
    int dpi = CBackBuffer::kScreenDpi;
    CSize size = MillimetresToPixels(dpi, dpi, m_edited.paperWidth, m_edited.paperHeight);
    if (size.cx > roomX || size.cy > roomY) {
        const double k = std::min(double(roomX) / std::max(size.cx, 1), double(roomY) / std::max(size.cy, 1));
        dpi = std::max(1, static_cast<int>(dpi * k));
        size = MillimetresToPixels(dpi, dpi, m_edited.paperWidth, m_edited.paperHeight);
    }
    const CRect rect(left, client.top + (client.Height() - size.cy) / 2, left + size.cx - 1,
                     client.top + (client.Height() - size.cy) / 2 + size.cy - 1);
    if (m_backBuffer.Create(&m_previewFrame, rect.left, rect.top, rect.right, rect.bottom, dpi) != 0)
        return;
    // The old preview's place is repainted too: the new one may be smaller.
    m_previewFrame.InvalidateRect(
        CRect(m_previewRect.left, m_previewRect.top, m_previewRect.right + 1, m_previewRect.bottom + 1));
    CPrintImageManage drawer;
    m_backBuffer.Compose(&m_sample, &drawer);
    m_previewRect = rect;
}

void CPrintSettingDlg::PreviewFrame::OnPaint(Graphics& g)
{
    GroupBox::OnPaint(g);
    if (m_owner.m_bReady)
        m_owner.m_backBuffer.Redraw(g);
}

bool CPrintSettingDlg::OnEraseBkgnd(Graphics& g)
{
    g.FillRect(GetClientRect(), kDialogFace);
    return true;
}

void CPrintSettingDlg::OnPaint(Graphics& g)
{
    // The edits draw no frame of their own.
    for (const Edit* edit : {&m_widthEdit, &m_heightEdit, &m_logoTitle}) {
        const CRect r = edit->GetWindowRect();
        g.DrawRectangle(Color::FromCOLORREF(kEditBorder), 1,
                        RectF(float(r.left - 1), float(r.top - 1), float(r.Width() + 1), float(r.Height() + 1)));
    }
}

LRESULT CPrintSettingDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    struct Entry {
        int id;
        int code;
        void (CPrintSettingDlg::*handler)();
    };
    static constexpr Entry kMessageMap[] = {
        {kOkButton, BN_CLICKED, &CPrintSettingDlg::OnOK},
        {kCloseButton, BN_CLICKED, &CPrintSettingDlg::OnClose},
        {kPrinterCombo, CBN_SELCHANGE, &CPrintSettingDlg::OnPrinterChanged},
        {kDateCombo, CBN_SELCHANGE, &CPrintSettingDlg::OnDateFormatChanged},
        {kLogoTitleEdit, EN_CHANGE, &CPrintSettingDlg::OnLogoTitleChanged},
        {kWidthEdit, EN_CHANGE, &CPrintSettingDlg::OnWidthChanged},
        {kHeightEdit, EN_CHANGE, &CPrintSettingDlg::OnHeightChanged},
    };
    if (msg != WM_COMMAND)
        return Dialog::OnMessage(msg, wParam, lParam);
    for (const Entry& entry : kMessageMap)
        if (entry.id == wParam.Int() && entry.code == lParam.Int())
            (this->*entry.handler)();
    return 0;
}

void CPrintSettingDlg::ShowError(const wchar_t* key)
{
    m_message.SetWindowText(Text(L"ERROR", L"Error") + L":" + GetLanguageManager().GetText(key));
}

void CPrintSettingDlg::OnOK()
{
    const std::wstring printer = m_printerCombo.GetWindowText();
    if (printer.empty()) {
        const std::wstring none = GetLanguageManager().GetText(L"NO_PRINTER");
        if (m_printerCombo.GetCount() == 0 && !none.empty())
            m_message.SetWindowText(none);
        else
            ShowError(L"PRINTER_NAME");
        return;
    }
    // Only a size a label can have: "nan", "inf" and 1e9 are refused like 0.
    float width = 0, height = 0;
    if (!ReadPaperSize(m_widthEdit, L"PAPER_WIDTH", width) || !ReadPaperSize(m_heightEdit, L"PAPER_HEIGHT", height))
        return;
    if (m_pSettings) {
        m_edited.paperWidth = width;
        m_edited.paperHeight = height;
        m_edited.printerName = printer;
        *m_pSettings = m_edited;
    }
    EndDialog(IDOK);
}

bool CPrintSettingDlg::ReadPaperSize(Edit& edit, const wchar_t* key, float& value)
{
    value = ReadNumber(edit);
    if (IsPaperSizeValid(value))
        return true;
    ShowError(key);
    edit.SetFocus();
    edit.SetSel(0, -1);
    return false;
}

void CPrintSettingDlg::OnClose() { EndDialog(IDCANCEL); }

void CPrintSettingDlg::OnPrinterChanged() { m_edited.printerName = m_printerCombo.GetWindowText(); }

void CPrintSettingDlg::OnDateFormatChanged()
{
    const int selection = m_dateCombo.GetCurSel();
    if (selection < 0 || selection >= int(m_dateFormats.size()))
        return;
    m_edited.dateFormatType = m_sample.dateFormatType = m_dateFormats[selection].type;
    UpdatePreview();
}

void CPrintSettingDlg::OnLogoTitleChanged()
{
    m_sample.title = m_edited.logoTitle = m_logoTitle.GetWindowText();
    UpdatePreview();
}

void CPrintSettingDlg::OnWidthChanged() { OnPaperSizeChanged(m_widthEdit, m_edited.paperWidth); }

void CPrintSettingDlg::OnHeightChanged() { OnPaperSizeChanged(m_heightEdit, m_edited.paperHeight); }

void CPrintSettingDlg::OnPaperSizeChanged(const Edit& edit, float& size)
{
    if (!m_bReady)
        return;
    const float value = ReadNumber(edit);
    if (!IsPaperSizeValid(value))
        return;
    size = value;
    UpdatePreview();
}
