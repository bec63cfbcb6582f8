#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <csignal>

#include "platform/AtomicFile.h"
#include "platform/IniFile.h"

using namespace lumora;

namespace {

std::filesystem::path TempDir() {
  auto dir = std::filesystem::temp_directory_path() / ("lumora-ini-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace

TEST(IniFile, PrivateProfileSemanticsSurviveARoundTrip) {
  const auto dir = TempDir();
  const auto path = dir / "Test.ini";
  {
    TIniFile ini(path);
    ini.WriteString("Export", "Layer", "Walls");
    ini.WriteBool("Export", "DoTexture", true);
    ini.WriteBool("export", "dotexture", false);  // same key, other case
    ini.WriteFloat("Export", "Scale", 0.1);
    ini.WriteInteger("Other", "Count", -12);
    ini.UpdateFile();
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "Test.ini.tmp~"));

  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("EXPORT", "layer", "?"), "Walls");
  EXPECT_FALSE(ini.ReadBool("Export", "DoTexture", true));
  EXPECT_EQ(ini.ReadFloat("Export", "Scale", 0), 0.1);
  EXPECT_EQ(ini.ReadInteger("Other", "Count", 0), -12);
  EXPECT_EQ(ini.ReadInteger("Other", "Missing", 7), 7);
  EXPECT_EQ(ini.ReadInteger("Export", "Layer", 3), 3);  // not a number: the default
  EXPECT_EQ(ini.ReadSection("Export"), (std::vector<std::string>{"Layer", "DoTexture", "Scale"}));

  std::ifstream in(path);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("DoTexture=0"), std::string::npos);

  ini.EraseSection("export");
  EXPECT_FALSE(ini.SectionExists("Export"));
  EXPECT_TRUE(ini.SectionExists("Other"));
  std::filesystem::remove_all(dir);
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFile) {
  const auto dir = TempDir();
  const auto target = dir / "keep.txt";
  WriteFileAtomically(target, "old");
  // A user's own file of the name an older temporary had is never touched.
  std::filesystem::create_directory(dir / "keep.txt.tmp~");
  // A file size limit makes the write fail, whoever runs the test.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_THROW(WriteFileAtomically(target, std::string(100, 'n')), std::runtime_error);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(ReadWholeFile(target), "old");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "keep.txt.tmp~"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
  EXPECT_THROW(ReadWholeFile(dir / "missing.txt"), std::runtime_error);
  std::filesystem::remove_all(dir);
}

// A settings file of many keys and sections, read through the indexes:
// every key is found whatever its case, the first of two equal keys wins,
// and the indexes follow deletions.
TEST(IniFile, ManyKeysReadLikeFewAndFollowDeletions) {
  const auto dir = TempDir();
  const auto path = dir / "Big.ini";
  constexpr int kSections = 50, kKeys = 4000;
  std::string text;
  for (int s = 0; s < kSections; ++s) {
    text += "[Sec" + std::to_string(s) + "]\r\n";
    for (int k = 0; k < kKeys; ++k) text += "Key" + std::to_string(k) + "=" + std::to_string(s * kKeys + k) + "\r\n";
    text += "KEY0=shadowed\r\n";
  }
  WriteFileAtomically(path, text);
  TIniFile ini(path);
  for (int s = 0; s < kSections; s += 7)
    for (int k = 0; k < kKeys; k += 13)
      ASSERT_EQ(ini.ReadInteger("SEC" + std::to_string(s), "key" + std::to_string(k), -1), s * kKeys + k);
  EXPECT_EQ(ini.ReadSection("Sec3").size(), static_cast<size_t>(kKeys));
  EXPECT_EQ(ini.ReadSection("Sec3").back(), "Key" + std::to_string(kKeys - 1));

  ini.DeleteKey("sec3", "KEY5");
  EXPECT_FALSE(ini.ValueExists("Sec3", "Key5"));
  EXPECT_EQ(ini.ReadInteger("Sec3", "Key6", -1), 3 * kKeys + 6);
  ini.EraseSection("SEC1");
  EXPECT_FALSE(ini.SectionExists("Sec1"));
  EXPECT_EQ(ini.ReadInteger("Sec2", "Key9", -1), 2 * kKeys + 9);
  ini.WriteString("sec2", "key9", "new");
  ini.WriteString("Sec1", "Fresh", "x");
  EXPECT_EQ(ini.ReadString("Sec2", "Key9", ""), "new");
  EXPECT_EQ(ini.ReadString("SEC1", "FRESH", ""), "x");
  EXPECT_EQ(ini.ReadSection("Sec2").size(), static_cast<size_t>(kKeys));
  std::filesystem::remove_all(dir);
}

// A write keeps every line it does not change, in its place: comments,
// keys before any section, duplicates, lines without '=', CR LF, any bytes.
// A file that cannot be read, or is no regular one, is not written over.
TEST(IniFile, WritingKeepsEveryOtherLineAndNoUnreadableFile) {
  const auto dir = TempDir();
  std::string binary(100000, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7919 % 251);
  for (const std::string& text : {std::string("; c\nloose=1\n[history]\nPath0=/a\nno equals\nPath0=/b\n\n[window]\n"
                                              "Geometry=old\n[history]\nPath1=/c\n"),
                                  std::string("[Units]\r\nFeet=1\r\n;c\r\n"), binary}) {
    WriteFileAtomically(dir / "a.ini", text);
    TIniFile ini(dir / "a.ini");
    ini.WriteString("window", "Geometry", "new");
    ini.WriteString("history", "Path5", "/d");
    ini.UpdateFile();
    std::istringstream before(text), after(ReadWholeFile(dir / "a.ini"));
    std::string want, got;
    while (std::getline(before, want))
      while (!want.starts_with("Geometry=") && std::getline(after, got) && got != want) {
      }
    EXPECT_TRUE(after) << "lost '" << want.substr(0, 40) << "'";
    EXPECT_EQ(TIniFile(dir / "a.ini").ReadString("history", "Path1", ""), text[0] == ';' ? "/c" : "");
  }
  ::alarm(20);  // opening a FIFO to read would wait for a writer
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(dir / "dir");
  for (const char* name : {"fifo", "dir"}) {
    TIniFile ini(dir / name);
    EXPECT_NE(ini.LoadError().find((dir / name).string()), std::string::npos) << ini.LoadError();
    EXPECT_THROW(ini.UpdateFile(), std::runtime_error);
  }
  ::alarm(0);
  EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo"));
  std::filesystem::remove_all(dir);
}
