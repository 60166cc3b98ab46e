#include "MyEditCtrl.h"
#include "RecordingWnd.h"

#include <gtest/gtest.h>

namespace {

class MyEditCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        ASSERT_TRUE(top.Create(nullptr, CRect(0, 0, 300, 100), 0, WS_POPUP));
        ASSERT_TRUE(edit.Create(&top, CRect(155, 20, 260, 43), 10015));
        ASSERT_TRUE(ShowAndWait(top));
        edit.SetFocus();
        RunEvents();
    }
    RecordingWnd top{"top"};
    CMyEditCtrl edit;
};

TEST_F(MyEditCtrlTest, EachModeTakesItsCharactersTypedOrPasted)
{
    struct {
        int mode;
        const wchar_t* input;
        const wchar_t* kept;
    } cases[] = {
        {CMyEditCtrl::kModeHex, L"09afAFgG-x ", L"09afAF"},
        {CMyEditCtrl::kModeDecimal, L"0129aAfF- .", L"0129"},
        {CMyEditCtrl::kModeAny, L"1aG-z ", L"1aG-z "},
        {7, L"1aG-z ", L"1aG-z "}, // no mode of ours: no filter
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        edit.SetInputMode(c.mode);
        EXPECT_EQ(edit.GetInputMode(), c.mode);
        edit.SetWindowText(L"");
        TypeText(edit, c.input);
        EXPECT_EQ(edit.GetWindowText(), c.kept);
        // Pasted text goes through the same filter.
        edit.SetWindowText(L"");
        SetClipboardText(c.input);
        edit.Paste();
        EXPECT_EQ(edit.GetWindowText(), c.kept);
    }
}

TEST_F(MyEditCtrlTest, BackspacePassesInEveryMode)
{
    for (int mode : {CMyEditCtrl::kModeAny, CMyEditCtrl::kModeHex, CMyEditCtrl::kModeDecimal}) {
        SCOPED_TRACE(mode);
        edit.SetInputMode(mode);
        edit.SetWindowText(L"");
        TypeText(edit, L"12");
        KeyPress(edit, VK_BACK);
        EXPECT_EQ(edit.GetWindowText(), L"1");
    }
}

TEST_F(MyEditCtrlTest, APastedControlCharacterIsLeftOut)
{
    // Only a typed Backspace edits; pasted, it would sit in the text unseen.
    edit.SetInputMode(CMyEditCtrl::kModeDecimal);
    SetClipboardText(L"1\b2\t3");
    edit.Paste();
    EXPECT_EQ(edit.GetWindowText(), L"123");
}

TEST_F(MyEditCtrlTest, TheModeMayChangeWhileTextStands)
{
    // The create page switches between decimal and hexadecimal input.
    edit.SetInputMode(CMyEditCtrl::kModeHex);
    TypeText(edit, L"1F");
    edit.SetInputMode(CMyEditCtrl::kModeDecimal);
    TypeText(edit, L"A3");
    EXPECT_EQ(edit.GetWindowText(), L"1F3");
}

} // namespace
