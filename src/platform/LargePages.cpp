#include "LargePages.h"

#include <cstdint>
#include <sys/mman.h>

namespace {

constexpr uintptr_t kHugePageBytes = uintptr_t(2) << 20;

} // namespace

void AdviseLargePages(void* data, size_t size)
{
    const auto begin = reinterpret_cast<uintptr_t>(data);
    const uintptr_t from = (begin + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    const uintptr_t to = (begin + size) & ~(kHugePageBytes - 1);
    if (data && to > from)
        (void)::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}
