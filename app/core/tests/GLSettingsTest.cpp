#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/core/GLSettings.h"
#include "model/PlotReader.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;

class UnitsSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("lumora-units-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    file = dir / "Lumor.ini";
  }
  void TearDown() override { fs::remove_all(dir); }
  void Write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
  std::string Text() const {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  TWorkingUnits Read() {
    TWorkingUnits u = MakeWorkingUnits(false);
    ReadUnits(u, file);
    return u;
  }

  fs::path dir, file;
};

TEST_F(UnitsSettings, FeetUnlessTheFileSaysAnIntegerZero) {
  EXPECT_TRUE(Read().UnitsFeet) << "missing file";
  Write("[Other]\nFeet=0\n");
  EXPECT_TRUE(Read().UnitsFeet) << "missing section";
  Write("[units]\nfeet=0\n");
  const TWorkingUnits metres = Read();
  EXPECT_FALSE(metres.UnitsFeet);
  EXPECT_EQ(metres.ShortUnitName, "m");
  EXPECT_EQ(metres.LongUnitName, "Meters");
  EXPECT_DOUBLE_EQ(metres.VolumeFactor, MetresPerFoot() * MetresPerFoot() * MetresPerFoot());
  for (const char* value : {"5", "-1", "abc", "0.0", "", "1e3"}) {
    Write(std::string("[Units]\nFeet=") + value + "\n");
    const TWorkingUnits u = Read();
    EXPECT_TRUE(u.UnitsFeet) << "Feet=" << value;
    EXPECT_EQ(u.LongUnitName, "Feet") << "names follow the flag";
  }
}

TEST_F(UnitsSettings, SaveWritesTheFlagAndKeepsTheRest) {
  Write("[Recent]\nFile1=/a.plt\n[Units]\nFeet=1\n");
  SaveUnits(MakeWorkingUnits(false), file);
  EXPECT_FALSE(Read().UnitsFeet);
  EXPECT_NE(Text().find("File1=/a.plt"), std::string::npos);
  EXPECT_NE(Text().find("Feet=0"), std::string::npos);
  SaveUnits(MakeWorkingUnits(true), file);
  EXPECT_TRUE(Read().UnitsFeet);
  EXPECT_NE(Text().find("Feet=1"), std::string::npos);
}

TEST_F(UnitsSettings, AnUnwritableFileIsNamedAndLeftAsItWas) {
  // A folder where the file should be: nothing can replace it.
  fs::create_directories(file);
  try {
    SaveUnits(MakeWorkingUnits(false), file);
    FAIL() << "saving over a folder succeeded";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
  }
  EXPECT_TRUE(fs::is_directory(file));
  fs::remove_all(file);

  // A file below a plain file.
  Write("[Units]\nFeet=1\n");
  const fs::path below = file / "Lumor.ini";
  try {
    SaveUnits(MakeWorkingUnits(false), below);
    FAIL() << "saving below a file succeeded";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(below.string()), std::string::npos) << e.what();
  }
  EXPECT_EQ(Text(), "[Units]\nFeet=1\n");
}

TEST_F(UnitsSettings, TheTwoLumorIniFilesAreDifferentFiles) {
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  EXPECT_EQ(UnitsSettingsPath(), dir / "Lumor.ini");
  EXPECT_EQ(RecentFilesSettingsPath(), dir / "bramble" / "Lumor.ini");
  EXPECT_NE(UnitsSettingsPath(), RecentFilesSettingsPath());
  if (old)
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace lumora
