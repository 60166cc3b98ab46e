#include "StartUp.h"

#include "MemDC.h"

namespace {
constexpr int kPictureId = 201;
} // namespace

CStartUp::CStartUp(std::function<void()> onEnter) : m_onEnter(std::move(onEnter)) {}

CStartUp::~CStartUp() = default;

int CStartUp::OnCreate()
{
    m_picture = LoadPngResource(kPictureId);
    return 0;
}

bool CStartUp::OnEraseBkgnd(Graphics&) { return true; }

void CStartUp::OnPaint(Graphics& g)
{
    const CRect r = GetClientRect();
    CMyMemDC mem(g, r);
    // One pixel over every edge but the bottom, so no seam of the picture shows.
    mem->DrawImage(m_picture.get(), RectF(-1, -1, float(r.Width() + 3), float(r.Height() + 1)));
}

bool CStartUp::PreTranslateKeyDown(UINT vk)
{
    if (vk == VK_ESCAPE)
        return true;
    if (vk != VK_F2)
        return false;
    // The window may go under this call; nothing of it is touched afterwards.
    if (m_onEnter) {
        std::function<void()> enter = m_onEnter;
        enter();
    }
    return true;
}
