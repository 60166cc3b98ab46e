#include "Language.h"
#include "DataFixtures.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using Items = std::vector<std::pair<std::string, std::string>>;

class LanguageTest : public ::testing::Test {
protected:
    LanguageTest() : program("BRELK_PROGRAM_DIR", tmp.Path()) {}

    void WriteConfig(const std::vector<FixtureLang>& langs, const Items* addi = nullptr)
    {
        tmp.Write("Language/LangConfig.xml", MakeLangConfigXml(langs, addi));
    }
    void WriteStrings(const std::string& file, const Items& items)
    {
        tmp.Write("Language/" + file, MakeLanguageXml(items));
    }

    TempFolder tmp;
    ScopedEnv program;
};

TEST_F(LanguageTest, LanguageListAndItsResults)
{
    const Items addi{
        {"English", "English (demo)"}, {"Nobody", "x"}, {"Deutsch", "Deutsch (Demo)"}, {"English", "second match"}};
    WriteConfig({{"English", "EN", "en.xml"}, {"Deutsch", "DE", "de.xml"}, {"English", "EN2", "en2.xml"}}, &addi);
    CLanguage lang;
    const auto list = lang.GetLanguages();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Code, L"EN");
    EXPECT_EQ(list[0].AddiName, L"second match"); // each item names the first language of its key
    EXPECT_EQ(list[1].AddiName, L"Deutsch (Demo)");
    EXPECT_EQ(list[2].AddiName, L"");
    EXPECT_EQ(list[1].FileName, L"de.xml");
    EXPECT_EQ(lang.GetExeFolderW(), std::wstring(tmp.Path().begin(), tmp.Path().end()));
    EXPECT_EQ(lang.GetLanguageFile(L"DE"), lang.GetExeFolderW() + L"/Language/de.xml");
    EXPECT_EQ(lang.GetLanguageFile(L"de"), L"");
    EXPECT_EQ(lang.LoadLangConfig(), 0);

    const struct {
        const char* text;
        int result;
        size_t languages; // kept from before on 1 and 2
    } cases[] = {
        {"<Root><Langs><Lang Key=\"K\" Code=\"C\" FileName=\"f\"/></Langs></Root>", 3, 1},
        {"<Root><Other/></Root>", 2, 1},
        {"<Top/>", 1, 1},
        {"<Root><Langs>", -1, 1},
        {"<Root><AddiMultiLangs/><Langs/></Root>", 3, 0}, // AddiMultiLangs only counts after Langs
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        tmp.Write("Language/LangConfig.xml", c.text);
        EXPECT_EQ(lang.LoadLangConfig(), c.result);
        EXPECT_EQ(lang.GetLanguages().size(), c.languages);
    }
    std::remove(tmp.File("Language/LangConfig.xml").c_str());
    EXPECT_EQ(lang.LoadLangConfig(), -1);
    CLanguage none;
    EXPECT_TRUE(none.GetLanguages().empty());
    EXPECT_EQ(none.LoadLanguage(L"EN"), -1);
}

TEST_F(LanguageTest, TextsOfALanguage)
{
    WriteConfig({{"English", "EN", "English.xml"}, {"Deutsch", "DE", "Deutsch.xml"}});
    WriteStrings(
        "English.xml",
        {{"BTN_PROGRAM", "Program"}, {"BTN_PROGRAM", "Second"}, {"ABOUTBOX", "About"}, {"UNIT_C", ""}, {"EMPTY", ""}});
    WriteStrings("Deutsch.xml", {{"BTN_PROGRAM", "Programmieren"}, {"UNIT_F", ""}, {"UNIT_C", "Grad C"}});
    CLanguage lang;
    std::wstring text = L"stale";
    EXPECT_EQ(lang.GetText(L"BTN_PROGRAM", text), 1); // nothing loaded yet
    EXPECT_EQ(text, L"");

    ASSERT_EQ(lang.LoadLanguage(L"EN"), 0);
    EXPECT_EQ(lang.GetCurrentCode(), L"EN");
    EXPECT_EQ(lang.GetText(L"BTN_PROGRAM"), L"Program");
    EXPECT_EQ(lang.GetText(L"ABOUTBOX"), L"About(&A)...");
    EXPECT_EQ(lang.GetText(L"UNIT_C"), L"\u00B0C");
    EXPECT_EQ(lang.GetText(L"UNIT_F", text), 1); // absent stays absent
    EXPECT_EQ(lang.GetText(L"EMPTY", text), 0);
    EXPECT_EQ(lang.GetText(L"btn_program", text), 1);

    // The same code again does not read the file.
    WriteStrings("English.xml", {{"BTN_PROGRAM", "Changed"}});
    EXPECT_EQ(lang.LoadLanguage(L"EN"), 0);
    EXPECT_EQ(lang.GetText(L"BTN_PROGRAM"), L"Program");

    ASSERT_EQ(lang.LoadLanguage(L"DE"), 0);
    EXPECT_EQ(lang.GetText(L"BTN_PROGRAM"), L"Programmieren");
    EXPECT_EQ(lang.GetText(L"UNIT_F"), L"\u00B0F");
    EXPECT_EQ(lang.GetText(L"UNIT_C"), L"Grad C");
    EXPECT_EQ(lang.GetText(L"ABOUTBOX", text), 1);

    // Failures leave the texts and the code as they were.
    tmp.Write("Language/English.xml", "<Root><Other/></Root>");
    EXPECT_EQ(lang.LoadLanguage(L"EN"), 2);
    tmp.Write("Language/English.xml", "<Top/>");
    EXPECT_EQ(lang.LoadLanguage(L"EN"), 1);
    tmp.Write("Language/English.xml", "<Root><Items>");
    EXPECT_EQ(lang.LoadLanguage(L"EN"), -1);
    EXPECT_EQ(lang.LoadLanguage(L"de"), -1);
    EXPECT_EQ(lang.LoadLanguage(L"XX"), -1);
    EXPECT_EQ(lang.GetCurrentCode(), L"DE");
    EXPECT_EQ(lang.GetText(L"BTN_PROGRAM"), L"Programmieren");
}

TEST_F(LanguageTest, ReadersSeeWholeTablesWhileTheLanguageChanges)
{
    Items en, de;
    for (int i = 0; i < 500; ++i) {
        en.emplace_back("K" + std::to_string(i), "en");
        de.emplace_back("K" + std::to_string(i), "de");
    }
    WriteConfig({{"English", "EN", "en.xml"}, {"Deutsch", "DE", "de.xml"}});
    WriteStrings("en.xml", en);
    WriteStrings("de.xml", de);
    CLanguage lang;
    ASSERT_EQ(lang.LoadLanguage(L"EN"), 0);
    std::atomic<bool> stop{false};
    std::atomic<int> missing{0};
    std::thread reader([&] {
        std::wstring text;
        while (!stop)
            for (int i = 0; i < 500; i += 37)
                if (lang.GetText(L"K" + std::to_wstring(i), text) != 0 || (text != L"en" && text != L"de"))
                    ++missing;
    });
    for (int round = 0; round < 40; ++round)
        ASSERT_EQ(lang.LoadLanguage(round % 2 ? L"EN" : L"DE"), 0);
    stop = true;
    reader.join();
    EXPECT_EQ(missing, 0);
}

} // namespace
