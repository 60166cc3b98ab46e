#pragma once
// A window that writes down what reaches it, for tests of windows.
#include "UiTestSupport.h"
#include "Wnd.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

class RecordingWnd : public Wnd {
public:
    explicit RecordingWnd(std::string name = "w") : m_name(std::move(name)) {}

    std::vector<std::string> Log() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_log;
    }
    void ClearLog()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_log.clear();
    }
    void Note(const std::string& s)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_log.push_back(s);
    }

    std::function<LRESULT(UINT, const WPARAM&, const LPARAM&)> onMessage;
    std::function<void(UINT, CPoint)> onMove;
    std::function<void(UINT, CPoint)> onDown;
    std::function<void(UINT, CPoint)> onUp;
    std::function<void()> onLeave;
    std::function<bool(UINT)> keyFilter;
    std::function<bool(wchar_t)> charFilter;
    std::function<bool(short)> onWheel;
    std::function<void(Graphics&)> onPaint;
    std::function<int()> onCreate;
    std::function<void()> onDestroy;
    bool fill = false;
    COLORREF fillColor = 0xFFFFFF;

protected:
    int OnCreate() override
    {
        Note(m_name + ":create");
        return onCreate ? onCreate() : 0;
    }
    void OnDestroy() override
    {
        Note(m_name + ":destroy");
        if (onDestroy)
            onDestroy();
    }
    LRESULT OnMessage(UINT msg, WPARAM w, LPARAM l) override
    {
        Note(m_name + ":msg " + std::to_string(msg) + " " + std::to_string(w.Value()) + " " +
             std::to_string(l.Value()));
        if (onMessage)
            return onMessage(msg, w, l);
        return Wnd::OnMessage(msg, w, l);
    }
    void OnTimer(UINT_PTR id) override { Note(m_name + ":timer " + std::to_string(id)); }
    bool OnEraseBkgnd(Graphics& g) override
    {
        if (!fill)
            return false;
        g.FillRect(GetClientRect(), fillColor);
        return true;
    }
    void OnPaint(Graphics& g) override
    {
        if (onPaint)
            onPaint(g);
    }
    void OnMouseMove(UINT flags, CPoint p) override
    {
        Note(m_name + ":move");
        if (onMove)
            onMove(flags, p);
    }
    void OnLButtonDown(UINT flags, CPoint p) override
    {
        Note(m_name + ":down");
        if (onDown)
            onDown(flags, p);
    }
    void OnLButtonUp(UINT flags, CPoint p) override
    {
        Note(m_name + ":up");
        if (onUp)
            onUp(flags, p);
    }
    void OnMouseLeave() override
    {
        Note(m_name + ":leave");
        if (onLeave)
            onLeave();
    }
    void OnMouseHover(UINT, CPoint) override { Note(m_name + ":hover"); }
    bool OnMouseWheel(UINT, short delta, CPoint) override
    {
        Note(m_name + ":wheel " + std::to_string(delta));
        return onWheel ? onWheel(delta) : false;
    }
    bool PreTranslateKeyDown(UINT vk) override
    {
        Note(m_name + ":pre-key " + std::to_string(vk));
        return keyFilter ? keyFilter(vk) : false;
    }
    bool PreTranslateChar(wchar_t ch) override
    {
        Note(m_name + ":pre-char " + std::to_string(int(ch)));
        return charFilter ? charFilter(ch) : false;
    }
    void OnKeyDown(UINT vk) override { Note(m_name + ":key " + std::to_string(vk)); }
    void OnChar(wchar_t ch) override { Note(m_name + ":char " + std::to_string(int(ch))); }

private:
    std::string m_name;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_log;
};

// Counts entries that start with a prefix.
inline int CountOf(const std::vector<std::string>& log, const std::string& prefix)
{
    int n = 0;
    for (const auto& s : log)
        n += s.rfind(prefix, 0) == 0;
    return n;
}
