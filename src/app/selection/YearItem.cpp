#include "YearItem.h"

#include "AppMessages.h"

#include <memory>

namespace {

const CSelectionItem::Look kYearLook{
    CYearItem::kFirstId, CYearItem::kPerRow, 0xF5F5F5, 0xE8E6E5, Color(0xFFA9A9A9), false, 13,
    Color(0xFF797D80),   Color(0xFF797D80),  5};

} // namespace

CYearItem::CYearItem(const CYear* year, bool rightBorder, bool bottomBorder)
    : CSelectionItem(kYearLook, rightBorder, bottomBorder), m_pYear(year)
{
}

std::wstring CYearItem::GetText() const { return m_pYear ? m_pYear->name : std::wstring(); }

const Image* CYearItem::GetPicture(Picture which)
{
    // One copy of each picture serves every year item.
    static const std::unique_ptr<Image> selected = LoadPngResource(176);
    static const std::unique_ptr<Image> hoverEven = LoadPngResource(177);
    static const std::unique_ptr<Image> hoverOdd = LoadPngResource(178);
    switch (which) {
    case kSelectedPicture: return selected.get();
    case kHoverEvenPicture: return hoverEven.get();
    case kHoverOddPicture: return hoverOdd.get();
    }
    return nullptr;
}

void CYearItem::SendSelection()
{
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_PAGE_ACTION, MsgParam::Of(m_pYear), kActionVehicle);
}

void CYearItem::OnPressing()
{
    if (Wnd* parent = GetParent())
        parent->SetFocus();
}
