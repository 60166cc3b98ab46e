// The Brelk's firmware upgrade against the simulated Brelk's loader,
// in-process on the virtual clock, with catalogs from the catalog writer.
#include "BrelkUpgrade.h"
#include "AppMessages.h"
#include "BrelkUpgradeDlg.h"
#include "CatalogWriter.h"
#include "CodePage.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "SetupFile.h"
#include "SimBrelk.h"
#include "UiThread.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

constexpr uint8_t kEnterLoader = 0xCF;
constexpr uint8_t kFinish = 0xC3;
constexpr uint8_t kRestart = 0xC4;
constexpr uint8_t kVersionQuery = 0xC8;

std::string GrabPath(const std::string& name) { return (std::filesystem::temp_directory_path() / name).string(); }

// Bytes of an image that no two blocks share.
std::string ImageOf(size_t size)
{
    std::string image(size, '\0');
    for (size_t i = 0; i < size; ++i)
        image[i] = static_cast<char>((i * 7 + i / 2048 * 13 + 3) & 0xFF);
    return image;
}

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

int Count(const std::vector<uint8_t>& commands, uint8_t command)
{
    return static_cast<int>(std::count(commands.begin(), commands.end(), command));
}

class BrelkUpgradeTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
        ports = std::make_unique<TestPorts>(3);
    }
    void TearDown() override
    {
        ports.reset();
        MainDialogTest::TearDown();
    }

    // A catalog whose "brelk.bin" holds the image.
    std::string Catalog(const std::string& image)
    {
        CatalogWriter writer;
        writer.AddMember(ComposeSourceKey("brelk.bin"), image, "firmware.dat");
        const std::string path = folder.File("catalog.data");
        EXPECT_TRUE(writer.Write(path));
        return path;
    }

    // The main window over that catalog, its first contact made.
    std::unique_ptr<CBRELK2Dlg> Window(const std::string& catalog)
    {
        auto dlg = MakeDialog();
        dlg->GetUpgrade().SetCatalogPath(catalog);
        const CSize size = dlg->GetWindowSize();
        EXPECT_TRUE(dlg->Create(nullptr, CRect(0, 0, size.cx, size.cy), 0, WS_POPUP));
        EXPECT_TRUE(ShowAndWait(*dlg));
        return dlg;
    }

    // The texts of the message boxes shown, from the `from`th on.
    std::vector<std::wstring> Boxes(size_t from = 0) const
    {
        std::vector<std::wstring> texts;
        const auto asked = boxes.AskedBoxes();
        for (size_t i = from; i < asked.size(); ++i)
            texts.push_back(asked[i].text);
        return texts;
    }

    static std::wstring Text(const wchar_t* key) { return GetLanguageManager().GetText(key); }

    std::wstring StoredBrelkVersion() const
    {
        std::wstring value;
        ReadSetupString(value, Utf8ToWide(data.Folder().File("Setup.ini")), L"Config", L"BrelkVersion");
        return value;
    }

    // The window is as it was before the upgrade: enabled, no progress
    // window, no image held.
    static void ExpectPutBack(CBRELK2Dlg& dlg)
    {
        EXPECT_TRUE(dlg.IsWindowEnabled());
        EXPECT_EQ(dlg.GetUpgrade().GetWindow(), nullptr);
        EXPECT_TRUE(dlg.GetUpgrade().GetImage().empty());
        EXPECT_FALSE(dlg.GetUpgrade().IsRunning());
        EXPECT_FALSE(dlg.IsUpgradeRunning());
        EXPECT_FALSE(dlg.IgnoresDeviceChanges());
    }

    VirtualClock clock;
    ScriptedMessageBoxes boxes;
    TempFolder folder;
    std::unique_ptr<TestPorts> ports;
};

TEST_F(BrelkUpgradeTest, EveryBlockGoesToItsAddressAndTheBrelkComesBackWithTheNewVersion)
{
    const struct {
        size_t size;
        std::vector<std::pair<uint32_t, uint16_t>> headers; // address, data frame length
        std::vector<std::wstring> progress;
    } cases[] = {
        {4096, {{0x08004000, 2054}, {0x08004800, 2054}}, {L"Brelk upgrading......0%", L"Brelk upgrading......50%"}},
        {4097,
         {{0x08004000, 2054}, {0x08004800, 2054}, {0x08005000, 7}},
         {L"Brelk upgrading......0%", L"Brelk upgrading......33%", L"Brelk upgrading......66%"}},
        {2048, {{0x08004000, 2054}}, {L"Brelk upgrading......0%"}},
        {1, {{0x08004000, 7}}, {L"Brelk upgrading......0%"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        SimBrelk brelk(3);
        const std::string image = ImageOf(c.size);
        auto dlg = Window(Catalog(image));
        std::vector<std::wstring> progress;
        for (size_t block = 0; block < c.headers.size(); ++block)
            brelk.loader.OnBlock(static_cast<int>(block),
                                 [&] { progress.push_back(dlg->GetUpgrade().GetWindow()->GetStatusText()); });
        brelk.sim.SetVersion(std::string("V6.10\0", 6));
        const size_t before = brelk.sim.Commands().size();

        EXPECT_EQ(dlg->UpgradeBrelk(), 1);

        std::vector<std::pair<uint32_t, uint16_t>> headers;
        for (const auto& h : brelk.loader.Headers())
            headers.emplace_back(h.address, h.frameLength);
        EXPECT_EQ(headers, c.headers);
        EXPECT_EQ(progress, c.progress);
        EXPECT_EQ(brelk.loader.Flash(), Bytes(image));
        const std::vector<uint8_t> all = brelk.sim.Commands();
        std::vector<uint8_t> commands(all.begin() + static_cast<long>(before), all.end());
        std::vector<uint8_t> expected = {kEnterLoader, 0xC9, 0xC0, 0xC2};
        expected.insert(expected.end(), c.headers.size(), 0xC1);
        expected.insert(expected.end(), {kFinish, kRestart, kVersionQuery});
        EXPECT_EQ(commands, expected);
        EXPECT_EQ(brelk.sim.Version(), std::string("V6.11\0", 6));
        EXPECT_TRUE(Boxes().empty());
        ExpectPutBack(*dlg);
        dlg->DestroyWindow();
    }
}

TEST_F(BrelkUpgradeTest, ADataBlockIsTriedThreeTimes)
{
    const struct {
        int failures;
        int result;
        size_t headers;
    } cases[] = {
        {2, 1, 4}, // block 0 once, block 1 three times
        {3, 0, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failures);
        SimBrelk brelk(3);
        auto dlg = Window(Catalog(ImageOf(4096)));
        const size_t asked = boxes.AskedBoxes().size();
        brelk.loader.FailBlockData(1, c.failures);
        EXPECT_EQ(dlg->UpgradeBrelk(), c.result);
        EXPECT_EQ(brelk.loader.Headers().size(), c.headers);
        EXPECT_EQ(brelk.loader.DataFramesRefused(), c.failures);
        const std::vector<std::wstring> shown = Boxes(asked);
        if (c.result == 1)
            EXPECT_TRUE(shown.empty());
        else
            EXPECT_EQ(shown, std::vector<std::wstring>{Text(L"UPGRADEERRPR")});
        EXPECT_EQ(Count(brelk.sim.Commands(), kFinish), c.result);
        ExpectPutBack(*dlg);
        dlg->DestroyWindow();
    }
}

TEST_F(BrelkUpgradeTest, AHeaderAnsweredWithAnotherCodeEndsTheTransferAtOnce)
{
    SimBrelk brelk(3);
    auto dlg = Window(Catalog(ImageOf(8192)));
    brelk.loader.SetHeaderReply(0x83);
    EXPECT_EQ(dlg->UpgradeBrelk(), 0);
    EXPECT_EQ(brelk.loader.Headers().size(), 1u);
    EXPECT_EQ(Boxes(), std::vector<std::wstring>{Text(L"UPGRADEERRPR")});
    EXPECT_EQ(Count(brelk.sim.Commands(), kFinish), 0);
    EXPECT_EQ(Count(brelk.sim.Commands(), kRestart), 0);
    ExpectPutBack(*dlg);
    dlg->DestroyWindow();
}

TEST_F(BrelkUpgradeTest, TheFinishAndTheRestartDecide)
{
    const struct {
        const char* what;
        uint8_t finishReply;  // 0: as the transfer went (85)
        const char* firmware; // what the Brelk runs after C4
        bool silentAfterRestart;
        int result;
        int restarts;
    } cases[] = {
        {"finished, V6.11", 0, "V6.11", false, 1, 1},
        {"another finish answer, V6.11", 0x86, "V6.11", false, 1, 1},
        {"finish refused", 0xE0, "V6.11", false, 0, 0},
        {"silent after the restart", 0, "V6.11", true, 0, 1},
        {"still another version", 0, "V6.10", false, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimBrelk brelk(3);
        auto dlg = Window(Catalog(ImageOf(5000)));
        const size_t asked = boxes.AskedBoxes().size();
        brelk.loader.SetFinishReply(c.finishReply);
        brelk.loader.SetFirmwareVersion(c.firmware);
        brelk.loader.SetSilentAfterRestart(c.silentAfterRestart);
        EXPECT_EQ(dlg->UpgradeBrelk(), c.result);
        EXPECT_EQ(Count(brelk.sim.Commands(), kRestart), c.restarts);
        const std::vector<std::wstring> shown = Boxes(asked);
        if (c.result == 1)
            EXPECT_TRUE(shown.empty());
        else
            EXPECT_EQ(shown, std::vector<std::wstring>{Text(L"UPGRADEERRPR")});
        ExpectPutBack(*dlg);
        dlg->DestroyWindow();
    }
}

TEST_F(BrelkUpgradeTest, RepliesSplitAcrossTwoReadsAreWholeReplies)
{
    SimBrelk brelk(3);
    auto dlg = Window(Catalog(ImageOf(6000)));
    brelk.loader.SplitReplies(true);
    EXPECT_EQ(dlg->UpgradeBrelk(), 1);
    EXPECT_EQ(brelk.loader.Headers().size(), 3u);
    EXPECT_EQ(brelk.loader.DataFramesRefused(), 0);
    EXPECT_TRUE(Boxes().empty());
}

TEST_F(BrelkUpgradeTest, AnUnplugInTheMiddleFailsAndGivesTheWindowBack)
{
    SimBrelk brelk(3);
    auto dlg = Window(Catalog(ImageOf(10000)));
    brelk.loader.OnBlock(2, [&] {
        brelk.port.Unplug(true);
        ports->ListBrelkAt(0);
    });
    // While the failure is said, no progress stands beside it.
    std::vector<bool> progressWhileSaid;
    boxes.whileOpen = [&](const ScriptedMessageBoxes::Asked&) {
        const CBrelkUpgradeDlg* progress = dlg->GetUpgrade().GetWindow();
        progressWhileSaid.push_back(progress && progress->IsWindowVisible());
    };
    EXPECT_EQ(dlg->UpgradeBrelk(), 0);
    boxes.whileOpen = nullptr;
    EXPECT_EQ(progressWhileSaid, std::vector<bool>{false});
    // The user reads that the Brelk was pulled, not that the upgrade failed of itself.
    EXPECT_EQ(Boxes(), std::vector<std::wstring>{Text(L"BRELK_UNPLUGGED_UPGRADE")});
    EXPECT_TRUE(dlg->BrelkUpgradeUnplugged());
    EXPECT_EQ(brelk.loader.Headers().size(), 3u);
    EXPECT_TRUE(brelk.loader.InLoader());
    ExpectPutBack(*dlg);
    dlg->DestroyWindow();
}

TEST_F(BrelkUpgradeTest, AnImageThatCannotBeReadLeavesTheBrelkUntouched)
{
    const struct {
        const char* what;
        bool member;
        std::vector<std::wstring> boxes;
    } cases[] = {
        {"no brelk.bin", false, {L"The sensor of file is not exist.", L"Read the brelk.bin file error."}},
        // The catalog refuses an empty member: there is no block to write.
        {"an empty brelk.bin", true, {L"The sensor of file is not exist.", L"Read the brelk.bin file error."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedMessageBoxes asked;
        SimBrelk brelk(3);
        CatalogWriter writer;
        if (c.member)
            writer.AddMember(ComposeSourceKey("brelk.bin"), "", "firmware.dat");
        writer.AddMember(ComposeSourceKey("other.bin"), "x", "firmware.dat");
        const std::string catalog = folder.File("catalog.data");
        ASSERT_TRUE(writer.Write(catalog));
        auto dlg = Window(catalog);
        brelk.port.ClearWritten();
        EXPECT_EQ(dlg->UpgradeBrelk(), 0);
        std::vector<std::wstring> texts;
        for (const auto& box : asked.AskedBoxes())
            texts.push_back(box.text);
        EXPECT_EQ(texts, c.boxes);
        EXPECT_TRUE(brelk.port.Written().empty());
        ExpectPutBack(*dlg);
        dlg->DestroyWindow();
    }
}

TEST_F(BrelkUpgradeTest, TheBrelkIsLookedForAnewAfterEachRestart)
{
    SimBrelk brelk(3);
    brelk.port.Install(0); // opens under whatever number it is asked for
    auto dlg = Window(Catalog(ImageOf(3000)));
    // Back from its restart into the loader it is another port.
    brelk.loader.SetRestartObserver([&](SimBrelkLoader::Restart restart) {
        ports->ListBrelkAt(restart == SimBrelkLoader::Restart::IntoLoader ? 5 : 6);
    });
    EXPECT_EQ(dlg->UpgradeBrelk(), 1);
    EXPECT_EQ(brelk.port.LastComNumber(), 6);
    EXPECT_EQ(g_nBrelkPort, 6);
    EXPECT_EQ(brelk.loader.Headers().size(), 2u);
}

TEST_F(BrelkUpgradeTest, WhileItRunsTheWindowsShowItAndNothingInterrupts)
{
    SimBrelk brelk(3);
    auto dlg = Window(Catalog(ImageOf(10000)));
    ASSERT_EQ(dlg->GetConnectState(), 1);
    brelk.sim.SetVersion(std::string("V6.10\0", 6));
    bool flags = false, mainDisabled = false, progressShown = false, stillOpen = false, stillThere = false;
    bool actionsKept = false;
    std::wstring status;
    int opensBefore = 0;
    StubPage* page = static_cast<StubPage*>(dlg->GetCurrentPage());
    ASSERT_TRUE(page);
    const std::string png = GrabPath("brelk-upgrade-window.png");
    brelk.loader.OnBlock(2, [&] {
        CBrelkUpgradeDlg* window = dlg->GetUpgrade().GetWindow();
        CallOnUiThread([&] {
            flags = dlg->IsUpgradeRunning() && dlg->IgnoresDeviceChanges();
            mainDisabled = !dlg->IsWindowEnabled();
            progressShown = window && window->IsWindowVisible();
            opensBefore = brelk.port.OpenCount();
            // A device change meanwhile closes nothing; closing the window is refused.
            dlg->SendMessage(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
            dlg->SendMessage(WM_CLOSE);
            stillOpen = brelk.port.OpenCount() == opensBefore && g_bSerialOpen;
            stillThere = dlg->IsCreated();
            // Nor does it give the page its actions back while the upgrade runs.
            actionsKept = page->actionsEnabled == 0;
        });
        status = window->GetStatusText();
        EXPECT_TRUE(GrabWindowToPng(*window, png));
    });
    // The Brelk arrives with another version: the one automatic upgrade.
    dlg->SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    EXPECT_TRUE(flags);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(stillThere);
    EXPECT_TRUE(actionsKept);
    EXPECT_EQ(status, L"Brelk upgrading......40%");
    EXPECT_EQ(Boxes(), std::vector<std::wstring>{L"The Brelk is being upgraded. Please wait until it has finished."});
    EXPECT_EQ(StoredBrelkVersion(), L"V6.11");
    EXPECT_EQ(dlg->GetDevicePresence().GetStatusKey(), L"CONNECTED");
    ExpectPutBack(*dlg);
    auto grabbed = Image::FromFile(png);
    ASSERT_TRUE(grabbed);
    EXPECT_EQ(grabbed->GetWidth(), 420);
    std::printf("upgrade window grabbed to %s\n", png.c_str());
    dlg->DestroyWindow();
}

TEST_F(BrelkUpgradeTest, AtStartTheWindowsAreUpBeforeTheBrelkIsTouched)
{
    SimBrelk brelk(3);
    brelk.sim.SetVersion(std::string("V6.10\0", 6));
    bool mainShown = false, progressShown = false;
    brelk.loader.OnBlock(0, [&] {
        // The window made while it runs is the main window.
        Wnd* main = GetMainWindow();
        CBRELK2Dlg* dlg = static_cast<CBRELK2Dlg*>(main);
        CallOnUiThread([&] {
            mainShown = dlg && dlg->IsWindowVisible();
            progressShown = dlg && dlg->GetUpgrade().GetWindow() && dlg->GetUpgrade().GetWindow()->IsWindowVisible();
        });
    });
    auto dlg = Window(Catalog(ImageOf(4096)));
    EXPECT_TRUE(mainShown);
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(StoredBrelkVersion(), L"V6.11");
    EXPECT_EQ(dlg->GetConnectState(), 1);
    EXPECT_EQ(Count(brelk.sim.Commands(), kEnterLoader), 1);
    ExpectPutBack(*dlg);
    dlg->DestroyWindow();
}

} // namespace
