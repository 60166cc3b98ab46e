#pragma once
// A stand-in for the test, create and copy pages until they are built: it
// shows the selection that was made and the sensor tab bar, so that the way
// from the selection pages to the operations can be walked.
#include "BasePage.h"

#include <string>

class CStandInOperationPage : public CBasePage {
public:
    // The page's id (10204 test, 10205 create, 10206 copy).
    explicit CStandInOperationPage(int pageId);

    int GetPageType() override;
    int ShowPage(bool rebuild, int restoreTabs) override;
    // The selection as the page shows it.
    std::wstring GetSelectionText() const;

protected:
    void OnPaint(Graphics& g) override;

private:
    int m_nPageId;
};
