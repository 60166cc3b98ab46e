#pragma once
// What the whole-program benchmarks share: the simulated Brelk as a process
// of its own (brelk-sim on a pseudo-terminal, published in a links folder of
// its own), the program folder of its bench sensors, the client's main window
// in this process with a vehicle chosen, and the meters: the bytes on the
// line, the client's sleeps, the receive time-outs it waited out, memory and
// descriptors.
#include "BRELK2Dlg.h"
#include "Clock.h"
#include "TempFolder.h"
#include "TestProcess.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A line of the Brelk's speed: ten bits a byte.
constexpr double kBrelkBaud = 57600;
constexpr double kBitsPerByte = 10;
inline double WireSeconds(uint64_t bytes) { return static_cast<double>(bytes) * kBitsPerByte / kBrelkBaud; }

// brelk-sim as a child process, published as COM 9 in a links folder that
// this process's client is pointed at (BRELK_PORTS_DIR).
class SimBrelkProcess {
public:
    SimBrelkProcess();
    ~SimBrelkProcess();
    // Starts it with these options beside the links folder; false when its
    // link did not appear.
    bool Start(const std::vector<std::string>& options);
    void Stop();
    // The next group of its bench sensors comes in range (SIGHUP); returns
    // once the simulator has had time to take the signal.
    void NextSensorGroup();

private:
    TempFolder m_folder;
    ScopedEnv m_ports;
    TestProcess m_process;
};

// The program folder of the bench sensors: the sample data as the build packed
// it (linked), the F7V4 firmware of code 040 and the test tables of protocol
// 40. A catalog other than the sample's is written by the caller into the
// folder before it is used (only the sample's folders are linked then).
class BenchProgramFolder {
public:
    explicit BenchProgramFolder(bool sampleCatalog = true);
    const std::string& Path() const { return m_folder.Path(); }
    std::string File(const std::string& name) const { return m_folder.File(name); }

private:
    TempFolder m_folder;
};

// Counts the bytes the client's Brelk port writes and reads.
class LineMeter {
public:
    LineMeter();
    ~LineMeter();
    uint64_t Written() const;
    uint64_t Read() const;
    void Reset();
};

// The client's clock: the system's, with every sleep added up (the waits
// the protocol prescribes). Installed for its lifetime.
class SleepMeter : public IClock {
public:
    SleepMeter();
    ~SleepMeter() override;
    uint32_t GetTickCount() override;
    void Sleep(uint32_t ms) override;
    // A wait that a stop may cut short counts for what it waited.
    bool WaitForEvents(uint32_t ms, std::initializer_list<const WakeEvent*> events) override;
    // Milliseconds slept, and the number of the one-millisecond sleeps among
    // them (a short write retried: line time, not a wait of the protocol).
    uint64_t SleptMs() const { return m_slept; }
    uint64_t ShortSleeps() const { return m_short; }
    void Reset();

private:
    IClock& m_system;
    std::atomic<uint64_t> m_slept{0};
    std::atomic<uint64_t> m_short{0};
};

// The receive windows the link waited out to their end (it records each
// "TimeOut:<ms>"): time the protocol waits for answers that do not come, or
// collects answers for a time set. The line carried the exchange's request
// (and any answers) while the window ran: that much is wire time already.
class TimeOutMeter {
public:
    TimeOutMeter();
    ~TimeOutMeter();
    uint64_t WaitedMs() const;
    uint64_t Count() const;
    // The wire time of the exchanges inside the windows they waited out.
    double OverlapSeconds() const;
    void Reset();
};

// Kilobytes of a field of /proc/<pid>/status ("VmRSS:", "VmHWM:"); -1 when unread.
long ProcStatusKb(const std::string& pid, const char* field);
inline long SelfStatusKb(const char* field) { return ProcStatusKb("self", field); }
// Open descriptors of this process.
int OpenDescriptors();
// The peak resident memory of this process from here on.
void ResetPeakMemory();

// The client's main window in this process, made as the program makes it
// (after its first contact with the Brelk), with a vehicle of the sample data
// chosen (Brunmark Arvo 2016, region US: sensor code 40, F7V4).
class ClientWindow {
public:
    static constexpr uint32_t kOperationLimitMs = 600000;
    ClientWindow();
    ~ClientWindow();
    bool Open();
    CBRELK2Dlg& Dialog() { return *m_dlg; }
    // Navigates to the page, presses the operation button and waits for the
    // end; false when it did not end in time.
    bool RunOperation(int pageId, int command, uint32_t timeoutMs = kOperationLimitMs);
    // Presses an operation button of the page shown and waits for the end.
    bool Press(int command, uint32_t timeoutMs = kOperationLimitMs);
    // Create Sensor with the identifier typed on the create page.
    bool CreateSensor(uint32_t id);
    bool TestSensor();
    // The status line the page showed last.
    std::wstring Status(int pageId);
    // Message boxes that came up (answered with their default).
    size_t Boxes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::unique_ptr<CBRELK2Dlg> m_dlg;
};

std::wstring LanguageText(const wchar_t* key);
