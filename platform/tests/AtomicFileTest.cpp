#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/AtomicFile.h"

using namespace lumora;

namespace {

std::filesystem::path FreshDir(const char* name) {
  auto dir = std::filesystem::temp_directory_path() / ("lumora-atomic-" + std::to_string(::getpid()) + "-" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

std::set<std::string> Names(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

}  // namespace

// Writers racing for one target: whichever renames last wins with its whole
// file, none sees another's bytes, and no temporary stays behind.
TEST(AtomicFile, ConcurrentWritersLeaveOneWholeFile) {
  const auto dir = FreshDir("race");
  const auto target = dir / "cave.dxf";
  constexpr int kWriters = 4, kRounds = 12;
  std::vector<std::string> contents;
  for (int w = 0; w < kWriters; ++w) contents.push_back(std::string(1 << 18, static_cast<char>('a' + w)) + "EOF\n");
  std::vector<std::thread> threads;
  for (int w = 0; w < kWriters; ++w)
    threads.emplace_back([&, w] {
      for (int r = 0; r < kRounds; ++r) WriteFileAtomically(target, contents[w]);
    });
  for (auto& t : threads) t.join();
  const std::string result = ReadWholeFile(target);
  EXPECT_NE(std::find(contents.begin(), contents.end(), result), contents.end())
      << "a mixed file of " << result.size() << " bytes";
  EXPECT_EQ(Names(dir), std::set<std::string>{"cave.dxf"});
  std::filesystem::remove_all(dir);
}

// Special targets are fed, not replaced; a link's file is replaced with its
// permissions kept; a name of the longest length still has room beside it.
TEST(AtomicFile, TargetsKeepWhatTheyAre) {
  const auto dir = FreshDir("kinds");

  const auto fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string piped;
  std::thread reader([&] { piped = ReadWholeFile(fifo); });
  WriteFileAtomically(fifo, "through the pipe");
  reader.join();
  EXPECT_EQ(piped, "through the pipe");
  struct stat st {};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  WriteFileAtomically("/dev/null", "nothing");
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));

  const auto real = dir / "real.kml", link = dir / "link.kml";
  WriteFileAtomically(real, "old");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  std::filesystem::create_symlink("real.kml", link);
  WriteFileAtomically(link, "new");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadWholeFile(real), "new");
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  // A new file gets the permissions of a plain create.
  const mode_t mask = ::umask(022);
  WriteFileAtomically(dir / "fresh", "x");
  ::umask(mask);
  ASSERT_EQ(::stat((dir / "fresh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);

  const std::string longName = std::string(251, 'n') + ".shp";
  WriteFileAtomically(dir / longName, "long");
  EXPECT_EQ(ReadWholeFile(dir / longName), "long");

  EXPECT_EQ(Names(dir), (std::set<std::string>{"pipe", "real.kml", "link.kml", "fresh", longName}));
  EXPECT_THROW(WriteFileAtomically(dir, "a folder"), std::runtime_error);
  std::filesystem::remove_all(dir);
}

// An export ended by a signal leaves no temporary, one past a file-size
// limit fails with the system's message; one given up without a commit
// leaves none either, and the target untouched.
TEST(AtomicFile, InterruptedWritesLeaveNoTemporary) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ}) {
    const auto dir = FreshDir("signal");
    WriteFileAtomically(dir / "out.x", "old");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0 && sig == SIGXFSZ) {
      const rlimit small{4096, 4096};
      ::setrlimit(RLIMIT_FSIZE, &small);
      try {
        WriteFileAtomically(dir / "out.x", std::string(1 << 20, 'p'));
      } catch (const std::runtime_error& e) {
        ::_exit(std::string(e.what()).ends_with("out.x\": File too large") ? 4 : 5);
      }
      ::_exit(6);
    }
    if (child == 0) {
      TAtomicFile file(dir / "out.x");
      file.Write(std::string(1 << 20, 'p'));
      ::kill(::getpid(), sig);
      ::_exit(3);  // not reached while the signal ends the process
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (sig == SIGXFSZ)
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 4) << status;
    else
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " " << status;
    EXPECT_EQ(Names(dir), std::set<std::string>{"out.x"}) << sig;
    EXPECT_EQ(ReadWholeFile(dir / "out.x"), "old");
    {
      TAtomicFile abandoned(dir / "out.x");
      abandoned.Write("half");
      EXPECT_EQ(Names(dir).size(), 2u);
    }
    EXPECT_EQ(Names(dir), std::set<std::string>{"out.x"});
    EXPECT_EQ(ReadWholeFile(dir / "out.x"), "old");
    std::filesystem::remove_all(dir);
  }
}
