#pragma once
// Big blocks filled front to back fault in a page at a time, and on a
// virtual machine every fault is dear; huge pages make that a 512th of the
// faults. Only the whole huge pages of the untouched range are marked, so
// nothing already there moves.

#include <cstddef>
#include <cstdint>

namespace lumora {

// Marks [begin, end) for huge pages when it spans at least one.
void PreferHugePages(const void* begin, const void* end);

template <class T>
void PreferHugePages(const T* data, std::size_t used, std::size_t capacity) {
  PreferHugePages(data + used, data + capacity);
}

// Faults in the pages of [begin, end), a block about to be written front to
// back by one thread, on `threads` threads: the kernel clears fresh pages
// as they fault, and that clearing then shares the cores. Contents stay.
void FaultInPages(const void* begin, const void* end, int threads);

template <class T>
void FaultInPages(const T* data, std::size_t from, std::size_t to, int threads) {
  FaultInPages(data + from, data + to, threads);
}

}  // namespace lumora
