#pragma once
// An array whose elements are mostly all alike (the colour of every wall
// face, the line style of every shot): one value while every element has
// it, a full array only once they differ, so a million alike elements
// cost nothing.

#include <algorithm>
#include <utility>

#include "geometry/HugeArry.h"

namespace lumora {

template <class T>
class TUniformArray {
 public:
  explicit TUniformArray(int initialCapacity = 16) : each_(initialCapacity) {}

  int Count() const { return count_; }
  const T& operator[](int i) const { return varied_ ? each_[i] : all_; }
  // The elements as one block, or null while they are all alike.
  const T* Data() const { return varied_ ? each_.Data() : nullptr; }
  int Add(const T& item) {
    Insert(item, count_);
    return count_ - 1;
  }
  // Ignored unless 0 <= i <= Count().
  void Insert(const T& item, int i) {
    if (i < 0 || i > count_) return;
    if (!varied_ && (count_ == 0 || item == all_)) {
      all_ = item;
      ++count_;
      return;
    }
    Vary();
    each_.Insert(item, i);
    ++count_;
  }
  // Ignored unless 0 <= i < Count().
  void Delete(int i) {
    if (i < 0 || i >= count_) return;
    if (varied_) each_.Delete(i);
    --count_;
  }
  void Exchange(int i, int j) {
    if (varied_) each_.Exchange(i, j);
  }
  void Put(int i, const T& item) {
    if (!varied_ && item == all_) return;
    Vary();
    each_.Put(i, item);
  }
  // Every element this value.
  void Fill(const T& item) {
    if (varied_) each_.Clear();
    varied_ = false;
    all_ = item;
  }
  // Calls change(element) on every element, to change it in place.
  template <class F>
  void ForEach(F&& change) {
    if (!varied_)
      change(all_);
    else
      for (int i = 0; i < count_; ++i) change(each_[i]);
  }
  // New elements are value-initialised.
  void SetCount(int n) {
    n = std::max(n, 0);
    if (count_ == 0 && !varied_) all_ = T{};
    if (n > count_ && !(all_ == T{})) Vary();
    if (varied_) each_.SetCount(n);
    count_ = n;
  }
  // Room for the array, should the elements come to differ.
  void SetCapacity(int n) { each_.SetCapacity(std::max(n, each_.Count())); }
  void Clear() {
    each_.Clear();
    all_ = T{};
    count_ = 0;
    varied_ = false;
  }
  void Assign(const TUniformArray& other) {
    if (&other == this) return;
    if (other.varied_)
      each_.Assign(other.each_);
    else
      each_.Clear();
    all_ = other.all_;
    count_ = other.count_;
    varied_ = other.varied_;
  }
  void Swap(TUniformArray& other) {
    each_.Swap(other.each_);
    std::swap(all_, other.all_);
    std::swap(count_, other.count_);
    std::swap(varied_, other.varied_);
  }

 private:
  void Vary() {
    if (varied_) return;
    each_.SetCount(count_);
    for (int i = 0; i < count_; ++i) each_[i] = all_;
    varied_ = true;
  }

  THugeArray<T> each_;  // empty while the elements do not differ
  T all_{};
  int count_ = 0;
  bool varied_ = false;
};

}  // namespace lumora
