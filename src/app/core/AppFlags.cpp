#include "AppFlags.h"

std::atomic<int> g_bBusy{0};
std::atomic<int> g_bDeviceRemoved{0};
