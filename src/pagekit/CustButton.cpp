#include "CustButton.h"

#include "AppMessages.h"
#include "Font.h"
#include "Graphics.h"
#include "MemDC.h"
#include "UiThread.h"

namespace {

constexpr uint32_t kDisabledText = 0xFFA8A8A8;
constexpr uint32_t kDisabledVeil = 0x70FFFFFF;
constexpr int kDisabledVeilInset = 2;

} // namespace

CCustButton::CCustButton(int normalId, int hoverId, int pressedId, int fontSize)
    : m_nNormalId(normalId), m_nHoverId(hoverId), m_nPressedId(pressedId), m_nFontSize(fontSize)
{
}

CCustButton::~CCustButton() = default;

bool CCustButton::CreateButton(int kind, const std::wstring& caption, const CRect& rect, Wnd* parent, int id)
{
    return CallOnUiThread([&] {
        m_nKind = kind;
        m_caption = caption;
        m_nWidth = rect.Width();
        m_nHeight = rect.Height();
        // The caption is ours to draw; the window text stays empty.
        if (!Create(parent, rect, id, WS_CHILD | WS_VISIBLE))
            return false;
        ShowWindow(SW_SHOW);
        UpdateWindow();
        return true;
    });
}

void CCustButton::ReleaseImages()
{
    m_normalImage.reset();
    m_pressedImage.reset();
    m_hoverImage.reset();
}

int CCustButton::SetImages(int normalId, int hoverId, int pressedId)
{
    RunOnUiThread([&] {
        ReleaseImages();
        m_nNormalId = normalId;
        m_nHoverId = hoverId;
        m_nPressedId = pressedId;
        m_nFontSize = 8;
        Invalidate();
    });
    return 0;
}

void CCustButton::SetText(const std::wstring& caption) { WriteOnUiThread(m_caption, caption); }

std::wstring CCustButton::GetText() const { return ReadOnUiThread(m_caption); }

void CCustButton::SetState(int state)
{
    RunOnUiThread([&] {
        m_nState = state;
        Invalidate();
    });
}

int CCustButton::GetState() const { return ReadOnUiThread(m_nState); }

void CCustButton::SetSavedState(int state) { WriteOnUiThread(m_nSavedState, state); }

int CCustButton::GetSavedState() const { return ReadOnUiThread(m_nSavedState); }

int CCustButton::GetKind() const { return ReadOnUiThread(m_nKind); }

int CCustButton::GetFontSize() const { return ReadOnUiThread(m_nFontSize); }

bool CCustButton::IsPressed() const { return ReadOnUiThread(m_bPressed); }

void CCustButton::SetTextOffset(double x, double y)
{
    RunOnUiThread([&] {
        m_dTextOffsetX = x;
        m_dTextOffsetY = y;
        Invalidate();
    });
}

void CCustButton::SetTextColors(Color normal, Color pressed, Color hover)
{
    RunOnUiThread([&] {
        m_normalText = normal;
        m_pressedText = pressed;
        m_hoverText = hover;
        Invalidate();
    });
}

// The picture of a state, loaded on first use and kept; nullptr when the
// state has none (its id is not positive, or the program has no such picture).
const Image* CCustButton::ImageFor(int state)
{
    std::unique_ptr<Image>* slot = nullptr;
    int id = 0;
    switch (state) {
    case kStateNormal:
    case kStateDisabled:
        slot = &m_normalImage;
        id = m_nNormalId;
        break;
    case kStateHover:
        slot = &m_hoverImage;
        id = m_nHoverId;
        break;
    case kStatePressed:
        slot = &m_pressedImage;
        id = m_nPressedId;
        break;
    default: return nullptr;
    }
    if (id <= 0)
        return nullptr;
    if (!*slot)
        *slot = LoadPngResource(id);
    return slot->get();
}

void CCustButton::OnPaint(Graphics& g)
{
    // Nothing is filled first: where the picture is transparent the parent shows.
    CRect client = GetClientRect();
    const int width = client.Width(), height = client.Height();
    CMyMemDC dc(g, client);
    // A button that takes no click looks it: veiled, its caption grey.
    const bool disabled = m_nState == kStateDisabled || !IsWindowEnabled();
    Color ink = m_normalText;
    if (disabled)
        ink = Color(kDisabledText);
    else if (m_nState == kStateHover)
        ink = m_hoverText;
    else if (m_nState == kStatePressed)
        ink = m_pressedText;
    dc->DrawImage(ImageFor(m_nState), RectF(0, 0, float(m_nWidth), float(m_nHeight)));
    if (disabled && m_nWidth > 2 * kDisabledVeilInset && m_nHeight > 2 * kDisabledVeilInset)
        dc->FillRectangle(Color(kDisabledVeil),
                          RectF(float(kDisabledVeilInset), float(kDisabledVeilInset),
                                float(m_nWidth - 2 * kDisabledVeilInset), float(m_nHeight - 2 * kDisabledVeilInset)));
    if (m_caption.empty())
        return;
    if (m_nKind == kBack)
        client.left += 10; // the back button's arrow sits left of its caption
    RectF box(float(client.left + m_dTextOffsetX), float(client.top - 1 + m_dTextOffsetY), float(width), float(height));
    dc->DrawString(m_caption, Font(L"Arial", float(m_nFontSize), FontStyleBold), ink, box,
                   StringFormat(StringAlignmentCenter, StringAlignmentCenter));
}

void CCustButton::OnMouseMove(UINT, CPoint)
{
    if (m_bTracking)
        return;
    TrackMouseEvent(TME_LEAVE | TME_HOVER, 1);
    m_nSavedState = m_nState;
    m_bTracking = true;
    m_nState = kStateHover;
    Invalidate();
}

void CCustButton::OnLButtonDown(UINT, CPoint)
{
    m_nState = kStatePressed;
    m_nSavedState = kStatePressed;
    if (m_nKind == kTab) {
        if (Wnd* parent = GetParent())
            parent->SendMessage(WM_TAB_PRESSED, MsgParam::Of(this), 1);
    }
    Invalidate();
    UpdateWindow();
    m_bPressed = true;
}

void CCustButton::OnLButtonUp(UINT, CPoint)
{
    if (!m_bPressed)
        return;
    m_bPressed = false;
    if (m_nKind == kPageAction) {
        // Stays pressed while the mouse is on it.
        m_nState = kStatePressed;
        m_nSavedState = kStatePressed;
    }
    if (m_nKind == kCaptionCommand || m_nKind == kBack || m_nKind == kPageAction) {
        // The receiver may hide or destroy this button: nothing of it is touched afterwards.
        if (Wnd* main = GetMainWindow())
            main->SendMessage(WM_PAGE_ACTION, GetDlgCtrlID(), m_nKind);
    }
}

void CCustButton::OnMouseLeave()
{
    m_bPressed = false;
    m_bTracking = false;
    if (m_nKind == kCaptionCommand || m_nKind == kBack || m_nKind == kPageAction)
        m_nState = kStateNormal;
    else
        m_nState = m_nSavedState; // a selected tab stays selected
    Invalidate();
}
