#include "PageFactory.h"

#include "BasePage.h"
#include "PageCar.h"
#include "PageCopySensor.h"
#include "PageCreateSensor.h"
#include "PageHistory.h"
#include "PageModel.h"
#include "PagePartNo.h"
#include "PageSetup.h"
#include "PageTestSensor.h"

std::unique_ptr<CBasePage> CreatePageById(int pageId)
{
    if (pageId >= kPageCarRegion1 && pageId < kPageCarRegion1 + 5)
        return std::make_unique<CPageCar>(static_cast<ECarsStyle>(CARS_STYLE_US + pageId - kPageCarRegion1));
    if (pageId == kPageModel || (pageId >= kPageModelRegion1 && pageId < kPageModelRegion1 + 5))
        return std::make_unique<CPageModel>();
    switch (pageId) {
    case kPagePartNo: return std::make_unique<CPagePartNo>();
    case kPageTestSensor: return std::make_unique<CPageTestSensor>();
    case kPageCreateSensor: return std::make_unique<CPageCreateSensor>();
    case kPageCopySensor: return std::make_unique<CPageCopySensor>();
    case kPageSetup: return std::make_unique<CPageSetup>();
    default: return nullptr;
    }
}
