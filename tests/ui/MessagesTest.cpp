#include "RecordingWnd.h"
#include "UiThread.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// Presses the button with this text on the next modal box that shows up.
void QTimerClick(const std::string& label)
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, label] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box)
            return;
        for (QAbstractButton* b : box->findChildren<QAbstractButton*>()) {
            if (b->text() == QString::fromStdString(label)) {
                timer->stop();
                timer->deleteLater();
                b->click();
                return;
            }
        }
    });
    timer->start(5);
}

constexpr UINT WM_TEST_A = WM_USER + 1;
constexpr UINT WM_TEST_B = WM_USER + 2;

class Messages : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureUiApp();
        ASSERT_TRUE(top.Create(nullptr, CRect(0, 0, 200, 100), 0, WS_POPUP));
    }
    RecordingWnd top{"top"};
};

TEST_F(Messages, SendReturnsTheHandlersResultAndPostWaitsForTheQueue)
{
    top.onMessage = [](UINT msg, const WPARAM& w, const LPARAM& l) -> LRESULT {
        return msg == WM_TEST_A ? w.Value() + l.Value() : 0;
    };
    top.ClearLog();
    EXPECT_TRUE(top.PostMessage(WM_TEST_B, 1, 0));
    EXPECT_TRUE(top.PostMessage(WM_TEST_B, 2, 0));
    // A send runs at once, ahead of what was posted.
    EXPECT_EQ(top.SendMessage(WM_TEST_A, 40, 2), 42);
    EXPECT_EQ(top.Log(), std::vector<std::string>({"top:msg 1025 40 2"}));
    PumpUntil([&] { return top.Log().size() == 3; }, 2000);
    EXPECT_EQ(top.Log(), std::vector<std::string>({"top:msg 1025 40 2", "top:msg 1026 1 0", "top:msg 1026 2 0"}));
}

TEST_F(Messages, MessagesToAGoneWindowAreDropped)
{
    HWND h = top.GetSafeHwnd();
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(top.PostMessage(WM_TEST_B, 7, 0));
    top.DestroyWindow();
    top.ClearLog();
    RunEvents(20);
    EXPECT_TRUE(top.Log().empty());
    EXPECT_EQ(SendMessage(h, WM_TEST_A, 1, 1), 0);
    EXPECT_FALSE(PostMessage(h, WM_TEST_A, 1, 1));
    EXPECT_EQ(Wnd::FromHandle(h), nullptr);
    // Created again, the window has a new handle; the old one stays dead.
    ASSERT_TRUE(top.Create(nullptr, CRect(0, 0, 10, 10), 0));
    EXPECT_NE(top.GetSafeHwnd(), h);
    EXPECT_EQ(Wnd::FromHandle(h), nullptr);
}

TEST_F(Messages, TypedPayloadsAreReadOnlyUnderTheirOwnType)
{
    struct Record {
        int value;
    };
    Record rec{5};
    const Record* seen = nullptr;
    const std::string* text = nullptr;
    int* wrong = nullptr;
    std::shared_ptr<const std::string> posted = std::make_shared<const std::string>("data");
    top.onMessage = [&](UINT msg, const WPARAM& w, const LPARAM& l) -> LRESULT {
        if (msg == WM_TEST_A) {
            seen = w.As<const Record>();
            wrong = w.As<int>();
        } else {
            text = l.As<const std::string>();
            return text && *text == "data";
        }
        return 0;
    };
    top.SendMessage(WM_TEST_A, MsgParam::Of(&rec), 5);
    EXPECT_EQ(seen, &rec);
    EXPECT_EQ(wrong, nullptr);
    EXPECT_EQ(top.SendMessage(WM_TEST_B, 4, MsgParam::Of(posted)), 1);
    // A value can travel by copy too, and 64-bit integers stay whole.
    MsgParam big(int64_t(0x123456789));
    EXPECT_EQ(big.Value(), intptr_t(0x123456789));
    EXPECT_EQ(*MsgParam::Of(CPoint(3, 4)).As<CPoint>(), CPoint(3, 4));
}

TEST_F(Messages, SendFromAWorkerRunsOnTheUiThreadAndReturnsItsResult)
{
    std::atomic<bool> handledOnUi{false};
    top.onMessage = [&](UINT msg, const WPARAM& w, const LPARAM&) -> LRESULT {
        if (msg != WM_TEST_A)
            return 0;
        handledOnUi = IsUiThread();
        return w.Value() * 2;
    };
    std::atomic<LRESULT> result{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        EXPECT_FALSE(IsUiThread());
        result = top.SendMessage(WM_TEST_A, 21, 0);
        // Public methods carry over the same way.
        top.SetWindowText(L"from worker");
        top.MoveWindow(CRect(5, 6, 105, 56));
        done = true;
    });
    // The UI thread keeps its events running while it waits.
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_TRUE(handledOnUi);
    EXPECT_EQ(result, 42);
    EXPECT_EQ(top.GetWindowText(), L"from worker");
    EXPECT_EQ(top.GetWindowRect(), CRect(5, 6, 105, 56));
}

TEST_F(Messages, ACallOrdersWhatBothThreadsWrite)
{
    // Plain data, no atomics: the worker writes before its call, the UI thread
    // reads that and writes back, the worker reads it after the call. Under
    // ThreadSanitizer this shows the hand-over's order visible both ways.
    std::vector<int> request;
    std::string answer;
    top.onMessage = [&](UINT msg, const WPARAM&, const LPARAM&) -> LRESULT {
        if (msg != WM_TEST_A)
            return 0;
        answer = std::to_string(request.size());
        request.clear();
        return 1;
    };
    std::atomic<bool> done{false};
    std::string seen;
    std::thread worker([&] {
        for (int round = 0; round < 50; ++round) {
            request.assign(static_cast<size_t>(round), round);
            top.SendMessage(WM_TEST_A, 0, 0);
            seen += answer + ",";
            // A posted call orders the same way.
            PostToUiThread([&request, round] { request.push_back(round); });
            RunOnUiThread([&request] { request.clear(); });
        }
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 20000));
    worker.join();
    EXPECT_EQ(seen.substr(0, 8), "0,1,2,3,");
    EXPECT_TRUE(request.empty());
}

TEST_F(Messages, PostsFromWorkersArriveInOrder)
{
    top.ClearLog();
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            top.PostMessage(WM_TEST_B, i, 0);
    });
    worker.join();
    ASSERT_TRUE(PumpUntil([&] { return top.Log().size() == 50; }, 5000));
    auto log = top.Log();
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(log[i], "top:msg 1026 " + std::to_string(i) + " 0");
}

TEST_F(Messages, AWorkersMessageBoxIsShownByTheUiThreadAndAnswered)
{
    ScriptedMessageBoxes boxes({IDNO, IDYES});
    std::atomic<int> first{0}, second{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        first = MessageBox(&top, L"Program 3 sensors?", L"SPECAIL_NOTE", MB_YESNO);
        second = MessageBox(nullptr, L"Restart?", L"Teskaro_Brelk program", MB_YESNO | MB_TOPMOST);
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_EQ(first, IDNO);
    EXPECT_EQ(second, IDYES);
    auto asked = boxes.AskedBoxes();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, L"Program 3 sensors?");
    EXPECT_EQ(asked[0].type, MB_YESNO);
    EXPECT_EQ(asked[1].type, MB_YESNO | MB_TOPMOST);
    EXPECT_TRUE(asked[0].onUiThread);
    EXPECT_TRUE(asked[1].onUiThread);
}

TEST_F(Messages, TheRealMessageBoxAnswersWithTheWindowsIds)
{
    // Clicks the asked button of whatever box comes up next.
    struct Case {
        UINT type;
        const char* button; // text of the button to press
        int answer;
    } cases[] = {
        {MB_OK, "OK", IDOK},
        {MB_YESNO, "&Yes", IDYES},
        {MB_YESNO, "&No", IDNO},
        {MB_OKCANCEL, "Cancel", IDCANCEL},
        {MB_RETRYCANCEL, "Retry", IDRETRY},
    };
    for (const Case& c : cases) {
        std::string label = c.button;
        QTimerClick(label);
        EXPECT_EQ(MessageBox(&top, L"text", L"caption", c.type), c.answer) << c.type << " " << c.button;
    }
}

TEST_F(Messages, TimersTickByIdUntilKilled)
{
    top.ClearLog();
    ASSERT_TRUE(top.SetTimer(1000, 5));
    ASSERT_TRUE(top.SetTimer(7, 5));
    ASSERT_TRUE(PumpUntil([&] { return CountOf(top.Log(), "top:timer 1000") >= 3; }, 3000));
    EXPECT_GE(CountOf(top.Log(), "top:timer 7"), 1);
    EXPECT_TRUE(top.KillTimer(1000));
    EXPECT_FALSE(top.KillTimer(1000));
    RunEvents(5);
    int ticks = CountOf(top.Log(), "top:timer 1000");
    RunEvents(30);
    EXPECT_EQ(CountOf(top.Log(), "top:timer 1000"), ticks);
    // A test can drive a timer without waiting: WM_TIMER is a message like any other.
    top.ClearLog();
    top.SendMessage(WM_TIMER, 1000, 0);
    EXPECT_EQ(top.Log(), std::vector<std::string>({"top:timer 1000"}));
    top.KillTimer(7);
}

TEST_F(Messages, PumpUntilGivesUpAfterItsTimeout)
{
    EXPECT_FALSE(PumpUntil([] { return false; }, 20));
    EXPECT_TRUE(PumpUntil([] { return true; }, 0));
}

} // namespace
