#include "geometry/HugePages.h"

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace lumora {

void PreferHugePages(const void* begin, const void* end) {
#ifdef __linux__
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  const auto from = (reinterpret_cast<uintptr_t>(begin) + kHuge - 1) & ~(kHuge - 1);
  const auto to = reinterpret_cast<uintptr_t>(end) & ~(kHuge - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)begin;
  (void)end;
#endif
}

}  // namespace lumora
