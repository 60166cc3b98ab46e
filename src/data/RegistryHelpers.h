#pragma once
// Deleting a registry key with everything below it (the installer's old keys).
#include "Registry.h"

#include <string>

// Non-zero when the key is gone afterwards (also when it never was), 0 when
// it is still there.
int RegDeleteKeyRecursive(RegRoot root, const std::wstring& keyPath);
