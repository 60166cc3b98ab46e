#pragma once
// Flags shared by the UI thread and the operation workers.
#include "SerialPort.h" // g_bDeviceRemoved, which the link's Brelk commands watch

#include <atomic>

// 1 while a sensor operation runs: set on the UI thread just before its
// worker starts, cleared by the worker as it ends (and by nothing else while
// it runs). The operation buttons are refused meanwhile, Stop excepted.
extern std::atomic<int> g_bBusy;

// Stop of the running operation: by the Stop button, the Brelk's removal and
// the window closing. Sets the link's g_bAbort (every exchange ends at once)
// and a request that stays until the next operation starts: the programming
// and test objects clear g_bAbort when they are made, the request survives
// them, so the operation looks at it before and after making each one.
void RequestOperationStop();
bool IsOperationStopRequested();
// Only the start of an operation clears the request.
void ClearOperationStopRequest();
