#include "BrandBtn.h"

#include "AppMessages.h"
#include "BasePage.h"
#include "CodePage.h"
#include "MemDC.h"
#include "Paths.h"
#include "SharedHelpers.h"
#include "UiScale.h"

#include <algorithm>
#include <vector>

namespace {

constexpr COLORREF kButtonFace = 0xC7C7C7;
constexpr int kLogoWidth = 117;
constexpr int kLogoHeight = 116;

// The existing file of that name, found without regard to letter case, or "".
std::wstring ExistingFile(const std::wstring& path)
{
    const std::string resolved = ResolvePath(WideToUtf8(path));
    return PathExists(resolved) && !IsDirectory(resolved) ? Utf8ToWide(resolved) : std::wstring();
}

} // namespace

std::wstring BuildBrandImagePath(const std::wstring& folder, const std::wstring& name, const std::wstring& extension,
                                 const std::wstring& suffix)
{
    std::wstring spaced = name;
    std::replace(spaced.begin(), spaced.end(), L'-', L' ');
    const std::wstring trimmed = TrimWhiteSpace(name);
    std::vector<std::wstring> candidates = {name, spaced, trimmed};
    const size_t space = trimmed.find(L' ');
    if (space != std::wstring::npos && space >= 1)
        candidates.push_back(trimmed.substr(0, space));

    std::wstring path;
    for (const std::wstring& candidate : candidates) {
        path = ExistingFile(folder + candidate + extension);
        if (!path.empty())
            break;
    }
    if (path.empty())
        path = folder + L"undefined" + extension;
    if (suffix.empty())
        return path;
    const size_t dot = path.rfind(L'.');
    path = (dot == std::wstring::npos ? path : path.substr(0, dot)) + suffix;
    const std::wstring found = ExistingFile(path);
    return found.empty() ? path : found;
}

std::wstring BrandImageName(const std::wstring& brandName)
{
    return brandName == L"Opel/Vauxhall" ? std::wstring(L"Opel") : brandName;
}

std::wstring BrandImageFolder() { return GetAppDirectory() + L"pic/car/"; }

CBrandBtn::CBrandBtn() : m_strImageFolder(BrandImageFolder()) {}

CBrandBtn::~CBrandBtn() = default;

bool CBrandBtn::CreateForBrand(const std::wstring& brandName, const CRect& rect, Wnd* parent, int id)
{
    m_strImageName = BrandImageName(brandName);
    if (!Create(parent, rect, id, WS_CHILD | WS_VISIBLE))
        return false;
    ShowWindow(SW_SHOW);
    UpdateWindow();
    return true;
}

std::wstring CBrandBtn::GetNormalImagePath() const
{
    return BuildBrandImagePath(m_strImageFolder, m_strImageName, L".png", L"");
}

std::wstring CBrandBtn::GetSelectedImagePath() const
{
    return BuildBrandImagePath(m_strImageFolder, m_strImageName, L".png", L"_s.png");
}

bool CBrandBtn::OnEraseBkgnd(Graphics& g)
{
    g.FillRect(GetClientRect(), kButtonFace);
    return true;
}

void CBrandBtn::OnPaint(Graphics& g)
{
    if (m_strImageName.empty())
        return;
    const Image* image = nullptr;
    const int state = m_mouse.State();
    if (state == kStateNormal) {
        if (!m_normalImage)
            m_normalImage = Image::FromFile(WideToUtf8(GetNormalImagePath()));
        image = m_normalImage.get();
    } else if (state == kStateSelected || state == kStateHover) {
        if (!m_selectedImage)
            m_selectedImage = Image::FromFile(WideToUtf8(GetSelectedImagePath()));
        image = m_selectedImage.get();
    }
    CMyMemDC dc(g, GetClientRect());
    dc->DrawImage(image, RectF(0, 0, float(ScaleLength(kLogoWidth)), float(ScaleLength(kLogoHeight))));
}

void CBrandBtn::RepaintNow()
{
    Invalidate();
    UpdateWindow();
}

void CBrandBtn::OnMouseMove(UINT, CPoint)
{
    if (!m_mouse.Enter(kStateHover))
        return;
    TrackMouseEvent(TME_LEAVE | TME_HOVER, 1);
    RepaintNow();
}

void CBrandBtn::OnMouseLeave()
{
    m_mouse.Leave();
    RepaintNow();
}

void CBrandBtn::OnLButtonDown(UINT, CPoint)
{
    if (Wnd* parent = GetParent())
        parent->SetFocus();
    m_mouse.Press();
}

void CBrandBtn::OnLButtonUp(UINT, CPoint)
{
    if (!m_mouse.Release())
        return;
    // The receiver may hide this button's page: nothing of it is touched afterwards.
    if (Wnd* parent = GetParent())
        parent->SendMessage(WM_PAGE_ACTION, GetDlgCtrlID(), kActionBrand);
}
