#pragma once
// Big blocks filled front to back fault in a page at a time, and on a
// virtual machine every fault is dear; huge pages make that a 512th of the
// faults. Only the whole huge pages of the untouched range are marked, so
// nothing already there moves.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumora {

// Marks [begin, end) for huge pages when it spans at least one.
void PreferHugePages(const void* begin, const void* end);

template <class T>
void PreferHugePages(const T* data, std::size_t used, std::size_t capacity) {
  PreferHugePages(data + used, data + capacity);
}

// Large blocks come from anonymous memory marked for huge pages, small ones
// from the heap. Throws std::bad_alloc.
void* AllocateBig(std::size_t bytes);
void FreeBig(void* p, std::size_t bytes);

template <class T>
struct TBigAllocator {
  using value_type = T;
  TBigAllocator() = default;
  template <class U>
  TBigAllocator(const TBigAllocator<U>&) {}
  T* allocate(std::size_t n) { return static_cast<T*>(AllocateBig(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) { FreeBig(p, n * sizeof(T)); }
  friend bool operator==(const TBigAllocator&, const TBigAllocator&) { return true; }
};
template <class T>
using TBigVector = std::vector<T, TBigAllocator<T>>;

}  // namespace lumora
