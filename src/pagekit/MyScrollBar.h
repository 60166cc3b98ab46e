#pragma once
// The vertical scroll bar that replaces every native one, built from
// pictures: arrows at both ends, a track, a thumb in three pieces. The owner
// sets the lengths and the thumb offset and calls NotifyPosition; every move
// of the thumb reaches the parent as WM_PAGE_ACTION with a ScrollBarPos
// (by value) as wParam and 8 as lParam; the button's release as
// WM_SCROLLBAR_RELEASED (0, 0).
//
// An arrow held repeats every 200 ms, 2 pixels further each time (10, 12,
// 14, ...), until the thumb reaches the track's end.
#include "Image.h"
#include "Wnd.h"

#include <memory>

// A thumb move: the thumb's offset from the top of the track, and the content
// position it stands for (both in pixels, whole: content may pass 65535).
struct ScrollBarPos {
    int thumbOffset = 0;
    int position = 0;
};

class CMyScrollBar : public Wnd {
public:
    static constexpr UINT_PTR kRepeatTimer = 1000;
    static constexpr int kModeIdle = 0;
    static constexpr int kModeUpArrow = 1;
    static constexpr int kModeDownArrow = 3;
    static constexpr int kModeThumb = 5;

    CMyScrollBar();
    ~CMyScrollBar() override;

    // What the owner writes: the content's and the view's lengths and the
    // thumb's length and offset, in pixels.
    void SetContentLength(int length);
    int GetContentLength() const;
    void SetVisibleLength(int length);
    int GetVisibleLength() const;
    void SetThumbLength(int length);
    int GetThumbLength() const;
    void SetThumbOffset(int offset);
    int GetThumbOffset() const;
    // The track the thumb runs in, in the bar's coordinates.
    CRect GetTrackRect() const;
    CRect GetThumbRect() const;
    int GetMode() const;

    // Fits the bar to content of that length seen through a view of the
    // visible length that stands at `position`: the thumb's length and offset
    // are to the track what the view and its position are to the content.
    void SetRange(int contentLength, int visibleLength, int position);
    // Shows the bar for a view of content of that height, the view placed in
    // `area` (the parent's coordinates): when the area holds all the content
    // the bar hides and the view takes the whole area; otherwise the view is
    // narrowed by the bar's width and the bar, fitted to the content and the
    // view's position, shows. True when it shows.
    bool ShowForContent(Wnd& view, const CRect& area, int contentHeight);
    // Places (and repaints) the thumb and tells the parent the position it stands for.
    void NotifyPosition();
    // A wheel turn handed on by the owner: +120 moves the thumb 10 pixels up.
    // Only while some window has the keyboard focus.
    void OnWheel(int zDelta);

protected:
    int OnCreate() override;
    void OnSize(int cx, int cy) override;
    void OnPaint(Graphics& g) override;
    void OnTimer(UINT_PTR id) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnMouseLeave() override;

private:
    bool Clamp();
    void Layout(int width, int height);

    CPoint m_lastPoint;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nStep = 10;
    int m_nRepeatMs = 200;
    int m_nMode = kModeIdle;
    bool m_bTracking = false;
    int m_nContentLength = 0;
    int m_nVisibleLength = 0;
    int m_nThumbLength = 0;
    CRect m_trackRect;
    CRect m_upRect;
    CRect m_downRect;
    CRect m_thumbRect;
    int m_nThumbOffset = 0;
    std::unique_ptr<Image> m_background;  // 208
    std::unique_ptr<Image> m_track;       // 218
    std::unique_ptr<Image> m_upGlyph;     // 221
    std::unique_ptr<Image> m_downGlyph;   // 214
    std::unique_ptr<Image> m_upPressed;   // 211
    std::unique_ptr<Image> m_downPressed; // 213
    std::unique_ptr<Image> m_thumbTop;    // 225
    std::unique_ptr<Image> m_thumbBody;   // 224
    std::unique_ptr<Image> m_thumbBottom; // 209
};
