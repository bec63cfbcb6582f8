#pragma once
// Text of a fixed capacity held inline: longer text is cut when stored.
// Records of the survey model hold several, so millions of records cost
// no string allocations.

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>

namespace lumora {

template <size_t N>
class ShortString {
  static_assert(N > 0 && N <= 255, "the length is kept in one byte");

 public:
  static constexpr size_t kCapacity = N;

  ShortString() = default;
  ShortString(std::string_view text) { Assign(text); }  // NOLINT: implicit like a string
  ShortString(const char* text) { Assign(text); }       // NOLINT

  void Assign(std::string_view text) {
    length_ = static_cast<uint8_t>(text.size() < N ? text.size() : N);
    if (length_) std::memcpy(data_, text.data(), length_);  // an empty view may have no data
  }

  std::string_view View() const { return {data_, length_}; }
  std::string Str() const { return std::string(View()); }
  operator std::string_view() const { return View(); }  // NOLINT
  size_t Size() const { return length_; }
  bool Empty() const { return length_ == 0; }

  friend bool operator==(const ShortString& a, const ShortString& b) { return a.View() == b.View(); }
  friend bool operator==(const ShortString& a, std::string_view b) { return a.View() == b; }
  friend bool operator==(const ShortString& a, const char* b) { return a.View() == std::string_view(b); }
  friend std::ostream& operator<<(std::ostream& out, const ShortString& s) { return out << s.View(); }

 private:
  uint8_t length_ = 0;
  char data_[N] = {};
};

}  // namespace lumora
