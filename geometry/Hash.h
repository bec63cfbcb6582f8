#pragma once
// Chained hash tables over growable arrays.
//
// Each table answers as a chained table of 2^Bits buckets would (Bits 11 by
// default): IndexOf gives the most recently linked equal key of the query's
// bucket. The chains themselves are kept in a separate table whose size
// follows the key count, so lookups stay constant time with millions of
// keys. Where equal keys can fall into different buckets of the reference
// table (vectors compared in single precision or by distance), the chain
// hash groups all equal keys and the reference bucket filters them.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "geometry/HugeArry.h"
#include "geometry/Vector.h"

namespace lumora {

// 32-bit FNV-1a, optionally continuing from an earlier result.
uint32_t Fnv1a32(const void* data, size_t size, uint32_t h = 2166136261u);

// Bucket of a hash in a table of 2^bits buckets.
inline uint32_t FnvBucket(uint32_t h, int bits) { return ((h >> bits) ^ h) & ((uint32_t{1} << bits) - 1); }

// Shared chaining. Derived supplies ChainHash(query), Equal(key, query) and,
// when kSplitsEqualKeys, TableBucket(key) of the reference table.
template <class Derived, class KeyArray, class Query = typename KeyArray::value_type>
class THashedArray {
 public:
  using Key = typename KeyArray::value_type;
  static constexpr int kMinBits = 4;
  static constexpr int kMaxBits = 31;  // keeps the bucket shift defined

  // The arguments construct the key array.
  template <class... KeyArgs>
  explicit THashedArray(KeyArgs&&... keyArgs) : keys_(std::forward<KeyArgs>(keyArgs)...) {
    ResetChains();
  }
  virtual ~THashedArray() = default;

  int Count() const { return keys_.Count(); }
  const Key& operator[](int i) const { return keys_[i]; }
  const KeyArray& Keys() const { return keys_; }
  void* Object(int i) const { return keys_.Object(i); }

  int IndexOf(Query key) const {
    EnsureLinked();
    const Derived& d = Self();
    key = d.Prepare(key);
    const uint32_t h = d.ChainHash(key);
    [[maybe_unused]] int64_t bucket = -1;
    for (int32_t i = heads_[ChainSlot(h)]; i >= 0; i = next_[i]) {
      if (hashes_[i] != h || !d.Equal(keys_[i], key)) continue;
      if constexpr (Derived::kSplitsEqualKeys) {
        // A key with the query's very bytes has its bucket too; the
        // reference buckets are hashed only for equal keys that differ.
        if (!SameBytes(keys_[i], key)) {
          if (bucket < 0) bucket = d.TableBucket(Key(key));
          if (d.TableBucket(keys_[i]) != bucket) continue;
        }
      }
      return i;
    }
    return -1;
  }

  // Room for n keys without growing the key array or relinking the chains.
  void Reserve(int n) {
    if (n > keys_.Capacity()) keys_.SetCapacity(n);
    hashes_.reserve(static_cast<size_t>(std::max(n, 0)));
    next_.reserve(static_cast<size_t>(std::max(n, 0)));
    PreferHugePages(hashes_.data(), hashes_.size(), hashes_.capacity());
    PreferHugePages(next_.data(), next_.size(), next_.capacity());
    if (const int bits = ChainBitsFor(n); bits > chainBits_ && !unlinked_) Relink(bits);
  }

  // Appends the key and links it first in its chain; duplicates allowed.
  virtual int Add(Query key, void* object = nullptr) {
    EnsureLinked();
    const int i = keys_.AddObject(Key(Self().Prepare(key)), object);
    hashes_.push_back(Self().ChainHash(keys_[i]));
    next_.push_back(-1);
    if (Count() > 2 * static_cast<int>(heads_.size()) && chainBits_ < kMaxChainBits)
      Relink(ChainBitsFor(Count()));
    else
      Link(i);
    return i;
  }

  int AddUnique(Query key) { return IndexOf(key) >= 0 ? -1 : Add(key); }

  virtual void Delete(int i) {
    keys_.Delete(i);
    Rehash();
  }

  virtual void Sort() {
    keys_.Sort();
    Rehash();
  }

  virtual void Clear() {
    unlinked_ = false;
    keys_.Clear();
    std::vector<uint32_t>().swap(hashes_);
    std::vector<int32_t>().swap(next_);
    ResetChains();
  }

  // Relinks keys 0..Count()-1 in order, so equal keys are found latest first.
  void Rehash() {
    unlinked_ = false;
    hashes_.resize(Count());
    for (int i = 0; i < Count(); ++i) hashes_[i] = Self().ChainHash(keys_[i]);
    Relink(ChainBitsFor(Count()));
  }

  int Bits() const { return bits_; }
  void SetBits(int bits) {
    bits_ = std::clamp(bits, kMinBits, kMaxBits);
    Rehash();
  }

  bool Ascending() const { return keys_.Ascending; }
  void SetAscending(bool ascending) { keys_.Ascending = ascending; }

  // Size of the chain table actually allocated.
  int ChainCount() const { return static_cast<int>(heads_.size()); }

  // Room for n keys, leaving the chains to the next relink.
  void ReserveKeys(int n) {
    if (n > keys_.Capacity()) keys_.SetCapacity(n);
  }

  // Appends a key without linking it. The chains are made again, all at
  // once and as Add would have made them, when a lookup or an Add next
  // needs them: for builders that know their duplicates by other means.
  int AddUnlinked(const Key& key) {
    unlinked_ = true;
    return keys_.Add(key);
  }

 protected:
  static constexpr int kMinChainBits = 4;
  static constexpr int kMaxChainBits = 28;

  const Derived& Self() const { return static_cast<const Derived&>(*this); }
  static Query Prepare(Query key) { return key; }
  static bool SameBytes(const Key& key, const Query& query) {
    if constexpr (std::is_same_v<Key, Query> && std::is_trivially_copyable_v<Key>)
      return std::memcmp(&key, &query, sizeof(Key)) == 0;
    else
      return false;
  }

  uint32_t ChainSlot(uint32_t h) const { return FnvBucket(h, chainBits_); }

  static int ChainBitsFor(int count) {
    int b = kMinChainBits;
    while (b < kMaxChainBits && (int64_t{1} << b) < count) ++b;
    return b;
  }

  void Link(int i) {
    int32_t& head = heads_[ChainSlot(hashes_[i])];
    next_[i] = head;
    head = i;
  }

  void Unlink(int i) {
    int32_t* p = &heads_[ChainSlot(hashes_[i])];
    while (*p >= 0 && *p != i) p = &next_[*p];
    if (*p == i) *p = next_[i];
    next_[i] = -1;
  }

  void Relink(int chainBits) {
    chainBits_ = chainBits;
    heads_.assign(size_t{1} << chainBits_, -1);
    next_.assign(Count(), -1);
    for (int i = 0; i < Count(); ++i) Link(i);
  }

  void ResetChains() {
    chainBits_ = kMinChainBits;
    std::vector<int32_t>(size_t{1} << chainBits_, -1).swap(heads_);
  }

  void SwapChains(THashedArray& other) {
    keys_.Swap(other.keys_);
    std::swap(unlinked_, other.unlinked_);
    std::swap(bits_, other.bits_);
    std::swap(chainBits_, other.chainBits_);
    heads_.swap(other.heads_);
    next_.swap(other.next_);
    hashes_.swap(other.hashes_);
  }

  void AssignChains(const THashedArray& other) {
    if (&other == this) return;
    unlinked_ = other.unlinked_;
    keys_.Assign(other.keys_);
    keys_.Ascending = other.keys_.Ascending;
    bits_ = other.bits_;
    chainBits_ = other.chainBits_;
    heads_ = other.heads_;
    next_ = other.next_;
    hashes_ = other.hashes_;
  }

  void EnsureLinked() const {
    if (unlinked_) const_cast<THashedArray*>(this)->Rehash();
  }

  KeyArray keys_;
  bool unlinked_ = false;
  int bits_ = 11;
  int chainBits_ = kMinChainBits;
  std::vector<int32_t> heads_;
  std::vector<int32_t> next_;
  std::vector<uint32_t> hashes_;  // chain hash per key, so growing needs no rehashing
};

// Short strings (capacity 255), case-sensitive at creation.
class THashTable : public THashedArray<THashTable, THugeString, std::string_view> {
 public:
  static constexpr int kKeyCapacity = 255;
  static constexpr bool kSplitsEqualKeys = false;

  explicit THashTable(int initialCapacity = 16) : THashedArray(kKeyCapacity, initialCapacity) {}

  bool CaseSensitive() const { return keys_.CaseSensitive; }
  void SetCaseSensitive(bool caseSensitive) {
    keys_.CaseSensitive = caseSensitive;
    Rehash();
  }

  void Assign(const THashTable& other) {
    AssignChains(other);
    keys_.CaseSensitive = other.keys_.CaseSensitive;
  }

  uint32_t ChainHash(std::string_view key) const;
  bool Equal(const std::string& key, std::string_view query) const;
  static std::string_view Prepare(std::string_view key) { return key.substr(0, kKeyCapacity); }
};

// Owns one object per key, made when the key is first added.
template <class Item>
class TAutoHash {
 public:
  using Factory = std::function<std::unique_ptr<Item>()>;

  // Without a factory, objects are default-constructed Items.
  explicit TAutoHash(Factory factory = nullptr, int initialCapacity = 16)
      : table_(initialCapacity), factory_(std::move(factory)) {}
  TAutoHash(const TAutoHash&) = delete;
  TAutoHash& operator=(const TAutoHash&) = delete;

  int Count() const { return table_.Count(); }
  const std::string& Key(int i) const { return table_[i]; }
  const THugeString& Keys() const { return table_.Keys(); }
  Item* Object(int i) const { return owned_[i].get(); }

  int IndexOf(std::string_view key) const { return table_.IndexOf(key); }

  // Index of the new key, or -1 (and no object made) when it is present.
  int Add(std::string_view key) {
    if (table_.IndexOf(key) >= 0) return -1;
    std::unique_ptr<Item> item = Make();
    // The slot comes first so a failing Add leaves no key without its object;
    // push_back grows geometrically, unlike reserving one more each time.
    owned_.push_back(nullptr);
    try {
      const int i = table_.Add(key, item.get());
      owned_.back() = std::move(item);
      return i;
    } catch (...) {
      owned_.pop_back();
      throw;
    }
  }

  void Delete(int i) {
    if (i < 0 || i >= Count()) return;
    table_.Delete(i);
    owned_.erase(owned_.begin() + i);
  }

  void Sort() {
    // The sort moves the raw pointers with the keys; ownership follows them.
    for (auto& p : owned_) (void)p.release();
    table_.Sort();
    for (int i = 0; i < Count(); ++i) owned_[i].reset(static_cast<Item*>(table_.Object(i)));
  }

  void Clear() {
    table_.Clear();
    owned_.clear();
  }

  void Rehash() { table_.Rehash(); }
  int Bits() const { return table_.Bits(); }
  void SetBits(int bits) { table_.SetBits(bits); }
  bool CaseSensitive() const { return table_.CaseSensitive(); }
  void SetCaseSensitive(bool caseSensitive) { table_.SetCaseSensitive(caseSensitive); }
  bool Ascending() const { return table_.Ascending(); }
  void SetAscending(bool ascending) { table_.SetAscending(ascending); }

 private:
  std::unique_ptr<Item> Make() const {
    if (factory_) return factory_();
    if constexpr (std::is_default_constructible_v<Item>)
      return std::make_unique<Item>();
    else
      throw EHugeArray("TAutoHash needs a factory for this item type");
  }

  THashTable table_;
  Factory factory_;
  std::vector<std::unique_ptr<Item>> owned_;  // parallel to the keys
};

class TIntegerHashTable : public THashedArray<TIntegerHashTable, THugeInteger, int32_t> {
 public:
  static constexpr bool kSplitsEqualKeys = false;
  using THashedArray::THashedArray;
  void Assign(const TIntegerHashTable& other) { AssignChains(other); }

  uint32_t ChainHash(int32_t key) const;
  bool Equal(int32_t key, int32_t query) const { return key == query; }
};

// Vectors equal when all three components are equal in single precision.
// The reference bucket hashes the 24 bytes of the doubles, so two equal
// vectors with different bytes are found only when their buckets agree.
class T3DVectorHash : public THashedArray<T3DVectorHash, THuge3DVector, T3DVector> {
 public:
  static constexpr bool kSplitsEqualKeys = true;
  using THashedArray::THashedArray;

  // Nothing changes when v is present; otherwise element i takes v and
  // moves to the head of v's bucket.
  virtual void Put(int i, const T3DVector& v);

  void Assign(const T3DVectorHash& other) { AssignChains(other); }

  // Bucket of v in the reference table of 2^Bits buckets.
  uint32_t TableBucket(const T3DVector& v) const;
  uint32_t ChainHash(const T3DVector& v) const;
  bool Equal(const T3DVector& key, const T3DVector& query) const;
};

// Vectors equal when their distance is exactly 0, with its own reference
// hash of 2048 buckets.
class TVectorHash : public THashedArray<TVectorHash, THuge3DVector, T3DVector> {
 public:
  static constexpr bool kSplitsEqualKeys = true;
  using THashedArray::THashedArray;

  void Assign(const TVectorHash& other) { AssignChains(other); }

  static uint32_t Bucket(const T3DVector& v);
  uint32_t TableBucket(const T3DVector& v) const { return Bucket(v); }
  uint32_t ChainHash(const T3DVector& v) const;
  bool Equal(const T3DVector& key, const T3DVector& query) const;
};

}  // namespace lumora
