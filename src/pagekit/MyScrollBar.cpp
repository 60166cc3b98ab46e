#include "MyScrollBar.h"

#include "AppMessages.h"
#include "Graphics.h"
#include "MemDC.h"
#include "UiThread.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

int ToInt(int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

} // namespace

CMyScrollBar::CMyScrollBar() = default;

CMyScrollBar::~CMyScrollBar() = default;

int CMyScrollBar::OnCreate()
{
    m_background = LoadPngResource(208);
    m_track = LoadPngResource(218);
    m_upGlyph = LoadPngResource(221);
    m_downGlyph = LoadPngResource(214);
    m_upPressed = LoadPngResource(211);
    m_downPressed = LoadPngResource(213);
    m_thumbTop = LoadPngResource(225);
    m_thumbBody = LoadPngResource(224);
    m_thumbBottom = LoadPngResource(209);
    return 0;
}

void CMyScrollBar::OnSize(int cx, int cy) { Layout(cx, cy); }

void CMyScrollBar::Layout(int width, int height)
{
    m_nWidth = width;
    m_nHeight = height;
    m_trackRect = CRect(1, 19, width - 1, height - 17);
    m_upRect = CRect(0, 0, width, 26);
    m_downRect = CRect(0, height - 24, width, height);
    m_thumbRect = CRect(0, m_trackRect.top + m_nThumbOffset, m_trackRect.right,
                        m_trackRect.top + m_nThumbOffset + m_nThumbLength);
}

void CMyScrollBar::SetContentLength(int length) { WriteOnUiThread(m_nContentLength, length); }

int CMyScrollBar::GetContentLength() const { return ReadOnUiThread(m_nContentLength); }

void CMyScrollBar::SetVisibleLength(int length) { WriteOnUiThread(m_nVisibleLength, length); }

int CMyScrollBar::GetVisibleLength() const { return ReadOnUiThread(m_nVisibleLength); }

void CMyScrollBar::SetThumbLength(int length) { WriteOnUiThread(m_nThumbLength, length); }

int CMyScrollBar::GetThumbLength() const { return ReadOnUiThread(m_nThumbLength); }

void CMyScrollBar::SetThumbOffset(int offset) { WriteOnUiThread(m_nThumbOffset, offset); }

int CMyScrollBar::GetThumbOffset() const { return ReadOnUiThread(m_nThumbOffset); }

CRect CMyScrollBar::GetTrackRect() const { return ReadOnUiThread(m_trackRect); }

CRect CMyScrollBar::GetThumbRect() const { return ReadOnUiThread(m_thumbRect); }

int CMyScrollBar::GetMode() const { return ReadOnUiThread(m_nMode); }

void CMyScrollBar::SetRange(int contentLength, int visibleLength, int position)
{
    RunOnUiThread([&] {
        const int64_t track = m_trackRect.Height();
        m_nContentLength = contentLength;
        m_nVisibleLength = visibleLength;
        m_nThumbLength = contentLength > 0 ? ToInt(visibleLength * track / contentLength) : 0;
        m_nThumbOffset = contentLength > 0 ? ToInt(int64_t(position) * track / contentLength) : 0;
    });
}

bool CMyScrollBar::ShowForContent(Wnd& view, const CRect& area, int contentHeight)
{
    return CallOnUiThread([&] {
        const int visible = area.Height();
        if (visible >= contentHeight) {
            ShowWindow(SW_HIDE);
            view.MoveWindow(area);
            return false;
        }
        view.MoveWindow(CRect(area.left, area.top, area.right - GetWindowRect().Width(), area.bottom));
        SetRange(contentHeight, visible, view.GetScrollPosition().y);
        ShowWindow(SW_SHOW);
        NotifyPosition();
        return true;
    });
}

// Keeps the thumb inside the track; true when it had to be moved back.
bool CMyScrollBar::Clamp()
{
    bool clamped = false;
    const int64_t trackHeight = m_trackRect.Height();
    if (int64_t(m_nThumbOffset) + m_nThumbLength > trackHeight) {
        m_nThumbOffset = ToInt(trackHeight - m_nThumbLength);
        clamped = true;
    }
    if (m_nThumbOffset < 0) {
        m_nThumbOffset = 0;
        clamped = true;
    }
    return clamped;
}

void CMyScrollBar::NotifyPosition()
{
    RunOnUiThread([&] {
        m_thumbRect = CRect(0, m_trackRect.top + m_nThumbOffset, m_trackRect.right,
                            m_trackRect.top + m_nThumbOffset + m_nThumbLength);
        // offset / thumb length x visible length, the same as offset x content / track;
        // a bar without a thumb stands at the top.
        ScrollBarPos pos;
        pos.thumbOffset = m_nThumbOffset;
        if (m_nThumbLength > 0) {
            double p = double(m_nThumbOffset) / m_nThumbLength * m_nVisibleLength;
            pos.position = int(std::clamp(p, double(INT_MIN), double(INT_MAX)));
        }
        Invalidate();
        if (Wnd* parent = GetParent())
            parent->SendMessage(WM_PAGE_ACTION, MsgParam::Of(pos), 8);
    });
}

void CMyScrollBar::OnWheel(int zDelta)
{
    RunOnUiThread([&] {
        if (!Wnd::GetFocus())
            return;
        m_nThumbOffset = ToInt(int64_t(m_nThumbOffset) + int64_t(zDelta) * -10 / 120);
        m_nStep = 10;
        Clamp();
        NotifyPosition();
        Invalidate();
    });
}

void CMyScrollBar::OnLButtonDown(UINT, CPoint point)
{
    m_nStep = 10;
    if (m_upRect.PtInRect(point)) {
        m_nThumbOffset = ToInt(int64_t(m_nThumbOffset) - m_nStep);
        m_nMode = kModeUpArrow;
        SetTimer(kRepeatTimer, UINT(m_nRepeatMs));
    } else if (m_downRect.PtInRect(point)) {
        m_nThumbOffset = ToInt(int64_t(m_nThumbOffset) + m_nStep);
        m_nMode = kModeDownArrow;
        SetTimer(kRepeatTimer, UINT(m_nRepeatMs));
    } else if (m_thumbRect.PtInRect(point)) {
        m_lastPoint = point;
        m_nMode = kModeThumb;
        SetCapture();
    }
    // A press on the bare track only sends the position again: the bar has no paging.
    Clamp();
    NotifyPosition();
    Invalidate();
}

void CMyScrollBar::OnTimer(UINT_PTR id)
{
    if (id != kRepeatTimer)
        return;
    m_nStep += 2;
    if (m_nMode == kModeUpArrow)
        m_nThumbOffset = ToInt(int64_t(m_nThumbOffset) - m_nStep);
    else if (m_nMode == kModeDownArrow)
        m_nThumbOffset = ToInt(int64_t(m_nThumbOffset) + m_nStep);
    if (Clamp())
        KillTimer(kRepeatTimer); // at the end of the track
    NotifyPosition();
    Invalidate();
}

void CMyScrollBar::OnMouseMove(UINT flags, CPoint point)
{
    if (!m_bTracking) {
        TrackMouseEvent(TME_LEAVE | TME_HOVER);
        m_bTracking = true;
    }
    if (m_nMode == kModeThumb) {
        if (flags & MK_LBUTTON) {
            if (point.y != m_lastPoint.y) {
                m_nThumbOffset = ToInt(int64_t(m_nThumbOffset) + point.y - m_lastPoint.y);
                Clamp();
                NotifyPosition();
                Invalidate();
            }
            m_lastPoint = point;
        } else {
            m_nMode = kModeIdle; // the release went elsewhere
        }
    } else if ((m_nMode == kModeUpArrow && !m_upRect.PtInRect(point)) ||
               (m_nMode == kModeDownArrow && !m_downRect.PtInRect(point))) {
        KillTimer(kRepeatTimer);
        m_nMode = kModeIdle;
        Invalidate();
    }
}

void CMyScrollBar::OnMouseLeave()
{
    m_bTracking = false;
    KillTimer(kRepeatTimer);
    m_nMode = kModeIdle;
    Invalidate();
}

void CMyScrollBar::OnLButtonUp(UINT, CPoint)
{
    KillTimer(kRepeatTimer);
    if (m_nMode == kModeThumb)
        ReleaseCapture();
    m_nMode = kModeIdle;
    Invalidate();
    if (Wnd* parent = GetParent())
        parent->SendMessage(WM_SCROLLBAR_RELEASED, 0, 0);
}

void CMyScrollBar::OnPaint(Graphics& g)
{
    CMyMemDC dc(g, GetClientRect());
    const float w = float(m_nWidth), h = float(m_nHeight);
    dc->DrawImage(m_background.get(), RectF(0, 0, w, h));
    dc->DrawImage(m_track.get(), RectF(m_trackRect));
    if (m_nMode == kModeUpArrow)
        dc->DrawImage(m_upPressed.get(), RectF(m_upRect));
    else if (m_nMode == kModeDownArrow)
        dc->DrawImage(m_downPressed.get(), RectF(m_downRect));
    dc->DrawImage(m_upGlyph.get(), RectF(float((m_nWidth - 8) / 2), 8, 8, 7));
    dc->DrawImage(m_downGlyph.get(), RectF(float((m_nWidth - 8) / 2 + 1), h - 13, 7, 6));
    if (m_nThumbLength > 0) {
        const float x = float(m_trackRect.left), top = float(m_thumbRect.top), len = float(m_nThumbLength);
        dc->DrawImage(m_thumbTop.get(), RectF(x, top, 14, 6));
        if (len > 11)
            dc->DrawImage(m_thumbBody.get(), RectF(x, top + 6, 14, len - 11));
        dc->DrawImage(m_thumbBottom.get(), RectF(x, top + len - 6, 14, 5));
    }
}
