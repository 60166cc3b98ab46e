#pragma once
// The sensor operations of the main dialog. "Create Sensor" and "Copy
// Sensor" program blank sensors family by family until one answers, report
// progress and the outcome on their page, signal the outcome on the Brelk,
// read a single programmed sensor back and append the daily records. "Test"
// triggers a fitted sensor and shows its identifier, pressure, temperature
// and battery; "Check sensor" reads a programmable sensor's nine values.
//
// Each runs on a worker of its own. What it reads (the page's identifier,
// the selection, the settings) is collected on the UI thread before the
// worker starts; what it shows goes through the windowing layer's thread
// rule; the page's actions and the navigation come back only when the
// worker ends. A success on the screen means the sensor answered with the
// identifier shown.
#include "ColorStatic.h"
#include "DailyRecords.h"
#include "DorvanSensorInfo.h"
#include "Ini.h"
#include "OperationHost.h"
#include "OperationPage.h"
#include "OperationResult.h"
#include "ProgramFactory.h"
#include "ProgressSink.h"
#include "Selection.h"
#include "SensorBootContext.h"
#include "SensorIdentifiers.h"
#include "SensorInfo.h"
#include "SensorReadout.h"
#include "SerialPort.h"
#include "TsSnData.h"
#include "VehicleRecords.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class CBasePage;
class CTestSensorRightPane;

// The operation buttons (WM_PAGE_ACTION kind 6).
constexpr int kCmdTestSensor = 10108;
constexpr int kCmdGenerateId = 10109;
constexpr int kCmdProgramCreate = 10110;
constexpr int kCmdTestBeforeCopy = 10113;
constexpr int kCmdProgramCopy = 10114;
constexpr int kCmdCheckSensor = 10207;
constexpr int kCmdStop = 10303;
constexpr int kCmdHiddenStop = 16000;

// Result bytes of one programming attempt.
constexpr uint8_t kProgramOk = 0;
constexpr uint8_t kProgramChip86 = 8;     // the selection's chip cannot take this family
constexpr uint8_t kProgramRefused = 10;   // several sensors and the user said no, or one may be programmed
constexpr uint8_t kProgramIdRange = 11;   // a new identifier beyond the sensor's digits
constexpr uint8_t kProgramNoSensor = 254; // -2: no sensor of this family; the next one is tried
constexpr uint8_t kProgramNoObject = 255;
constexpr int8_t kProgramUpdateTool = -7; // the Brelk must be updated first
// The result before the first attempt (a Stop before it fails with it).
constexpr uint8_t kProgramNotStarted = 7;
constexpr int kProgramAttempts = 10;

// The sensors one attempt programmed: new identifier and PSN, in the order
// of the sensors' old identifiers.
using ProgrammedList = std::vector<std::pair<uint32_t, std::string>>;

// What an operation works with, collected on the UI thread before its worker starts.
struct OperationInputs {
    int pageId = 0;
    CBasePage* basePage = nullptr;
    IOperationPage* page = nullptr;
    // The selection: kind 0 vehicle (brand, model, year), 1 part number.
    int selectionKind = 0;
    std::wstring brand, model, year, partNo;
    unsigned sensorCode = 0;
    std::optional<CSensorParam> sensorParam;
    std::wstring relearnType, chipStatus, firmwareCode;
    uint8_t freqSelector = 0;
    DisplayUnits units;
    // The identifier to program, checked against the sensor's digits.
    uint32_t startId = 0;

    const CSensorParam* Param() const { return sensorParam ? &*sensorParam : nullptr; }
};

// The protocol services the operations use. The program's are the real
// families, boot update, sensor test and check, and the Brelk's signals;
// tests put fakes in their place.
struct SensorServices {
    std::function<std::unique_ptr<CTsProgram>(int attempt, uint8_t freqSelector)> makeProgram;
    std::function<std::unique_ptr<CTsProgram>(uint8_t freqSelector)> makeProgramAfterBoot;
    std::function<uint8_t(SensorBootContext& context)> updateBoot;
    std::function<CSensorInfo(unsigned sensorCode)> testSensor;
    std::function<int(DorvanSensorInfo& info)> checkSensor;
    // Whether a sensor that has not taken its V4 boot yet answers (the V1/V3
    // search of the families that update the boot).
    std::function<bool(uint8_t freqSelector)> findSensorBeforeBoot;
    std::function<void(int repeat)> successSignal;
    std::function<void()> failSignal;
    // The seed of a generated identifier (NewIdSeed).
    std::function<int()> idSeed;
};

// How a reading is judged: every reading needs an identifier (a blank
// sensor's reads erased); a read-back after programming needs the one just
// programmed.
struct ReadCheck {
    std::optional<uint32_t> expectedId;
};

// How a sensor reading ended.
enum class ReadEnd {
    Read,         // a sensor answered with what the check asks for
    NoAnswer,     // nobody answered (or the exchange was stopped)
    NoIdentifier, // a blank sensor: its identifier reads erased (FFFFFFFF) or 0
    OtherSensor,  // a read-back answered by an identifier other than the one programmed
};

// Progress of one kind (programming or boot update): the last percent shown
// and whether the next value starts a new bar.
struct ProgressState {
    bool seen = false;
    int last = 0;
    bool restart = true;
    void Reset()
    {
        last = 0;
        restart = true;
    }
};

class CSensorOperations {
public:
    // The selection and the settings are the window's, read when an operation starts.
    CSensorOperations(IOperationHost& host, const Selection& selection, const CIni& settings);

    SensorServices& Services() { return m_services; }

    // The kind-6 rows, on the UI thread: their checks, then the worker.
    void OnTestSensor(int command); // 10108 test page, 10113 copy page
    void OnGenerateId();            // 10109
    void OnProgramCreate();         // 10110
    void OnProgramCopy();           // 10114
    void OnCheckSensor();           // 10207
    // Navigating to the create page: its identifier digits from the sensor.
    void PrepareCreatePage();

    // The worker side; each returns whether the operation succeeded.
    bool AutoCreateSensor(const OperationInputs& in);
    bool ProgramWithTypedId(const OperationInputs& in);
    bool ProgramSensorFlow(const OperationInputs& in);
    uint8_t ProgramSensor(std::unique_ptr<CTsProgram>& program, const OperationInputs& in, ProgrammedList& list);
    uint8_t CheckSensorBoot(std::unique_ptr<CTsProgram>& program, const OperationInputs& in, SensorIdSet& found);
    // Several sensors in range: the create page asks whether to program them
    // all; false when the user said no (the links are ended).
    bool KeepSeveralSensors(CTsProgram& program, const OperationInputs& in, const SensorIdSet& found);
    // The new identifier of every sensor found, into ids and list; false when
    // one lies beyond the sensor's digits (the user is told, the links ended).
    bool AssignNewIds(CTsProgram& program, const OperationInputs& in, const SensorIdSet& found, SensorIdMap& ids,
                      ProgrammedList& list);
    // Writes the image and the identifiers; the program result.
    uint8_t WriteSensors(CTsProgram& program, const OperationInputs& in, const SensorIdMap& ids);
    bool TestSensorOnTestPage(const OperationInputs& in);
    bool TestSensorWorker(const OperationInputs& in);
    bool ReadSensorWorker(const OperationInputs& in);
    // Triggers the sensor and shows what it read in the pane; the reading
    // goes to *read when given.
    ReadEnd ReadAndShowSensor(const OperationInputs& in, const ReadCheck& check, CSensorInfo* read = nullptr);
    // The check's record goes to *read when given.
    bool FormatSensorInfo(const OperationInputs& in, _SensorInfo& info, DorvanSensorInfo* read = nullptr);

    // Progress of the running operation (from its worker).
    void OnProgramProgress(uint8_t percent);
    void OnFirmwareProgress(uint8_t percent);
    void ShowPercent(int percent);

    // The worker of a row: controls off on the UI thread, busy set, then the
    // procedure on the host's worker; the controls come back when it ends.
    void StartWorker(const OperationInputs& in, std::function<bool(const OperationInputs&)> procedure);
    // The inputs of an operation on that page.
    OperationInputs CollectInputs(int pageId);

    // Whether the status line of that page holds the outcome of the last
    // operation run on it. An outcome stays until the user's next action:
    // no device notice writes over it. UI thread.
    bool ShowsOutcome(int pageId) const;
    // The user acted on that page (0: a new selection, every page).
    void EndOutcome(int pageId);

private:
    // One kind of progress, as the programming objects report it.
    class ProgressRelay : public IProgressSink {
    public:
        explicit ProgressRelay(std::function<void(uint8_t)> show) : m_show(std::move(show)) {}
        void OnProgress(uint8_t percent) override { m_show(percent); }

    private:
        std::function<void(uint8_t)> m_show;
    };

    // A status of language texts, made again when the language changes.
    void StatusKey(const OperationInputs& in, const wchar_t* key, COLORREF colour);
    void StatusMade(const OperationInputs& in, const StatusText& text, COLORREF colour);
    // The status that ends the operation: its outcome.
    void OutcomeKey(const OperationInputs& in, const wchar_t* key, COLORREF colour);
    void OutcomeMade(const OperationInputs& in, const StatusText& text, COLORREF colour);
    int Ask(const std::wstring& text, const std::wstring& caption, unsigned type);
    void OnProgress(ProgressState& state, const wchar_t* key, uint8_t percent);
    // The outcome of a test that read nothing usable, by its cause.
    void TestFailed(const OperationInputs& in, ReadEnd end);
    // The outcome of a check that read nothing, by its cause.
    void CheckFailed(const OperationInputs& in, const DorvanSensorInfo& record);
    // The outcome of a programming run whose attempt succeeded: daily
    // records, then the list or the read-back of a single sensor.
    bool ShowProgrammed(const OperationInputs& in, const ProgrammedList& list);
    // A test that read a sensor: the status, and the reading as the last result.
    void KeepReading(const OperationInputs& in, const CSensorInfo& info);
    void EndOfWorker(const OperationInputs& in, bool success);
    IOperationPage* PageOf(int pageId, CBasePage** basePage = nullptr) const;
    // The port opens, or the page says it cannot (its pane emptied).
    bool PortReady(int pageId);

    IOperationHost& m_host;
    const Selection& m_selection;
    const CIni& m_settings;
    SensorServices m_services;
    ProgressState m_programProgress;
    ProgressState m_firmwareProgress;
    // The running programming has begun to write the sensor (its boot or
    // its image): stopped now, the sensor must be programmed again.
    std::atomic<bool> m_bSensorTouched{false};
    ProgressRelay m_programSink{[this](uint8_t percent) { OnProgramProgress(percent); }};
    ProgressRelay m_firmwareSink{[this](uint8_t percent) { OnFirmwareProgress(percent); }};
    // The page of the running operation, where its progress goes.
    IOperationPage* m_pRunPage = nullptr;
    int m_nRunPageId = 0;
    // The pages whose status line shows an outcome (UI thread).
    std::set<int> m_outcomePages;
};

// What ended an operation that did not succeed, beside its own result.
enum class StopCause {
    None,        // the exchange itself failed
    UserStopped, // Stop, or the window closing
    Unplugged,   // the Brelk left the bus
};
// The cause of the running operation's end: the Brelk's removal before the user's stop.
StopCause OperationStopCause();

// A programming run that failed: its result byte, what stopped it, whether
// the sensor was already being written (its boot or its image), and the
// vehicle's sensor frequency (433, 315, 0 unknown).
struct ProgramFailure {
    uint8_t result = 0;
    StopCause cause = StopCause::None;
    bool sensorTouched = false;
    int frequency = 0;
    ImageProblem image; // its firmware file was missing or damaged
};
// The text of a failed programming: what happened and what to do, followed
// by " [Error Code:%d]" of the result as a signed byte (and the firmware
// file that was missing or damaged); "UPDATE_TOOL" alone for -7, and the
// cause alone for a stop or an unplug.
std::wstring ProgramFailureText(const ProgramFailure& failure);
// The date word a programming object stores: (year << 9) | (month << 5) | day, kept to 16 bits.
uint16_t ProgramDateWord(int year, int month, int day);
