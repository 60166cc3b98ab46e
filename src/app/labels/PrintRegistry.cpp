#include "PrintRegistry.h"

#include "Paths.h"

PrintRegistry::PrintRegistry() : programFolder(GetProgramFolder()) {}

PrintRegistry& GetPrintRegistry()
{
    static PrintRegistry registry;
    return registry;
}

int LookupPrintNumber(PrintRegistry& registry, const std::wstring& id)
{
    const auto [it, added] = registry.numbers.try_emplace(id, registry.nextNumber);
    if (added)
        ++registry.nextNumber;
    return it->second;
}
