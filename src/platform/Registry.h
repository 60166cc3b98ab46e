#pragma once
// The registry, as far as the program uses it: keys that are created, listed
// and deleted. Each root is a folder of the data folder's "Registry" store and
// each key a folder below it, so a key exists exactly while its folder does.
// Key paths use '\' between names ('/' is part of a name, as on Windows), and
// names compare without regard to ASCII case. Values are not kept: nothing
// reads or writes any.
//
// The store never leaves its own folder: a symbolic link inside it counts as a
// key without sub-keys, which is never followed, and whose deletion removes
// the link alone.
#include <cstdint>
#include <string>

enum class RegRoot { LocalMachine, CurrentUser };
inline constexpr RegRoot HKEY_LOCAL_MACHINE = RegRoot::LocalMachine;
inline constexpr RegRoot HKEY_CURRENT_USER = RegRoot::CurrentUser;

// Results, with the numbers of the Windows error codes.
inline constexpr long REG_SUCCESS = 0;
inline constexpr long REG_FILE_NOT_FOUND = 2;     // no such key
inline constexpr long REG_ACCESS_DENIED = 5;      // the key still has sub-keys, or cannot be changed
inline constexpr long REG_INVALID_PARAMETER = 87; // an empty path or a name that cannot be a key
inline constexpr long REG_NO_MORE_ITEMS = 259;

// The store's folder of a root (created when missing).
std::string RegistryRootFolder(RegRoot root);

// Creates the key and its missing parents.
long RegCreateKey(RegRoot root, const std::wstring& path);
// REG_SUCCESS when the key exists.
long RegOpenKey(RegRoot root, const std::wstring& path);
// The name of the key's sub-key number `index`, in name order; REG_NO_MORE_ITEMS past the last.
long RegEnumKey(RegRoot root, const std::wstring& path, uint32_t index, std::wstring& name);
// Deletes a key that has no sub-keys; REG_ACCESS_DENIED when it has some.
long RegDeleteKey(RegRoot root, const std::wstring& path);
