#include "SensorLabels.h"

#include "BasePage.h"
#include "LabelPrinting.h"
#include "Language.h"
#include "MessageBoxService.h"
#include "OperationPage.h"
#include "OperationPageLayout.h"
#include "PageIds.h"
#include "PrintRegistry.h"
#include "SensorOperations.h"
#include "TPMSPrintInfo.h"
#include "TestSensorRightPane.h"
#include "VehicleRecords.h"

#include <algorithm>
#include <cwctype>

namespace {

const wchar_t kLogoFile[] = L"/pic/car/VornixLogo.bmp";
const wchar_t kBusyText[] = L"A sensor operation is running. Please print its label when it has ended.";

std::wstring Text(const wchar_t* key) { return GetLanguageManager().GetText(key); }

// The language's text with its first "%s" replaced by the argument. The
// format comes from a language file, so it never goes through printf.
std::wstring FormatText(const std::wstring& format, const std::wstring& argument)
{
    const size_t at = format.find(L"%s");
    return at == std::wstring::npos ? format : format.substr(0, at) + argument + format.substr(at + 2);
}

void WarnSettingsIncomplete(Wnd* owner)
{
    MessageBox(owner, FormatText(Text(L"SET_PRINTER"), Text(L"MENU_SETTING")), Text(L"WARNING"),
               MB_OK | MB_ICONWARNING);
}

bool SettingsComplete(const _tagPrintSettingInfo& settings)
{
    return IsPaperSizeValid(settings.paperWidth) && IsPaperSizeValid(settings.paperHeight) &&
           !settings.printerName.empty();
}

// What to do before the page has a result that the Brelk confirmed.
const wchar_t* NoResultText(int pageType)
{
    switch (pageType) {
    case kPageTypeTest: return L"Error:\nNo sensor was read yet. Please press [Test] get sensor ID.";
    case kPageTypeCopy: return L"Error:\nNo sensor was read or programmed yet. Please press [Test] or [Program] first.";
    default: return L"Error:\nNo sensor was programmed yet. Please press [Program] first.";
    }
}

// The same identifier: the same text but for case, or the same value in the result's base.
bool SameId(const std::wstring& shown, const std::wstring& confirmed, bool hex)
{
    if (std::equal(shown.begin(), shown.end(), confirmed.begin(), confirmed.end(),
                   [](wchar_t a, wchar_t b) { return std::towupper(a) == std::towupper(b); }))
        return true;
    auto value = [hex](const std::wstring& text, unsigned long long& out) {
        if (text.empty() || !std::all_of(text.begin(), text.end(), [hex](wchar_t c) {
                return hex ? std::iswxdigit(c) != 0 : (c >= L'0' && c <= L'9');
            }))
            return false;
        out = std::wcstoull(text.c_str(), nullptr, hex ? 16 : 10);
        return true;
    };
    unsigned long long a = 0, b = 0;
    return value(shown, a) && value(confirmed, b) && a == b;
}

std::wstring JoinIds(const std::vector<std::wstring>& ids)
{
    std::wstring out;
    for (const std::wstring& id : ids)
        out += (out.empty() ? L"" : L", ") + id;
    return out;
}

void ReportPrintFailure(Wnd* owner, int result, const std::wstring& printer)
{
    const std::wstring quoted = L"\"" + printer + L"\"";
    std::wstring text;
    switch (result) {
    case kPrintBadPaper: WarnSettingsIncomplete(owner); return;
    case kPrinterMissing:
        text =
            L"The printer " + quoted + L" is not installed. Please choose a printer in " + Text(L"MENU_SETTING") + L".";
        break;
    case kPrintNotStarted: text = L"Printing on the printer " + quoted + L" could not start."; break;
    case kPrintRejected: text = L"The printer " + quoted + L" did not take the label."; break;
    default: text = L"The label could not be printed on the printer " + quoted + L"."; break;
    }
    MessageBox(owner, text, Text(L"ERROR"), MB_OK | MB_ICONERROR);
}

} // namespace

LabelSelection MakeLabelSelection(int selectionKind, const CBrand* brand, const CModel* model, const CYear* year,
                                  const CPartNo* partNo)
{
    LabelSelection selection;
    if (selectionKind == 0 && year) {
        selection.kind = _tagTPMSPrintInfo::kVehicle;
        selection.brand = brand ? brand->name : std::wstring();
        selection.model = model ? model->name : std::wstring();
        selection.year = year->name;
    } else if (selectionKind == 1 && partNo) {
        selection.kind = _tagTPMSPrintInfo::kPartNumber;
        selection.partNo = partNo->fields[0];
    }
    return selection;
}

std::wstring ShownIdText(CBasePage* page)
{
    auto* operationPage = dynamic_cast<IOperationPage*>(page);
    if (!operationPage)
        return {};
    if (page->GetPageType() != kPageTypeTest)
        return operationPage->GetIdText();
    const CTestSensorRightPane* pane = operationPage->GetResultPane();
    return pane ? pane->GetValues()[0] : std::wstring();
}

std::optional<SensorResultIds> ConfirmedIds(const OperationResult& result)
{
    if (result.IsEmpty())
        return std::nullopt;
    SensorResultIds ids;
    ids.hex = result.hex;
    switch (result.pageId) {
    case kPageTestSensor: ids.pageType = kPageTypeTest; break;
    case kPageCopySensor: ids.pageType = kPageTypeCopy; break;
    case kPageCreateSensor: ids.pageType = kPageTypeCreate; break;
    default: ids.pageType = 0; break;
    }
    for (const OperationResult::Sensor& sensor : result.sensors)
        ids.ids.push_back(sensor.idText);
    return ids;
}

namespace {

// A label names only a sensor the Brelk confirmed: none while an operation
// is still at work, and only the identifiers of the last result (after a
// question when the ID box shows another). The confirmed result, or null.
const SensorResultIds* ConfirmedResult(Wnd* owner, const LabelSource& source)
{
    if (source.operationRunning) {
        MessageBox(owner, kBusyText, Text(L"WARNING"), MB_OK | MB_ICONWARNING);
        return nullptr;
    }
    if (source.idBoxText.empty()) {
        MessageBox(owner, source.pageType == kPageTypeCreate ? kIdEmptyCreateText : kIdEmptyTestText, Text(L"ERROR"),
                   MB_OK | MB_ICONERROR);
        return nullptr;
    }
    const std::optional<SensorResultIds>& result = source.lastResult;
    if (!result || result->ids.empty() || (result->pageType != 0 && result->pageType != source.pageType)) {
        MessageBox(owner, NoResultText(source.pageType), Text(L"ERROR"), MB_OK | MB_ICONERROR);
        return nullptr;
    }
    const bool shownConfirmed = std::any_of(result->ids.begin(), result->ids.end(), [&](const std::wstring& id) {
        return SameId(source.idBoxText, id, result->hex);
    });
    if (!shownConfirmed) {
        const std::wstring confirmed = JoinIds(result->ids);
        const std::wstring text = L"The ID box shows " + source.idBoxText +
                                  L", but the last sensor the Brelk confirmed is " + confirmed +
                                  L".\nPrint the label of " + confirmed + L"?";
        if (MessageBox(owner, text, Text(L"WARNING"), MB_OKCANCEL | MB_ICONWARNING) != IDOK)
            return nullptr;
    }
    return &*result;
}

// The labels of the confirmed identifiers, one after the other, until one fails; how many printed.
int PrintConfirmedLabels(Wnd* owner, const _tagPrintSettingInfo& settings, const LabelSource& source,
                         const std::wstring& programFolder, const std::vector<std::wstring>& ids)
{
    int printed = 0;
    for (const std::wstring& id : ids) {
        _tagTPMSPrintInfo label;
        label.sensorId = id;
        if (source.selection.kind == _tagTPMSPrintInfo::kVehicle) {
            label.makeModel = source.selection.brand + L"-" + source.selection.model;
            label.yearText = source.selection.year;
            label.kind = _tagTPMSPrintInfo::kVehicle;
        } else if (source.selection.kind == _tagTPMSPrintInfo::kPartNumber) {
            label.partNo = source.selection.partNo;
            label.kind = _tagTPMSPrintInfo::kPartNumber;
        } else {
            MessageBox(owner, kPrintInfoErrorText, Text(L"ERROR"), MB_OK | MB_ICONERROR);
            break;
        }
        label.logoPath = programFolder + kLogoFile;
        label.title = settings.logoTitle;
        label.dateFormatType = settings.dateFormatType;
        const int outcome = PrintLabel(settings, label, GetPrintRegistry());
        if (outcome != kPrinted) {
            ReportPrintFailure(owner, outcome, settings.printerName);
            break;
        }
        ++printed;
    }
    return printed;
}

} // namespace

int PrintSensorLabels(Wnd* owner, const _tagPrintSettingInfo& settings, const LabelSource& source,
                      const std::wstring& programFolder)
{
    if (!SettingsComplete(settings)) {
        WarnSettingsIncomplete(owner);
        return 0;
    }
    if (source.pageType != kPageTypeTest && source.pageType != kPageTypeCopy && source.pageType != kPageTypeCreate)
        return 0;
    const SensorResultIds* result = ConfirmedResult(owner, source);
    if (!result)
        return 0;
    // One sensor carries the base its identifier is written in.
    std::vector<std::wstring> ids = result->ids;
    if (ids.size() < 2)
        ids = {ids.front() + (result->hex ? L"(H)" : L"(D)")};
    return PrintConfirmedLabels(owner, settings, source, programFolder, ids);
}
