#pragma once
// Assertions of the protocol code: a failed one is reported through the
// protocol log at error level (which also goes to the debug trace), naming the
// expression, the source file and the line. It never aborts: the caller goes
// on with its defined result.

void ReportAssertion(const char* expression, const char* file, int line);

#define TS_ASSERT(expr) ((expr) ? (void)0 : ReportAssertion(#expr, __FILE__, __LINE__))
// For conditions whose C++ spelling differs from the text they are known by.
#define TS_ASSERT_TEXT(cond, text) ((cond) ? (void)0 : ReportAssertion(text, __FILE__, __LINE__))
