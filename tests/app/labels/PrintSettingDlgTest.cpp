#include "PrintSettingDlg.h"
#include "ComboBox.h"
#include "Edit.h"
#include "LabelFixture.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "MenuTabs.h"
#include "PageSetup.h"
#include "SetupFile.h"
#include "TopPane.h"
#include "UiThread.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

using Dlg = CPrintSettingDlg;

class PrintSettingDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
    }

    // Runs the dialog on the record; the script acts as the user once it shows.
    int Run(Dlg& dlg, _tagPrintSettingInfo* record, std::function<void(Dlg&)> script)
    {
        dlg.SetSettings(record);
        PostToUiThread([&dlg, script] {
            EXPECT_TRUE(ShowAndWait(dlg));
            script(dlg);
            // A script that left the dialog open closes it.
            if (!dlg.HasEnded())
                Click(dlg, Dlg::kCloseButton);
        });
        return dlg.DoModal(nullptr);
    }

    static Edit& EditOf(Dlg& dlg, int id) { return *static_cast<Edit*>(dlg.GetDlgItem(id)); }
    static ComboBox& ComboOf(Dlg& dlg, int id) { return *static_cast<ComboBox*>(dlg.GetDlgItem(id)); }
    static std::wstring TextOf(Dlg& dlg, int id) { return dlg.GetDlgItem(id)->GetWindowText(); }
    static void Click(Dlg& dlg, int id)
    {
        Wnd& button = *dlg.GetDlgItem(id);
        MouseClick(button, CPoint(10, 10));
    }
    // What the user types over the whole text of an edit.
    static void Retype(Dlg& dlg, int id, const std::wstring& text)
    {
        Edit& edit = EditOf(dlg, id);
        edit.SetFocus();
        edit.SetSel(0, -1);
        KeyPress(edit, VK_DELETE);
        TypeText(edit, text);
    }
    // The longest unbroken run of ink in the rows [top, bottom).
    static int LongestInkRun(const Image& img, int top, int bottom)
    {
        int longest = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0, run = 0; x < img.GetWidth(); ++x) {
                run = IsInk(img, x, y) ? run + 1 : 0;
                longest = std::max(longest, run);
            }
        return longest;
    }
    static CSize PreviewSize(const Dlg& dlg)
    {
        const CRect r = dlg.GetPreviewRect();
        return CSize(r.right - r.left + 1, r.bottom - r.top + 1);
    }

    FakePrinterService printers{{L"Label A", L"Label B"}, L"Label B"};
};

TEST_F(PrintSettingDlgTest, ShowsTheRecordAndTheDefaultPrinter)
{
    _tagPrintSettingInfo record; // 40 x 31 mm, no printer, day.month.year
    Dlg dlg;
    const int result = Run(dlg, &record, [](Dlg& d) {
        EXPECT_EQ(d.GetWindowText(), L"Print Settings");
        EXPECT_EQ(TextOf(d, Dlg::kPrinterLabel), L"Printer");
        EXPECT_EQ(TextOf(d, Dlg::kWidthLabel), L"Width (mm)");
        EXPECT_EQ(TextOf(d, Dlg::kHeightLabel), L"Height (mm)");
        EXPECT_EQ(TextOf(d, Dlg::kPaperGroup), L"Paper");
        EXPECT_EQ(TextOf(d, Dlg::kPreviewFrame), L"Custom");
        EXPECT_EQ(TextOf(d, Dlg::kLogoTitleLabel), L"Label title");
        EXPECT_EQ(TextOf(d, Dlg::kDateLabel), L"Date format");
        EXPECT_EQ(TextOf(d, Dlg::kOkButton), L"OK");
        EXPECT_EQ(TextOf(d, Dlg::kCloseButton), L"Close");
        EXPECT_EQ(TextOf(d, Dlg::kWidthEdit), L"40.0");
        EXPECT_EQ(TextOf(d, Dlg::kHeightEdit), L"31.0");
        // The record names no printer: the default one is chosen.
        ComboBox& printer = ComboOf(d, Dlg::kPrinterCombo);
        EXPECT_EQ(printer.GetCount(), 2);
        EXPECT_EQ(printer.GetCurSel(), 1);
        EXPECT_EQ(d.GetEditedSettings().printerName, L"Label B");
        ComboBox& date = ComboOf(d, Dlg::kDateCombo);
        ASSERT_EQ(date.GetCount(), 3);
        EXPECT_EQ(date.GetLBText(0), L"MM.DD.YYYY");
        EXPECT_EQ(date.GetLBText(1), L"DD.MM.YYYY");
        EXPECT_EQ(date.GetLBText(2), L"YYYY.MM.DD");
        EXPECT_EQ(date.GetCurSel(), 1);
        // The sample label and its preview at true size beside the title edit.
        const _tagTPMSPrintInfo& sample = d.GetSampleLabel();
        EXPECT_EQ(sample.sensorId, L"FFFFFFFF(H)");
        EXPECT_EQ(sample.makeModel, L"XXX-YYY");
        EXPECT_EQ(sample.yearText, L"XXXX/XX-YYYY/YY");
        EXPECT_EQ(sample.kind, 1);
        EXPECT_EQ(sample.logoPath, BuiltLogoPath());
        EXPECT_EQ(PreviewSize(d), CSize(151, 117));
        const CRect frame = d.GetDlgItem(Dlg::kPreviewFrame)->GetWindowRect();
        EXPECT_EQ(d.GetPreviewRect().left, d.GetDlgItem(Dlg::kLogoTitleEdit)->GetWindowRect().right - frame.left + 10);
        EXPECT_EQ(d.GetBackBuffer().GetDpi(), 96);
        EXPECT_TRUE(GrabWindowToPng(d, LabelGrabPath("brelk-print-settings.png")));
    });
    // Close keeps the record as it was.
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(record.printerName, L"");
}

TEST_F(PrintSettingDlgTest, AStoredPrinterIsFoundWhateverItsCase)
{
    _tagPrintSettingInfo record;
    record.printerName = L"label a";
    record.paperWidth = 50;
    Dlg dlg;
    const int result = Run(dlg, &record, [](Dlg& d) {
        EXPECT_EQ(ComboOf(d, Dlg::kPrinterCombo).GetCurSel(), 0);
        EXPECT_EQ(TextOf(d, Dlg::kWidthEdit), L"50.0");
        Click(d, Dlg::kOkButton);
    });
    EXPECT_EQ(result, IDOK);
    // OK takes the installed printer's own name.
    EXPECT_EQ(record.printerName, L"Label A");
    EXPECT_EQ(record.paperWidth, 50.0f);

    // A printer that is gone selects nothing, and OK says so.
    record.printerName = L"Gone";
    Dlg again;
    EXPECT_EQ(Run(again, &record,
                  [](Dlg& d) {
                      EXPECT_EQ(ComboOf(d, Dlg::kPrinterCombo).GetCurSel(), CB_ERR);
                      Click(d, Dlg::kOkButton);
                      EXPECT_FALSE(d.HasEnded());
                      EXPECT_EQ(TextOf(d, Dlg::kMessage), L"Error:Printer");
                  }),
              IDCANCEL);
    EXPECT_EQ(record.printerName, L"Gone");
}

TEST_F(PrintSettingDlgTest, PaperSizesOutsideOneTo500MillimetresAreRefused)
{
    _tagPrintSettingInfo record;
    record.printerName = L"Label A";
    Dlg dlg;
    const int result = Run(dlg, &record, [](Dlg& d) {
        struct Case {
            int edit;
            const wchar_t* typed;
            const wchar_t* message;
            bool prefixesRefused; // every text on the way is refused too, so nothing changed
        } refused[] = {
            {Dlg::kWidthEdit, L"0.5", L"Error:Width (mm)", true},
            {Dlg::kWidthEdit, L"nan", L"Error:Width (mm)", true},
            {Dlg::kWidthEdit, L"", L"Error:Width (mm)", true},
            {Dlg::kWidthEdit, L"1e9", L"Error:Width (mm)", false},
            {Dlg::kWidthEdit, L"500.1", L"Error:Width (mm)", false},
            {Dlg::kHeightEdit, L"0", L"Error:Height (mm)", true},
            {Dlg::kHeightEdit, L"inf", L"Error:Height (mm)", true},
            {Dlg::kHeightEdit, L"-31", L"Error:Height (mm)", true},
        };
        for (const Case& c : refused) {
            Retype(d, c.edit, c.typed);
            if (c.prefixesRefused) {
                EXPECT_EQ(PreviewSize(d), CSize(151, 117)) << c.typed;
                EXPECT_EQ(d.GetEditedSettings().paperWidth, 40.0f);
                EXPECT_EQ(d.GetEditedSettings().paperHeight, 31.0f);
            }
            Click(d, Dlg::kOkButton);
            EXPECT_FALSE(d.HasEnded()) << c.typed;
            EXPECT_EQ(TextOf(d, Dlg::kMessage), c.message) << c.typed;
            // The refused size is selected for retyping.
            Edit& edit = EditOf(d, c.edit);
            EXPECT_EQ(Wnd::GetFocus(), &edit);
            int start = -1, end = -1;
            edit.GetSel(start, end);
            EXPECT_EQ(start, 0);
            EXPECT_EQ(end, int(std::wstring(c.typed).size()));
            Retype(d, c.edit, c.edit == Dlg::kWidthEdit ? L"40" : L"31");
            EXPECT_EQ(PreviewSize(d), CSize(151, 117));
        }
        // Sizes in range change the preview at once.
        Retype(d, Dlg::kWidthEdit, L"50");
        EXPECT_EQ(PreviewSize(d), CSize(189, 117));
        Retype(d, Dlg::kHeightEdit, L"1");
        EXPECT_EQ(PreviewSize(d), CSize(189, 117)); // a 1 mm paper has nothing to show
        Retype(d, Dlg::kHeightEdit, L"25.5");
        Click(d, Dlg::kOkButton);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(record.paperWidth, 50.0f);
    EXPECT_EQ(record.paperHeight, 25.5f);
}

TEST_F(PrintSettingDlgTest, ABigPaperIsPreviewedWholeInsideTheFrame)
{
    _tagPrintSettingInfo record;
    record.printerName = L"Label A";
    record.paperWidth = 500;
    record.paperHeight = 300;
    Dlg dlg;
    Run(dlg, &record, [](Dlg& d) {
        const CRect frame = d.GetDlgItem(Dlg::kPreviewFrame)->GetClientRect();
        const CRect preview = d.GetPreviewRect();
        EXPECT_LT(d.GetBackBuffer().GetDpi(), 96);
        EXPECT_GT(preview.left, 0);
        EXPECT_LT(preview.right, frame.right);
        EXPECT_GT(preview.top, 0);
        EXPECT_LT(preview.bottom, frame.bottom);
        // Drawn at the paper's proportions, not the frame's.
        EXPECT_NEAR(double(preview.right - preview.left + 1) / (preview.bottom - preview.top + 1), 500.0 / 300, 0.05);
        const Image* bitmap = d.GetBackBuffer().GetWorkBitmap();
        ASSERT_TRUE(bitmap);
        EXPECT_TRUE(FindInk(*bitmap).Found());
    });
}

TEST_F(PrintSettingDlgTest, TheDateFormatAndTheTitleChangeThePreviewAtOnce)
{
    FixedDate date(2024, 3, 5);
    _tagPrintSettingInfo record;
    record.printerName = L"Label A";
    Dlg dlg;
    const int result = Run(dlg, &record, [](Dlg& d) {
        ASSERT_TRUE(d.GetBackBuffer().GetWorkBitmap());
        const Image withLogo = *d.GetBackBuffer().GetWorkBitmap();
        // The user picks YYYY.MM.DD with the keyboard.
        ComboBox& combo = ComboOf(d, Dlg::kDateCombo);
        combo.SetFocus();
        KeyPress(combo, VK_DOWN);
        EXPECT_EQ(combo.GetCurSel(), 2);
        EXPECT_EQ(d.GetSampleLabel().dateFormatType, 2);
        EXPECT_EQ(d.GetEditedSettings().dateFormatType, 2);
        const Image newDate = *d.GetBackBuffer().GetWorkBitmap();
        // Only the date line changed.
        const int dateTop = 117 * 195 / 310;
        EXPECT_EQ(FindInk(withLogo, CRect(0, 0, 151, dateTop - 2)).bottom,
                  FindInk(newDate, CRect(0, 0, 151, dateTop - 2)).bottom);
        bool changed = false;
        for (int y = dateTop; y < 117; ++y)
            for (int x = 0; x < 151; ++x)
                changed = changed || withLogo.GetPixel(x, y) != newDate.GetPixel(x, y);
        EXPECT_TRUE(changed);

        // A title replaces the logo; the edit takes at most 20 characters.
        Edit& title = EditOf(d, Dlg::kLogoTitleEdit);
        title.SetFocus();
        TypeText(title, L"Reifen Mueller GmbH Hannover");
        EXPECT_EQ(title.GetWindowText(), L"Reifen Mueller GmbH ");
        EXPECT_EQ(d.GetSampleLabel().title, L"Reifen Mueller GmbH ");
        const Image withTitle = *d.GetBackBuffer().GetWorkBitmap();
        // The title's rule runs unbroken across the head; the logo has no such run.
        const int ruleRow = (15 + 50 + 7) * 117 / 310;
        EXPECT_GT(LongestInkRun(withTitle, ruleRow - 2, ruleRow + 3), 120);
        EXPECT_LT(LongestInkRun(withLogo, 0, 40), 100);
        EXPECT_TRUE(GrabWindowToPng(d, LabelGrabPath("brelk-print-settings-title.png")));
        Click(d, Dlg::kOkButton);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(record.dateFormatType, 2);
    EXPECT_EQ(record.logoTitle, L"Reifen Mueller GmbH ");
}

TEST_F(PrintSettingDlgTest, ASizeNoLabelCanHaveFromTheSettingsFileShowsNoPreview)
{
    for (float width : {NAN, 1e9f, INFINITY}) {
        _tagPrintSettingInfo record;
        record.printerName = L"Label A";
        record.paperWidth = width;
        Dlg dlg;
        EXPECT_EQ(Run(dlg, &record,
                      [](Dlg& d) {
                          EXPECT_EQ(d.GetBackBuffer().GetWorkBitmap(), nullptr);
                          Click(d, Dlg::kOkButton);
                          EXPECT_FALSE(d.HasEnded());
                          EXPECT_EQ(TextOf(d, Dlg::kMessage), L"Error:Width (mm)");
                          // A good size brings the preview.
                          Retype(d, Dlg::kWidthEdit, L"40");
                          EXPECT_EQ(PreviewSize(d), CSize(151, 117));
                      }),
                  IDCANCEL);
    }
}

TEST_F(PrintSettingDlgTest, NoPrinterInstalled)
{
    FakePrinterService none({}, L"");
    _tagPrintSettingInfo record;
    Dlg dlg;
    EXPECT_EQ(Run(dlg, &record,
                  [](Dlg& d) {
                      EXPECT_EQ(ComboOf(d, Dlg::kPrinterCombo).GetCount(), 0);
                      // Said plainly as the dialog opens, and again on OK, instead of "Error:Printer".
                      const std::wstring noPrinter =
                          L"No printer is installed. Add one in the system settings, then open this dialog again.";
                      EXPECT_EQ(TextOf(d, Dlg::kMessage), noPrinter);
                      Click(d, Dlg::kOkButton);
                      EXPECT_FALSE(d.HasEnded());
                      EXPECT_EQ(TextOf(d, Dlg::kMessage), noPrinter);
                  }),
              IDCANCEL);
}

TEST_F(MainDialogTest, PrintSettingsAreSavedOnlyWhenConfirmed)
{
    FakePrinterService printers({L"Label A"}, L"Label A");
    auto dlg = CreateDialog();
    const std::wstring ini = dlg->GetIni().path;
    theApp.m_printSetting = _tagPrintSettingInfo();

    auto runSettings = [&](int button, float width) {
        PostToUiThread([&] {
            // The print settings dialog is the window that has come up over the main one.
            auto* settings = dynamic_cast<CPrintSettingDlg*>(ActiveModalWindow());
            ASSERT_TRUE(settings);
            auto* edit = static_cast<Edit*>(settings->GetDlgItem(CPrintSettingDlg::kWidthEdit));
            edit->SetWindowText(std::to_wstring(width));
            Wnd& b = *settings->GetDlgItem(button);
            MouseClick(b, CPoint(10, 10));
        });
        dlg->OnPrintSetting();
    };
    runSettings(CPrintSettingDlg::kCloseButton, 60);
    EXPECT_EQ(theApp.m_printSetting.paperWidth, 40.0f);
    _tagPrintSettingInfo stored;
    stored.paperWidth = 0;
    LoadPrintSetting(ini, stored);
    EXPECT_EQ(stored.paperWidth, 1.0f) << "nothing was written";

    runSettings(CPrintSettingDlg::kOkButton, 60);
    EXPECT_EQ(theApp.m_printSetting.paperWidth, 60.0f);
    EXPECT_EQ(theApp.m_printSetting.printerName, L"Label A");
    LoadPrintSetting(ini, stored);
    EXPECT_EQ(stored.paperWidth, 60.0f);
    EXPECT_EQ(stored.printerName, L"Label A");
    theApp.m_printSetting = _tagPrintSettingInfo();
}

TEST_F(PagesTest, ThePrintSettingsOpenFromTheSettingsTab)
{
    FakePrinterService printers({L"Label A", L"Label B"}, L"Label B");
    theApp.m_printSetting = _tagPrintSettingInfo();
    auto dlg = OpenProgram();
    CMenuTabs* tabs = dlg->GetTopPane()->GetMenuTabs(CMenuTabs::kModeMain);
    ASSERT_TRUE(tabs);
    MouseClick(*tabs->GetTab(2), CPoint(40, 12));
    auto* setup = dynamic_cast<CPageSetup*>(dlg->GetCurrentPage());
    ASSERT_TRUE(setup);

    // The user clicks the print settings, types a width, picks the date format
    // and confirms. The button's action reaches the main dialog as a message:
    // the script looks again behind it until the dialog has come up.
    bool shown = false;
    int looks = 0;
    std::function<void()> script = [&] {
        auto* settings = dynamic_cast<CPrintSettingDlg*>(ActiveModalWindow());
        if (!settings) {
            if (++looks < 1000)
                PostToUiThread(script);
            return;
        }
        shown = true;
        auto& width = *static_cast<Edit*>(settings->GetDlgItem(CPrintSettingDlg::kWidthEdit));
        width.SetFocus();
        width.SetSel(0, -1);
        KeyPress(width, VK_DELETE);
        TypeText(width, L"50");
        auto& date = *static_cast<ComboBox*>(settings->GetDlgItem(CPrintSettingDlg::kDateCombo));
        date.SetFocus();
        KeyPress(date, VK_DOWN);
        EXPECT_EQ(date.GetCurSel(), 2);
        EXPECT_TRUE(GrabWindowToPng(*settings, LabelGrabPath("brelk-print-settings-from-tab.png")));
        MouseClick(*settings->GetDlgItem(CPrintSettingDlg::kOkButton), CPoint(10, 10));
    };
    PostToUiThread(script);
    const CRect button = setup->GetPrintSettingButton()->GetClientRect();
    MouseClick(*setup->GetPrintSettingButton(), CPoint(button.Width() / 2, button.Height() / 2));
    RunEvents(20);
    ASSERT_TRUE(shown);
    EXPECT_EQ(theApp.m_printSetting.paperWidth, 50.0f);
    EXPECT_EQ(theApp.m_printSetting.printerName, L"Label B");
    EXPECT_EQ(theApp.m_printSetting.dateFormatType, 2);
    _tagPrintSettingInfo stored;
    LoadPrintSetting(dlg->GetIni().path, stored);
    EXPECT_EQ(stored.paperWidth, 50.0f);
    EXPECT_EQ(stored.printerName, L"Label B");
    EXPECT_EQ(stored.dateFormatType, 2);
    theApp.m_printSetting = _tagPrintSettingInfo();
}

} // namespace
