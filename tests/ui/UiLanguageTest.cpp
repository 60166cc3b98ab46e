// Qt's own texts (the message boxes' standard buttons) in the program's
// language, through the real message-box service.
#include "UiLanguage.h"
#include "MessageBoxService.h"
#include "MessageBoxWatcher.h"
#include "TempFolder.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class UiLanguage : public ::testing::Test {
protected:
    void SetUp() override { EnsureUiApp(); }
    void TearDown() override { SetUiLanguage(L"EN"); }
    // A real Yes/No box answered by the button that reads `answer`; the
    // buttons it showed.
    std::vector<std::wstring> AskYesNo(const std::wstring& answer, int& result)
    {
        MessageBoxWatcher watcher(answer, grabs.Path(), "question");
        result = MessageBox(nullptr, L"Program all of them?", L"Note", MB_YESNO);
        const auto seen = watcher.SeenBoxes();
        return seen.empty() ? std::vector<std::wstring>() : seen.front().buttons;
    }
    TempFolder grabs;
};

TEST_F(UiLanguage, CodesNameTheirQtLocales)
{
    EXPECT_EQ(QtLocaleNameOf(L"DE"), "de");
    EXPECT_EQ(QtLocaleNameOf(L"en"), "en");
    EXPECT_EQ(QtLocaleNameOf(L"CN"), "zh_CN");
    EXPECT_EQ(QtLocaleNameOf(L"JP"), "ja");
    EXPECT_EQ(QtLocaleNameOf(L""), "");
}

TEST_F(UiLanguage, GermanGivesJaAndNeinAndEnglishComesBack)
{
    int result = 0;
    EXPECT_EQ(AskYesNo(L"No", result), (std::vector<std::wstring>{L"Yes", L"No"}));
    EXPECT_EQ(result, IDNO);

    ASSERT_TRUE(SetUiLanguage(L"DE")) << "Qt's German translation is missing (Debian: qt6-translations-l10n)";
    EXPECT_EQ(AskYesNo(L"Nein", result), (std::vector<std::wstring>{L"Ja", L"Nein"}));
    EXPECT_EQ(result, IDNO);
    EXPECT_EQ(AskYesNo(L"Ja", result), (std::vector<std::wstring>{L"Ja", L"Nein"}));
    EXPECT_EQ(result, IDYES);

    // A language Qt has no translation for: Qt's own English again, not
    // the German loaded before.
    EXPECT_FALSE(SetUiLanguage(L"XQ"));
    EXPECT_EQ(AskYesNo(L"No", result), (std::vector<std::wstring>{L"Yes", L"No"}));
    EXPECT_EQ(result, IDNO);
}

TEST_F(UiLanguage, OkAndCancelFollowTheLanguage)
{
    ASSERT_TRUE(SetUiLanguage(L"DE"));
    MessageBoxWatcher watcher(L"Abbrechen", grabs.Path(), "okcancel");
    EXPECT_EQ(MessageBox(nullptr, L"Go on?", L"Note", MB_OKCANCEL), IDCANCEL);
    const auto seen = watcher.SeenBoxes();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen.front().buttons, (std::vector<std::wstring>{L"OK", L"Abbrechen"}));
}

} // namespace
