#include "Dialog.h"

#include "UiThread.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <vector>

namespace {
// Running modal loops, innermost last.
std::vector<Dialog*> g_running;
} // namespace

Dialog::Dialog(CSize size, DWORD style) : m_size(size), m_style(style) {}

Dialog::~Dialog() = default;

int Dialog::DoModal(Wnd* owner)
{
    return CallOnUiThread([&]() -> int {
        if (m_running)
            return -1;
        m_result = -1;
        m_ended = false;
        CRect area(0, 0, 1024, 768);
        if (owner && owner->IsCreated())
            area = owner->GetTopLevel()->GetWindowRect();
        else if (QScreen* s = QGuiApplication::primaryScreen())
            area = CRect(s->availableGeometry().x(), s->availableGeometry().y(), s->availableGeometry().right() + 1,
                         s->availableGeometry().bottom() + 1);
        int x = area.left + (area.Width() - m_size.cx) / 2;
        int y = area.top + (area.Height() - m_size.cy) / 2;
        if (!CreateImpl(nullptr, owner, CRect(x, y, x + m_size.cx, y + m_size.cy), 0, m_style, true))
            return -1;
        Widget()->setWindowModality(Qt::ApplicationModal);
        // Its answer, whether it set the focus itself, matters not: nothing takes it by default here.
        OnInitDialog();
        if (!m_ended && IsCreated()) {
            ShowWindow(SW_SHOW);
            QEventLoop loop;
            m_loop = &loop;
            m_running = true;
            g_running.push_back(this);
            loop.exec();
            std::erase(g_running, this);
            m_running = false;
            m_loop = nullptr;
        }
        DestroyWindow();
        return m_result;
    });
}

void Dialog::EndDialog(int result)
{
    RunOnUiThread([&] {
        m_result = result;
        m_ended = true;
        if (m_loop)
            m_loop->quit();
    });
}

bool Dialog::PreTranslateKeyDown(UINT vk)
{
    if (vk == VK_ESCAPE) {
        OnCancel();
        return true;
    }
    if (vk == VK_RETURN) {
        OnOK();
        return true;
    }
    return false;
}

void PostQuitMessage(int)
{
    PostToUiThread([] {
        for (Dialog* d : g_running) {
            d->m_result = -1;
            d->m_ended = true;
            if (d->m_loop)
                d->m_loop->quit();
        }
    });
}
