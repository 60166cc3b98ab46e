// The program's questions in German read German all through: their text and
// Qt's own buttons, in the real message box a technician answers. The grabs
// land in the build folder's "grabs".
#include "EndToEndFixture.h"

#include "Language.h"
#include "MessageBoxWatcher.h"
#include "PageCreateSensor.h"

namespace {

class GermanQuestionTest : public EndToEndTest {
public:
    void SetUp() override
    {
        realPages = true;
        EndToEndTest::SetUp();
    }
    void TearDown() override
    {
        if (dlg)
            dlg->OnLanguageChanged(L"EN");
        SetMessageBoxService(&unexpectedBoxes);
        EndToEndTest::TearDown();
    }
    static std::string GrabFolder()
    {
        const std::string folder = std::string(BRELK_SAMPLE_BIN) + "/../grabs";
        std::filesystem::create_directories(folder);
        return folder;
    }
};

TEST_F(GermanQuestionTest, TheSeveralSensorsQuestionHasJaAndNeinAndNeinProgramsNothing)
{
    Open();
    SetIdFormat(L"H");
    Bench();
    auto second =
        std::make_shared<SimProgrammableSensor>(static_cast<uint16_t>(kBlankId + 1), protocol, 0x7100, 0x0411);
    second->SetIdentity("PSN-0002");
    brelk.frames.AddSensor(second);
    // German chosen, as the settings page's language box tells the main window.
    dlg->OnLanguageChanged(L"DE");
    ASSERT_EQ(GetLanguageManager().GetCurrentCode(), L"DE");

    Navigate(kPageCreateSensor);
    CPageCreateSensor* page = PageAs<CPageCreateSensor>(kPageCreateSensor);
    ASSERT_NE(page, nullptr);
    page->SetIdText(L"10000000");
    // The real box, answered by its "Nein" as a user reads it.
    SetMessageBoxService(nullptr);
    MessageBoxWatcher watcher(L"Nein", GrabFolder(), "question-german");
    CCustButton* programButton = page->GetButton(kCmdProgramCreate);
    ASSERT_NE(programButton, nullptr);
    const CRect r = programButton->GetClientRect();
    MouseClick(*programButton, CPoint(r.Width() / 2, r.Height() / 2));
    ASSERT_TRUE(WaitForOperation(120000));

    const auto seen = watcher.SeenBoxes();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"2 Sensoren gefunden. Alle programmieren?");
    EXPECT_EQ(seen[0].caption, L"Hinweis");
    EXPECT_EQ(seen[0].buttons, (std::vector<std::wstring>{L"Ja", L"Nein"}));
    EXPECT_FALSE(seen[0].grabPath.empty());
    // No: neither sensor was written.
    EXPECT_NE(sensor->ConfiguredId(), 0x10000000u);
    EXPECT_NE(second->ConfiguredId(), 0x10000000u);
}

} // namespace
