#pragma once
// A whole file in one block of its own, marked for huge pages (see
// MappedArray.h): on a virtual machine, faulting in ordinary fresh pages for
// a big file costs more than parsing it.

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace lumora {

// The most a file read whole may hold: the readers count in 32 bits.
constexpr size_t kMaxFileBytes = size_t{1} << 32;

class TFileBytes {
 public:
  TFileBytes() = default;
  // Reads the file to its end (pipes too, up to kMaxFileBytes; devices are
  // refused); throws std::runtime_error naming the file, with
  // ReadWholeFile's messages.
  explicit TFileBytes(const std::filesystem::path& path);
  ~TFileBytes();
  TFileBytes(TFileBytes&& other) noexcept;
  TFileBytes& operator=(TFileBytes&& other) noexcept;
  TFileBytes(const TFileBytes&) = delete;
  TFileBytes& operator=(const TFileBytes&) = delete;

  std::string_view View() const { return {data_, size_}; }

 private:
  void Grow(size_t capacity);

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// Opens `path` for reading; throws std::runtime_error "Cannot open file" or
// "Cannot read file" (a directory or a device) naming it. Returns the
// descriptor.
int OpenForReading(const std::filesystem::path& path, bool& regular, size_t& size);

}  // namespace lumora
