#include "export/PatchedFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "export/ExportMain.h"

namespace lumora {

namespace {

// Large writes keep the system calls few.
constexpr size_t kFileBuffer = 4u << 20;
// Direct writes go in whole, aligned blocks.
constexpr size_t kDirectBlock = 4096;

}  // namespace

TPatchedFile::TPatchedFile(std::filesystem::path target) try : file_(std::move(target)), fd_(file_.Descriptor()) {
  // Gigabytes copied into the page cache cost more system time than the
  // disk needs to take them directly; where the file system refuses direct
  // writes, the file is written through the cache.
  const int flags = ::fcntl(fd_, F_GETFL);
  direct_ = !file_.InPlace() && flags >= 0 && ::fcntl(fd_, F_SETFL, flags | O_DIRECT) == 0;
} catch (const std::runtime_error& e) {
  throw EExport(e.what());
}

TPatchedFile::~TPatchedFile() { Stop(); }

void TPatchedFile::Fail(const char* what, int err) const { throw EExport(FileErrorMessage(what, file_.Target(), err)); }

TPatchedFile::TBuffer TPatchedFile::Allocate(size_t bytes) {
  TBuffer buffer(static_cast<char*>(std::aligned_alloc(kDirectBlock, bytes)));
  if (!buffer) throw std::bad_alloc();
  return buffer;
}

void TPatchedFile::Append(std::string_view bytes) {
  if (bytes.empty()) return;
  std::memcpy(Extend(bytes.size()), bytes.data(), bytes.size());
}

void TPatchedFile::Grow(size_t n) {
  Flush();
  if (used_ + n <= capacity_) return;
  Drain();
  capacity_ = (std::max(used_ + n, kFileBuffer) + kDirectBlock - 1) / kDirectBlock * kDirectBlock;
  TBuffer buffer = Allocate(capacity_);
  if (used_ > 0) std::memcpy(buffer.get(), buffers_[current_].get(), used_);
  buffers_[current_] = std::move(buffer);
  buffers_[1 - current_].reset();
}

int TPatchedFile::WriteAll(const char* p, size_t n) {
  while (n > 0) {
    const ssize_t done = ::write(fd_, p, n);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0 && errno == EINVAL) {
      // A file system that takes no direct writes after all.
      const int flags = ::fcntl(fd_, F_GETFL);
      if (flags >= 0 && (flags & O_DIRECT) && ::fcntl(fd_, F_SETFL, flags & ~O_DIRECT) == 0) continue;
    }
    if (done <= 0) return done < 0 ? errno : EIO;
    p += done;
    n -= static_cast<size_t>(done);
  }
  return 0;
}

void TPatchedFile::WriterLoop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return busy_ || stop_; });
    if (!busy_) return;
    const char* p = pending_;
    const size_t n = pendingSize_;
    lock.unlock();
    const int err = WriteAll(p, n);
    lock.lock();
    if (err != 0 && error_ == 0) error_ = err;
    busy_ = false;
    changed_.notify_all();
  }
}

void TPatchedFile::Flush() {
  // Direct writes leave the last partial block for later.
  const size_t out = direct_ ? used_ / kDirectBlock * kDirectBlock : used_;
  if (out == 0) return;
  Drain();
  const int next = 1 - current_;
  if (!buffers_[next]) buffers_[next] = Allocate(capacity_);
  std::memcpy(buffers_[next].get(), buffers_[current_].get() + out, used_ - out);
  if (!writer_.joinable()) writer_ = std::thread([this] { WriterLoop(); });
  {
    std::lock_guard lock(mutex_);
    pending_ = buffers_[current_].get();
    pendingSize_ = out;
    busy_ = true;
  }
  changed_.notify_all();
  current_ = next;
  used_ -= out;
  written_ += static_cast<int64_t>(out);
}

void TPatchedFile::Drain() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return !busy_; });
  if (error_ != 0) Fail("Cannot write file", error_);
}

void TPatchedFile::Stop() {
  if (!writer_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  writer_.join();
}

void TPatchedFile::Synchronous() {
  Drain();
  if (direct_) {
    direct_ = false;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_DIRECT) != 0) Fail("Cannot write file", errno);
  }
  if (const int err = WriteAll(buffers_[current_].get(), used_)) Fail("Cannot write file", err);
  written_ += static_cast<int64_t>(used_);
  used_ = 0;
}

void TPatchedFile::Patch(int64_t offset, std::string_view bytes) {
  Synchronous();
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("Cannot write file", n < 0 ? errno : EIO);
    done += static_cast<size_t>(n);
  }
}

void TPatchedFile::Close() {
  if (fd_ < 0) return;
  Synchronous();
  Stop();
  fd_ = -1;
}

void TPatchedFile::Commit() {
  Close();
  AsExportError([&] { file_.Commit(); });
}

}  // namespace lumora
