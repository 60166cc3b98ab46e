// The item helpers the settings page and the print settings dialog share.
#include "DialogItems.h"

#include "ColorStatic.h"
#include "UiTestSupport.h"

#include <gtest/gtest.h>

namespace {

class DialogItemsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        ASSERT_TRUE(parent.Create(nullptr, CRect(0, 0, 300, 200), 0, WS_POPUP));
        ASSERT_TRUE(box.Create(&parent, CRect(10, 10, 200, 30), 11));
        ASSERT_TRUE(text.Create(&parent, CRect(10, 50, 200, 80), 12));
        for (const wchar_t* item : {L"Zebra", L"Label 40x30", L"label 40X30", L""})
            box.AddString(item);
    }
    void TearDown() override { parent.DestroyWindow(); }

    Wnd parent;
    ComboBox box;
    CColorStatic text;
};

} // namespace

TEST_F(DialogItemsTest, ComboTextAndChoiceByText)
{
    std::wstring selected = L"stale";
    GetComboSelText(box, selected);
    EXPECT_EQ(selected, L"");

    // The first item equal in any letter case.
    SelectComboItemByText(L"LABEL 40x30", box);
    EXPECT_EQ(box.GetCurSel(), 1);
    GetComboSelText(box, selected);
    EXPECT_EQ(selected, L"Label 40x30");
    // No item of that text: the choice stays.
    SelectComboItemByText(L"Label 40x31", box);
    EXPECT_EQ(box.GetCurSel(), 1);
    SelectComboItemByText(L"", box);
    EXPECT_EQ(box.GetCurSel(), 3);
}

TEST_F(DialogItemsTest, ItemTextsByControlId)
{
    SetDlgItemString(parent, 12, L"Ready");
    std::wstring read;
    GetDlgItemString(parent, 12, read);
    EXPECT_EQ(read, L"Ready");

    const struct {
        double value;
        const wchar_t* text;
    } floats[] = {{40, L"40.0"}, {31.25, L"31.2"}, {0.05, L"0.1"}, {-2.5, L"-2.5"}, {1234.56, L"1234.6"}};
    for (const auto& f : floats) {
        SetDlgItemFloat(parent, 12, f.value);
        GetDlgItemString(parent, 12, read);
        EXPECT_EQ(read, f.text) << f.value;
    }
    // A missing item: nothing written, an empty text read.
    SetDlgItemString(parent, 99, L"lost");
    read = L"stale";
    GetDlgItemString(parent, 99, read);
    EXPECT_EQ(read, L"");
}
