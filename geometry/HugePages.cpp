#include "geometry/HugePages.h"

#include <algorithm>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "geometry/ParallelFor.h"

namespace lumora {

namespace {
[[maybe_unused]] constexpr uintptr_t kHuge = uintptr_t{2} << 20;
}

void PreferHugePages(const void* begin, const void* end) {
#ifdef __linux__
  const auto from = (reinterpret_cast<uintptr_t>(begin) + kHuge - 1) & ~(kHuge - 1);
  const auto to = reinterpret_cast<uintptr_t>(end) & ~(kHuge - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)begin;
  (void)end;
#endif
}

void FaultInPages(const void* begin, const void* end, int threads) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  constexpr uintptr_t kPage = 4096;
  const auto from = reinterpret_cast<uintptr_t>(begin) & ~(kPage - 1);
  const auto to = reinterpret_cast<uintptr_t>(end);
  if (to <= from) return;
  // Huge-page aligned cuts, so that no huge page is faulted by two threads.
  const int n = static_cast<int>(std::clamp<uintptr_t>((to - from) / kHuge, 1, std::max(threads, 1)));
  auto cut = [&](int i) { return i == 0 ? from : i == n ? to : (from + (to - from) / n * i) & ~(kHuge - 1); };
  ParallelFor(n, n, [&](int i) {
    // A kernel that refuses leaves the faults to the writes, as before.
    if (cut(i + 1) > cut(i)) madvise(reinterpret_cast<void*>(cut(i)), cut(i + 1) - cut(i), MADV_POPULATE_WRITE);
  });
#else
  (void)begin;
  (void)end;
  (void)threads;
#endif
}

}  // namespace lumora
