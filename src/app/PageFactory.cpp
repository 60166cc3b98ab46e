#include "PageFactory.h"

#include "BasePage.h"
#include "PageCar.h"
#include "PageHistory.h"
#include "PageModel.h"
#include "PagePartNo.h"
#include "PageSetup.h"
#include "StandInOperationPage.h"

std::unique_ptr<CBasePage> CreatePageById(int pageId)
{
    if (pageId >= kPageCarRegion1 && pageId < kPageCarRegion1 + 5)
        return std::make_unique<CPageCar>(static_cast<ECarsStyle>(CARS_STYLE_US + pageId - kPageCarRegion1));
    if (pageId == kPageModel || (pageId >= kPageModelRegion1 && pageId < kPageModelRegion1 + 5))
        return std::make_unique<CPageModel>();
    if (pageId == kPagePartNo)
        return std::make_unique<CPagePartNo>();
    if (pageId == kPageSetup)
        return std::make_unique<CPageSetup>();
    // The operation pages stand in until they are built.
    if (pageId >= kPageTestSensor && pageId <= kPageCopySensor)
        return std::make_unique<CStandInOperationPage>(pageId);
    return nullptr;
}
