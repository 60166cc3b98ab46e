#include "PartNoItem.h"

#include "AppMessages.h"

namespace {

const CSelectionItem::Look kPartNoLook{
    CPartNoItem::kFirstId, CPartNoItem::kPerRow, 0xE2E0DF, 0xC8C6C5, Color(0xFF9B9B9D), true, 12,
    Color(0xFF4C4C4C),     Color(0xFFFFFFFF),    10};

} // namespace

CPartNoItem::CPartNoItem(const CPartNo* partNo, bool rightBorder, bool bottomBorder)
    : CSelectionItem(kPartNoLook, rightBorder, bottomBorder), m_pPartNo(partNo), m_hoverEven(LoadPngResource(193)),
      m_hoverOdd(LoadPngResource(194)), m_selected(LoadPngResource(195))
{
}

CPartNoItem::~CPartNoItem() = default;

std::wstring CPartNoItem::GetText() const { return m_pPartNo ? m_pPartNo->fields[0] : std::wstring(); }

const Image* CPartNoItem::GetPicture(Picture which)
{
    switch (which) {
    case kSelectedPicture: return m_selected.get();
    case kHoverEvenPicture: return m_hoverEven.get();
    case kHoverOddPicture: return m_hoverOdd.get();
    }
    return nullptr;
}

void CPartNoItem::SendSelection()
{
    if (Wnd* main = GetMainWindow())
        main->SendMessage(WM_PAGE_ACTION, MsgParam::Of(m_pPartNo), kActionPartNo);
}
