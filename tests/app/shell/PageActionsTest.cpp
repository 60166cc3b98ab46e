// The main dialog's dispatcher: what each kind and command of WM_PAGE_ACTION
// does, as the program's buttons send them, with pages of the test's own
// making and documents opened by a stand-in for the desktop's opener.
#include "AppMessages.h"
#include "BRELK2App.h"
#include "ChildProcess.h"
#include "CodePage.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "ProcessRunner.h"
#include "TempFolder.h"
#include "TopPane.h"
#include "TsNetlayer.h"
#include "UiThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace {

// An opener that writes down what it was asked to open and ends.
class RecordingOpener {
public:
    RecordingOpener()
    {
        const std::string script = tmp.File("opener.sh");
        tmp.Write("opener.sh", "#!/bin/sh\necho \"$1\" >> '" + tmp.File("opened") + "'\n");
        ::chmod(script.c_str(), 0755);
        m_previous = SetShellOpenProgram(script);
    }
    ~RecordingOpener() { SetShellOpenProgram(m_previous); }
    // What was opened, one line each, once `lines` have come.
    std::string Opened(size_t lines)
    {
        for (int i = 0; i < 400; ++i) {
            const std::string text = tmp.Read("opened");
            if (static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= lines)
                return text;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return tmp.Read("opened");
    }

    TempFolder tmp;

private:
    std::string m_previous;
};

class PageActionsTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
    }
    void TearDown() override
    {
        g_bAbort.Clear();
        theApp.m_setupInfo.carsStyle = 1;
        MainDialogTest::TearDown();
    }
    LRESULT Act(CBRELK2Dlg& dlg, int id, int kind) { return dlg.SendMessage(WM_PAGE_ACTION, id, kind); }
    std::wstring ProgramFile(const wchar_t* name) const { return theApp.GetAppFolder() + L"/" + name; }

    ScriptedMessageBoxes boxes;
};

} // namespace

TEST_F(PageActionsTest, AnOperationIdWithoutARowIsRefusedByName)
{
    auto dlg = CreateDialog();
    Act(*dlg, kPagePartNo, kActionNavigate);
    journal.clear();
    EXPECT_EQ(Act(*dlg, 10999, kActionOperation), 0);
    ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
    EXPECT_EQ(boxes.AskedBoxes()[0].text, L"Unknown action.");
    EXPECT_EQ(boxes.AskedBoxes()[0].caption, L"Brelk TPMS Tool");
    // Nothing else happened.
    EXPECT_EQ(CurrentId(*dlg), kPagePartNo);
    EXPECT_TRUE(journal.empty());
    EXPECT_FALSE(g_bAbort.IsSet());
    dlg->DestroyWindow();
}

TEST_F(PageActionsTest, StopRaisesTheStopFlagAndTheHiddenStopDoesNothing)
{
    auto dlg = CreateDialog();
    EXPECT_EQ(Act(*dlg, 16000, kActionOperation), 0);
    EXPECT_FALSE(g_bAbort.IsSet());
    EXPECT_TRUE(boxes.AskedBoxes().empty());
    EXPECT_EQ(Act(*dlg, 10303, kActionOperation), 0);
    EXPECT_TRUE(g_bAbort.IsSet());
    EXPECT_TRUE(boxes.AskedBoxes().empty());
    dlg->DestroyWindow();
}

TEST_F(PageActionsTest, CaptionCommandsOfNoRowAndOtherKindsChangeNothing)
{
    auto dlg = CreateDialog();
    Act(*dlg, kPagePartNo, kActionNavigate);
    journal.clear();
    // A caption command without a row, and kinds nobody sends.
    Act(*dlg, 10106, kActionCommand);
    Act(*dlg, 10108, 9);
    Act(*dlg, 10108, 0);
    EXPECT_EQ(CurrentId(*dlg), kPagePartNo);
    EXPECT_TRUE(journal.empty());
    EXPECT_TRUE(boxes.AskedBoxes().empty());
    dlg->DestroyWindow();
}

TEST_F(PageActionsTest, TheMinimiseButtonMinimises)
{
    auto dlg = CreateDialog();
    Act(*dlg, CTopPane::kMinimiseId, kActionCommand);
    EXPECT_TRUE(PumpUntil([&] { return dlg->IsIconic(); }, 2000));
    dlg->DestroyWindow();
}

TEST_F(PageActionsTest, AMissingDocumentIsNamedToTheUser)
{
    RecordingOpener opener;
    auto dlg = CreateDialog();
    // The sample program folder holds no help file and no function lists.
    Act(*dlg, CTopPane::kHelpId, kActionCommand);
    const struct {
        int region;
        const wchar_t* file;
    } lists[] = {
        {1, L"FunctionList_US.pdf"}, {2, L"FunctionList_EU.pdf"}, {3, L"FunctionList_AU.pdf"},
        {4, L"FunctionList_JP.pdf"}, {5, L"FunctionList_KR.pdf"}, {0, L"FunctionList_US.pdf"},
        {9, L"FunctionList_US.pdf"},
    };
    for (const auto& c : lists) {
        theApp.m_setupInfo.carsStyle = c.region;
        Act(*dlg, CTopPane::kFunctionListId, kActionCommand);
    }
    const auto asked = boxes.AskedBoxes();
    ASSERT_EQ(asked.size(), 1 + std::size(lists));
    EXPECT_EQ(asked[0].text, L"The document was not found:\n" + ProgramFile(L"pc_can't_connect_brelk.chm"));
    for (size_t i = 0; i < std::size(lists); ++i)
        EXPECT_EQ(asked[i + 1].text, L"The document was not found:\n" + ProgramFile(lists[i].file)) << i;
    EXPECT_EQ(dlg->GetDocumentViewer().Process(), nullptr);

    // In German the box says so in German.
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"DE"), 0);
    Act(*dlg, CTopPane::kHelpId, kActionCommand);
    EXPECT_EQ(boxes.AskedBoxes().back().text,
              L"Das Dokument wurde nicht gefunden:\n" + ProgramFile(L"pc_can't_connect_brelk.chm"));
    GetLanguageManager().LoadLanguage(L"EN");
    dlg->DestroyWindow();
}

TEST_F(PageActionsTest, TheDailyRecordsFolderIsMadeAndOpened)
{
    RecordingOpener opener;
    auto dlg = CreateDialog();
    Act(*dlg, CTopPane::kDailyFileId, kActionCommand);
    EXPECT_TRUE(std::filesystem::is_directory(data.Path() + "/DailyFile"));
    EXPECT_EQ(opener.Opened(1), data.Path() + "/DailyFile\n");
    EXPECT_TRUE(boxes.AskedBoxes().empty());
    dlg->DestroyWindow();
}

// The opener ends on its own: it found a viewer (0) or it did not (xdg-open
// gives 3 or 4 when nothing opens the file). Either way it is reaped, and the
// user learns which file could not be opened.
TEST_F(PageActionsTest, AnOpenerThatFindsNoViewerIsNamedToTheUserAndReaped)
{
    const struct {
        const char* script;
        bool opened;
    } cases[] = {
        {"#!/bin/sh\nexit 0\n", true},
        {"#!/bin/sh\nexit 3\n", false},
        {"#!/bin/sh\nkill -9 $$\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        TempFolder tmp;
        tmp.Write("opener.sh", c.script);
        ::chmod(tmp.File("opener.sh").c_str(), 0755);
        const std::string previous = SetShellOpenProgram(tmp.File("opener.sh"));
        ScriptedMessageBoxes said;
        auto dlg = CreateDialog();
        Act(*dlg, CTopPane::kDailyFileId, kActionCommand);
        ChildProcess* opener = dlg->GetDocumentViewer().Process();
        ASSERT_NE(opener, nullptr);
        const pid_t pid = opener->Pid();
        // The window goes on meanwhile; the watch reaps the opener when it ends.
        ASSERT_TRUE(PumpUntil([&] { return ::kill(pid, 0) != 0; }, 5000)) << "left behind as a zombie";
        PumpMessages();
        if (c.opened) {
            EXPECT_TRUE(said.AskedBoxes().empty());
        } else {
            ASSERT_EQ(said.AskedBoxes().size(), 1u);
            EXPECT_EQ(said.AskedBoxes()[0].text,
                      L"The document could not be opened:\n" + Utf8ToWide(data.Path()) + L"/DailyFile");
        }
        SetShellOpenProgram(previous);
        dlg->DestroyWindow();
    }
}

TEST_F(PageActionsTest, AnOpenerThatCannotStartIsNamedToTheUser)
{
    const std::string previous = SetShellOpenProgram("/nonexistent/opener");
    auto dlg = CreateDialog();
    Act(*dlg, CTopPane::kDailyFileId, kActionCommand);
    ASSERT_EQ(boxes.AskedBoxes().size(), 1u);
    EXPECT_EQ(boxes.AskedBoxes()[0].text,
              L"The document could not be opened:\n" + Utf8ToWide(data.Path()) + L"/DailyFile");
    SetShellOpenProgram(previous);
    dlg->DestroyWindow();
}
