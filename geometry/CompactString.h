#pragma once
// Text of any length behind one pointer: empty text costs the pointer and
// no allocation, so that millions of records that seldom carry a comment
// stay small. Text longer than Max is cut when stored.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>

namespace lumora {

template <size_t Max = SIZE_MAX>
class CompactString {
 public:
  CompactString() = default;
  CompactString(std::string_view text) { Assign(text); }    // NOLINT: implicit like a string
  CompactString(const char* text) { Assign(text); }         // NOLINT
  CompactString(const std::string& text) { Assign(text); }  // NOLINT
  CompactString(const CompactString& other) { Assign(other.View()); }
  CompactString(CompactString&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  ~CompactString() { std::free(block_); }

  CompactString& operator=(const CompactString& other) {
    Assign(other.View());
    return *this;
  }
  CompactString& operator=(CompactString&& other) noexcept {
    std::swap(block_, other.block_);
    return *this;
  }

  // `text` may view this string's own text.
  void Assign(std::string_view text) {
    if (text.size() > Max) text = text.substr(0, Max);
    char* block = nullptr;
    if (!text.empty()) {
      const size_t n = text.size();
      block = static_cast<char*>(std::malloc(sizeof n + n));
      if (!block) throw std::bad_alloc();
      std::memcpy(block, &n, sizeof n);
      std::memcpy(block + sizeof n, text.data(), n);
    }
    std::free(block_);
    block_ = block;
  }

  std::string_view View() const {
    if (!block_) return {};
    size_t n;
    std::memcpy(&n, block_, sizeof n);
    return {block_ + sizeof n, n};
  }
  std::string Str() const { return std::string(View()); }
  operator std::string_view() const { return View(); }  // NOLINT
  size_t Size() const { return View().size(); }
  bool Empty() const { return block_ == nullptr; }
  // Heap bytes held beyond the pointer, for memory accounts.
  size_t HeapBytes() const { return block_ ? sizeof(size_t) + Size() : 0; }

  friend bool operator==(const CompactString& a, std::string_view b) { return a.View() == b; }
  friend bool operator==(const CompactString& a, const CompactString& b) { return a.View() == b.View(); }
  friend bool operator==(const CompactString& a, const char* b) { return a.View() == std::string_view(b); }
  friend bool operator==(const CompactString& a, const std::string& b) { return a.View() == b; }
  friend std::ostream& operator<<(std::ostream& out, const CompactString& s) { return out << s.View(); }

 private:
  char* block_ = nullptr;  // the length, then the characters
};

}  // namespace lumora
