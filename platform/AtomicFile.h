#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace lumora {

// A file written under a unique temporary name beside its target and renamed
// over it by Commit, so that readers, and a second writer of the same
// target, see either the old file or one whole new one. A symbolic link is
// followed: the file it points to is replaced, keeping its permissions. A
// target that exists and is not a regular file (a device, a FIFO,
// /dev/stdout) is written straight into. Without Commit, and on a signal
// that ends the program (see InstallWriterSignals), the temporary is
// removed. Throws std::runtime_error naming the target.
class TAtomicFile {
 public:
  explicit TAtomicFile(std::filesystem::path target);
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  int Descriptor() const { return fd_; }
  // Where the bytes go: the temporary, or the target written in place.
  const std::filesystem::path& WritePath() const { return writePath_; }
  const std::filesystem::path& Target() const { return target_; }
  bool InPlace() const { return inPlace_; }

  void Write(std::string_view bytes);
  // Puts the data on the disk and closes; the temporary stays until Commit.
  void Finish();
  // Finishes and renames over the target.
  void Commit();
  // Closes and removes the temporary; never throws.
  void Abandon() noexcept;

  // Throws FileErrorMessage(what, target, err).
  [[noreturn]] void Fail(const char* what, int err) const;

 private:
  std::filesystem::path target_, destination_, writePath_;
  int fd_ = -1;
  int slot_ = -1;  // in the list the signal handler clears
  bool inPlace_ = false;
  bool finished_ = false;
};

// SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE, where they still end the
// program by default, remove the temporaries first; SIGXFSZ is ignored, so
// that a write past the file-size limit fails with EFBIG. Called by the
// first TAtomicFile; a program writing to stdout calls it at its start.
void InstallWriterSignals();

// Replaces the targets of `files` as one set, or none of them when one
// cannot be finished: every member is finished first, then all are renamed
// with the ending signals held back and under a lock file beside the first
// target, so that two writers of one set never mix their members.
void CommitFileSet(std::span<TAtomicFile* const> files);

// "<what> \"<path>\": <the system's message for err>".
std::string FileErrorMessage(const std::string& what, const std::filesystem::path& path, int err);

// Writes `content` through a TAtomicFile.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view content);

// Reads a whole file; throws std::runtime_error naming the file on failure.
std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace lumora
