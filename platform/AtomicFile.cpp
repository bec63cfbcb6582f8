#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>

#include "platform/FileBytes.h"

namespace lumora {

namespace {

// The temporaries being written, for the signal handler: fixed slots, so
// that it needs neither locks nor the heap. A slot is 0 free, 1 being
// filled, 2 holding a path.
struct TTempSlot {
  std::atomic<int> State{0};
  char Path[PATH_MAX];
};
constexpr int kTempSlots = 32;
TTempSlot gTemps[kTempSlots];

extern "C" void RemoveTempsAndDie(int sig) {
  for (TTempSlot& s : gTemps)
    if (s.State.load() == 2) ::unlink(s.Path);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

bool IsDefault(int sig) {
  struct sigaction old {};
  return ::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL;
}

}  // namespace

// Only where the program keeps the default of ending on the signal; a
// program with handlers of its own ends its writers itself.
void InstallWriterSignals() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int sig : kEndingSignals) {
      if (!IsDefault(sig)) continue;
      struct sigaction action {};
      action.sa_handler = RemoveTempsAndDie;
      sigemptyset(&action.sa_mask);
      ::sigaction(sig, &action, nullptr);
    }
    // Past a file-size limit a write then fails with EFBIG, which the
    // writers report, instead of the signal killing the program.
    if (IsDefault(SIGXFSZ)) ::signal(SIGXFSZ, SIG_IGN);
  });
}

namespace {

int Register(const std::string& path) {
  InstallWriterSignals();
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kTempSlots; ++i) {
    int expected = 0;
    if (!gTemps[i].State.compare_exchange_strong(expected, 1)) continue;
    std::memcpy(gTemps[i].Path, path.c_str(), path.size() + 1);
    gTemps[i].State.store(2);
    return i;
  }
  return -1;
}

void Unregister(int& slot) {
  if (slot >= 0) gTemps[slot].State.store(0);
  slot = -1;
}

// Read once while the program starts, before any thread could create files.
mode_t ReadUmask() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}
const mode_t kUmask = ReadUmask();

// The file a chain of symbolic links ends at; the target itself when it is
// no link or the chain is broken off.
std::filesystem::path FollowLinks(std::filesystem::path p) {
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(p, ec))) return p;
    const std::filesystem::path link = std::filesystem::read_symlink(p, ec);
    if (ec) return p;
    p = link.is_absolute() ? link : p.parent_path() / link;
  }
  return p;
}

// A short unique name beside the target, whatever the target name's length.
std::string TempTemplate(const std::filesystem::path& destination) {
  std::string name = destination.filename().string();
  constexpr size_t kKept = 64;
  if (name.size() > kKept) {
    size_t cut = kKept;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8 letters
    name.resize(cut);
  }
  const std::filesystem::path dir = destination.parent_path();
  return (dir.empty() ? std::filesystem::path(".") : dir).string() + "/." + name + ".XXXXXX.tmp";
}

}  // namespace

TAtomicFile::TAtomicFile(std::filesystem::path target) : target_(std::move(target)) {
  struct stat st {};
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) Fail("Cannot write file", EISDIR);
  if (exists && !S_ISREG(st.st_mode)) {
    // Renaming a file over a device or a pipe would replace it, not feed it.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd_ < 0) Fail("Cannot create file", errno);
    inPlace_ = true;
    writePath_ = destination_ = target_;
    return;
  }
  destination_ = FollowLinks(target_);
  std::string name = TempTemplate(destination_);
  fd_ = ::mkostemps(name.data(), 4, O_CLOEXEC);
  if (fd_ < 0) Fail("Cannot create file", errno);
  writePath_ = name;
  slot_ = Register(name);
  // mkostemps creates the file for its owner only; the new file gets what a
  // plain create would give, a replaced one keeps what it had.
  const mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~kUmask);
  // Should the owner not take, root keeps the file; the permissions below still hold.
  if (exists && ::geteuid() == 0) (void)!::fchown(fd_, st.st_uid, st.st_gid);
  if (::fchmod(fd_, mode) != 0) {
    const int err = errno;
    Abandon();
    Fail("Cannot create file", err);
  }
}

TAtomicFile::~TAtomicFile() { Abandon(); }

void TAtomicFile::Fail(const char* what, int err) const {
  throw std::runtime_error(FileErrorMessage(what, target_, err));
}

void TAtomicFile::Write(std::string_view bytes) {
  const char* p = bytes.data();
  size_t n = bytes.size();
  while (n > 0) {
    const ssize_t done = ::write(fd_, p, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) Fail("Cannot write file", done < 0 ? errno : EIO);
    p += done;
    n -= static_cast<size_t>(done);
  }
}

void TAtomicFile::Finish() {
  if (finished_) return;
  if (fd_ < 0) Fail("Cannot write file", EBADF);
  // Without the flush a crash soon after the rename could leave an empty
  // file where the old one was.
  if (!inPlace_ && ::fdatasync(fd_) != 0) {
    const int err = errno;
    Abandon();
    Fail("Cannot write file", err);
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR && !inPlace_) {
    const int err = errno;
    Abandon();
    Fail("Cannot write file", err);
  }
  finished_ = true;
}

void TAtomicFile::Commit() {
  Finish();
  if (inPlace_) return;
  if (writePath_.empty()) Fail("Cannot write file", EBADF);
  // Renamed before it leaves the handler's list, so no signal in between
  // can leave the temporary behind.
  if (::rename(writePath_.c_str(), destination_.c_str()) != 0) {
    const int err = errno;
    Abandon();
    Fail("Cannot write file", err);
  }
  Unregister(slot_);
  writePath_.clear();
}

void TAtomicFile::Abandon() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  finished_ = false;
  if (inPlace_ || writePath_.empty()) return;
  Unregister(slot_);
  ::unlink(writePath_.c_str());
  writePath_.clear();
}

namespace {

// An exclusive lock on a file beside `target`, removed again when released.
// A writer that locked a name another had just removed tries again.
class TSetLock {
 public:
  explicit TSetLock(const std::filesystem::path& target) {
    const std::filesystem::path dir = target.parent_path();
    path_ = (dir.empty() ? std::filesystem::path(".") : dir) / ("." + target.filename().string() + ".lock");
    for (;;) {
      fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666 & ~kUmask);
      if (fd_ < 0) throw std::runtime_error(FileErrorMessage("Cannot create file", path_, errno));
      while (::flock(fd_, LOCK_EX) != 0)
        if (errno != EINTR) throw std::runtime_error(FileErrorMessage("Cannot lock file", path_, errno));
      struct stat held {
      }, named{};
      if (::fstat(fd_, &held) == 0 && ::stat(path_.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
          held.st_dev == named.st_dev)
        return;
      ::close(fd_);
    }
  }
  ~TSetLock() {
    ::unlink(path_.c_str());
    ::close(fd_);
  }
  TSetLock(const TSetLock&) = delete;
  TSetLock& operator=(const TSetLock&) = delete;

 private:
  std::filesystem::path path_;
  int fd_ = -1;
};

// Holds back the ending signals for its lifetime; one that came meanwhile
// is delivered when it ends.
class TSignalsHeld {
 public:
  TSignalsHeld() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kEndingSignals) sigaddset(&set, sig);
    ::pthread_sigmask(SIG_BLOCK, &set, &old_);
  }
  ~TSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
  TSignalsHeld(const TSignalsHeld&) = delete;
  TSignalsHeld& operator=(const TSignalsHeld&) = delete;

 private:
  sigset_t old_;
};

}  // namespace

void CommitFileSet(std::span<TAtomicFile* const> files) {
  if (files.empty()) return;
  for (TAtomicFile* f : files) f->Finish();
  const TSignalsHeld held;
  const TSetLock lock(files.front()->Target());
  for (TAtomicFile* f : files) f->Commit();
}

std::string FileErrorMessage(const std::string& what, const std::filesystem::path& path, int err) {
  return what + " \"" + path.string() + "\": " + std::strerror(err);
}

void WriteFileAtomically(const std::filesystem::path& target, std::string_view content) {
  TAtomicFile file(target);
  file.Write(content);
  file.Commit();
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  TFileBytes bytes(path);
  return std::string(bytes.View());
}

}  // namespace lumora
