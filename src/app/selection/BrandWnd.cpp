#include "BrandWnd.h"

#include "AppMessages.h"
#include "CodePage.h"
#include "Font.h"
#include "UiScale.h"

namespace {

constexpr COLORREF kHeaderFace = 0xEBE6E3;
constexpr Color kNameInk{0xFF4C4C4C};
constexpr Color kRuleDark{0xFF919191};
constexpr Color kRuleLight{0xFFFFFFFF};
// The logo is drawn 117 x 116 into a square of 116.
constexpr int kLogoWidth = 117;
constexpr int kLogoHeight = 116;
constexpr int kLogoBox = 116;
constexpr int kHeaderLogoTop = 18;
constexpr int kHeaderLogoDrawTop = 16;
constexpr int kHeaderCaptionRaise = 4;

} // namespace

CBrandWnd::CBrandWnd(std::wstring brandName, int mode, int width, int height, int fontSize)
    : m_nWidth(width), m_nHeight(height), m_strName(std::move(brandName)), m_nFontSize(fontSize), m_nMode(mode)
{
    if (m_nMode == kModeHeader) {
        const int left = (width - kLogoWidth) / 2;
        m_rcLogo = CRect(left, kHeaderLogoTop, left + kLogoBox, kHeaderLogoTop + kLogoBox);
    } else {
        // The grid's logo shrinks with the panel, so the name keeps its room
        // under it on a small screen too.
        const int left = (width - ScaleLength(kLogoWidth)) / 2;
        const int box = ScaleLength(kLogoBox);
        m_rcLogo = CRect(left, 0, left + box, box);
    }
}

CBrandWnd::~CBrandWnd() = default;

int CBrandWnd::OnCreate()
{
    if (m_nMode == kModeGrid) {
        m_pButton = std::make_unique<CBrandBtn>();
        m_pButton->CreateForBrand(m_strName, m_rcLogo, this, GetDlgCtrlID());
    }
    return 0;
}

void CBrandWnd::OnDestroy()
{
    if (m_pButton)
        m_pButton->DestroyWindow();
    m_pButton.reset();
}

bool CBrandWnd::OnEraseBkgnd(Graphics& g)
{
    if (m_nMode != kModeHeader)
        return false;
    g.FillRect(GetClientRect(), kHeaderFace);
    return true;
}

void CBrandWnd::OnPaint(Graphics& g)
{
    float captionTop = float(m_rcLogo.bottom);
    if (m_nMode == kModeHeader) {
        if (!m_logo)
            m_logo = Image::FromFile(
                WideToUtf8(BuildBrandImagePath(BrandImageFolder(), BrandImageName(m_strName), L".png", L"")));
        g.DrawImage(m_logo.get(),
                    RectF(float((m_nWidth - kLogoWidth) / 2), kHeaderLogoDrawTop, kLogoWidth, kLogoHeight));
        const float w = float(m_nWidth), h = float(m_nHeight);
        g.DrawLine(kRuleDark, 1, 0, h - 2, w, h - 2);
        g.DrawLine(kRuleLight, 1, 0, h - 1, w, h - 1);
        captionTop -= kHeaderCaptionRaise;
    }
    if (m_strName.empty())
        return;
    const CRect client = GetClientRect();
    g.DrawString(m_strName, Font(L"Arial", float(m_nFontSize)), kNameInk,
                 RectF(0, captionTop, float(client.Width()), float(client.Height()) - captionTop),
                 StringFormat(StringAlignmentCenter, StringAlignmentNear));
}

LRESULT CBrandWnd::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAGE_ACTION && lParam.Int() == kActionBrand) {
        // The main window looks the brand up by its name in the region in use.
        if (Wnd* main = GetMainWindow())
            main->SendMessage(WM_PAGE_ACTION, MsgParam::Of(static_cast<const std::wstring*>(&m_strName)), kActionBrand);
        return 1;
    }
    return Wnd::OnMessage(msg, wParam, lParam);
}
