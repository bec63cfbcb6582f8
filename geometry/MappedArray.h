#pragma once
// A growable array of plain records in one block of anonymous memory
// marked for huge pages, resized in place by the kernel: growing copies
// nothing and touches only the new pages, and Trim gives the unused tail
// back. For arrays that grow step by step to millions of records, where
// each regrowth of an ordinary vector would fault in a fresh block.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

namespace lumora {

// Resizes a block from ResizeMappedBlock (or null with 0 bytes) to `bytes`;
// 0 frees it. Returns the block, which may have moved. Throws
// std::bad_alloc.
void* ResizeMappedBlock(void* block, std::size_t oldBytes, std::size_t bytes);
// `bytes` rounded up to whole pages; with `whole`, to whole huge pages
// once it spans one.
std::size_t MappedBlockBytes(std::size_t bytes, bool whole);

template <class T>
class TMappedArray {
  static_assert(std::is_trivially_copyable_v<T>, "records are moved as bytes");

 public:
  TMappedArray() = default;
  TMappedArray(TMappedArray&& other) noexcept { Swap(other); }
  TMappedArray& operator=(TMappedArray&& other) noexcept {
    Swap(other);
    return *this;
  }
  TMappedArray(const TMappedArray&) = delete;
  TMappedArray& operator=(const TMappedArray&) = delete;
  ~TMappedArray() { ResizeMappedBlock(data_, bytes_, 0); }

  std::size_t size() const { return size_; }
  std::size_t capacity() const { return bytes_ / sizeof(T); }
  bool empty() const { return size_ == 0; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](std::size_t i) { return data_[i]; }
  const T& operator[](std::size_t i) const { return data_[i]; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

  void reserve(std::size_t n) {
    if (n > capacity()) SetBytes(MappedBlockBytes(n * sizeof(T), true));
  }
  // New records are value-initialised.
  void resize(std::size_t n) {
    if (n > capacity()) reserve(std::max(n, size_ + size_ / 4));  // the family's growth step
    if (n > size_) std::fill(data_ + size_, data_ + n, T{});
    size_ = n;
  }
  void push_back(const T& item) {
    resize(size_ + 1);
    data_[size_ - 1] = item;
  }
  // Gives back whole pages beyond the records.
  void shrink_to_fit() {
    const std::size_t bytes = MappedBlockBytes(size_ * sizeof(T), false);
    if (bytes < bytes_) SetBytes(bytes);
  }
  void clear() { size_ = 0; }

 private:
  void SetBytes(std::size_t bytes) {
    data_ = static_cast<T*>(ResizeMappedBlock(data_, bytes_, bytes));
    bytes_ = bytes;
  }
  void Swap(TMappedArray& other) {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(bytes_, other.bytes_);
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t bytes_ = 0;
};

}  // namespace lumora
