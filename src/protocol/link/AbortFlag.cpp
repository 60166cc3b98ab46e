#include "AbortFlag.h"

WakeEvent g_bAbort;

const WakeEvent* StopToWatch() { return g_bAbort.IsSet() ? nullptr : &g_bAbort; }
