#include "CarModelItem.h"

#include "CarModelItemContainer.h"
#include "Font.h"
#include "Image.h"
#include "PageHost.h"
#include "UiScale.h"

#include <memory>

namespace {

constexpr Color kNormalInk{0xFF797D80};
constexpr Color kSelectedInk{0xFFFFFFFF};
constexpr Color kRuleDark{0xFF919191};
constexpr Color kRuleLight{0xFFFFFFFF};

// The four pictures, shared by every tile.
struct TilePictures {
    std::unique_ptr<Image> normalFace = LoadPngResource(174);
    std::unique_ptr<Image> selectedFace = LoadPngResource(175);
    std::unique_ptr<Image> normalIcon = LoadPngResource(173);
    std::unique_ptr<Image> selectedIcon = LoadPngResource(172);
};

const TilePictures& Pictures()
{
    static const TilePictures pictures;
    return pictures;
}

} // namespace

CCarModelItem::CCarModelItem(const CModel* model, bool separator)
    : m_pModel(model), m_iconRect(float(ScaleLength(20)), 10, 24, 25), m_textPoint(float(ScaleLength(60)), 12),
      m_bSeparator(separator)
{
}

void CCarModelItem::OnPaint(Graphics& g)
{
    if (!m_pModel)
        return;
    const TilePictures& p = Pictures();
    const bool selected = m_nState == kStateSelected;
    const CRect client = GetClientRect();
    const float w = float(client.Width()), h = float(client.Height());
    g.DrawImage(selected ? p.selectedFace.get() : p.normalFace.get(), RectF(1, 0, w, h - 1));
    g.DrawImage(selected ? p.selectedIcon.get() : p.normalIcon.get(), m_iconRect);
    g.DrawString(m_pModel->name, Font(L"Arial", 13, FontStyleBold), selected ? kSelectedInk : kNormalInk, m_textPoint);
    if (m_bSeparator) {
        if (!selected)
            g.DrawLine(kRuleDark, 1, 0, h - 2, w, h - 2);
        g.DrawLine(kRuleLight, 1, 0, h - 1, w, h - 1);
    }
}

void CCarModelItem::OnLButtonDown(UINT, CPoint)
{
    auto* list = dynamic_cast<CCarModelItemContainer*>(GetParent());
    if (!list)
        return;
    list->SetFocus();
    list->SelectItem(this);
    if (IPageHost* host = GetPageHost())
        host->SetModelSelection(m_pModel);
    list->SetFocus();
}
