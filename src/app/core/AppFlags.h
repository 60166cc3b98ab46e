#pragma once
// Flags shared by the UI thread and the operation workers.
#include <atomic>

// 1 while a sensor operation runs; the operation buttons are disabled meanwhile.
extern std::atomic<int> g_bBusy;
// 1 after the Brelk was unplugged; the Brelk commands return at once while set.
extern std::atomic<int> g_bDeviceRemoved;
