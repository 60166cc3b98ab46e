#include "AppFlags.h"

#include "AbortFlag.h"

std::atomic<int> g_bBusy{0};

namespace {
std::atomic<int> g_stopRequest{0};
}

void RequestOperationStop()
{
    g_stopRequest = 1;
    g_bAbort.Set();
}

bool IsOperationStopRequested() { return g_stopRequest != 0; }

void ClearOperationStopRequest() { g_stopRequest = 0; }
