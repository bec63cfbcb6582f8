#include "platform/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

#include "geometry/MappedArray.h"

namespace lumora {

int OpenForReading(const std::filesystem::path& path, bool& regular, size_t& size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("Cannot open file \"" + path.string() + "\": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    throw std::runtime_error("Cannot read file \"" + path.string() + "\": " + std::strerror(err));
  }
  // A device never ends (/dev/zero) or waits for a person (a terminal).
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
    ::close(fd);
    throw std::runtime_error("Cannot read file \"" + path.string() + "\": not a regular file");
  }
  regular = S_ISREG(st.st_mode);
  size = regular ? static_cast<size_t>(st.st_size) : 0;
  return fd;
}

TFileBytes::TFileBytes(const std::filesystem::path& path) {
  bool regular = false;
  size_t expected = 0;
  const int fd = OpenForReading(path, regular, expected);
  try {
    // One more byte than the size, so that a file that has not grown ends
    // with the first read that returns nothing.
    Grow(expected + 1);
    for (;;) {
      if (size_ == capacity_) {
        // Past what any reader takes, a pipe that does not end is refused.
        if (size_ >= kMaxFileBytes)
          throw std::runtime_error("Cannot read file \"" + path.string() + "\": " + std::strerror(EFBIG));
        Grow(std::min(2 * capacity_, kMaxFileBytes + 1));
      }
      const ssize_t n = ::read(fd, data_ + size_, capacity_ - size_);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        throw std::runtime_error("Cannot read file \"" + path.string() + "\": " + std::strerror(errno));
      }
      size_ += static_cast<size_t>(n);
    }
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
}

TFileBytes::~TFileBytes() { ResizeMappedBlock(data_, capacity_, 0); }

TFileBytes::TFileBytes(TFileBytes&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

TFileBytes& TFileBytes::operator=(TFileBytes&& other) noexcept {
  std::swap(data_, other.data_);
  std::swap(size_, other.size_);
  std::swap(capacity_, other.capacity_);
  return *this;
}

void TFileBytes::Grow(size_t capacity) {
  capacity = MappedBlockBytes(capacity, true);
  data_ = static_cast<char*>(ResizeMappedBlock(data_, capacity_, capacity));
  capacity_ = capacity;
}

}  // namespace lumora
