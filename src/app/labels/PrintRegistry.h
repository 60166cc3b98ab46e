#pragma once
// The label numbers of one run of the program: every sensor identifier
// printed gets the next number the first time and keeps it afterwards.
#include <map>
#include <string>

class PrintRegistry {
public:
    PrintRegistry();

    std::string programFolder; // without a trailing separator
    std::wstring reserved;     // kept empty
    std::map<std::wstring, int> numbers;
    int nextNumber = 1;
};

// The process's registry, made on first use.
PrintRegistry& GetPrintRegistry();
// The identifier's number, a new one (the next) when it is met for the first time.
int LookupPrintNumber(PrintRegistry& registry, const std::wstring& id);
