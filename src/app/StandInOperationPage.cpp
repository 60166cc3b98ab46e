#include "StandInOperationPage.h"

#include "BRELK2Dlg.h"
#include "Font.h"
#include "Language.h"
#include "PageHistory.h"
#include "TopPane.h"
#include "VehicleRecords.h"

namespace {

constexpr Color kInk{0xFF4C4C4C};

} // namespace

CStandInOperationPage::CStandInOperationPage(int pageId) : m_nPageId(pageId) {}

int CStandInOperationPage::GetPageType()
{
    switch (m_nPageId) {
    case kPageTestSensor: return 10;
    case kPageCopySensor: return 11;
    case kPageCreateSensor: return 12;
    default: return 0;
    }
}

int CStandInOperationPage::ShowPage(bool rebuild, int restoreTabs)
{
    if (m_pTopPane) {
        // The sensor tabs are test, create, copy.
        const int tab = m_nPageId == kPageCreateSensor ? 1 : m_nPageId == kPageCopySensor ? 2 : 0;
        m_pTopPane->ShowMenuTabs(CMenuTabs::kModeMain, false, 0);
        m_pTopPane->ShowMenuTabs(CMenuTabs::kModeSensor, true, tab);
        m_pTopPane->ShowBackButton(true);
        m_pTopPane->ShowSearchView(false);
        m_pTopPane->ShowFunctionListButton(false);
        m_pTopPane->ShowDailyFileButton(true);
    }
    Invalidate();
    return CBasePage::ShowPage(rebuild, restoreTabs);
}

std::wstring CStandInOperationPage::GetSelectionText() const
{
    const auto* main = dynamic_cast<const CBRELK2Dlg*>(GetMainWindow());
    if (!main)
        return {};
    const CLanguage& texts = GetLanguageManager();
    if (main->GetSelectionKind() == 1) {
        const CPartNo* partNo = main->GetPartNoSelection();
        return partNo ? texts.GetText(L"PART_NUMBER") + partNo->fields[0] : std::wstring();
    }
    const CBrand* brand = main->GetBrandSelection();
    const CModel* model = main->GetModelSelection();
    const CYear* year = main->GetVehicleSelection();
    if (!year)
        return {};
    return texts.GetText(L"CAR_MODEL") + (brand ? brand->name + L" " : L"") + (model ? model->name + L" " : L"") +
           year->name;
}

void CStandInOperationPage::OnPaint(Graphics& g)
{
    g.DrawString(GetSelectionText(), Font(L"Arial", 14, FontStyleBold), kInk, PointF(30, 30));
}
