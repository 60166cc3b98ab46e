#include "PartNoItem.h"

#include "AppMessages.h"

#include <memory>

namespace {

const CSelectionItem::Look kPartNoLook{
    CPartNoItem::kFirstId, CPartNoItem::kPerRow, 0xE2E0DF, 0xC8C6C5, Color(0xFF9B9B9D), true, 12,
    Color(0xFF4C4C4C),     Color(0xFFFFFFFF),    10};

} // namespace

CPartNoItem::CPartNoItem(const CPartNo* partNo, bool rightBorder, bool bottomBorder)
    : CSelectionItem(kPartNoLook, rightBorder, bottomBorder), m_pPartNo(partNo)
{
}

void CPartNoItem::Rebind(const CPartNo* partNo, bool rightBorder, bool bottomBorder)
{
    m_pPartNo = partNo;
    Reset(rightBorder, bottomBorder);
}

std::wstring CPartNoItem::GetText() const { return m_pPartNo ? m_pPartNo->fields[0] : std::wstring(); }

const Image* CPartNoItem::GetPicture(Picture which)
{
    // One copy of each picture serves every item: a page rebuilt under
    // typing makes hundreds of items and decodes no picture again.
    static const std::unique_ptr<Image> selected = LoadPngResource(195);
    static const std::unique_ptr<Image> hoverEven = LoadPngResource(193);
    static const std::unique_ptr<Image> hoverOdd = LoadPngResource(194);
    switch (which) {
    case kSelectedPicture: return selected.get();
    case kHoverEvenPicture: return hoverEven.get();
    case kHoverOddPicture: return hoverOdd.get();
    }
    return nullptr;
}

void CPartNoItem::SendSelection()
{
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_PAGE_ACTION, MsgParam::Of(m_pPartNo), kActionPartNo);
}
