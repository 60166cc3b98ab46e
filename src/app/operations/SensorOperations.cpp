#include "SensorOperations.h"

#include "AppFlags.h"
#include "BasePage.h"
#include "BrelkCommands.h"
#include "Clock.h"
#include "CodePage.h"
#include "DebugTrace.h"
#include "FamilyTable.h"
#include "ImageProblemText.h"
#include "Language.h"
#include "LocalTime.h"
#include "MessageBoxService.h"
#include "OneNumberFormat.h"
#include "PageIds.h"
#include "ScopeGuard.h"
#include "SharedHelpers.h"
#include "TestSensorRightPane.h"
#include "TextLog.h"
#include "TsActive.h"
#include "TsLog.h"
#include "TsNetlayer.h"
#include "UiThread.h"

#include <cstdio>

namespace {

// Pause after the last attempt before the outcome is shown.
constexpr uint32_t kSettleAfterAttemptsMs = 250;
// Groups of the success signal: after programming, after a test reading.
constexpr int kSignalProgrammed = 1;
constexpr int kSignalRead = 10;
constexpr uint8_t kHidePercent = 255;
// New identifiers of several sensors are this far apart.
constexpr uint32_t kIdStep = 0x1111;
constexpr const wchar_t* kRelearnAsks = L"O";
constexpr const wchar_t* kNotSupportedText = L"program not support the sensor on this version!";
constexpr const wchar_t* kCopyIdMissingText = L"Error:\nSensor ID is NULL. Please press [Test] get sensor ID.";
// What an erased identifier reads: a blank sensor, or one whose write was cut short.
constexpr uint32_t kErasedId = 0xFFFFFFFF;

std::wstring Text(const wchar_t* key) { return GetLanguageManager().GetText(key); }

} // namespace

// ---- shared texts ---------------------------------------------------------------

StopCause OperationStopCause()
{
    // An unplug stops the run too: it is named first, as what the user must mend.
    if (BrelkUnplugged())
        return StopCause::Unplugged;
    return IsOperationStopRequested() ? StopCause::UserStopped : StopCause::None;
}

namespace {

// What a result byte of a failed run says happened, and what to do.
struct ResultText {
    int code;
    const wchar_t* key;
};
constexpr ResultText kResultTexts[] = {
    {static_cast<int8_t>(kProgramNoSensor), L"NO_SENSOR_PROGRAM"},
    {BOOT_UPDATED_V4, L"BOOT_UPDATED_PROGRAM_AGAIN"},
    {BOOT_FAILED, L"BOOT_UPDATE_FAILED"},
    {BOOT_TOO_NEW, L"SENSOR_TOO_NEW"},
    {kProgramChip86, L"CHIP_REFUSED"},
    // Refused before a byte was written: the user learns that no sensor changed.
    {kProgramRefused, L"NOTHING_PROGRAMMED"},
    {kProgramIdRange, L"NOTHING_PROGRAMMED"},
    {TS_ERR_MANY_SENSORS, L"SEVERAL_SENSORS"},
    {TS_ERR_WRITE_FAILED, L"SENSOR_WRITE_FAILED"},
    {TS_ERR_LINE_ZERO, L"SENSOR_KIND_UNKNOWN"},
};

std::wstring ResultWords(int code, int frequency)
{
    for (const ResultText& entry : kResultTexts)
        if (entry.code == code)
            return FormatOneNumber(Text(entry.key), frequency);
    return Text(L"PROGRAM_FAULT");
}

} // namespace

std::wstring ProgramFailureText(const ProgramFailure& failure)
{
    switch (failure.cause) {
    case StopCause::UserStopped: return Text(failure.sensorTouched ? L"PROGRAM_STOPPED_WRITING" : L"PROGRAM_STOPPED");
    case StopCause::Unplugged: return Text(failure.sensorTouched ? L"PROGRAM_UNPLUGGED_WRITING" : L"PROGRAM_UNPLUGGED");
    case StopCause::None: break;
    }
    const int code = static_cast<int8_t>(failure.result);
    if (code == kProgramUpdateTool)
        return Text(L"UPDATE_TOOL");
    wchar_t suffix[32];
    std::swprintf(suffix, 32, L" [Error Code:%d]", code);
    // A missing or damaged firmware file is named, so the user knows what to put back.
    if (failure.image)
        return Text(L"PROGRAM_FAULT") + suffix + ImageProblemText(failure.image);
    return ResultWords(code, failure.frequency) + suffix;
}

uint16_t ProgramDateWord(int year, int month, int day)
{
    return static_cast<uint16_t>((year << 9) | (month << 5) | day);
}

// ---- workers ----------------------------------------------------------------------

// ---- the operations -----------------------------------------------------------------

CSensorOperations::CSensorOperations(IOperationHost& host, const Selection& selection, const CIni& settings)
    : m_host(host), m_selection(selection), m_settings(settings)
{
    m_services.makeProgram = MakeProgramForAttempt;
    m_services.makeProgramAfterBoot = MakeProgramAfterBootUpdate;
    m_services.updateBoot = UpdateSensorBoot;
    m_services.testSensor = [](unsigned sensorCode) {
        CTsActive active(sensorCode);
        active.Test();
        return active.GetSensorInfo();
    };
    m_services.checkSensor = DorvanSensorCheck;
    m_services.findSensorBeforeBoot = FindSensorBeforeBootUpdate;
    m_services.successSignal = [](int repeat) { SendBrelkSuccessSignal(repeat); };
    m_services.failSignal = [] { SendBrelkFailSignal(); };
    m_services.idSeed = NewIdSeed;
}

IOperationPage* CSensorOperations::PageOf(int pageId, CBasePage** basePage) const
{
    CBasePage* page = m_host.FindPage(pageId);
    if (!page)
        return nullptr;
    if (basePage)
        *basePage = page;
    return dynamic_cast<IOperationPage*>(page);
}

OperationInputs CSensorOperations::CollectInputs(int pageId)
{
    OperationInputs in;
    in.pageId = pageId;
    in.page = PageOf(pageId, &in.basePage);
    in.selectionKind = m_selection.kind;
    if (m_selection.IsVehicle()) {
        in.brand = m_selection.BrandName();
        in.model = m_selection.ModelName();
        in.year = m_selection.YearName();
    } else {
        in.partNo = m_selection.PartNoName();
    }
    in.sensorCode = m_selection.SensorCode();
    if (const CSensorParam* record = FindSensorParamOf(in.sensorCode))
        in.sensorParam = *record;
    in.relearnType = m_selection.RelearnType();
    in.chipStatus = m_selection.ChipStatus();
    in.firmwareCode = m_selection.FirmwareCodeText();
    in.freqSelector = m_selection.FrequencySelector();
    in.units = ReadDisplayUnits(m_settings);
    return in;
}

bool CSensorOperations::PortReady(int pageId)
{
    if (EnsureDeviceConnected())
        return true;
    // No reading of an earlier sensor stays beside the failure.
    if (IOperationPage* page = PageOf(pageId))
        if (CTestSensorRightPane* pane = page->GetResultPane())
            pane->Clear();
    EndOutcome(pageId);
    m_host.SetOperationStatus(StatusOfKey(L"CAN_NOT_OPEN_COM_PORT"), kStatusRed);
    return false;
}

bool CSensorOperations::ShowsOutcome(int pageId) const { return m_outcomePages.count(pageId) != 0; }

void CSensorOperations::EndOutcome(int pageId)
{
    if (pageId == 0)
        m_outcomePages.clear();
    else
        m_outcomePages.erase(pageId);
}

void CSensorOperations::StartWorker(const OperationInputs& in, std::function<bool(const OperationInputs&)> procedure)
{
    // Everything the user could press again is off before the worker exists.
    ClearOperationStopRequest();
    if (in.basePage)
        in.basePage->EnableActions(false);
    if (in.page) {
        in.page->EnablePrint(false);
        // What the pane showed was an earlier sensor's: it goes before anything is asked.
        if (CTestSensorRightPane* pane = in.page->GetResultPane())
            pane->Clear();
    }
    EndOutcome(in.pageId);
    m_host.LockNavigation(true);
    m_host.ClearLastResult();
    m_pRunPage = in.page;
    m_nRunPageId = in.pageId;
    g_bBusy = 1;
    m_host.BeginWorker([this, in, procedure = std::move(procedure)] {
        bool success = false;
        ScopeGuard end([&] { EndOfWorker(in, success); });
        success = procedure(in);
    });
}

void CSensorOperations::EndOfWorker(const OperationInputs& in, bool success)
{
    RunOnUiThread([&] {
        if (in.basePage)
            in.basePage->EnableActions(true);
        if (in.page)
            in.page->EnablePrint(success);
        m_host.LockNavigation(false);
    });
    DebugTrace("operation ended: %s\n", success ? "success" : "failure");
    g_bBusy = 0;
}

// ---- the rows of the dispatcher ---------------------------------------------------------

void CSensorOperations::OnTestSensor(int command)
{
    const int pageId = command == kCmdTestSensor ? kPageTestSensor : kPageCopySensor;
    if (!PortReady(pageId))
        return;
    OperationInputs in = CollectInputs(pageId);
    if (!in.page)
        return;
    if (command == kCmdTestSensor)
        StartWorker(in, [this](const OperationInputs& run) { return TestSensorOnTestPage(run); });
    else
        StartWorker(in, [this](const OperationInputs& run) { return TestSensorWorker(run); });
}

void CSensorOperations::OnGenerateId()
{
    IOperationPage* page = PageOf(kPageCreateSensor);
    if (!page)
        return;
    const unsigned code = m_selection.SensorCode();
    const CSensorParam* record = FindSensorParamOf(code);
    if (!record) {
        MessageBox(m_host.MessageOwner(), SensorNotSupportedText(), Text(L"APP_TITLE"), MB_OK);
        page->SetIdText(L"");
        return;
    }
    const GeneratedId id =
        GenerateSensorId(*record, code, m_selection.SensorText(), page->IsHexMode(), m_services.idSeed());
    if (id.notSupported)
        MessageBox(m_host.MessageOwner(), SensorNotSupportedText(), Text(L"APP_TITLE"), MB_OK);
    page->SetIdText(id.text);
}

void CSensorOperations::OnProgramCreate()
{
    IOperationPage* page = PageOf(kPageCreateSensor);
    if (!page)
        return;
    const std::wstring text = page->GetIdText();
    if (text.empty()) {
        MessageBox(m_host.MessageOwner(), Text(L"ID_NULL"), Text(L"APP_TITLE"), MB_OK);
        return;
    }
    // In either base: a value the sensor cannot hold, or a text that is not
    // a number through to its end, is refused with the range.
    const uint64_t max = MaxIdOf(FindSensorParamOf(m_selection.SensorCode()));
    const ParsedId id = ParseIdText(text, page->IsHexMode() ? 16 : 10);
    if (id.result != IdParse::Ok || id.value64 > max) {
        MessageBox(m_host.MessageOwner(), IdRangeText(max), Text(L"APP_TITLE"), MB_OK);
        return;
    }
    if (!m_selection.IsSupported()) {
        MessageBox(m_host.MessageOwner(), kNotSupportedText, Text(L"APP_TITLE"), MB_OK);
        return;
    }
    if (!PortReady(kPageCreateSensor))
        return;
    OperationInputs in = CollectInputs(kPageCreateSensor);
    in.startId = id.value32;
    StartWorker(in, [this](const OperationInputs& run) { return AutoCreateSensor(run); });
}

void CSensorOperations::OnProgramCopy()
{
    IOperationPage* page = PageOf(kPageCopySensor);
    if (!page)
        return;
    // The value the copy page's test read; without one, the edit's text in
    // the base of the moment.
    std::optional<uint32_t> copied = page->GetCopiedId();
    const std::wstring text = page->GetIdText();
    if (!copied && text.empty()) {
        MessageBox(m_host.MessageOwner(), kCopyIdMissingText, Text(L"APP_TITLE"), MB_OK);
        return;
    }
    const uint64_t max = MaxIdOf(FindSensorParamOf(m_selection.SensorCode()));
    if (!copied) {
        const ParsedId id = ParseIdText(text, ReadDisplayUnits(m_settings).HexIds() ? 16 : 10);
        if (id.result != IdParse::Ok || id.value64 > max) {
            MessageBox(m_host.MessageOwner(), IdRangeText(max), Text(L"APP_TITLE"), MB_OK);
            return;
        }
        copied = id.value32;
    }
    if (!m_selection.IsSupported()) {
        MessageBox(m_host.MessageOwner(), kNotSupportedText, Text(L"APP_TITLE"), MB_OK);
        return;
    }
    if (!PortReady(kPageCopySensor))
        return;
    OperationInputs in = CollectInputs(kPageCopySensor);
    in.startId = *copied;
    StartWorker(in, [this](const OperationInputs& run) { return ProgramWithTypedId(run); });
}

void CSensorOperations::OnCheckSensor()
{
    OperationInputs in = CollectInputs(kPageTestSensor);
    if (!in.page)
        return;
    StartWorker(in, [this](const OperationInputs& run) { return ReadSensorWorker(run); });
}

void CSensorOperations::PrepareCreatePage()
{
    IOperationPage* page = PageOf(kPageCreateSensor);
    const CSensorParam* record = FindSensorParamOf(m_selection.SensorCode());
    if (page && record)
        page->SetIdDigits(IdDigitsOf(*record));
}

// ---- page output ----------------------------------------------------------------------

void CSensorOperations::StatusKey(const OperationInputs& in, const wchar_t* key, COLORREF colour)
{
    StatusMade(in, StatusOfKey(key), colour);
}

void CSensorOperations::StatusMade(const OperationInputs& in, const StatusText& text, COLORREF colour)
{
    if (in.page)
        RunOnUiThread([&] { in.page->SetStatusText(text, colour); });
}

void CSensorOperations::OutcomeKey(const OperationInputs& in, const wchar_t* key, COLORREF colour)
{
    OutcomeMade(in, StatusOfKey(key), colour);
}

void CSensorOperations::OutcomeMade(const OperationInputs& in, const StatusText& text, COLORREF colour)
{
    // Written and marked at once on the UI thread, so no device notice comes between.
    RunOnUiThread([&] {
        if (in.page)
            in.page->SetStatusText(text, colour);
        m_outcomePages.insert(in.pageId);
    });
}

int CSensorOperations::Ask(const std::wstring& text, const std::wstring& caption, unsigned type)
{
    return MessageBox(m_host.MessageOwner(), text, caption, type);
}

void CSensorOperations::ShowPercent(int percent)
{
    CTsLog::GetInstance().Debug("Percent:%d", percent);
    if (m_nRunPageId != kPageCreateSensor && m_nRunPageId != kPageCopySensor)
        return;
    if (percent != kHidePercent && (percent < 0 || percent > 100))
        return;
    IOperationPage* page = m_pRunPage;
    if (page)
        RunOnUiThread([&] { page->ShowProgress(percent); });
}

void CSensorOperations::OnProgress(ProgressState& state, const wchar_t* key, uint8_t percent)
{
    if (!state.seen) {
        state.seen = true;
        state.last = percent;
    }
    if (percent < state.last)
        return;
    state.last = percent;
    if (percent == kHidePercent) {
        state.restart = true;
        state.last = 0;
        ShowPercent(kHidePercent);
        return;
    }
    if (state.restart) {
        state.restart = false;
        if (m_pRunPage) {
            const std::wstring text = Text(key);
            IOperationPage* page = m_pRunPage;
            RunOnUiThread([&] { page->SetStatus(text, kStatusBlue); });
        }
        ShowPercent(0);
    }
    ShowPercent(percent);
}

void CSensorOperations::OnProgramProgress(uint8_t percent)
{
    OnProgress(m_programProgress, L"PROGRAM_SENSOR", percent);
}

void CSensorOperations::OnFirmwareProgress(uint8_t percent)
{
    // The boot update writes the sensor from its first step on.
    if (percent != kHidePercent)
        m_bSensorTouched = true;
    OnProgress(m_firmwareProgress, L"UPDATE_FIRMWARE", percent);
}

// ---- programming ------------------------------------------------------------------------

bool CSensorOperations::AutoCreateSensor(const OperationInputs& in)
{
    if (UpperText(in.relearnType) == kRelearnAsks) {
        StatusKey(in, L"ANSWER_WAIT", kStatusBlue);
        if (Ask(Text(L"AUTOCREATE_TIPS"), Text(L"SPECAIL_NOTE"), MB_OKCANCEL) != IDOK) {
            OutcomeKey(in, L"NOTHING_PROGRAMMED", kStatusRed);
            return false;
        }
    }
    return ProgramSensorFlow(in);
}

bool CSensorOperations::ProgramWithTypedId(const OperationInputs& in) { return ProgramSensorFlow(in); }

bool CSensorOperations::ProgramSensorFlow(const OperationInputs& in)
{
    CTsLog& log = CTsLog::GetInstance();
    StatusKey(in, L"CHECK_TYPE", kStatusBlue);
    // Both bars start anew: a boot update shows its progress on every run.
    m_programProgress.Reset();
    m_firmwareProgress.Reset();
    m_bSensorTouched = false;
    uint8_t result = kProgramNotStarted;
    ImageProblem imageProblem; // of the attempt that ended the run
    ProgrammedList list;
    for (int attempt = 0; attempt < kProgramAttempts; ++attempt) {
        // A Stop is looked at before each object is made and again after it:
        // making one clears g_bAbort, never the stop request.
        if (IsOperationStopRequested()) {
            log.Record("user cancel!");
            break;
        }
        std::unique_ptr<CTsProgram> program = m_services.makeProgram(attempt, in.freqSelector);
        if (IsOperationStopRequested()) {
            g_bAbort.Set();
            log.Record("user cancel!");
            break;
        }
        list.clear();
        result = program ? ProgramSensor(program, in, list) : kProgramNoObject;
        imageProblem = program ? program->m_imageProblem : ImageProblem{};
        program.reset();
        if (result != kProgramNoSensor)
            break;
    }
    Sleep(kSettleAfterAttemptsMs);
    m_programProgress.Reset();
    ShowPercent(kHidePercent);

    if (result != kProgramOk) {
        m_services.failSignal();
        ProgramFailure failure;
        failure.result = result;
        failure.cause = OperationStopCause();
        failure.sensorTouched = m_bSensorTouched;
        failure.frequency = SensorFrequencyOf(in.Param());
        failure.image = imageProblem;
        OutcomeMade(
            in, [failure] { return ProgramFailureText(failure); }, kStatusRed);
        return false;
    }
    return ShowProgrammed(in, list);
}

uint8_t CSensorOperations::ProgramSensor(std::unique_ptr<CTsProgram>& program, const OperationInputs& in,
                                         ProgrammedList& list)
{
    CTsLog& log = CTsLog::GetInstance();
    SensorIdSet found;
    const bool createPage = in.pageId == kPageCreateSensor;
    program->m_nMultiSensor = createPage ? 1 : 0;
    const uint8_t boot = CheckSensorBoot(program, in, found);
    if (boot != kProgramOk)
        return boot;
    if (IsOperationStopRequested()) {
        // The object the boot check made cleared g_bAbort.
        g_bAbort.Set();
        return kProgramNoSensor;
    }

    StatusKey(in, L"PROGRAM_SENSOR", kStatusBlue);
    if (found.empty() && !program->SearchSensors(found))
        found.clear();
    if (found.empty()) {
        log.Debug("Connect Sensor Error. The BootVersion is %d", program->GetType());
        return kProgramNoSensor;
    }
    if (found.size() > 1 && !KeepSeveralSensors(*program, in, found))
        return kProgramRefused;
    SensorIdMap ids;
    if (!AssignNewIds(*program, in, found, ids, list))
        return kProgramIdRange;

    const SensorFamily* family = FindFamily(program->GetType());
    if (family && family->RefusesChip(WideToUtf8(in.chipStatus))) {
        log.Debug("Program not support 86 type");
        return kProgramChip86;
    }
    return WriteSensors(*program, in, ids);
}

bool CSensorOperations::KeepSeveralSensors(CTsProgram& program, const OperationInputs& in, const SensorIdSet& found)
{
    program.KeepLink(found);
    if (in.pageId != kPageCreateSensor)
        return true;
    const auto count = static_cast<long long>(found.size());
    const std::wstring question = FormatOneNumber(Text(L"MUTI_PROG_INFO"), count);
    // Nothing is written while the question is open; the line says so.
    StatusMade(
        in, [count] { return FormatOneNumber(Text(L"MUTI_PROG_WAIT"), count); }, kStatusBlue);
    if (Ask(question, Text(L"SPECAIL_NOTE"), MB_YESNO) != IDYES) {
        program.EndLink(found);
        return false;
    }
    program.m_nMultiSensor = 1;
    return true;
}

bool CSensorOperations::AssignNewIds(CTsProgram& program, const OperationInputs& in, const SensorIdSet& found,
                                     SensorIdMap& ids, ProgrammedList& list)
{
    SensorTextMap psn;
    program.GetPsnText(found, psn);

    // New identifiers, k x 0x1111 apart in the order of the old ones; the sum
    // wraps at 32 bits as it always did, and no identifier beyond the
    // sensor's digits is written.
    const uint64_t max = MaxIdOf(in.Param());
    uint32_t k = 0;
    for (uint32_t sensor : found) {
        const uint32_t newId = in.startId + k++ * kIdStep;
        if (newId > max) {
            program.EndLink(found);
            Ask(IdRangeText(max), Text(L"APP_TITLE"), MB_OK);
            return false;
        }
        ids[sensor] = newId;
        const auto text = psn.find(sensor);
        list.emplace_back(newId, text != psn.end() ? text->second : std::string());
    }
    return true;
}

uint8_t CSensorOperations::WriteSensors(CTsProgram& program, const OperationInputs& in, const SensorIdMap& ids)
{
    const int type = program.GetType();
    program.SetProgressSink(&m_programSink);
    CBinary selection;
    if (TakesFirmwareSelection(type)) {
        const uint32_t code = WcsToULong32(in.firmwareCode, 16);
        const uint8_t bytes[2] = {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
        selection = CBinary(bytes, 2);
    }
    const LocalTime today = GetLocalTime();
    program.m_nDate = ProgramDateWord(today.year, today.month, today.day);
    m_bSensorTouched = true;
    if (program.ProgramSensor(ids, selection))
        return kProgramOk;
    // A failed write that left no error code is still a failure.
    const uint8_t code = static_cast<uint8_t>(program.m_nErrorCode);
    return code == kProgramOk ? static_cast<uint8_t>(TS_ERR_WRITE_FAILED) : code;
}

uint8_t CSensorOperations::CheckSensorBoot(std::unique_ptr<CTsProgram>& program, const OperationInputs& in,
                                           SensorIdSet& found)
{
    CTsLog& log = CTsLog::GetInstance();
    program->SetProgressSink(&m_firmwareSink);
    SensorBootContext context;
    context.program = program.get();
    const uint8_t code = m_services.updateBoot(context);
    // A boot update that ran wrote the sensor, whatever it came to.
    if (code == BOOT_UPDATED_V1 || code == BOOT_UPDATED_V4 || code == BOOT_FAILED)
        m_bSensorTouched = true;
    switch (code) {
    case BOOT_NOT_NEEDED: found = context.found; return kProgramOk;
    case BOOT_UPDATED_V1: {
        // The sensor runs the V4 boot now: a V4 object goes on with it.
        const int oldType = program->GetType();
        program = m_services.makeProgramAfterBoot(in.freqSelector);
        if (!program)
            return kProgramNoObject;
        program->SetType(TypeAfterBootUpdate(oldType));
        OnFirmwareProgress(kHidePercent);
        return kProgramOk;
    }
    case BOOT_UPDATED_V4: OnFirmwareProgress(kHidePercent); return BOOT_UPDATED_V4;
    case BOOT_FAILED: log.Error("UpdateBoot Error. The BootVersion is %d", program->GetType()); return BOOT_FAILED;
    case BOOT_MANY_SENSORS:
        Ask(FormatOneNumber(Text(L"NOT_MUTI_PROG"), static_cast<long long>(context.found.size())),
            Text(L"SPECAIL_NOTE"), MB_OK);
        return kProgramRefused;
    case BOOT_TOO_NEW: return BOOT_TOO_NEW;
    case BOOT_NO_PROGRAM:
        log.Error("Connect Sensor Error. The BootVersion is %d", program->GetType());
        return BOOT_NO_PROGRAM;
    default: return code;
    }
}

namespace {

// A programmed sensor that was not read back: why.
const wchar_t* ReadBackFailureKey(StopCause cause)
{
    switch (cause) {
    case StopCause::Unplugged: return L"PROGRAMMED_UNPLUGGED_BEFORE_TEST";
    case StopCause::UserStopped: return L"PROGRAMMED_STOPPED_BEFORE_TEST";
    case StopCause::None: break;
    }
    return L"PROGRAM_FINISH_BUT_CAN_NOT_TEST";
}

// The daily records of the sensors programmed, their rows and the result;
// false when a record could not be written.
bool RecordProgrammed(const OperationInputs& in, const ProgrammedList& list, std::list<CTestSensorRightPane::Row>& rows,
                      OperationResult& result)
{
    const bool hex = in.units.HexIds();
    const LocalTime now = GetLocalTime();
    result.pageId = in.pageId;
    result.hex = hex;
    bool recordsWritten = true;
    for (const auto& [id, psnBytes] : list) {
        const std::wstring idText = FormatIdText(id, hex, in.Param());
        const std::wstring psn = PsnTextToWide(psnBytes);
        rows.emplace_back(idText, psn);
        result.sensors.push_back({id, idText, psn});
        const std::wstring recordId = idText + (hex ? L"(H)" : L"(D)");
        const DailyLogRecord record = in.selectionKind == 1
                                          ? MakeDailyLogRecordPartNo(in.partNo, recordId, psn)
                                          : DailyLogRecord(in.brand, in.model, in.year, recordId, psn);
        const bool csv = WriteDailyCsv(record, now);
        const bool txt = WriteDailyTxt(record, now);
        if (!csv || !txt) {
            CTextLog::Instance().Write("Daily record not written: %s", WideToUtf8(recordId).c_str());
            recordsWritten = false;
        }
    }
    return recordsWritten;
}

void ShowProgrammedList(const CIni& settings, CTestSensorRightPane& pane,
                        const std::list<CTestSensorRightPane::Row>& rows, const ProgrammedList& list,
                        const OperationInputs& in)
{
    pane.SetProgrammedList(rows);
    pane.SetProgrammedListShown(true);
    // The list is made again in the identifier base of the moment it shows.
    pane.SetRemake([&settings, &pane, list, param = in.sensorParam] {
        const bool hexIds = ReadDisplayUnits(settings).HexIds();
        std::list<CTestSensorRightPane::Row> again;
        for (const auto& [id, psnBytes] : list)
            again.emplace_back(FormatIdText(id, hexIds, param ? &*param : nullptr), PsnTextToWide(psnBytes));
        pane.SetProgrammedList(again);
    });
}

} // namespace

bool CSensorOperations::ShowProgrammed(const OperationInputs& in, const ProgrammedList& list)
{
    std::list<CTestSensorRightPane::Row> rows;
    OperationResult result;
    const bool recordsWritten = RecordProgrammed(in, list, rows, result);

    CTestSensorRightPane* pane = in.page ? in.page->GetResultPane() : nullptr;
    bool success = false;
    if (list.size() >= 2) {
        m_services.successSignal(kSignalProgrammed);
        OutcomeKey(in, L"PROGRAM_SUCCSSED", kStatusBlue);
        if (pane)
            ShowProgrammedList(m_settings, *pane, rows, list, in);
        success = true;
    } else {
        StatusKey(in, L"TEST_SENSOR", kStatusBlue);
        // A read-back by any other sensor in range is not this one.
        ReadCheck check;
        if (!list.empty())
            check.expectedId = list.front().first;
        success = ReadAndShowSensor(in, check) == ReadEnd::Read;
        if (success)
            OutcomeKey(in, L"PROGRAM_SUCCSSED", kStatusBlue);
        else
            OutcomeKey(in, ReadBackFailureKey(OperationStopCause()), kStatusRed);
    }
    if (success)
        RunOnUiThread([&] { m_host.SetLastResult(result); });
    if (!recordsWritten && in.page) {
        const StatusText note = [] { return L" - " + Text(L"DAILY_RECORD_FAULT"); };
        RunOnUiThread([&] { in.page->AppendStatusText(note, kStatusRed); });
    }
    return success;
}

// ---- test and read ------------------------------------------------------------------------

ReadEnd CSensorOperations::ReadAndShowSensor(const OperationInputs& in, const ReadCheck& check, CSensorInfo* read)
{
    CTestSensorRightPane* pane = in.page ? in.page->GetResultPane() : nullptr;
    if (pane) {
        pane->SetAllValues(L"");
        pane->SetReadingShown(false);
    }
    const CSensorInfo info = m_services.testSensor(in.sensorCode);
    if (read)
        *read = info;
    ReadEnd end = ReadEnd::Read;
    if (info.IsEmpty())
        end = ReadEnd::NoAnswer;
    else if (check.expectedId && info.m_ID != *check.expectedId)
        end = ReadEnd::OtherSensor;
    else if (info.m_ID == 0 || info.m_ID == kErasedId)
        end = ReadEnd::NoIdentifier; // no identifier to show, copy or print
    if (end != ReadEnd::Read) {
        if (end == ReadEnd::OtherSensor)
            CTsLog::GetInstance().Record("Read back ID %08X, not the one expected", info.m_ID);
        else if (end == ReadEnd::NoIdentifier)
            CTsLog::GetInstance().Record("The sensor answered with no identifier (%08X)", info.m_ID);
        m_services.failSignal();
        return end;
    }
    m_services.successSignal(kSignalRead);
    if (pane) {
        auto show = [pane, info, param = in.sensorParam](const DisplayUnits& units) {
            std::wstring pressure, temperature;
            FormatPressureTemperature(info.m_Pressure, info.m_Temp, units, pressure, temperature);
            pane->SetFirstValues(FormatIdText(info.m_ID, units.HexIds(), param ? &*param : nullptr), temperature,
                                 pressure, BatteryText(info.m_Battery));
        };
        show(in.units);
        pane->SetRemake([this, show] { show(ReadDisplayUnits(m_settings)); });
    }
    return ReadEnd::Read;
}

void CSensorOperations::KeepReading(const OperationInputs& in, const CSensorInfo& info)
{
    OutcomeKey(in, L"TEST_SUCCSSED", kStatusBlue);
    OperationResult result;
    result.pageId = in.pageId;
    result.hex = in.units.HexIds();
    result.sensors.push_back({info.m_ID, FormatIdText(info.m_ID, result.hex, in.Param()), L""});
    RunOnUiThread([&] { m_host.SetLastResult(result); });
}

void CSensorOperations::TestFailed(const OperationInputs& in, ReadEnd end)
{
    switch (OperationStopCause()) {
    case StopCause::Unplugged: OutcomeKey(in, L"TEST_UNPLUGGED", kStatusRed); return;
    case StopCause::UserStopped: OutcomeKey(in, L"TEST_STOPPED", kStatusRed); return;
    case StopCause::None: break;
    }
    OutcomeKey(in, end == ReadEnd::NoIdentifier ? L"SENSOR_NO_ID" : L"TEST_FAULT", kStatusRed);
}

bool CSensorOperations::TestSensorOnTestPage(const OperationInputs& in)
{
    StatusKey(in, L"TEST_SENSOR", kStatusBlue);
    CSensorInfo info;
    const ReadEnd end = ReadAndShowSensor(in, ReadCheck{}, &info);
    if (end == ReadEnd::Read)
        KeepReading(in, info);
    else
        TestFailed(in, end);
    return end == ReadEnd::Read;
}

bool CSensorOperations::TestSensorWorker(const OperationInputs& in)
{
    StatusKey(in, L"TEST_SENSOR", kStatusBlue);
    if (in.page)
        RunOnUiThread([&] { in.page->SetCopiedId(std::nullopt); });
    CSensorInfo info;
    const ReadEnd end = ReadAndShowSensor(in, ReadCheck{}, &info);
    if (end == ReadEnd::Read) {
        // The copy page keeps the value; it shows it in the format of the moment.
        if (in.page)
            RunOnUiThread([&] { in.page->SetCopiedId(info.m_ID); });
        KeepReading(in, info);
    } else {
        TestFailed(in, end);
    }
    return end == ReadEnd::Read;
}

bool CSensorOperations::FormatSensorInfo(const OperationInputs& in, _SensorInfo& info, DorvanSensorInfo* read)
{
    DorvanSensorInfo record;
    if (!m_services.checkSensor(record))
        return false;
    info = SensorInfoTexts(record, in.units, in.Param(), GetLocalTime().year);
    if (read)
        *read = record;
    return true;
}

bool CSensorOperations::ReadSensorWorker(const OperationInputs& in)
{
    StatusKey(in, L"TEST_SENSOR", kStatusBlue);
    CTestSensorRightPane* pane = in.page ? in.page->GetResultPane() : nullptr;
    _SensorInfo info;
    if (pane) {
        pane->SetAllValues(L"");
        pane->SetProgrammedListShown(false);
        pane->SetReadingShown(false);
    }
    DorvanSensorInfo record;
    const bool ok = FormatSensorInfo(in, info, &record);
    if (ok) {
        m_services.successSignal(kSignalRead);
        if (pane) {
            pane->SetSensorInfo(info);
            pane->SetRemake([this, pane, record, param = in.sensorParam, year = GetLocalTime().year] {
                pane->SetSensorInfo(
                    SensorInfoTexts(record, ReadDisplayUnits(m_settings), param ? &*param : nullptr, year));
            });
        }
        OutcomeKey(in, L"TEST_SUCCSSED", kStatusBlue);
    } else {
        m_services.failSignal();
        if (pane)
            pane->SetAllValues(L"NA");
        CheckFailed(in, record);
    }
    // A full read shows all nine lines, "NA" when the sensor did not answer.
    if (pane)
        pane->SetReadingShown(true);
    return ok;
}

void CSensorOperations::CheckFailed(const OperationInputs& in, const DorvanSensorInfo& record)
{
    switch (OperationStopCause()) {
    case StopCause::Unplugged: OutcomeKey(in, L"TEST_UNPLUGGED", kStatusRed); return;
    case StopCause::UserStopped: OutcomeKey(in, L"CHECK_STOPPED", kStatusRed); return;
    case StopCause::None: break;
    }
    if (record.m_nResultCode == TS_ERR_MANY_SENSORS) {
        OutcomeKey(in, L"SEVERAL_SENSORS", kStatusRed);
        return;
    }
    // The check reads sensors that run the V4 boot; one that has not taken
    // it yet answers only the search of its own frame.
    if (m_services.findSensorBeforeBoot && m_services.findSensorBeforeBoot(in.freqSelector)) {
        OutcomeKey(in, L"SENSOR_NEEDS_BOOT", kStatusRed);
        return;
    }
    OutcomeKey(in, L"CHECK_FAULT", kStatusRed);
}
