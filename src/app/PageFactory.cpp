#include "PageFactory.h"

#include "BasePage.h"
#include "PageCopySensor.h"
#include "PageCreateSensor.h"
#include "PageHistory.h"
#include "PageTestSensor.h"

std::unique_ptr<CBasePage> CreatePageById(int pageId)
{
    // The pages are made here as they come: the brand page of each region
    // (10213..10217), the part-number page (10202), the settings page (10203),
    // the test, create and copy pages (10204..10206) and the model pages
    // (10209, 102091..102095). A page that is not there yet is not made, and
    // navigating to it changes nothing.
    switch (pageId) {
    case kPageTestSensor: return std::make_unique<CPageTestSensor>();
    case kPageCreateSensor: return std::make_unique<CPageCreateSensor>();
    case kPageCopySensor: return std::make_unique<CPageCopySensor>();
    default: return nullptr;
    }
}
