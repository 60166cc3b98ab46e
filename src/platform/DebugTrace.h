#pragma once
// The debugger output of the program: printf-style lines to stderr when
// BRELK_TRACE is set in the environment, else nowhere.
#include <string>

void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));
bool DebugTraceEnabled();
// Test hook: every trace also goes to this sink while it is set (nullptr clears).
using DebugTraceSink = void (*)(const std::string& text);
void SetDebugTraceSink(DebugTraceSink sink);
