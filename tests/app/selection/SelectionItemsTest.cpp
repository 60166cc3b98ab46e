// The pieces of the selection pages on their own: the filter rule, the logo
// lookup, the model list, the year pane, the part-number grid, the search
// edit and the page base's scrolling.
#include "AppMessages.h"
#include "BasePage.h"
#include "BrandBtn.h"
#include "CarModelItemContainer.h"
#include "CodePage.h"
#include "Language.h"
#include "ModelRightWnd.h"
#include "PageCar.h"
#include "PagePartNo.h"
#include "RecordingWnd.h"
#include "SearchView.h"
#include "TempFolder.h"
#include "VehicleDatabase.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(MatchesFilter, AnywhereInTheNameInAnyLetterCase)
{
    struct Case {
        const wchar_t* name;
        const wchar_t* filter;
        bool matches;
    };
    const Case cases[] = {
        {L"Brunmark", L"", true},
        {L"Brunmark", L"   ", true}, // only spaces: everything
        {L"Brunmark", L" \t", true},
        {L"Brunmark", L"nma", true},
        {L"Brunmark", L"NMA", true},
        {L"Brunmark", L"  mark ", true}, // trimmed first
        {L"Brunmark", L"Brunmarks", false},
        {L"Brunmark", L"Brunmark ", true},
        {L"Audi", L"Audi A", false}, // longer than the name: never
        {L"Audi", L"audix", false},  // even when it differs only at its end
        {L"BRK-D040", L"d04", true}, // lower case found after the exact search fails
        {L"BRK-D040", L"x04", false},
        {L"", L"", true},
        {L"", L"a", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesFilter(c.name, c.filter), c.matches) << WideToUtf8(c.name) << " / " << WideToUtf8(c.filter);
}

TEST(BuildBrandImagePath, TheFirstFileThatExistsWhateverItsLetterCase)
{
    TempFolder pics;
    for (const char* file : {"Audi.png", "AUDI_s.png", "Alfa Romeo.png", "Land.png", "opel.PNG", "Kia.png",
                             "undefined.png", "undefined_s.png"})
        pics.Write(file, "png");
    pics.Write("Volvo.png/placeholder", "a folder, not a logo");
    const std::wstring folder = Utf8ToWide(pics.Path()) + L"/";
    struct Case {
        const wchar_t* brand;
        const wchar_t* normal;
        const wchar_t* selected;
    };
    const Case cases[] = {
        // Found without regard to letter case; the chosen look too.
        {L"AUDI", L"Audi.png", L"AUDI_s.png"},
        {L"Audi", L"Audi.png", L"AUDI_s.png"},
        // '-' read as ' ', trimmed, the first word.
        {L"Alfa-Romeo", L"Alfa Romeo.png", L"Alfa Romeo_s.png"},
        {L"  Kia ", L"Kia.png", L"Kia_s.png"},
        {L"Land Rover", L"Land.png", L"Land_s.png"},
        // "Opel/Vauxhall" has its logo under "Opel".
        {L"Opel/Vauxhall", L"opel.PNG", L"opel_s.png"},
        // Nothing of the name: the fall-back, also for a folder of the name.
        {L"Nomark", L"undefined.png", L"undefined_s.png"},
        {L"Volvo", L"undefined.png", L"undefined_s.png"},
        {L"", L"undefined.png", L"undefined_s.png"},
    };
    for (const Case& c : cases) {
        const std::wstring name = BrandImageName(c.brand);
        EXPECT_EQ(BuildBrandImagePath(folder, name, L".png", L""), folder + c.normal) << WideToUtf8(c.brand);
        EXPECT_EQ(BuildBrandImagePath(folder, name, L".png", L"_s.png"), folder + c.selected) << WideToUtf8(c.brand);
    }
    // A folder without even the fall-back still names it.
    TempFolder empty;
    EXPECT_EQ(BuildBrandImagePath(Utf8ToWide(empty.Path()) + L"/", L"Audi", L".png", L""),
              Utf8ToWide(empty.Path()) + L"/undefined.png");
}

TEST(BrandImage, TheSampleBrandsHaveLogosBesideTheProgram)
{
    EnsureUiApp();
    // The build draws them into pic/car beside brelk; others fall back.
    const std::wstring folder = BrandImageFolder();
    for (const wchar_t* brand : {L"Brunmark", L"Norvak", L"Tarrin", L"Velsor"}) {
        const std::wstring path = BuildBrandImagePath(folder, brand, L".png", L"");
        EXPECT_EQ(path, folder + brand + L".png");
        auto image = Image::FromFile(WideToUtf8(path));
        ASSERT_TRUE(image) << WideToUtf8(path);
        EXPECT_EQ(image->GetWidth(), 117);
        EXPECT_TRUE(Image::FromFile(WideToUtf8(BuildBrandImagePath(folder, brand, L".png", L"_s.png"))));
    }
    EXPECT_EQ(BuildBrandImagePath(folder, L"Osterlin", L".png", L""), folder + L"undefined.png");
}

// A parent for windows under test: notes the messages that reach it.
class ItemsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        SetMainWindow(&main);
        main.onMessage = [this](UINT msg, const WPARAM& w, const LPARAM& l) -> LRESULT {
            if (msg == WM_PAGE_ACTION)
                mainActions.push_back(l.Int());
            if (msg == WM_SEARCH_CHANGED)
                ++searchChanges;
            (void)w;
            return 0;
        };
        ASSERT_TRUE(main.Create(nullptr, CRect(0, 0, 1024, 768), 0, WS_POPUP));
        ASSERT_TRUE(page.Create(&main, CRect(0, 70, 1024, 735), 1));
        ASSERT_TRUE(ShowAndWait(main));
    }
    void TearDown() override { SetMainWindow(nullptr); }

    static std::vector<std::unique_ptr<CModel>> Models(int count)
    {
        std::vector<std::unique_ptr<CModel>> models;
        for (int i = 0; i < count; ++i)
            models.push_back(std::make_unique<CModel>(L"Model " + std::to_wstring(i), L"1"));
        return models;
    }

    RecordingWnd main{"main"};
    RecordingWnd page{"page"};
    std::vector<int> mainActions;
    int searchChanges = 0;
};

TEST_F(ItemsTest, ModelTilesTheirRulesAndTheirSelection)
{
    RecordingWnd pane("pane");
    ASSERT_TRUE(pane.Create(&page, CRect(0, 0, 290, 400), 1000));
    CCarModelItemContainer list;
    ASSERT_TRUE(list.Create(&pane, CRect(0, 0, 288, 300), 1001));
    list.OnInitialUpdate();

    // 300 pixels hold 6 tiles: of 10 the last has no rule; of 5 every one has.
    const auto ten = Models(10);
    list.SetModels(&ten);
    ASSERT_EQ(list.GetItemCount(), 10u);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(list.GetItem(i)->HasSeparator(), i != 9) << i;
        EXPECT_EQ(list.GetItem(i)->GetDlgCtrlID(), 13000 + int(i));
        EXPECT_EQ(list.GetItem(i)->GetWindowRect(), CRect(0, 47 * int(i), 288, 47 * int(i + 1)));
    }
    EXPECT_EQ(list.GetContentHeight(), 470);
    EXPECT_EQ(list.GetTotalSize(), CSize(1, 470));

    // A press selects the tile and tells the model page (the list's grandparent).
    page.ClearLog();
    MouseClick(*list.GetItem(2), CPoint(50, 20));
    EXPECT_EQ(list.GetSelectedItem(), list.GetItem(2));
    EXPECT_EQ(list.GetItem(2)->GetState(), CCarModelItem::kStateSelected);
    EXPECT_EQ(CountOf(page.Log(), "page:msg " + std::to_string(WM_MODEL_SELECTED)), 1);
    // The tile selected already: nothing again.
    MouseClick(*list.GetItem(2), CPoint(50, 20));
    EXPECT_EQ(CountOf(page.Log(), "page:msg " + std::to_string(WM_MODEL_SELECTED)), 1);
    MouseClick(*list.GetItem(3), CPoint(50, 20));
    EXPECT_EQ(list.GetItem(2)->GetState(), CCarModelItem::kStateNormal);
    EXPECT_EQ(CountOf(page.Log(), "page:msg " + std::to_string(WM_MODEL_SELECTED)), 2);

    // A new list: the selection goes with the old tiles.
    const auto five = Models(5);
    list.SetModels(&five);
    EXPECT_EQ(list.GetSelectedItem(), nullptr);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_TRUE(list.GetItem(i)->HasSeparator()) << i;
    // No list: nothing changes.
    list.SetModels(nullptr);
    EXPECT_EQ(list.GetItemCount(), 5u);
}

TEST_F(ItemsTest, TheYearPaneFillsOneRowPastThePaneAndFiltersByTheStart)
{
    CModel model(L"Arvo", L"1");
    for (const wchar_t* year : {L"2015", L"2016", L"2017", L"2019-2020"})
        model.AddYear(year, L"40", L"0x40", L"0", L"OBD", L"M", L"OE", L"1", L"40");
    CModelRightWnd pane;
    ASSERT_TRUE(pane.Create(&page, CRect(290, 0, 1021, 665), 1009));
    pane.OnInitialUpdate();

    // Before a model: one line, no cells.
    pane.Fill(nullptr, L"");
    EXPECT_EQ(pane.GetItemCount(), 0u);
    EXPECT_FALSE(pane.GetNote().empty());

    // 4 years, 2 rows; 665 / 135 = 4 rows fit, so 5 are drawn, filled with empty cells.
    pane.Fill(&model, L"");
    EXPECT_TRUE(pane.GetNote().empty());
    ASSERT_EQ(pane.GetItemCount(), 15u);
    for (size_t i = 0; i < 15; ++i) {
        CYearItem* item = pane.GetItem(i);
        EXPECT_EQ(item->HasRecord(), i < 4) << i;
        EXPECT_EQ(item->GetDlgCtrlID(), 15000 + int(i));
        EXPECT_EQ(item->HasRightBorder(), i % 3 != 2) << i;
        EXPECT_EQ(item->HasBottomBorder(), i < 12) << i; // all but the last row drawn
        EXPECT_EQ(item->GetRow(), int(i) / 3);
    }
    EXPECT_EQ(pane.GetItem(2)->GetWindowRect(), CRect(510, 0, 731, 135));
    EXPECT_EQ(pane.GetContentHeight(), 10);
    EXPECT_EQ(pane.GetTotalSize(), CSize(10, 100));

    // Pressing an item selects it; pressing it again changes nothing.
    MouseClick(*pane.GetItem(1), CPoint(50, 50));
    EXPECT_EQ(pane.GetPressedItem(), pane.GetItem(1));
    EXPECT_EQ(pane.GetItem(1)->GetState(), CSelectionItem::kStateSelected);
    EXPECT_EQ(mainActions, (std::vector<int>{kActionVehicle}));
    EXPECT_EQ(pane.SendMessage(WM_PAGE_ACTION, MsgParam::Of(static_cast<CSelectionItem*>(pane.GetItem(1))), 0), 0);
    MouseClick(*pane.GetItem(0), CPoint(50, 50));
    EXPECT_EQ(pane.GetItem(1)->GetState(), CSelectionItem::kStateNormal);
    EXPECT_EQ(pane.GetPressedItem(), pane.GetItem(0));
    // An empty cell takes no press.
    MouseClick(*pane.GetItem(7), CPoint(50, 50));
    EXPECT_EQ(pane.GetPressedItem(), pane.GetItem(0));
    EXPECT_EQ(mainActions.size(), 2u);

    // A new fill: the pressed item goes with the items.
    pane.Fill(&model, L"201");
    EXPECT_EQ(pane.GetPressedItem(), nullptr);
    EXPECT_EQ(pane.GetItem(2)->GetYear()->name, L"2017");
    EXPECT_EQ(pane.GetItem(3)->GetYear()->name, L"2019-2020");
    // The start of the name only, in any letter case, trimmed; a filter longer than a name drops it.
    pane.Fill(&model, L" 2019-");
    ASSERT_TRUE(pane.GetItem(0)->GetYear());
    EXPECT_EQ(pane.GetItem(0)->GetYear()->name, L"2019-2020");
    EXPECT_FALSE(pane.GetItem(1)->HasRecord());
    pane.Fill(&model, L"2015x");
    EXPECT_EQ(pane.GetItemCount(), 0u);
    pane.Fill(&model, L"016");
    EXPECT_EQ(pane.GetItemCount(), 0u);

    // More years than fit: no filler row, the last row without a rule, content of the rows.
    for (int y = 1990; y < 2010; ++y)
        model.AddYear(std::to_wstring(y), L"40", L"0x40", L"0", L"OBD", L"M", L"OE", L"1", L"40");
    pane.Fill(&model, L"");
    ASSERT_EQ(pane.GetItemCount(), 24u);
    EXPECT_FALSE(pane.GetItem(21)->HasBottomBorder());
    EXPECT_TRUE(pane.GetItem(18)->HasBottomBorder());
    EXPECT_EQ(pane.GetContentHeight(), 8 * 135);
    EXPECT_EQ(pane.GetTotalSize(), CSize(10, 8 * 135));
}

TEST_F(ItemsTest, PartNumberRulesWithAndWithoutFillerRows)
{
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
    CVehicleDatabase* db = GetVehicleDatabase();
    const size_t sample = db->partNos.size();
    CPagePartNo partPage;
    ASSERT_TRUE(partPage.Create(&page, CRect(0, 0, 1021, 665), 10202));
    partPage.ShowPage(true, 0);
    // The sample's few part numbers: filler rows, every row ruled below.
    const size_t drawn = size_t(665 / 98 + 1) * 5;
    ASSERT_EQ(partPage.GetItemCount(), drawn);
    for (size_t i = 0; i < drawn; ++i) {
        EXPECT_TRUE(partPage.GetItem(i)->HasBottomBorder()) << i;
        EXPECT_EQ(partPage.GetItem(i)->HasRightBorder(), i % 5 != 4) << i;
        EXPECT_EQ(partPage.GetItem(i)->HasRecord(), i < sample) << i;
    }
    EXPECT_EQ(partPage.GetContentHeight(), 10);

    // More than fit: the last row has no rule, the content is the rows' height.
    for (int i = 0; i < 40; ++i)
        db->AddPartNo({L"RULE-" + std::to_wstring(100 + i), L"40", L"0x40", L"0", L"OBD", L"1", L"40"});
    // A press held while the page rebuilds: the pressed item is let go with the items.
    MousePress(*partPage.GetItem(0), CPoint(20, 20));
    EXPECT_EQ(partPage.GetPressedItem(), partPage.GetItem(0));
    partPage.SetFilterText(L" ");
    EXPECT_EQ(partPage.GetPressedItem(), nullptr);
    EXPECT_EQ(partPage.GetChildControlCount(), int(partPage.GetItemCount()));
    MouseRelease(page, CPoint(20, 20));
    const size_t rows = (sample + 40 + 4) / 5;
    ASSERT_EQ(partPage.GetItemCount(), rows * 5);
    for (size_t i = 0; i < rows * 5; ++i)
        EXPECT_EQ(partPage.GetItem(i)->HasBottomBorder(), i < (rows - 1) * 5) << i;
    EXPECT_EQ(partPage.GetContentHeight(), int(rows) * 98);
    partPage.DestroyWindow();
    DeleteVehicleDatabase();
}

TEST_F(ItemsTest, TheBrandPageShowsTheRegionAndLeavesItsRecords)
{
    // Each region is its own page type; no region, no brands.
    const std::pair<int, int> types[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}};
    for (const auto& [region, type] : types)
        EXPECT_EQ(CPageCar(static_cast<ECarsStyle>(region)).GetPageType(), type);
    CPageCar none(static_cast<ECarsStyle>(0));
    ASSERT_TRUE(none.Create(&page, CRect(0, 0, 1021, 665), 10212));
    EXPECT_EQ(none.ShowPage(true, 0), 0);
    EXPECT_EQ(none.GetTotalSize(), CSize(0, 0));
    EXPECT_EQ(none.GetPanelCount(), 0u);

    CBrands* us = GetVehicleDatabase()->GetBrands(CARS_STYLE_US);
    const size_t brands = us->brands.size();
    const CBrand* first = us->brands[0].get();
    {
        CPageCar cars(CARS_STYLE_US);
        ASSERT_TRUE(cars.Create(&page, CRect(0, 0, 1021, 665), 10213));
        EXPECT_EQ(cars.ShowPage(true, 0), 1);
        EXPECT_EQ(cars.GetPanelCount(), brands);
        EXPECT_EQ(cars.GetPanel(0)->GetDlgCtrlID(), 11000);
        EXPECT_EQ(cars.GetChildControlCount(), int(brands));
        cars.DestroyWindow();
    }
    // The database's brands are all there after the page went.
    ASSERT_EQ(us->brands.size(), brands);
    EXPECT_EQ(us->brands[0].get(), first);
    EXPECT_EQ(first->name, L"Brunmark");
    DeleteVehicleDatabase();
}

TEST_F(ItemsTest, TheSearchEditReportsEveryChangeTheUserMakes)
{
    CSearchView view;
    ASSERT_TRUE(view.Create(&page, CRect(782, 0, 1009, 30), 10003, WS_CHILD));
    view.ShowView(true);
    EXPECT_TRUE(view.IsShown());
    CSearchEdit& edit = view.GetEdit();
    EXPECT_EQ(edit.GetDlgCtrlID(), 12000);

    // Text the program sets reports nothing.
    edit.SetWindowText(L"xyz");
    edit.SetSearchText(L"abc");
    edit.SetSearchText(L"abc");
    EXPECT_EQ(searchChanges, 0);
    edit.SetFocus();
    edit.SetSel(3, 3);
    TypeText(edit, L"d");
    EXPECT_EQ(searchChanges, 1);
    KeyPress(edit, VK_RETURN);
    EXPECT_EQ(searchChanges, 2);
    // Delete at the end: nothing to take, still reported, and kept from the edit.
    KeyPress(edit, VK_DELETE);
    EXPECT_EQ(edit.GetWindowText(), L"abcd");
    EXPECT_EQ(searchChanges, 3);
    // Delete at the start takes one character; the caret stays at the start.
    KeyPress(edit, VK_HOME);
    KeyPress(edit, VK_DELETE);
    EXPECT_EQ(edit.GetWindowText(), L"bcd");
    EXPECT_EQ(searchChanges, 4);
    int start = -1, end = -1;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 0);
    // A selection goes whole.
    edit.SetSel(1, 3);
    KeyPress(edit, VK_DELETE);
    EXPECT_EQ(edit.GetWindowText(), L"b");
    EXPECT_EQ(searchChanges, 5);

    // Pasted (keys and the edit's own paste, as its menu does), cut and undone text reports too.
    SetClipboardText(L"x\r\ny");
    KeyPress(edit, 'V', true);
    EXPECT_EQ(edit.GetWindowText(), L"bxy");
    EXPECT_EQ(searchChanges, 6);
    edit.Paste();
    EXPECT_EQ(edit.GetWindowText(), L"bxyxy");
    EXPECT_EQ(searchChanges, 7);
    KeyPress(edit, 'Z', true);
    EXPECT_NE(edit.GetWindowText(), L"bxyxy");
    EXPECT_EQ(searchChanges, 8);
    edit.SetWindowText(L"xy");
    edit.SetSel(0, 1);
    KeyPress(edit, 'X', true);
    EXPECT_EQ(edit.GetWindowText(), L"y");
    EXPECT_EQ(searchChanges, 9);
    edit.SetSel(1, 1);
    KeyPress(edit, VK_BACK);
    EXPECT_EQ(edit.GetWindowText(), L"");
    EXPECT_EQ(searchChanges, 10);
    // Backspace in an empty box: nothing.
    KeyPress(edit, VK_BACK);
    EXPECT_EQ(searchChanges, 10);
}

// A page with three children that count their paints.
class CountingPage : public CBasePage {
public:
    void AddChildren()
    {
        for (int i = 0; i < 3; ++i) {
            auto child = std::make_unique<RecordingWnd>("child");
            child->onPaint = [this](Graphics&) { ++paints; };
            child->Create(this, CRect(10, 10 + 50 * i, 200, 50 + 50 * i), 100 + i);
            m_childControls.push_back(child.get());
            children.push_back(std::move(child));
        }
    }
    std::vector<std::unique_ptr<RecordingWnd>> children;
    int paints = 0;
};

TEST_F(ItemsTest, AScrollOfFivePixelsRepaintsNoChildAndSixDo)
{
    CountingPage counting;
    ASSERT_TRUE(counting.Create(&page, CRect(0, 0, 400, 300), 10202));
    counting.AddChildren();
    counting.SetScrollSizes(CSize(10, 1000));
    counting.ScrollToPosition(CPoint(0, 40));
    RunEvents(30);
    // The content stays where it is; only the thumb moves.
    struct Step {
        int thumb;
        bool repaints;
    };
    const Step steps[] = {{5, false}, {0, false}, {-5, false}, {1, true}, {-5, true}, {0, false}};
    for (const Step& s : steps) {
        counting.paints = 0;
        const int from = counting.GetLastThumbOffset();
        counting.OnScrollBarPos(ScrollBarPos{s.thumb, 40});
        RunEvents(30);
        std::printf("thumb %d -> %d: %d child paints\n", from, s.thumb, counting.paints);
        EXPECT_EQ(counting.paints > 0, s.repaints) << s.thumb;
        EXPECT_EQ(counting.GetLastThumbOffset(), s.thumb);
        EXPECT_EQ(counting.GetScrollPosition(), CPoint(0, 40));
    }
    // FocusPage repaints them all and takes the focus.
    counting.paints = 0;
    EXPECT_EQ(counting.FocusPage(), 1);
    RunEvents(30);
    EXPECT_EQ(counting.paints, 3);
}

TEST_F(ItemsTest, AWheelTurnOnAPageReachesItsParentSignExtended)
{
    CBasePage plain;
    ASSERT_TRUE(plain.Create(&page, CRect(0, 0, 400, 300), 10202));
    page.ClearLog();
    MouseWheel(plain, CPoint(50, 50), -120);
    MouseWheel(plain, CPoint(50, 50), 240);
    EXPECT_EQ(CountOf(page.Log(), "page:msg 1032 0 -120"), 1);
    EXPECT_EQ(CountOf(page.Log(), "page:msg 1032 0 240"), 1);
}

} // namespace
