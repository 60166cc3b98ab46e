#include "DeviceWatcher.h"
#include "Dialog.h"
#include "PopupMenu.h"
#include "RecordingWnd.h"
#include "UiThread.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

constexpr UINT WM_FINISH = WM_USER + 50;

class TestDialog : public Dialog {
public:
    TestDialog() : Dialog(CSize(259, 232)) {}
    std::function<void(TestDialog&)> onInit;
    int okCalls = 0;

protected:
    bool OnInitDialog() override
    {
        if (onInit)
            onInit(*this);
        return true;
    }
    void OnOK() override
    {
        ++okCalls;
        Dialog::OnOK();
    }
    LRESULT OnMessage(UINT msg, WPARAM w, LPARAM l) override
    {
        if (msg == WM_FINISH) {
            EndDialog(int(w.Value()));
            return 1;
        }
        return Dialog::OnMessage(msg, w, l);
    }
};

TEST(Dialogs, DoModalRunsUntilEndDialogAndGivesItsResult)
{
    EnsureUiApp();
    TestDialog dlg;
    dlg.onInit = [](TestDialog& d) {
        EXPECT_TRUE(d.IsCreated());
        d.PostMessage(WM_FINISH, 42, 0);
    };
    EXPECT_EQ(dlg.DoModal(), 42);
    EXPECT_FALSE(dlg.IsCreated());
    // Ended before it ran: returns at once.
    dlg.onInit = [](TestDialog& d) { d.EndDialog(IDCANCEL); };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(Dialogs, EscCancelsAndEnterConfirms)
{
    EnsureUiApp();
    TestDialog dlg;
    dlg.onInit = [](TestDialog& d) {
        PostToUiThread([&d] {
            ShowAndWait(d);
            KeyPress(d, VK_ESCAPE);
        });
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    dlg.onInit = [](TestDialog& d) {
        PostToUiThread([&d] {
            ShowAndWait(d);
            KeyPress(d, VK_RETURN);
        });
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.okCalls, 1);
}

TEST(Dialogs, PostQuitMessageEndsEveryModalLoop)
{
    EnsureUiApp();
    TestDialog outer, inner;
    int innerResult = 0;
    inner.onInit = [](TestDialog&) { PostQuitMessage(0); };
    outer.onInit = [&](TestDialog& d) { PostToUiThread([&] { innerResult = inner.DoModal(&d); }); };
    EXPECT_EQ(outer.DoModal(), -1);
    EXPECT_EQ(innerResult, -1);
}

TEST(Dialogs, AModalDialogAskedFromAWorkerRunsOnTheUiThread)
{
    EnsureUiApp();
    TestDialog dlg;
    bool initOnUi = false;
    dlg.onInit = [&](TestDialog& d) {
        initOnUi = IsUiThread();
        d.PostMessage(WM_FINISH, IDOK, 0);
    };
    std::atomic<int> result{0};
    std::thread worker([&] { result = dlg.DoModal(); });
    ASSERT_TRUE(PumpUntil([&] { return result.load() != 0; }, 5000));
    worker.join();
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(initOnUi);
}

class FakeMonitor final : public IDeviceMonitor {
public:
    bool Start(std::function<void(const DeviceEvent&)> cb) override
    {
        callback = std::move(cb);
        return true;
    }
    void Stop() override { stopped = true; }
    std::function<void(const DeviceEvent&)> callback;
    bool stopped = false;
};

TEST(DeviceChanges, MonitorReportsArePostedAsDeviceChangeMessages)
{
    EnsureUiApp();
    RecordingWnd dlg("dlg");
    ASSERT_TRUE(dlg.Create(nullptr, CRect(0, 0, 10, 10), 0));
    auto monitor = std::make_unique<FakeMonitor>();
    FakeMonitor* fake = monitor.get();
    DeviceWatcher watcher(std::move(monitor));
    ASSERT_TRUE(watcher.Start(&dlg));
    dlg.ClearLog();
    // Reports come on the monitor's own thread.
    std::thread t([&] {
        fake->callback({DeviceEventKind::Added, "/dev/ttyACM0"});
        fake->callback({DeviceEventKind::Removed, "/dev/ttyACM0"});
        fake->callback({DeviceEventKind::Changed, ""});
    });
    t.join();
    // Posted, not sent: nothing arrived before the UI thread ran its events.
    EXPECT_TRUE(dlg.Log().empty());
    ASSERT_TRUE(PumpUntil([&] { return dlg.Log().size() == 3; }, 2000));
    EXPECT_EQ(dlg.Log(), std::vector<std::string>({"dlg:msg 537 32768 0", "dlg:msg 537 32772 0", "dlg:msg 537 7 0"}));
    watcher.Stop();
    EXPECT_TRUE(fake->stopped);
}

TEST(DeviceChanges, TheUdevMonitorStartsAndStopsCleanly)
{
    // Where udev cannot be watched (a container), Start says so and nothing runs.
    auto monitor = CreateUdevTtyMonitor();
    bool started = monitor->Start([](const DeviceEvent&) {});
    monitor->Stop();
    monitor->Stop();
    SUCCEED() << (started ? "udev monitor ran" : "no udev here");
}

TEST(Menus, APopupMenuAnswersWithTheChosenCommand)
{
    EnsureUiApp();
    RecordingWnd pane("pane");
    ASSERT_TRUE(pane.Create(nullptr, CRect(0, 0, 100, 70), 0));
    std::vector<MenuItem> seen;
    SetPopupMenuChooser([&](const std::vector<MenuItem>& items) {
        seen = items;
        return 16;
    });
    EXPECT_EQ(TrackPopupMenu(&pane, {{16, L"About BRELK..."}}, CPoint(5, 5)), 16);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"About BRELK...");
    SetPopupMenuChooser({});
}

} // namespace
