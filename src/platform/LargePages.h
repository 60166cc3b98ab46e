#pragma once
// A hint for a large buffer that is filled once, whole: backed by huge pages
// it is faulted in a few steps instead of one per 4 KB page (a fresh
// process's first megabytes cost more in faults than in copying).
#include <cstddef>

// Asks for huge pages for the whole huge pages inside [data, data + size),
// before the buffer is first written. Nothing happens where the system does
// not take the hint.
void AdviseLargePages(void* data, size_t size);
