#pragma once
// The image button behind every tab, caption button, back button and
// operation button: a picture stretched over the button for its state and a
// centred bold caption over it. Its clicks go to the main window as
// WM_PAGE_ACTION (control id, kind); a tab reports a press to its tab bar as
// WM_TAB_PRESSED (the button, 1).
//
// States: 0 normal, 1 pressed or selected, 4 disabled, 5 hover. Owners set
// them (pages: 0 or 4 as actions are allowed; tab bars: 1 for the current tab).
#include "Color.h"
#include "Image.h"
#include "Wnd.h"

#include <memory>
#include <string>

class CCustButton : public Wnd {
public:
    // Kinds: what a click sends. Any other kind sends nothing.
    static constexpr int kTab = 1;
    static constexpr int kCaptionCommand = 2;
    static constexpr int kBack = 3;
    static constexpr int kPageAction = 6;

    static constexpr int kStateNormal = 0;
    static constexpr int kStatePressed = 1;
    static constexpr int kStateDisabled = 4;
    static constexpr int kStateHover = 5;

    // Picture ids (PNG resources; 0 or less for none) and the caption's size in points.
    CCustButton(int normalId, int hoverId, int pressedId, int fontSize);
    ~CCustButton() override;

    // Creates the button as a visible child at rect and paints it.
    bool CreateButton(int kind, const std::wstring& caption, const CRect& rect, Wnd* parent, int id);
    // New pictures; the caption drops to 8 points. Returns 0.
    int SetImages(int normalId, int hoverId, int pressedId);
    // A new caption; the caller repaints.
    void SetText(const std::wstring& caption);
    std::wstring GetText() const;

    // The state shown, and the one the mouse's leave returns a tab to.
    void SetState(int state);
    int GetState() const;
    void SetSavedState(int state);
    int GetSavedState() const;
    int GetKind() const;
    int GetFontSize() const;
    bool IsPressed() const;
    // Moves the caption by (x, y) pixels.
    void SetTextOffset(double x, double y);
    // Caption colours for the normal (and disabled), pressed and hover looks.
    void SetTextColors(Color normal, Color pressed, Color hover);

protected:
    void OnPaint(Graphics& g) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnMouseLeave() override;

private:
    void ReleaseImages();
    const Image* ImageFor(int state);

    int m_nKind = 0;
    int m_nSavedState = kStateNormal;
    int m_nState = kStateNormal;
    bool m_bPressed = false;
    bool m_bTracking = false;
    int m_nNormalId;
    int m_nHoverId;
    int m_nPressedId;
    double m_dTextOffsetY = 0;
    double m_dTextOffsetX = 0;
    Color m_normalText{0xFF4C4C4C};
    Color m_pressedText{0xFFFFFFFF};
    Color m_hoverText{0xFFFFFFFF};
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::wstring m_caption;
    int m_nFontSize;
    std::unique_ptr<Image> m_normalImage;
    std::unique_ptr<Image> m_pressedImage;
    std::unique_ptr<Image> m_hoverImage;
};
