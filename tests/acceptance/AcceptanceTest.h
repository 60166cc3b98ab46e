#pragma once
// The whole client as a technician uses it: the real brelk in an X server of
// the test's own (Xvfb), driven by real mouse clicks and key presses, against
// brelk-sim on a pseudo-terminal published in the links folder. What the
// program did is read from what it leaves: its daily records, Setup.ini, its
// debug trace, the simulator's records (the commands the Brelk took, what
// each simulated sensor holds) and grabs of the screen.
//
// Every wait is bounded, and by the scenario's own time as well; the
// processes go with the fixture, and with the test's process if it dies.
#include "LayoutTwin.h"
#include "SimBench.h"
#include "TempFolder.h"
#include "TestProcess.h"
#include "TextLines.h"
#include "XSession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The program folder of every scenario: the sample data as the build packed
// it, and the sensor firmware and test tables of the bench sensors
// (brelk-sim's): the F7V4 image of firmware code 040 and "Active.tab" with
// its protocol 40.
struct AcceptanceProgram {
    std::string folder;
    uint32_t codeAreaCrc = 0;  // the code area of a sensor that holds the image
    uint32_t blankCodeCrc = 0; // ... of a blank one
};
const AcceptanceProgram& AcceptanceProgramFolder();

class AcceptanceTest : public ::testing::Test {
protected:
    static constexpr int kScreenWidth = 1280;
    static constexpr int kScreenHeight = 1024;
    static constexpr int kScenarioMs = 150000;
    static constexpr int kSimCom = 9;

    void SetUp() override;
    void TearDown() override;
    // True for a scenario on what the build ships: the client reads the
    // program folder beside its executable (BRELK_PROGRAM_DIR unset) instead
    // of the scenarios' folder with the bench sensors' firmware.
    virtual bool OnShippedProgram() const { return false; }

    // The simulated Brelk, with its record, its bench record and the options given.
    void StartSim(const std::vector<std::string>& options = {});
    // The client; waits until its main window is on the screen.
    void StartClient();
    void StopClient();
    // Fails the scenario when the client reported a fault of memory or
    // undefined behaviour (a sanitizer build).
    void ExpectNoSanitizerReport();

    // ---- waiting on what the program shows or writes -----------------------
    // Polls until the condition holds; false when the time (or the scenario's) is up.
    bool WaitUntil(const std::function<bool()>& condition, int ms);
    std::string Trace() const;
    size_t TraceCount(const std::string& text) const;
    bool WaitForTrace(const std::string& text, size_t count = 1, int ms = 20000);
    // The last status line the client traced ("text (blue)"), empty for none.
    std::string LastStatusLine() const;
    // A language key's English text as the client traces it in a status line.
    static std::string RedStatus(const wchar_t* key);
    static std::string BlueStatus(const wchar_t* key);
    static std::string EnglishText(const wchar_t* key);
    std::string ReadFile(const std::string& path) const;
    bool WaitForFileText(const std::string& path, const std::string& text, int ms = 20000);
    // The bench record's line of a sensor; a line with searchId 0 when there is none.
    BenchRecordLine BenchSensor(uint16_t searchId) const;
    std::vector<std::string> SimCommands() const;
    // Files of the data folder's DailyFile folder.
    std::vector<std::string> DailyFiles() const;
    std::string DailyFile(const std::string& endsWith) const;

    // ---- the user's roads ----------------------------------------------------
    // Waits for the car page of the region in use.
    bool WaitForCarPage(int region = 1);
    // The item of that row (from 0) of a drop-down box of the client, by clicks.
    void ChooseFromBox(const CRect& box, int rowCount, int row);
    // The region from the region box's list, by clicks; its car page shows.
    void ChooseRegion(int region);
    // Brand, model and year by clicks; the Test Sensor page shows the vehicle.
    // With grabs, the car page and the model page with its years are saved on the way.
    void ChooseVehicle(const std::wstring& brand, const std::wstring& model, const std::wstring& year,
                       bool grabs = false);
    // A sensor tab; its page shows.
    void OpenSensorPage(int pageId);
    // The Create Sensor page, hexadecimal ticked if it was not, the identifier typed into its box.
    void TypeHexIdOnCreatePage(const std::string& id);
    // The settings tab, then its upgrade button; the other windows of the
    // client that then show up (the restart question), empty when none did
    // within ms.
    std::vector<XSession::Window> PressUpgradeAndWaitForQuestion(int ms = 30000);
    // Presses an operation button of the page shown and waits for the
    // operation's end; the status line the client showed last.
    std::string RunOperation(int buttonId, int ms = 60000);
    // The status line of the page shown, as the screen shows it.
    std::unique_ptr<Image> GrabStatusLine(const std::string& name);

    // ---- input, at rectangles of the window (client coordinates) ------------
    // A click at the centre of the rectangle in the client, and in the twin so
    // that it follows (the selection pages); ClickClient only in the client.
    void Tap(const CRect& rect);
    void ClickClient(const CRect& rect);
    void Key(const std::string& keysymName);
    void Type(const std::string& text);
    void MoveAway();

    // ---- what the screen shows ----------------------------------------------
    // The main window's rectangle on the screen.
    CRect ClientOnScreen() const { return m_window; }
    // The window, or a rectangle of it (client coordinates), once two grabs a
    // moment apart agree.
    std::unique_ptr<Image> GrabSettled(const CRect& rect = CRect());
    // Saves into the grabs folder as <scenario>-<name>.png.
    std::string SaveGrab(const Image& image, const std::string& name);
    // The whole window once it has settled, the pointer out of the way.
    void SaveSettledGrab(const std::string& name);
    // Another window of the client (a dialog, a message box) once it has painted itself.
    void SaveWindowGrab(const XSession::Window& window, const std::string& name);
    // The other windows of the client (dialogs, drop-down lists, message boxes).
    std::vector<XSession::Window> OtherWindows();
    // Pixels of the image that are the status colours (blue text, red text).
    static int BluePixels(const Image& image);
    static int RedPixels(const Image& image);

    TempFolder run;
    XSession x;
    TestProcess sim;
    TestProcess client;
    std::unique_ptr<LayoutTwin> twin;
    std::unique_ptr<ScopedEnv> twinData;
    std::unique_ptr<ScopedEnv> programEnv;
    // Variables added to the client's environment at its start.
    std::vector<std::pair<std::string, std::string>> clientEnv;
    // Another program folder for the client than the tests' (empty: the one it
    // finds itself, as an installed program does).
    std::optional<std::string> clientProgramFolder;
    std::string data;  // the client's data folder
    std::string ports; // its links folder
    // The client started: the build's, an installed one, or a copy of it beside
    // a copy of its program folder.
    std::string clientExe = BRELK_EXE_PATH;

private:
    int Remaining(int ms) const;

    std::chrono::steady_clock::time_point m_start;
    CRect m_window;
};

inline CPoint Centre(const CRect& r) { return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }
