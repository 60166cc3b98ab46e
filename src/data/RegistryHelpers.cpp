#include "RegistryHelpers.h"

#include <cstdio>

int RegDeleteKeyRecursive(RegRoot root, const std::wstring& keyPath)
{
    if (RegDeleteKey(root, keyPath) == REG_SUCCESS)
        return 1;
    const long open = RegOpenKey(root, keyPath);
    if (open == REG_FILE_NOT_FOUND) {
        std::fputs("Key not found.\n", stdout);
        return 1;
    }
    if (open != REG_SUCCESS) {
        std::fputs("Error opening key.\n", stdout);
        return 0;
    }
    // Always the first sub-key: each one deleted moves the next into its place.
    // A sub-key that stays although its deletion was reported (a foreign
    // entry in the store that names no key) ends the loop too.
    std::wstring name, previous;
    for (bool first = true; RegEnumKey(root, keyPath, 0, name) == REG_SUCCESS; first = false) {
        if ((!first && name == previous) || !RegDeleteKeyRecursive(root, keyPath + L"\\" + name))
            break;
        previous = name;
    }
    return RegDeleteKey(root, keyPath) == REG_SUCCESS ? 1 : 0;
}
