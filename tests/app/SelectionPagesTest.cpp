// The selection pages as a user meets them: the real pages of the program
// over the sample data, driven by mouse clicks and typed keys.
#include "AppMessages.h"
#include "BrandBtn.h"
#include "BrandWnd.h"
#include "CarModelItemContainer.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "ModelLeftWnd.h"
#include "ModelRightWnd.h"
#include "PageCar.h"
#include "PageModel.h"
#include "PagePartNo.h"
#include "SearchView.h"
#include "StandInOperationPage.h"
#include "TopPane.h"
#include "UiScale.h"
#include "VehicleDatabase.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// The screens of the two scales: 1024 x 768 and more gives 1.0; 1024 x 600 gives 0.78125.
const ScreenInfo kLargeScreen{CSize(1280, 1024), CRect(0, 0, 1280, 994)};
const ScreenInfo kSmallScreen{CSize(1024, 600), CRect(0, 0, 1024, 600)};

std::string GrabPath(const std::string& name) { return (std::filesystem::temp_directory_path() / name).string(); }

class SelectionPagesTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
    }
    void TearDown() override
    {
        MainDialogTest::TearDown();
        g_dUiScale = 1.0;
    }

    // The program's own window with its own pages, entered as a Brelk (or F2) enters it.
    std::unique_ptr<CBRELK2Dlg> OpenProgram(const ScreenInfo& screen = kLargeScreen)
    {
        auto dlg = std::make_unique<CBRELK2Dlg>(&screen);
        SetMainWindow(dlg.get());
        const CSize size = dlg->GetWindowSize();
        EXPECT_TRUE(dlg->Create(nullptr, CRect(0, 0, size.cx, size.cy), 0, WS_POPUP));
        EXPECT_TRUE(ShowAndWait(*dlg));
        dlg->SetConnectState(1, 1);
        RunEvents(20);
        return dlg;
    }

    template <class Page> static Page* Current(CBRELK2Dlg& dlg) { return dynamic_cast<Page*>(dlg.GetCurrentPage()); }
};

TEST_F(SelectionPagesTest, GrabbedPagesAtBothScales)
{
    for (const ScreenInfo* screen : {&kLargeScreen, &kSmallScreen}) {
        const std::string scale = screen == &kLargeScreen ? "100" : "78";
        auto dlg = OpenProgram(*screen);
        CPageCar* cars = Current<CPageCar>(*dlg);
        ASSERT_TRUE(cars);
        ASSERT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-brands-" + scale + ".png")));

        std::wstring name = L"Brunmark";
        dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(&name), kActionBrand);
        CPageModel* model = Current<CPageModel>(*dlg);
        ASSERT_TRUE(model);
        RunEvents(20);
        ASSERT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-models-" + scale + ".png")));
        CCarModelItem* tile = model->GetLeftPane()->GetList()->GetItem(0);
        ASSERT_TRUE(tile);
        MouseClick(*tile, CPoint(30, 20));
        RunEvents(20);
        ASSERT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-years-" + scale + ".png")));

        dlg->SendMessage(WM_PAGE_ACTION, kPagePartNo, kActionNavigate);
        RunEvents(20);
        ASSERT_TRUE(GrabWindowToPng(*dlg, GrabPath("brelk-partnumbers-" + scale + ".png")));
        dlg->DestroyWindow();
        SetMainWindow(nullptr);
    }
}

} // namespace
