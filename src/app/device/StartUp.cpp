#include "StartUp.h"

#include "Font.h"
#include "Language.h"
#include "MemDC.h"

namespace {
constexpr int kPictureId = 201;
// The texts stand in the picture's lower band (its bottom 38 %), one above the other.
constexpr float kBandTop = 0.62f;
constexpr float kWaitLineAt = 0.30f; // of the band's height, where the first line is centred
constexpr float kEnterLineAt = 0.55f;
constexpr float kWaitPoints = 18;
constexpr float kEnterPoints = 13;
const Color kWaitColour(0xFF4C4C4C);
const Color kEnterColour(0xFF6E7175);
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
    // What the program waits for, and the way in without a Brelk, in the user's language.
    const float bandTop = float(r.Height()) * kBandTop;
    const float bandHeight = float(r.Height()) - bandTop;
    const StringFormat centred(StringAlignmentCenter, StringAlignmentCenter);
    const CLanguage& texts = GetLanguageManager();
    mem->DrawString(
        texts.GetText(L"STARTUP_WAITING"), Font(L"Arial", kWaitPoints, FontStyleBold), kWaitColour,
        RectF(0, bandTop + bandHeight * kWaitLineAt - bandHeight * 0.15f, float(r.Width()), bandHeight * 0.3f),
        centred);
    mem->DrawString(
        texts.GetText(L"STARTUP_ENTER"), Font(L"Arial", kEnterPoints), kEnterColour,
        RectF(0, bandTop + bandHeight * kEnterLineAt - bandHeight * 0.15f, float(r.Width()), bandHeight * 0.3f),
        centred);
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
