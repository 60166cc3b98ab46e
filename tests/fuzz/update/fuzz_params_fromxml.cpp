// Arbitrary text as a parameter message: parsing must stay in bounds, and
// what was read must come back unchanged through ToXml and FromXml.
#include "Params.h"
#include "TsLog.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using Contents = std::vector<std::pair<std::string, std::string>>;

Contents Read(vornix_data_def::Params& p)
{
    Contents out;
    while (vornix_data_def::IParamNode* n = p.NextParam())
        out.emplace_back(n->GetName(), n->GetValue());
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CTsLog::GetInstance().m_bWriteFile = false;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    vornix_data_def::Params p;
    p.FromXml(text.c_str());
    const Contents first = Read(p);
    (void)p.GetParamInt("result");
    (void)p.GetParamDateTime("when");

    vornix_data_def::Params back;
    back.FromXml(p.ToXml().c_str());
    if (Read(back) != first || std::string(back.GetType()) != p.GetType())
        __builtin_trap();
    return 0;
}
