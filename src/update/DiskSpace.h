#pragma once
// Free space of the disk that holds a path, for the download and the
// unpacking to refuse what the disk cannot hold before they write it.
#include <cstdint>
#include <functional>
#include <string>

// The bytes an unprivileged writer may still use on the disk of `path` (or of
// its nearest existing parent folder); false when that cannot be told.
bool FreeDiskSpace(const std::string& path, uint64_t& bytes);

// The query as the download and the unpacking take it, so that a test can
// stand in a small disk.
using FreeSpaceQuery = std::function<bool(const std::string& path, uint64_t& bytes)>;
