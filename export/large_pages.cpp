// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/large_pages.h"

#include <sys/mman.h>

#include <cstdint>

void AdviseLargePages(std::string& out) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    if (out.capacity() < 4 * kLargePage) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(out.data());
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + out.capacity()) & ~(kLargePage - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)out;
#endif
}
