#pragma once
// The sensor operations under test: the main dialog with stand-in operation
// pages (they record what the operations show, and on which thread), a
// simulated Brelk on the virtual clock for the port and the signals, and the
// sensor services the test chooses: fake programming objects, or the real
// families against simulated sensors.
#include "AppFlags.h"
#include "AppMessages.h"
#include "CodePage.h"
#include "FamilyTable.h"
#include "Language.h"
#include "MainDialogFixture.h"
#include "OneNumberFormat.h"
#include "OperationPage.h"
#include "SensorOperations.h"
#include "SimBrelk.h"
#include "TestSensorRightPane.h"
#include "TsNetlayer.h"
#include "UiThread.h"
#include "VehicleDatabase.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// An operation page that keeps what it was told.
class StandInOperationPage : public CBasePage, public IOperationPage {
public:
    StandInOperationPage(int pageId, int type) : m_nId(pageId), m_nType(type) {}

    int GetPageType() override { return m_nType; }
    void EnableActions(bool enable) override
    {
        Note(IsUiThread());
        actions.push_back(enable);
    }
    void SetStatus(const std::wstring& text, COLORREF colour) override
    {
        Note(IsUiThread());
        statuses.emplace_back(text, colour);
    }
    std::wstring GetStatus() const override { return statuses.empty() ? std::wstring() : statuses.back().first; }
    void ShowProgress(int percent) override
    {
        Note(IsUiThread());
        progress.push_back(percent);
    }
    CTestSensorRightPane* GetResultPane() override { return &pane; }
    std::wstring GetIdText() const override { return idText; }
    void SetIdText(const std::wstring& text) override
    {
        Note(IsUiThread());
        idText = text;
    }
    bool IsHexMode() const override { return hexMode; }
    void SetCopiedId(std::optional<uint32_t> id) override
    {
        Note(IsUiThread());
        copiedId = id;
        // As the copy page does: the edit shows it in the format of the moment.
        CBRELK2Dlg* dlg = dynamic_cast<CBRELK2Dlg*>(GetMainWindow());
        idText = id && dlg ? dlg->FormatIdText(*id, dlg->IsHexIdFormat()) : std::wstring();
    }
    std::optional<uint32_t> GetCopiedId() const override { return copiedId; }
    void SetIdDigits(const IdDigits& d) override { digits = d; }
    void EnablePrint(bool enable) override
    {
        Note(IsUiThread());
        print.push_back(enable);
    }
    void PrepareForSelection(bool isSupported) override
    {
        supported = isSupported;
        ++prepared;
        statuses.emplace_back(GetLanguageManager().GetText(L"READY"), 0xFF0000);
        idText.clear();
        copiedId.reset();
        pane.SetAllValues(L"");
        pane.SetReadingShown(false);
        pane.ClearProgrammedList();
        pane.SetProgrammedListShown(false);
    }

    std::wstring LastStatus() const { return statuses.empty() ? std::wstring() : statuses.back().first; }
    COLORREF LastColour() const { return statuses.empty() ? 0 : statuses.back().second; }

    std::vector<std::pair<std::wstring, COLORREF>> statuses;
    std::vector<int> progress;
    std::vector<bool> actions;
    std::vector<bool> print;
    std::wstring idText;
    bool hexMode = false;
    std::optional<uint32_t> copiedId;
    IdDigits digits;
    bool supported = false;
    int prepared = 0;
    int offUiThread = 0;
    CTestSensorRightPane pane;

protected:
    int OnCreate() override
    {
        CBasePage::OnCreate();
        pane.Create(this, CRect(610, 284, 1020, 568), m_nId == kPageTestSensor ? 10003 : 10009);
        return 0;
    }

private:
    void Note(bool onUiThread)
    {
        if (!onUiThread)
            ++offUiThread;
    }
    int m_nId;
    int m_nType;
};

// What a fake programming object does.
struct FakeProgramScript {
    SensorIdSet sensors;                 // found by the search
    std::map<uint32_t, std::string> psn; // PSN texts (sensors missing here have none)
    bool programOk = true;
    int errorCode = TS_ERR_WRITE_FAILED; // left by a failed ProgramSensor
    std::vector<uint8_t> progress;       // reported while programming
    std::function<void()> whileProgramming;
};

// The record of what the fakes were asked.
struct FakeJournal {
    std::mutex mutex;
    std::vector<std::string> lines;
    std::vector<SensorIdMap> programmed;
    std::vector<CBinary> selections;
    std::vector<uint16_t> dates;
    std::vector<int> multiFlags;
    void Add(const std::string& line)
    {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(line);
    }
    std::vector<std::string> Lines()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return lines;
    }
};

class FakeProgram : public CTsProgram {
public:
    FakeProgram(int type, const FakeProgramScript& script, FakeJournal& journal, uint8_t freqSelector)
        : CTsProgram(0, freqSelector), m_script(script), m_journal(journal)
    {
        m_nType = type;
    }
    ~FakeProgram() override { m_journal.Add("delete " + std::to_string(m_nType)); }
    bool SearchSensors(SensorIdSet& found) override
    {
        m_journal.Add("search " + std::to_string(m_nType));
        found = m_script.sensors;
        if (found.empty())
            m_nErrorCode = TS_ERR_NO_SENSOR;
        return !found.empty();
    }
    void KeepLink(const SensorIdSet&) override { m_journal.Add("keep link"); }
    bool ReadPsn(CBinaryGroup&) override { return false; }
    bool ReadPsnByAddr(CBinaryGroup&) override { return false; }
    bool ExchangeFrames() override { return false; }
    bool ProgramSensor(const SensorIdMap& ids, const CBinary& selection) override
    {
        m_journal.Add("program " + std::to_string(m_nType));
        {
            std::lock_guard<std::mutex> lock(m_journal.mutex);
            m_journal.programmed.push_back(ids);
            m_journal.selections.push_back(selection);
            m_journal.dates.push_back(m_nDate);
            m_journal.multiFlags.push_back(m_nMultiSensor);
        }
        for (uint8_t percent : m_script.progress)
            ReportProgress(percent);
        if (m_script.whileProgramming)
            m_script.whileProgramming();
        m_nErrorCode = m_script.programOk ? TS_ERR_OK : m_script.errorCode;
        return m_script.programOk;
    }
    bool EndLink(const SensorIdSet&) override
    {
        m_journal.Add("end link");
        return true;
    }
    CBinary BuildSendData(const CBinary&, uint32_t) override { return {}; }
    void ParseRecvData(CTsFrame&, const CBinary&, uint32_t) override {}
    bool SendRecvSensor(uint32_t, const CBinary&, uint32_t, CTsFrame*) override { return false; }
    void GetPsnText(const SensorIdSet& found, SensorTextMap& texts) override
    {
        for (uint32_t id : found)
            if (m_script.psn.count(id))
                texts[id] = m_script.psn.at(id);
    }

private:
    FakeProgramScript m_script;
    FakeJournal& m_journal;
};

// The family type of an attempt, as the family table orders them.
inline int FamilyType(int attempt) { return FamilyOfAttempt(attempt).type; }

class OperationsTest : public MainDialogTest {
public:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        ASSERT_EQ(GetLanguageManager().LoadLanguage(L"EN"), 0);
        DeviceMap::SetSource([] {
            return std::optional<std::vector<DeviceMapEntry>>(
                std::vector<DeviceMapEntry>{{"\\Device\\USBSER000", "COM3", "/dev/null"}});
        });
        g_bAbort.Clear();
        ClearOperationStopRequest();
    }
    void TearDown() override
    {
        // A box the test did not expect would have waited for a user.
        for (const ScriptedMessageBoxes::Asked& box : unexpectedBoxes.AskedBoxes())
            ADD_FAILURE() << "unexpected message box: " << WideToUtf8(box.text);
        if (dlg) {
            dlg->DestroyWindow();
            dlg.reset();
        }
        g_bAbort.Clear();
        g_bBusy = 0;
        ClearOperationStopRequest();
        MainDialogTest::TearDown();
    }

    // Stand-in operation pages, stubs for the others.
    PageFactory OperationPages()
    {
        PageFactory stubs = StubFactory();
        return [stubs](int pageId) -> std::unique_ptr<CBasePage> {
            if (pageId == kPageTestSensor)
                return std::make_unique<StandInOperationPage>(pageId, 10);
            if (pageId == kPageCopySensor)
                return std::make_unique<StandInOperationPage>(pageId, 11);
            if (pageId == kPageCreateSensor)
                return std::make_unique<StandInOperationPage>(pageId, 12);
            return stubs(pageId);
        };
    }

    // The dialog made and shown, a vehicle of that sensor code chosen.
    void Open(const std::wstring& sensorCode = L"40", const std::wstring& relearn = L"OBD",
              const std::wstring& chip = L"0")
    {
        dlg = MakeDialog(false);
        dlg->SetPageFactory(realPages ? PageFactory(CreatePageById) : OperationPages());
        const CSize size = dlg->GetWindowSize();
        ASSERT_TRUE(dlg->Create(nullptr, CRect(0, 0, size.cx, size.cy), 0, WS_POPUP));
        ASSERT_TRUE(ShowAndWait(*dlg));
        brand = std::make_unique<CBrand>(L"Brunmark", L"1");
        model = brand->AddModel(L"Arvo", L"101");
        year = std::make_unique<CYear>(L"2016", sensorCode, L"0x40", chip, relearn, L"Teskaro Demo", L"BR-101-1640",
                                       L"1", sensorCode);
        dlg->SetBrandSelection(brand.get());
        dlg->SetModelSelection(model);
        dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(static_cast<const CYear*>(year.get())), kActionVehicle);
    }
    // The same with a part number of the sample data.
    void OpenPartNo(const std::wstring& partNo)
    {
        dlg = MakeDialog(false);
        dlg->SetPageFactory(realPages ? PageFactory(CreatePageById) : OperationPages());
        const CSize size = dlg->GetWindowSize();
        ASSERT_TRUE(dlg->Create(nullptr, CRect(0, 0, size.cx, size.cy), 0, WS_POPUP));
        const CPartNo* record = GetVehicleDatabase()->FindPartNo(partNo);
        ASSERT_NE(record, nullptr);
        dlg->SendMessage(WM_PAGE_ACTION, MsgParam::Of(record), kActionPartNo);
    }

    // The page of that id the dialog made, as the kind of page it is (null when none).
    template <class T> T* PageAs(int pageId)
    {
        for (const auto& link : dlg->GetPageHistory().Links())
            if (link->pageId == pageId)
                return dynamic_cast<T*>(link->page.get());
        return nullptr;
    }
    StandInOperationPage* Page(int pageId) { return PageAs<StandInOperationPage>(pageId); }
    void Navigate(int pageId) { dlg->SendMessage(WM_PAGE_ACTION, pageId, kActionNavigate); }
    void Press(int command) { dlg->SendMessage(WM_PAGE_ACTION, command, kActionOperation); }
    // Waits with the events running until the operation's worker ended.
    bool WaitForOperation(uint32_t timeoutMs = 20000)
    {
        return PumpUntil([this] { return g_bBusy == 0 && !dlg->IsWorkerRunning(); }, timeoutMs);
    }
    // Presses the button on its page and waits for the end.
    void Run(int pageId, int command)
    {
        Navigate(pageId);
        Press(command);
        ASSERT_TRUE(WaitForOperation());
    }
    // Create Sensor with the identifier typed in hexadecimal, to its end; the
    // time it took on the virtual clock.
    uint32_t CreateWithHexId(uint32_t id)
    {
        Navigate(kPageCreateSensor);
        wchar_t text[16];
        std::swprintf(text, 16, L"%08X", id);
        Page(kPageCreateSensor)->idText = text;
        Page(kPageCreateSensor)->hexMode = true;
        const uint32_t start = clock.GetTickCount();
        Press(kCmdProgramCreate);
        EXPECT_TRUE(WaitForOperation(120000));
        return clock.GetTickCount() - start;
    }
    void SetIdFormat(const wchar_t* format) { dlg->GetIni().WriteString(format, L"Setup", L"IDFormat"); }

    // Fake families: attempt scripts by attempt (past the end none finds a
    // sensor), the boot update by attempt (default: it finds the object's
    // sensors, or none).
    struct BootScript {
        uint8_t code = BOOT_NOT_NEEDED;
        SensorIdSet found;
        bool fromSearch = true; // the set is the object's own search
        std::vector<uint8_t> progress;
        std::function<void()> during;
    };
    static BootScript Boot(uint8_t code, SensorIdSet found = {}, bool fromSearch = true,
                           std::vector<uint8_t> progress = {}, std::function<void()> during = {})
    {
        return BootScript{code, std::move(found), fromSearch, std::move(progress), std::move(during)};
    }
    void UseFakes()
    {
        SensorServices& s = dlg->Operations().Services();
        s.makeProgram = [this](int attempt, uint8_t freq) -> std::unique_ptr<CTsProgram> {
            calls.Add("make " + std::to_string(FamilyType(attempt)) + " freq " + std::to_string(freq));
            if (beforeMake)
                beforeMake(attempt);
            const FakeProgramScript script = attempt < static_cast<int>(attempts.size())
                                                 ? attempts[static_cast<size_t>(attempt)]
                                                 : FakeProgramScript{};
            ++made;
            return std::make_unique<FakeProgram>(FamilyType(attempt), script, fakes, freq);
        };
        s.makeProgramAfterBoot = [this](uint8_t freq) -> std::unique_ptr<CTsProgram> {
            calls.Add("make after boot freq " + std::to_string(freq));
            return std::make_unique<FakeProgram>(TS_TYPE_F7V4, afterBoot, fakes, freq);
        };
        s.updateBoot = [this](SensorBootContext& context) -> uint8_t {
            const size_t n = bootsCalled++;
            const BootScript boot = n < boots.size() ? boots[n] : BootScript{};
            calls.Add("boot " + std::to_string(context.program->GetType()));
            for (uint8_t percent : boot.progress)
                context.program->ReportProgress(percent);
            if (boot.during)
                boot.during();
            if (boot.code == BOOT_NOT_NEEDED && boot.fromSearch) {
                SensorIdSet found;
                if (!context.program->SearchSensors(found))
                    return 254;
                context.found = found;
                return BOOT_NOT_NEEDED;
            }
            context.found = boot.found;
            return boot.code;
        };
        s.testSensor = [this](unsigned code) {
            calls.Add("test " + std::to_string(code));
            if (reading)
                return reading();
            CSensorInfo info;
            std::lock_guard<std::mutex> lock(fakes.mutex);
            info.m_ID = fakes.programmed.empty() ? 0 : fakes.programmed.back().begin()->second;
            info.m_Pressure = 250;
            info.m_Temp = 25;
            return info;
        };
    }
    // A fake sensor in range for every family: attempt `at` finds these.
    void SensorsAt(int at, SensorIdSet sensors, std::map<uint32_t, std::string> psn = {})
    {
        if (attempts.size() <= static_cast<size_t>(at))
            attempts.resize(static_cast<size_t>(at) + 1);
        attempts[static_cast<size_t>(at)].sensors = std::move(sensors);
        attempts[static_cast<size_t>(at)].psn = std::move(psn);
    }

    std::vector<uint8_t> Signals() const { return brelk.sim.Signals(); }
    static std::vector<uint8_t> SuccessSignal(int repeat)
    {
        std::vector<uint8_t> s;
        for (int i = 0; i < repeat; ++i)
            s.insert(s.end(), {0xF5, 0xF9, 0xF6, 0xFA});
        s.push_back(0xF9);
        return s;
    }
    static std::vector<uint8_t> FailSignal() { return {0xF5, 0xF7, 0xF6, 0xF9}; }
    static std::wstring Text(const wchar_t* key) { return GetLanguageManager().GetText(key); }
    // A failed run's words with its code: "<text> [Error Code:N]", the text's
    // one number (the sensor's frequency) filled.
    static std::wstring Failure(const wchar_t* key, int code, long long number = 0)
    {
        return FormatOneNumber(Text(key), number) + L" [Error Code:" + std::to_wstring(code) + L"]";
    }
    std::string DailyFile(const std::string& kind) const
    {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(data.Path() + "/DailyFile", ec))
            if (entry.path().filename().string().find(kind) != std::string::npos)
                return data.Folder().Read("DailyFile/" + entry.path().filename().string());
        return {};
    }

    // The program's own operation pages instead of the stand-ins.
    bool realPages = false;
    ScriptedMessageBoxes unexpectedBoxes;
    VirtualClock clock;
    SimBrelk brelk{3};
    std::unique_ptr<CBRELK2Dlg> dlg;
    std::unique_ptr<CBrand> brand;
    CModel* model = nullptr;
    std::unique_ptr<CYear> year;

    FakeJournal fakes;
    FakeJournal calls;
    std::vector<FakeProgramScript> attempts;
    FakeProgramScript afterBoot;
    std::vector<BootScript> boots;
    size_t bootsCalled = 0;
    std::atomic<int> made{0};
    std::function<void(int attempt)> beforeMake;
    std::function<CSensorInfo()> reading;
};
