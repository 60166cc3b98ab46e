#include "TsAssert.h"

#include "TsLog.h"

#include <cstring>

void ReportAssertion(const char* expression, const char* file, int line)
{
    const char* slash = file ? std::strrchr(file, '/') : nullptr;
    const char* name = slash ? slash + 1 : (file ? file : "");
    CTsLog::GetInstance().Error("Assertion failed: %s, file %s, line %d", expression, name, line);
}
