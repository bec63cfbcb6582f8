#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/AtomicFile.h"

namespace lumora {

// A TAtomicFile written in large blocks,
// directly to the disk where the file system allows and by a thread of its
// own, so that the caller builds the next block while the last one goes
// out; patched in place where a header's counts are known only at the end,
// and renamed over the target by Commit. Without Commit the temporary is
// removed. Throws EExport with the system's message.
class TPatchedFile {
 public:
  explicit TPatchedFile(std::filesystem::path target);
  ~TPatchedFile();
  TPatchedFile(const TPatchedFile&) = delete;
  TPatchedFile& operator=(const TPatchedFile&) = delete;

  // Room for `n` bytes at the end of the file, all of which the caller fills.
  char* Extend(size_t n) {
    if (used_ + n > capacity_) Grow(n);
    char* p = buffers_[current_].get() + used_;
    used_ += n;
    return p;
  }
  void Append(std::string_view bytes);
  int64_t Size() const { return written_ + static_cast<int64_t>(used_); }
  // Overwrites bytes already appended.
  void Patch(int64_t offset, std::string_view bytes);
  // Writes out and closes; the temporary stays until Commit.
  void Close();
  void Commit();
  // The file under it, for CommitFileSet after Close.
  TAtomicFile& File() { return file_; }

 private:
  struct TFree {
    void operator()(char* p) const { std::free(p); }
  };
  using TBuffer = std::unique_ptr<char, TFree>;
  static TBuffer Allocate(size_t bytes);
  void Flush();        // hands the buffer's whole blocks to the writer thread
  void Drain();        // waits until the writer thread is idle
  void Synchronous();  // drains, then writes everything here
  void Grow(size_t n);
  void Stop();
  void WriterLoop();
  int WriteAll(const char* p, size_t n);  // an errno, 0 when all went out
  [[noreturn]] void Fail(const char* what, int err) const;

  TAtomicFile file_;
  int fd_ = -1;          // the file's while it is open
  bool direct_ = false;  // writes in whole blocks
  TBuffer buffers_[2];   // one filled here, one on its way out
  int current_ = 0;
  size_t used_ = 0, capacity_ = 0;
  int64_t written_ = 0;

  std::thread writer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const char* pending_ = nullptr;
  size_t pendingSize_ = 0;
  bool busy_ = false, stop_ = false;
  int error_ = 0;
};

}  // namespace lumora
