#include "CheckBox.h"
#include "ComboBox.h"
#include "Edit.h"
#include "ProgressBar.h"
#include "RecordingWnd.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

namespace {

// The hexadecimal filter of the identifier edit: digits, A-F in either case and Backspace.
class HexEdit : public Edit {
public:
    std::vector<std::string> chars;

protected:
    bool FilterChar(wchar_t ch) override
    {
        return ch == L'\b' || (ch >= L'0' && ch <= L'9') || (ch >= L'A' && ch <= L'F') || (ch >= L'a' && ch <= L'f');
    }
    void OnChar(wchar_t ch) override { chars.push_back(std::string(1, char(ch))); }
};

class Controls : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        ASSERT_TRUE(top.Create(nullptr, CRect(0, 0, 400, 200), 0, WS_POPUP));
        ASSERT_TRUE(page.Create(&top, CRect(0, 0, 400, 200), 10205));
        ASSERT_TRUE(ShowAndWait(top));
        top.ClearLog();
    }
    RecordingWnd top{"top"};
    RecordingWnd page{"page"};
};

TEST_F(Controls, KeysWalkFromTheFocusUpToTheTopAndCanBeSwallowed)
{
    RecordingWnd item("item");
    ASSERT_TRUE(item.Create(&page, CRect(0, 0, 50, 50), 1));
    item.SetFocus();
    RunEvents();
    ASSERT_EQ(Wnd::GetFocus(), &item);
    // The top-level window swallows Esc and Enter, as the main dialog does.
    top.keyFilter = [](UINT vk) { return vk == VK_ESCAPE || vk == VK_RETURN; };
    KeyPress(item, VK_ESCAPE);
    EXPECT_EQ(item.Log(), std::vector<std::string>({"item:create", "item:pre-key 27"}));
    EXPECT_EQ(page.Log().back(), "page:pre-key 27");
    EXPECT_EQ(top.Log().back(), "top:pre-key 27");
    item.ClearLog();
    // F2 passes everything and reaches the focus window's own handler.
    KeyPress(item, VK_F2);
    EXPECT_EQ(item.Log(), std::vector<std::string>({"item:pre-key 113", "item:key 113"}));
    item.ClearLog();
    TypeText(item, L"a");
    EXPECT_EQ(item.Log(),
              std::vector<std::string>({"item:pre-key 65", "item:pre-char 97", "item:key 65", "item:char 97"}));
}

TEST_F(Controls, TheEditFilterHoldsForTypedAndPastedText)
{
    HexEdit edit;
    ASSERT_TRUE(edit.Create(&page, CRect(155, 20, 260, 43), 10015));
    edit.SetFont(Font::Gdi(L"Arial", 22, FW_BOLD));
    edit.SetLimitText(8);
    edit.SetFocus();
    RunEvents();
    TypeText(edit, L"1aG-fZ");
    EXPECT_EQ(edit.GetWindowText(), L"1af");
    EXPECT_EQ(edit.chars, std::vector<std::string>({"1", "a", "f"}));
    KeyPress(edit, VK_BACK);
    EXPECT_EQ(edit.GetWindowText(), L"1a");
    // Pasting runs the same filter: what the filter refuses is left out.
    SetClipboardText(L"12 34\r\nxyzC0");
    QTest::keyClick(edit.Widget(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.GetWindowText(), L"1a1234C0");
    // The limit holds too.
    SetClipboardText(L"FFFF");
    edit.Paste();
    EXPECT_EQ(edit.GetWindowText(), L"1a1234C0");
    // Read-only takes nothing.
    edit.SetWindowText(L"");
    edit.SetReadOnly(true);
    edit.Paste();
    TypeText(edit, L"5");
    EXPECT_EQ(edit.GetWindowText(), L"");
}

TEST_F(Controls, EditSelectionAndChangeNotifications)
{
    Edit edit;
    ASSERT_TRUE(edit.Create(&page, CRect(0, 0, 200, 23), 12000));
    page.ClearLog();
    edit.SetWindowText(L"Audi A4");
    // EN_CHANGE reaches the parent for a text set by the program too.
    EXPECT_EQ(page.Log(), std::vector<std::string>({"page:msg 273 12000 768"}));
    edit.SetSel(4, 7);
    int s = 0, e = 0;
    edit.GetSel(s, e);
    EXPECT_EQ(s, 4);
    EXPECT_EQ(e, 7);
    edit.ReplaceSel(L"");
    EXPECT_EQ(edit.GetWindowText(), L"Audi");
    edit.SetSel(-1, -1);
    edit.GetSel(s, e);
    EXPECT_EQ(s, 4);
    EXPECT_EQ(e, 4);
}

TEST_F(Controls, ACheckBoxFillsItsBackgroundInItsColour)
{
    CheckBox check;
    ASSERT_TRUE(check.Create(&page, CRect(0, 0, 140, 50), 10112));
    check.SetColors(0x000000, RGB(0xEE, 0xEC, 0xED));
    RunEvents();
    auto img = GrabWindow(page);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->GetPixel(130, 45), Color::FromCOLORREF(RGB(0xEE, 0xEC, 0xED)));
    check.SetColors(0x000000, 0x0000FF);
    RunEvents();
    img = GrabWindow(page);
    EXPECT_EQ(img->GetPixel(130, 45), Color(0xFFFF0000));
}

TEST_F(Controls, ComboAndCheckBoxNotifyOnlyForTheUser)
{
    ComboBox combo;
    ASSERT_TRUE(combo.Create(&page, CRect(287, 73, 500, 83), 10115));
    // A drop-down list is as high as its font needs, whatever rectangle it got.
    EXPECT_GT(combo.Widget()->height(), 10);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    for (const wchar_t* t : {L"US", L"EUROPE", L"AU"})
        combo.AddString(t);
    EXPECT_EQ(combo.GetCount(), 3);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    page.ClearLog();
    EXPECT_EQ(combo.SetCurSel(1), 1);
    EXPECT_EQ(combo.GetLBText(1), L"EUROPE");
    EXPECT_EQ(combo.GetWindowText(), L"EUROPE");
    EXPECT_EQ(combo.SetCurSel(7), CB_ERR);
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_TRUE(page.Log().empty());
    // The user's choice: what the list sends when an entry is picked.
    auto* box = static_cast<QComboBox*>(combo.Widget());
    box->setCurrentIndex(2);
    emit box->activated(2);
    EXPECT_EQ(page.Log(), std::vector<std::string>({"page:msg 273 10115 1"}));

    CheckBox check;
    ASSERT_TRUE(check.Create(&page, CRect(270, 100, 410, 150), 10112));
    check.SetWindowText(L"HEX");
    page.ClearLog();
    check.SetCheck(BST_CHECKED);
    EXPECT_EQ(check.GetCheck(), BST_CHECKED);
    EXPECT_TRUE(page.Log().empty());
    QTest::mouseClick(check.Widget(), Qt::LeftButton, Qt::NoModifier, QPoint(8, 25));
    EXPECT_EQ(check.GetCheck(), BST_UNCHECKED);
    EXPECT_EQ(page.Log(), std::vector<std::string>({"page:msg 273 10112 0"}));

    ProgressBar bar;
    ASSERT_TRUE(bar.Create(&page, CRect(30, 160, 300, 180), 1001, WS_CHILD));
    bar.SetColors(0xE7A610, 0xE7E5E5);
    bar.SetPos(50);
    EXPECT_EQ(bar.GetPos(), 50);
    bar.SetPos(150);
    EXPECT_EQ(bar.GetPos(), 100);
}

} // namespace
