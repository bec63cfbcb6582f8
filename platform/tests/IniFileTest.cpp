#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

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
  std::filesystem::create_directory(dir / "keep.txt.tmp~");  // the temporary cannot be created
  EXPECT_THROW(WriteFileAtomically(target, "new"), std::runtime_error);
  EXPECT_EQ(ReadWholeFile(target), "old");
  EXPECT_THROW(ReadWholeFile(dir / "missing.txt"), std::runtime_error);
  std::filesystem::remove_all(dir);
}
