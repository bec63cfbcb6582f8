#include "geometry/HugePages.h"

#include <new>

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

namespace {
constexpr std::size_t kBigBytes = std::size_t{4} << 20;
}

void* AllocateBig(std::size_t bytes) {
#ifdef __linux__
  if (bytes >= kBigBytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    madvise(p, bytes, MADV_HUGEPAGE);  // advice only: without huge pages all still works
    return p;
  }
#endif
  return ::operator new(bytes);
}

void FreeBig(void* p, std::size_t bytes) {
#ifdef __linux__
  if (bytes >= kBigBytes) {
    munmap(p, bytes);
    return;
  }
#endif
  ::operator delete(p);
}

}  // namespace lumora
