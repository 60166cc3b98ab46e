#include "TopPane.h"

#include "AppMessages.h"
#include "BRELK2Dlg.h"
#include "CodePage.h"
#include "Font.h"
#include "Language.h"
#include "PopupMenu.h"
#include "ProductStrings.h"
#include "UiScale.h"

namespace {

constexpr int kCaptionFontSize = 8;

std::wstring Text(const wchar_t* key) { return GetLanguageManager().GetText(key); }

} // namespace

CTopPane::CTopPane(CBRELK2Dlg* mainDlg) : m_pMainDlg(mainDlg) {}

CTopPane::~CTopPane() = default;

int CTopPane::OnCreate()
{
    m_background = LoadPngResource(130);
    const CRect top = m_pMainDlg->GetTopRect();
    const double s = g_dUiScale;
    const int T = top.top, R = top.right, B = top.bottom;

    m_pBtnClose = std::make_unique<CCustButton>(147, 145, 143, kCaptionFontSize);
    m_pBtnClose->CreateButton(CCustButton::kCaptionCommand, L"", CRect(R - 56, T, R - 16, T + 17), this, kCloseId);
    m_pBtnMin = std::make_unique<CCustButton>(146, 144, 142, kCaptionFontSize);
    m_pBtnMin->CreateButton(CCustButton::kCaptionCommand, L"", CRect(R - 94, T, R - 56, T + 17), this, kMinimiseId);
    m_pBtnHelp = std::make_unique<CCustButton>(159, 162, 165, kCaptionFontSize);
    m_pBtnHelp->CreateButton(CCustButton::kCaptionCommand, Text(L"MENU_HELP") + L"...",
                             CRect(R - 100, B - 33, R - 20, B - 5), this, kHelpId);

    const int width = static_cast<int>(s * 90);
    const int y = T + static_cast<int>(s * 10);
    const int height = static_cast<int>(s * 28);
    const int listRight = R - static_cast<int>(s * 110);
    m_pBtnFunctionList = std::make_unique<CCustButton>(182, 185, 185, kCaptionFontSize);
    m_pBtnFunctionList->CreateButton(CCustButton::kCaptionCommand, Text(L"FUNCTION_LIST"),
                                     CRect(listRight - width, y, listRight, y + height), this, kFunctionListId);
    const int dailyRight = R - static_cast<int>(s * 200);
    m_pBtnDailyFile = std::make_unique<CCustButton>(182, 185, 185, kCaptionFontSize);
    m_pBtnDailyFile->CreateButton(CCustButton::kCaptionCommand, Text(L"DAILY_FILE"),
                                  CRect(dailyRight - width, y, dailyRight, y + height), this, kDailyFileId);
    return 0;
}

void CTopPane::OnDestroy()
{
    for (auto* button : {&m_pBtnClose, &m_pBtnMin, &m_pBtnHelp, &m_pBtnFunctionList, &m_pBtnDailyFile}) {
        if (*button)
            (*button)->DestroyWindow();
        button->reset();
    }
}

CCustButton* CTopPane::GetButton(int id) const
{
    for (CCustButton* b :
         {m_pBtnClose.get(), m_pBtnMin.get(), m_pBtnHelp.get(), m_pBtnFunctionList.get(), m_pBtnDailyFile.get()})
        if (b && b->GetDlgCtrlID() == id)
            return b;
    return nullptr;
}

void CTopPane::RefreshLanguage()
{
    if (m_pBtnFunctionList) {
        m_pBtnFunctionList->SetText(Text(L"FUNCTION_LIST"));
        m_pBtnFunctionList->Invalidate();
    }
    if (m_pBtnDailyFile) {
        m_pBtnDailyFile->SetText(Text(L"DAILY_FILE"));
        m_pBtnDailyFile->Invalidate();
    }
    Invalidate();
}

void CTopPane::PressTab(int tabId)
{
    // A tab pressed for the program, not by the user: the tab strip hands it
    // on to the main window as its own click would, and no tab changes its look.
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_PAGE_ACTION, tabId, kActionNavigate);
}

void CTopPane::OnPaint(Graphics& g)
{
    const CRect r = GetClientRect();
    g.DrawImage(m_background.get(), RectF(0, 0, float(r.Width() - 1), float(r.Height())));
    g.DrawString(Utf8ToWide(g_productStrings[kSoftwareVersionIndex]), Font(L"Arial", 11, FontStyleBold),
                 Color(0xFF4C4C4C), PointF(205, 6));
}

void CTopPane::OnLButtonDown(UINT, CPoint)
{
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void CTopPane::OnRButtonUp(UINT, CPoint point)
{
    // A borderless window has no system menu: its About box lives here.
    const std::wstring about = Text(L"ABOUTBOX");
    if (about.empty())
        return;
    if (TrackPopupMenu(this, {{kAboutCommand, about}}, point) == kAboutCommand)
        m_pMainDlg->OnSysCommand(kAboutCommand);
}

bool CTopPane::PreTranslateKeyDown(UINT vk) { return vk == VK_ESCAPE || vk == VK_RETURN; }

LRESULT CTopPane::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAGE_ACTION)
        return 0;
    return Wnd::OnMessage(msg, wParam, lParam);
}
