#include "ProductStrings.h"

#include "SetupFile.h"

namespace {

// The version texts are plain ASCII; the settings keep them wide.
std::string Narrow(const wchar_t* text)
{
    std::string out;
    for (; *text; ++text)
        out.push_back(static_cast<char>(*text));
    return out;
}

} // namespace

std::string g_productStrings[5] = {
    "Teskaro_Brelk",
    Narrow(kSoftwareVersion),
    Narrow(kDefaultBrelkVersion),
    Narrow(kDefaultBootVersion),
    Narrow(kDefaultCarBinVersion),
};

const wchar_t* const g_regionNames[5] = {L"US", L"EUROPE", L"AU", L"JP", L"KR"};

const wchar_t* GetRegionName(int region) { return region >= 1 && region <= 5 ? g_regionNames[region - 1] : L""; }
