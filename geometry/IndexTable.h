#pragma once
// An open-addressed table of indices into the caller's own array: it keeps
// a hash and an index per entry and no keys, so the caller's records stay
// the one copy; a slot is 16 bytes, at most half of them used. The caller
// says how an index's record compares with the key it looks for, and gives
// well-mixed hashes (the low bits pick the slot).

#include <cstdint>
#include <utility>
#include <vector>

#include "geometry/HugePages.h"

namespace lumora {

class TIndexTable {
 public:
  static constexpr int32_t kNone = -1;

  void Clear() {
    slots_.clear();
    count_ = 0;
  }
  void Reserve(size_t n) {
    size_t cap = 16;
    while (cap < 2 * n) cap <<= 1;
    if (cap > slots_.size()) Rehash(cap);
  }
  size_t Count() const { return count_; }

  // The index whose record `equal` accepts among those of this hash, or kNone.
  template <class Equal>
  int32_t Find(uint64_t hash, Equal&& equal) const {
    if (slots_.empty()) return kNone;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const TSlot& s = slots_[i];
      if (s.Index == kNone) return kNone;
      if (s.Hash == hash && equal(s.Index)) return s.Index;
    }
  }
  // The slot of the accepted index, added as `index` when there is none;
  // second is true when it was added. The slot may be overwritten with
  // another index of an equal record.
  template <class Equal>
  std::pair<int32_t*, bool> Insert(uint64_t hash, int32_t index, Equal&& equal) {
    if (2 * (count_ + 1) > slots_.size()) Rehash(slots_.empty() ? 16 : 2 * slots_.size());
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      TSlot& s = slots_[i];
      if (s.Index == kNone) {
        s = {hash, index};
        ++count_;
        return {&s.Index, true};
      }
      if (s.Hash == hash && equal(s.Index)) return {&s.Index, false};
    }
  }

 private:
  struct TSlot {
    uint64_t Hash = 0;
    int32_t Index = kNone;
  };
  void Rehash(size_t cap) {
    std::vector<TSlot> old;
    // Marked before the first touch: a million-entry table is 32 MB.
    old.reserve(cap);
    PreferHugePages(old.data(), 0, cap);
    old.resize(cap);
    old.swap(slots_);
    const size_t mask = cap - 1;
    for (const TSlot& s : old) {
      if (s.Index == kNone) continue;
      size_t i = s.Hash & mask;
      while (slots_[i].Index != kNone) i = (i + 1) & mask;
      slots_[i] = s;
    }
  }
  std::vector<TSlot> slots_;
  size_t count_ = 0;
};

}  // namespace lumora
