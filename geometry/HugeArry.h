#pragma once
// Growable arrays of fixed-size records with the family's growth rule:
// capacity grows by 4, 16 or a quarter of the count, never by doubling, so
// arrays of millions of vertices waste at most a quarter of their block.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "geometry/HugePages.h"
#include "geometry/Vector.h"

namespace lumora {

class EHugeArray : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// State and rules that do not depend on the element type.
class THugeArrayBase {
 public:
  using ChangeProc = std::function<void(THugeArrayBase&)>;

  virtual ~THugeArrayBase() = default;
  // Arrays move (a whole model changes hands after its read) and copy.
  THugeArrayBase(const THugeArrayBase&) = default;
  THugeArrayBase(THugeArrayBase&&) noexcept = default;
  THugeArrayBase& operator=(const THugeArrayBase&) = default;
  THugeArrayBase& operator=(THugeArrayBase&&) noexcept = default;

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  int InitialCapacity() const { return initialCapacity_; }
  int GrowthDelta() const { return growthDelta_; }

  bool Ascending = true;
  std::string Name;
  ChangeProc OnChange;

  virtual void Changed() {
    if (OnChange) OnChange(*this);
  }
  virtual void Delete(int i) = 0;
  virtual void Exchange(int i, int j) = 0;
  virtual void Clear() = 0;
  virtual void Sort() {}

  // Elements added when a full array of `count` elements grows.
  static int GrowthFor(int count) {
    if (count > 64) return count / 4;
    if (count > 8) return 16;
    return 4;
  }

 protected:
  explicit THugeArrayBase(int initialCapacity) {
    if (initialCapacity <= 0) throw EHugeArray("Empty Array Allocation");
    initialCapacity_ = capacity_ = initialCapacity;
  }

  int count_ = 0;
  int capacity_ = 0;
  int initialCapacity_ = 0;
  int growthDelta_ = 0;
};

template <class T>
class THugeArray : public THugeArrayBase {
 public:
  using value_type = T;
  using Compare = std::function<int(const T&, const T&)>;

  explicit THugeArray(int initialCapacity = 16) : THugeArrayBase(initialCapacity) { items_.reserve(capacity_); }

  const T& operator[](int i) const { return items_[i]; }
  T& operator[](int i) { return items_[i]; }
  T Get(int i) const { return items_[i]; }
  const T* Data() const { return items_.data(); }
  T* Data() { return items_.data(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  void* Object(int i) const { return objects_.empty() ? nullptr : objects_[i]; }
  void SetObject(int i, void* object) {
    if (object) EnsureObjects();
    if (!objects_.empty()) objects_[i] = object;
  }

  virtual int Add(const T& item) { return AddObject(item, nullptr); }

  // Moves the record in: bulk loaders add records with heap parts. It skips
  // AddObject, so a descendant that overrides AddObject must also provide
  // its own Add(T&&).
  int Add(T&& item) {
    if (!objects_.empty()) return AddObject(item, nullptr);
    Reserve1();
    items_.push_back(std::move(item));
    ++count_;
    Changed();
    return count_ - 1;
  }

  virtual int AddObject(const T& item, void* object) {
    if (count_ >= capacity_) {
      // `item` may be an element of this array: copy it before the block moves.
      T copy(item);
      Reserve1();
      items_.push_back(std::move(copy));
    } else {
      items_.push_back(item);
    }
    if (object || !objects_.empty()) {
      EnsureObjects();
      objects_.push_back(object);
    }
    ++count_;
    Changed();
    return count_ - 1;
  }

  virtual void Put(int i, const T& item) {
    items_[i] = item;
    Changed();
  }

  // Ignored unless 0 <= i <= Count().
  virtual void Insert(const T& item, int i) {
    if (i < 0 || i > count_) return;
    T copy(item);  // `item` may be an element of this array
    Reserve1();
    items_.insert(items_.begin() + i, std::move(copy));
    if (!objects_.empty()) objects_.insert(objects_.begin() + i, nullptr);
    ++count_;
    Changed();
  }

  // Ignored unless 0 <= i < Count().
  void Delete(int i) override {
    if (i < 0 || i >= count_) return;
    items_.erase(items_.begin() + i);
    if (!objects_.empty()) objects_.erase(objects_.begin() + i);
    --count_;
    Changed();
  }

  void Exchange(int i, int j) override {
    std::swap(items_[i], items_[j]);
    if (!objects_.empty()) std::swap(objects_[i], objects_[j]);
    Changed();
  }

  void Clear() override {
    std::vector<T>().swap(items_);
    std::vector<void*>().swap(objects_);
    count_ = 0;
    capacity_ = initialCapacity_;
    items_.reserve(capacity_);
    Changed();
  }

  void SetCapacity(int n) {
    if (n <= 0) n = 1;
    if (count_ > n) {
      items_.resize(n);
      if (!objects_.empty()) objects_.resize(n);
      count_ = n;
    }
    std::vector<T> block;
    block.reserve(n);
    std::move(items_.begin(), items_.end(), std::back_inserter(block));
    items_.swap(block);
    capacity_ = n;
    PreferHugePages(items_.data(), items_.size(), items_.capacity());
  }

  // Sets the element count directly: new elements are value-initialised.
  void SetCount(int n) {
    if (n > capacity_) SetCapacity(n);
    items_.resize(std::max(n, 0));
    if (!objects_.empty()) objects_.resize(items_.size());
    count_ = static_cast<int>(items_.size());
  }

  void Assign(const THugeArray& other) {
    if (&other == this) return;
    items_.clear();
    objects_.clear();
    count_ = 0;
    if (capacity_ < other.count_) SetCapacity(other.count_);
    // assign() reuses the block, which keeps the growth rule's capacity.
    items_.assign(other.items_.begin(), other.items_.end());
    objects_ = other.objects_;
    count_ = other.count_;
    Changed();
  }

  // Exchanges the elements and sizes; names, order and handlers stay.
  void Swap(THugeArray& other) {
    items_.swap(other.items_);
    objects_.swap(other.objects_);
    std::swap(count_, other.count_);
    std::swap(capacity_, other.capacity_);
    std::swap(initialCapacity_, other.initialCapacity_);
    std::swap(growthDelta_, other.growthDelta_);
  }

  void AddFrom(const THugeArray& other) {
    const int n = other.Count();  // fixed first, so adding an array to itself ends
    for (int i = 0; i < n; ++i) AddObject(other.items_[i], other.Object(i));
  }

  // In-place quicksort over the whole array: middle pivot tracked by index,
  // Changed after every exchange. Recursing into the smaller part only
  // bounds the stack without changing the resulting order.
  void SortWith(const Compare& compare) {
    if (count_ > 1) QuickSort(0, count_ - 1, compare);
  }

 protected:
  void Reserve1() {
    if (count_ < capacity_) return;
    growthDelta_ = GrowthFor(count_);
    SetCapacity(count_ + growthDelta_);
  }

  void EnsureObjects() {
    if (objects_.empty()) objects_.assign(count_, nullptr);
  }

  void QuickSort(int lo, int hi, const Compare& compare) {
    while (lo < hi) {
      int i = lo, j = hi, p = (lo + hi) / 2;
      do {
        while (compare(items_[i], items_[p]) < 0) ++i;
        while (compare(items_[j], items_[p]) > 0) --j;
        if (i <= j) {
          if (i != j) Exchange(i, j);
          if (p == i)
            p = j;
          else if (p == j)
            p = i;
          ++i;
          --j;
        }
      } while (i <= j);
      if (j - lo < hi - i) {
        if (lo < j) QuickSort(lo, j, compare);
        lo = i;
      } else {
        if (i < hi) QuickSort(i, hi, compare);
        hi = j;
      }
    }
  }

  std::vector<T> items_;
  std::vector<void*> objects_;  // empty until the first object is stored
};

// Numbers sort by value in the array's order. Comparing rather than
// subtracting keeps large integers of opposite sign in order.
template <class T>
class THugeNumberArray : public THugeArray<T> {
 public:
  using THugeArray<T>::THugeArray;
  void Sort() override {
    const bool up = this->Ascending;
    this->SortWith([up](const T& a, const T& b) {
      int c = (a > b) - (a < b);
      return up ? c : -c;
    });
  }
  void Fill(T value) {
    for (int i = 0; i < this->Count(); ++i) this->items_[i] = value;
    this->Changed();
  }
};

using THugeByte = THugeNumberArray<uint8_t>;
using THugeInteger = THugeNumberArray<int32_t>;
using THugeDouble = THugeNumberArray<double>;
using THuge3DVector = THugeArray<T3DVector>;
using THuge2DVector = THugeArray<T2DVector>;
using THugePoint = THugeArray<TPoint>;
using THugeTriangle = THugeArray<TTriangle3>;

// Strings cut to a capacity fixed at creation.
class THugeString : public THugeArray<std::string> {
 public:
  explicit THugeString(int stringCapacity = 255, int initialCapacity = 16)
      : THugeArray<std::string>(initialCapacity), stringCapacity_(stringCapacity) {}

  int StringCapacity() const { return stringCapacity_; }
  bool CaseSensitive = true;

  int AddObject(const std::string& s, void* object) override { return THugeArray::AddObject(Cut(s), object); }
  void Put(int i, const std::string& s) override { THugeArray::Put(i, Cut(s)); }
  void Insert(const std::string& s, int i) override { THugeArray::Insert(Cut(s), i); }
  using THugeArray::Add;
  int Add(std::string&& s) { return AddObject(s, nullptr); }  // keeps the cut
  void Sort() override;

  // Without case, only ASCII letters fold: the result must not depend on
  // the process locale, which the GUI toolkit sets from the environment.
  static int CompareText(std::string_view a, std::string_view b, bool caseSensitive);

 private:
  std::string Cut(const std::string& s) const {
    return s.size() > static_cast<size_t>(stringCapacity_) ? s.substr(0, stringCapacity_) : s;
  }
  int stringCapacity_;
};

// 32-bit colours, red in the lowest byte and alpha in the top byte.
class TColorArray : public THugeNumberArray<uint32_t> {
 public:
  using THugeNumberArray::THugeNumberArray;
  void SetAlpha(double k);
};

struct TGLColorTriple {
  uint32_t c[3] = {0, 0, 0};
};

class TGLColorArray : public THugeArray<TGLColorTriple> {
 public:
  using THugeArray::THugeArray;
  void SetAlpha(double k);
  int AddGrey(uint32_t c) { return Add(TGLColorTriple{{c, c, c}}); }
  void PutGrey(int i, uint32_t c) { Put(i, TGLColorTriple{{c, c, c}}); }
};

inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// The alpha byte for a 0..1 opacity, rounded half to even and guarded
// against values that have no byte (NaN, out of range).
uint32_t AlphaByte(double k);

}  // namespace lumora
