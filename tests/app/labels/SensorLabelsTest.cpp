#include "SensorLabels.h"
#include "AppFlags.h"
#include "AppMessages.h"
#include "Graphics.h"
#include "LabelFixture.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "OperationPage.h"
#include "OperationPageLayout.h"
#include "PageHistory.h"
#include "PrintRegistry.h"
#include "SensorOperations.h"
#include "TestSensorRightPane.h"
#include "UiTestSupport.h"
#include "VehicleDatabase.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kSetupPage = 8;

const std::wstring kFolder = Utf8ToWide(BRELK_SAMPLE_BIN);

_tagPrintSettingInfo Settings(const std::wstring& printer = L"Label")
{
    _tagPrintSettingInfo settings;
    settings.printerName = printer;
    return settings;
}

LabelSelection Vehicle()
{
    LabelSelection selection;
    selection.kind = 1;
    selection.brand = L"Testmark";
    selection.model = L"Alto";
    selection.year = L"2010-2015";
    return selection;
}

// The create page after its sensor 00ABCDEF was programmed and read back.
LabelSource Programmed(const std::wstring& shown = L"00ABCDEF")
{
    LabelSource source;
    source.pageType = kPageTypeCreate;
    source.idBoxText = shown;
    source.selection = Vehicle();
    source.lastResult = SensorResultIds{{L"00ABCDEF"}, true, kPageTypeCreate};
    return source;
}

// The labels printed so far, by their identifiers, in the process's registry.
bool Numbered(const std::wstring& id) { return GetPrintRegistry().numbers.count(id) != 0; }

class SensorLabelsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
        GetPrintRegistry().numbers.clear();
    }
    int Print(const LabelSource& source, const _tagPrintSettingInfo& settings = Settings())
    {
        return PrintSensorLabels(nullptr, settings, source, kFolder);
    }
    std::vector<std::wstring> Texts() const
    {
        std::vector<std::wstring> texts;
        for (const auto& box : boxes.AskedBoxes())
            texts.push_back(box.text);
        return texts;
    }

    FakePrinterService printers{{L"Label"}, L"Label"};
    ScriptedMessageBoxes boxes;
};

TEST_F(SensorLabelsTest, IncompleteSettingsAskForThePrinterAndPaperFirst)
{
    auto with = [](float width, float height, const wchar_t* printer) {
        _tagPrintSettingInfo s = Settings(printer);
        s.paperWidth = width;
        s.paperHeight = height;
        return s;
    };
    const _tagPrintSettingInfo incomplete[] = {
        with(40, 31, L""),          with(0.5f, 31, L"Label"),     with(40, 0.9f, L"Label"),
        with(NAN, 31, L"Label"),    with(40, INFINITY, L"Label"), with(1e9f, 31, L"Label"),
        with(40, 500.5f, L"Label"),
    };
    for (const auto& settings : incomplete)
        EXPECT_EQ(Print(Programmed(), settings), 0);
    const auto asked = boxes.AskedBoxes();
    ASSERT_EQ(asked.size(), std::size(incomplete));
    for (const auto& box : asked) {
        EXPECT_EQ(box.text, L"Please choose a printer and paper in Settings first");
        EXPECT_EQ(box.caption, L"Warning");
    }
    EXPECT_TRUE(printers.Printed().empty());
}

TEST_F(SensorLabelsTest, ALabelNamesOnlyASensorTheBrelkConfirmed)
{
    struct Case {
        const char* what;
        LabelSource source;
        std::wstring message; // empty: no box
    };
    LabelSource busy = Programmed();
    busy.operationRunning = true;
    LabelSource settingsPage = Programmed();
    settingsPage.pageType = kSetupPage;
    LabelSource emptyCreate = Programmed(L"");
    LabelSource emptyCopy = Programmed(L"");
    emptyCopy.pageType = kPageTypeCopy;
    LabelSource emptyTest = Programmed(L"");
    emptyTest.pageType = kPageTypeTest;
    LabelSource noResult = Programmed();
    noResult.lastResult.reset();
    LabelSource noIds = Programmed();
    noIds.lastResult->ids.clear();
    LabelSource otherPage = Programmed();
    otherPage.pageType = kPageTypeTest;
    const Case cases[] = {
        {"running", busy, L"A sensor operation is running. Please print its label when it has ended."},
        {"not an operation page", settingsPage, L""},
        {"empty ID on the create page", emptyCreate, kIdEmptyCreateText},
        {"empty ID on the copy page", emptyCopy, kIdEmptyTestText},
        {"empty ID on the test page", emptyTest, kIdEmptyTestText},
        {"no result", noResult, L"Error:\nNo sensor was programmed yet. Please press [Program] first."},
        {"a result without identifiers", noIds, L"Error:\nNo sensor was programmed yet. Please press [Program] first."},
        {"the result of another page", otherPage,
         L"Error:\nNo sensor was read yet. Please press [Test] get sensor ID."},
    };
    for (const Case& c : cases) {
        ScriptedMessageBoxes own;
        EXPECT_EQ(Print(c.source), 0) << c.what;
        const auto asked = own.AskedBoxes();
        if (c.message.empty()) {
            EXPECT_TRUE(asked.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(asked.size(), 1u) << c.what;
        EXPECT_EQ(asked[0].text, c.message) << c.what;
    }
    EXPECT_TRUE(printers.Printed().empty());
}

TEST_F(SensorLabelsTest, TheSuffixComesFromTheBaseTheIdentifierWasWrittenIn)
{
    // The same text in either case or with fewer leading zeros is the same sensor: no question.
    EXPECT_EQ(Print(Programmed(L"00abcdef")), 1);
    EXPECT_EQ(Print(Programmed(L"ABCDEF")), 1);
    EXPECT_TRUE(boxes.AskedBoxes().empty());
    EXPECT_TRUE(Numbered(L"00ABCDEF(H)"));

    // A decimal result prints (D) whatever the settings say now.
    LabelSource decimal = Programmed(L"11259375");
    decimal.lastResult = SensorResultIds{{L"11259375"}, false, kPageTypeCreate};
    EXPECT_EQ(Print(decimal), 1);
    EXPECT_TRUE(Numbered(L"11259375(D)"));
    EXPECT_TRUE(boxes.AskedBoxes().empty());

    // Several sensors of one run: a label each, as the pane listed them.
    LabelSource several = Programmed(L"00000002");
    several.lastResult = SensorResultIds{{L"00000001", L"00000002", L"00000003"}, true, 0};
    EXPECT_EQ(Print(several), 3);
    EXPECT_TRUE(Numbered(L"00000001") && Numbered(L"00000002") && Numbered(L"00000003"));
    EXPECT_EQ(printers.Printed().size(), 6u);
    for (const auto& page : printers.Printed()) {
        EXPECT_EQ(page.widthTenthMm, 400);
        EXPECT_EQ(page.lengthTenthMm, 310);
        EXPECT_EQ(page.document, L"Data Printing");
    }
}

TEST_F(SensorLabelsTest, AnIdBoxThatDiffersFromTheResultIsQuestioned)
{
    ScriptedMessageBoxes answers({IDCANCEL, IDOK});
    EXPECT_EQ(Print(Programmed(L"00ABCDE0")), 0);
    EXPECT_TRUE(printers.Printed().empty());
    EXPECT_EQ(Print(Programmed(L"00ABCDE0")), 1);
    const auto asked = answers.AskedBoxes();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, L"The ID box shows 00ABCDE0, but the last sensor the Brelk confirmed is 00ABCDEF.\n"
                             L"Print the label of 00ABCDEF?");
    EXPECT_EQ(asked[0].type, UINT(MB_OKCANCEL | MB_ICONWARNING));
    // The label names the confirmed sensor, never the one typed.
    EXPECT_TRUE(Numbered(L"00ABCDEF(H)"));
    EXPECT_FALSE(Numbered(L"00ABCDE0(H)"));
}

TEST_F(SensorLabelsTest, ThePartNumberOrTheVehicleMustBeSelected)
{
    LabelSource part = Programmed();
    part.selection = LabelSelection{};
    part.selection.kind = 2;
    part.selection.partNo = L"TPX-100";
    EXPECT_EQ(Print(part), 1);

    LabelSource none = Programmed();
    none.selection = LabelSelection{};
    EXPECT_EQ(Print(none), 0);
    EXPECT_EQ(Texts(), std::vector<std::wstring>{kPrintInfoErrorText});
    EXPECT_EQ(printers.Printed().size(), 1u);
}

// Printers that fail where the spooler can: a job that does not start, or one
// not taken at its end.
class FailingPrinters final : public IPrinterService {
public:
    explicit FailingPrinters(bool starts) : m_starts(starts), m_previous(&GetPrinterService())
    {
        SetPrinterService(this);
    }
    ~FailingPrinters() override { SetPrinterService(m_previous); }
    std::vector<std::wstring> EnumPrinters() override { return {L"Label"}; }
    std::wstring GetDefaultPrinter() override { return L"Label"; }
    std::unique_ptr<IPrintJob> StartJob(const std::wstring&, int, int, const std::wstring&) override
    {
        return m_starts ? std::make_unique<RejectedJob>() : nullptr;
    }

private:
    class RejectedJob final : public IPrintJob {
    public:
        Graphics& Page() override { return m_graphics; }
        bool End() override { return false; }

    private:
        Image m_page{320, 248};
        Graphics m_graphics{m_page, 203};
    };
    bool m_starts;
    IPrinterService* m_previous;
};

TEST_F(SensorLabelsTest, APrintThatFailsIsToldNamingThePrinter)
{
    EXPECT_EQ(Print(Programmed(), Settings(L"Gone")), 0);
    {
        FailingPrinters notStarting(false);
        EXPECT_EQ(Print(Programmed()), 0);
    }
    {
        FailingPrinters rejecting(true);
        EXPECT_EQ(Print(Programmed()), 0);
    }
    const auto asked = boxes.AskedBoxes();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].text, L"The printer \"Gone\" is not installed. Please choose a printer in Settings.");
    EXPECT_EQ(asked[1].text, L"Printing on the printer \"Label\" could not start.");
    EXPECT_EQ(asked[2].text, L"The printer \"Label\" did not take the label.");
    for (const auto& box : asked) {
        EXPECT_EQ(box.caption, L"Error");
        EXPECT_EQ(box.type, UINT(MB_OK | MB_ICONERROR));
    }
}

// The last result as the operations leave it on the main dialog.
OperationResult Confirmed(int pageId, const std::wstring& idText, uint32_t id)
{
    OperationResult result;
    result.pageId = pageId;
    result.hex = true;
    result.sensors.push_back({id, idText, L""});
    return result;
}

TEST(SensorLabelsSeam, TheLastResultAsALabelNamesIt)
{
    EXPECT_FALSE(ConfirmedIds(OperationResult()).has_value());
    OperationResult several;
    several.pageId = kPageCreateSensor;
    several.hex = false;
    several.sensors = {{1, L"1", L"P1"}, {2, L"2", L"P2"}};
    const std::optional<SensorResultIds> ids = ConfirmedIds(several);
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->ids, (std::vector<std::wstring>{L"1", L"2"}));
    EXPECT_FALSE(ids->hex);
    EXPECT_EQ(ids->pageType, kPageTypeCreate);
    EXPECT_EQ(ConfirmedIds(Confirmed(kPageTestSensor, L"AB", 0xAB))->pageType, kPageTypeTest);
    EXPECT_EQ(ConfirmedIds(Confirmed(kPageCopySensor, L"AB", 0xAB))->pageType, kPageTypeCopy);
    EXPECT_EQ(ShownIdText(nullptr), L"");
}

TEST_F(MainDialogTest, PrintTakesThePageTheResultAndTheSelectionFromTheMainDialog)
{
    ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
    FakePrinterService printers({L"Label"}, L"Label");
    ScriptedMessageBoxes boxes;
    GetPrintRegistry().numbers.clear();
    theApp.m_printSetting = Settings();
    auto dlg = CreateDialog(false); // the program's own pages
    CBrand* brand = GetVehicleDatabase()->GetBrands(CARS_STYLE_US)->AddBrand(L"Testmark", L"1");
    CModel* model = brand->AddModel(L"Alto", L"3");
    CYear* year = model->AddYear(L"2010-2015", L"07C", L"FF", L"", L"", L"", L"", L"1", L"");
    // What the brand, model and year pages leave on the main dialog.
    dlg->SetBrandSelection(brand);
    dlg->SetModelSelection(model);
    dlg->OnVehicleSelected(year);

    // The test page is shown after the selection; a test read 00ABCDEF.
    auto* testPage = dynamic_cast<IOperationPage*>(dlg->GetCurrentPage());
    ASSERT_TRUE(testPage);
    testPage->GetResultPane()->SetFirstValues(L"00ABCDEF", L"25", L"230", L"OK");
    dlg->SetLastResult(Confirmed(kPageTestSensor, L"00ABCDEF", 0x00ABCDEF));
    const LabelSource source = dlg->GetLabelSource();
    EXPECT_EQ(source.pageType, kPageTypeTest);
    EXPECT_EQ(source.idBoxText, L"00ABCDEF");
    EXPECT_FALSE(source.operationRunning);
    EXPECT_EQ(source.selection.kind, 1);
    EXPECT_EQ(source.selection.brand, L"Testmark");
    EXPECT_EQ(source.selection.model, L"Alto");
    EXPECT_EQ(source.selection.year, L"2010-2015");
    dlg->PrintLabel();
    EXPECT_EQ(printers.Printed().size(), 1u);
    EXPECT_TRUE(GetPrintRegistry().numbers.count(L"00ABCDEF(H)"));
    EXPECT_TRUE(boxes.AskedBoxes().empty());

    // Not while an operation runs.
    g_bBusy = 1;
    dlg->PrintLabel();
    g_bBusy = 0;
    EXPECT_EQ(printers.Printed().size(), 1u);
    ASSERT_EQ(boxes.AskedBoxes().size(), 1u);

    // The create page has programmed nothing: the test page's sensor is not its label.
    dlg->SendMessage(WM_PAGE_ACTION, kPageCreateSensor, kActionNavigate);
    auto* createPage = dynamic_cast<IOperationPage*>(dlg->GetCurrentPage());
    ASSERT_TRUE(createPage);
    createPage->SetIdText(L"00ABCDEF");
    EXPECT_EQ(dlg->GetLabelSource().idBoxText, L"00ABCDEF");
    dlg->PrintLabel();
    EXPECT_EQ(printers.Printed().size(), 1u);
    ASSERT_EQ(boxes.AskedBoxes().size(), 2u);
    EXPECT_EQ(boxes.AskedBoxes()[1].text, L"Error:\nNo sensor was programmed yet. Please press [Program] first.");
    // Once it has, its label prints.
    dlg->SetLastResult(Confirmed(kPageCreateSensor, L"00ABCDEF", 0x00ABCDEF));
    dlg->PrintLabel();
    EXPECT_EQ(printers.Printed().size(), 2u);

    // A part number replaces the vehicle; the new choice forgets the result.
    CPartNo partNo;
    partNo.fields[0] = L"TPX-100";
    dlg->OnPartNoSelected(&partNo);
    EXPECT_EQ(dlg->GetLabelSource().selection.kind, 2);
    EXPECT_EQ(dlg->GetLabelSource().selection.partNo, L"TPX-100");
    EXPECT_FALSE(dlg->GetLabelSource().lastResult.has_value());
    EXPECT_EQ(dlg->GetLabelSource().idBoxText, L"");
    testPage->GetResultPane()->SetFirstValues(L"00ABCDEF", L"25", L"230", L"OK");
    dlg->SetLastResult(Confirmed(kPageTestSensor, L"00ABCDEF", 0x00ABCDEF));
    dlg->PrintLabel();
    EXPECT_EQ(printers.Printed().size(), 3u);
    theApp.m_printSetting = _tagPrintSettingInfo();
}

} // namespace
