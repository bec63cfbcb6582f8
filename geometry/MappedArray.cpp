#include "geometry/MappedArray.h"

#include <cstdint>
#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace lumora {

#ifdef __linux__

namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Address space for `bytes` starting on a huge-page boundary, so that the
// kernel can back every whole 2 MB of the block with one huge page.
char* AlignedRange(std::size_t bytes) {
  void* p = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  char* start = static_cast<char*>(p);
  char* aligned = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(start) + kHugePage - 1) & ~(kHugePage - 1));
  if (aligned > start) munmap(start, static_cast<std::size_t>(aligned - start));
  munmap(aligned + bytes, static_cast<std::size_t>(start + bytes + kHugePage - (aligned + bytes)));
  return aligned;
}

}  // namespace

std::size_t MappedBlockBytes(std::size_t bytes, bool whole) {
  // A block that ends inside a huge page would fault that page in small
  // pieces, and keep them when it grows on.
  const std::size_t unit = whole && bytes >= kHugePage ? kHugePage : kPage;
  return (bytes + unit - 1) / unit * unit;
}

void* ResizeMappedBlock(void* block, std::size_t oldBytes, std::size_t bytes) {
  if (bytes == 0) {
    if (block) munmap(block, oldBytes);
    return nullptr;
  }
  void* p = block ? mremap(block, oldBytes, bytes, 0) : MAP_FAILED;  // in place where the space after is free
  if (p == MAP_FAILED) {
    char* target = AlignedRange(bytes);
    p = block ? mremap(block, oldBytes, bytes, MREMAP_MAYMOVE | MREMAP_FIXED, target) : target;
    if (p == MAP_FAILED) {
      munmap(target, bytes);
      throw std::bad_alloc();
    }
  }
  madvise(p, bytes, MADV_HUGEPAGE);  // advice only: without huge pages all still works
  return p;
}

#else

std::size_t MappedBlockBytes(std::size_t bytes, bool) { return bytes; }

void* ResizeMappedBlock(void* block, std::size_t, std::size_t bytes) {
  if (bytes == 0) {
    std::free(block);
    return nullptr;
  }
  void* p = std::realloc(block, bytes);
  if (!p) throw std::bad_alloc();
  return p;
}

#endif

}  // namespace lumora
