#pragma once
// The UI thread: the thread that made the application object. Only it touches
// widgets. Work from other threads is carried over and, for a call, waited for,
// the way a cross-thread SendMessage waits on Windows. The UI thread itself
// never blocks on a worker: where it must wait, it waits with PumpUntil, which
// keeps its events running.
#include <cstdint>
#include <functional>
#include <type_traits>

bool IsUiThread();

// Runs f on the UI thread and returns when it has run: at once when called on
// the UI thread, else queued there while the caller waits. Without an
// application object (nothing to carry it over to) f runs on the caller.
void RunOnUiThread(const std::function<void()>& f);

// The same with a result.
template <class F> auto CallOnUiThread(F&& f) -> std::invoke_result_t<F>
{
    using R = std::invoke_result_t<F>;
    if constexpr (std::is_void_v<R>) {
        RunOnUiThread(std::function<void()>(std::forward<F>(f)));
    } else {
        R result{};
        RunOnUiThread([&] { result = f(); });
        return result;
    }
}

// A member of a window read or written under the thread rule: the whole body of
// a plain getter or setter.
template <class T> T ReadOnUiThread(const T& member)
{
    return CallOnUiThread([&] { return member; });
}

template <class T, class V> void WriteOnUiThread(T& member, const V& value)
{
    RunOnUiThread([&] { member = value; });
}

// Queues f to run on the UI thread later, in order with posted messages; never waits.
void PostToUiThread(std::function<void()> f);

// On the UI thread: runs events until done() is true or timeoutMs (real time)
// has passed; true when done. Off the UI thread it polls without events.
bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMs = 0xFFFFFFFF);

// Dispatches what is pending on the UI thread's queue, then returns.
void PumpMessages();
