#pragma once
// The main window under test: pages of the test's own making, no Brelk unless
// the test brings one, and a data folder of its own.
#include "BRELK2App.h"
#include "BRELK2Dlg.h"
#include "BasePage.h"
#include "DeviceMap.h"
#include "DevicePresence.h"
#include "Language.h"
#include "TempFolder.h"
#include "UiScale.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A page that notes what the main dialog asks of it.
class StubPage : public CBasePage {
public:
    StubPage(int pageId, int type, std::vector<std::string>* journal) : m_nId(pageId), m_nType(type), m_journal(journal)
    {
    }
    int GetPageType() override { return m_nType; }
    int ShowPage(bool rebuild, int restoreTabs) override
    {
        m_journal->push_back("show " + std::to_string(m_nId) + (rebuild ? " rebuild" : "") +
                             (restoreTabs ? " tabs" : ""));
        return CBasePage::ShowPage(rebuild, restoreTabs);
    }
    void RefreshLanguage() override { ++refreshes; }
    void EnableActions(bool enable) override { enable ? ++actionsEnabled : ++actionsDisabled; }
    void SetContentHeight(int height) { m_nContentHeight = height; }

    int refreshes = 0;
    int actionsEnabled = 0;
    int actionsDisabled = 0;

private:
    int m_nId;
    int m_nType;
    std::vector<std::string>* m_journal;
};

// The serial ports the device map lists for a test: the Brelk at one COM
// number (its device node is /dev/null), or none. Installed for its lifetime.
class TestPorts {
public:
    explicit TestPorts(int com = 3)
    {
        ListBrelkAt(com);
        DeviceMap::SetSource([this] {
            std::lock_guard<std::mutex> lock(m_mutex);
            return std::optional<std::vector<DeviceMapEntry>>(m_ports);
        });
    }
    ~TestPorts() { DeviceMap::SetSource({}); }
    TestPorts(const TestPorts&) = delete;
    TestPorts& operator=(const TestPorts&) = delete;

    // 0: no port at all.
    void ListBrelkAt(int com)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ports.clear();
        if (com)
            m_ports.push_back({"\\Device\\USBSER000", "COM" + std::to_string(com), "/dev/null"});
    }

private:
    std::mutex m_mutex;
    std::vector<DeviceMapEntry> m_ports;
};

// The page type a brand page of each region reports: its region.
inline int CarPageType(int region) { return region; }

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        // No serial device of this machine takes part.
        DeviceMap::SetSource([] { return std::optional<std::vector<DeviceMapEntry>>(std::vector<DeviceMapEntry>{}); });
        theApp.m_setupInfo.carsStyle = 1;
    }
    void TearDown() override
    {
        SetMainWindow(nullptr);
        DeviceMap::SetSource({});
    }

    // Every page of the program, as stubs that write into `journal`.
    PageFactory StubFactory()
    {
        return [this](int pageId) -> std::unique_ptr<CBasePage> {
            int type = 0;
            if (pageId >= kPageCarRegion1 && pageId < kPageCarRegion1 + 5)
                type = CarPageType(pageId - kPageCarRegion1 + 1);
            else if (pageId == kPageModel || (pageId >= kPageModelRegion1 && pageId < kPageModelRegion1 + 5))
                type = 6;
            else if (pageId == kPagePartNo)
                type = 7;
            else if (pageId == kPageSetup)
                type = 8;
            else if (pageId == kPageTestSensor)
                type = 10;
            else if (pageId == kPageCopySensor)
                type = 11;
            else if (pageId == kPageCreateSensor)
                type = 12;
            else
                return nullptr;
            return std::make_unique<StubPage>(pageId, type, &journal);
        };
    }

    // A dialog of 1024 x 768 made as the program makes it, not yet run.
    std::unique_ptr<CBRELK2Dlg> MakeDialog(bool stubPages = true)
    {
        ScreenInfo screen{CSize(1280, 1024), CRect(0, 0, 1280, 994)};
        auto dlg = std::make_unique<CBRELK2Dlg>(&screen);
        if (stubPages)
            dlg->SetPageFactory(StubFactory());
        // Device changes come from the test's own messages, not from this machine.
        dlg->GetDevicePresence().SetMonitor(nullptr);
        SetMainWindow(dlg.get());
        return dlg;
    }
    // The same, created as a window (the first contact with the Brelk runs) and shown.
    std::unique_ptr<CBRELK2Dlg> CreateDialog(bool stubPages = true)
    {
        auto dlg = MakeDialog(stubPages);
        const CSize size = dlg->GetWindowSize();
        EXPECT_TRUE(dlg->Create(nullptr, CRect(0, 0, size.cx, size.cy), 0, WS_POPUP));
        EXPECT_TRUE(ShowAndWait(*dlg));
        return dlg;
    }

    static int CurrentId(const CBRELK2Dlg& dlg) { return dlg.GetCurrentLink() ? dlg.GetCurrentLink()->pageId : 0; }
    static std::vector<int> StackIds(CBRELK2Dlg& dlg)
    {
        std::vector<int> ids;
        for (PageLink* link : dlg.GetPageHistory().CurrentStack())
            ids.push_back(link->pageId);
        return ids;
    }

    ScopedDataFolder data;
    std::vector<std::string> journal;
};

// The screens of the two scales: 1024 x 768 and more gives 1.0; 1024 x 600 gives 0.78125.
inline const ScreenInfo kLargeScreen{CSize(1280, 1024), CRect(0, 0, 1280, 994)};
inline const ScreenInfo kSmallScreen{CSize(1024, 600), CRect(0, 0, 1024, 600)};

// Tests of the program's pages and panes: English texts, and the scale and
// region put back for the next test of the process.
class PagesTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
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
        RunEvents(10);
        return dlg;
    }
    template <class Page> static Page* Current(CBRELK2Dlg& dlg) { return dynamic_cast<Page*>(dlg.GetCurrentPage()); }
    void TearDown() override
    {
        MainDialogTest::TearDown();
        g_dUiScale = 1.0;
        theApp.m_setupInfo.carsStyle = 1;
    }
};
