#include "controls/ReopenMenu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/IniFile.h"

namespace lumora {
namespace {
namespace fs = std::filesystem;

// One application for the whole program, on the offscreen platform so the
// tests need no display.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_controls";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};
::testing::Environment* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class ReopenMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("reopen-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ini_ = dir_ / "Lumor.ini";
    menu_.SetIniFile(ini_, "history", 3);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path MakeFile(const std::string& name) {
    const fs::path p = dir_ / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "x";
    return p;
  }
  QStringList Captions() const {
    QStringList captions;
    for (QAction* a : menu_.actions()) captions << a->text();
    return captions;
  }

  fs::path dir_, ini_;
  TReopenMenu menu_{"&Reopen Plot File..."};
};

using Paths = std::vector<fs::path>;

TEST_F(ReopenMenuTest, AddPutsNewestFirstMovesDuplicatesAndKeepsTheLimit) {
  const fs::path a = MakeFile("a.plt"), b = MakeFile("b.plt"), c = MakeFile("sub/c.plt"), d = MakeFile("d.plt");
  menu_.Add(a);
  menu_.Add(b);
  menu_.Add(c);
  EXPECT_EQ(menu_.Paths(), (Paths{c, b, a}));
  EXPECT_EQ(Captions(), (QStringList{"&1 c.plt", "&2 b.plt", "&3 a.plt"}));

  menu_.Add(a);  // moves to the top, no second entry
  EXPECT_EQ(menu_.Paths(), (Paths{a, c, b}));
  EXPECT_EQ(Captions(), (QStringList{"&1 a.plt", "&2 c.plt", "&3 b.plt"}));

  menu_.Add(d);  // the oldest drops off
  EXPECT_EQ(menu_.Paths(), (Paths{d, a, c}));
  EXPECT_EQ(Captions().size(), 3);
}

TEST_F(ReopenMenuTest, AddIgnoresWhatIsNoExistingFileAndStoresFullPaths) {
  menu_.Add(dir_ / "missing.plt");
  menu_.Add(dir_);  // a folder is no file
  EXPECT_TRUE(menu_.Paths().empty());
  EXPECT_TRUE(menu_.actions().isEmpty());

  const fs::path a = MakeFile("a.plt");
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_);
  menu_.Add("a.plt");
  menu_.Add("./a.plt");
  fs::current_path(cwd);
  EXPECT_EQ(menu_.Paths(), (Paths{a}));
}

TEST_F(ReopenMenuTest, CaptionsShowAmpersandsAndNumberPastNine) {
  EXPECT_EQ(ReopenCaption(1, "/caves/R&D cave.plt"), "&1 R&&D cave.plt");
  EXPECT_EQ(ReopenCaption(12, "/x/y.plf"), "&12 y.plf");
}

TEST_F(ReopenMenuTest, ChoosingAnEntrySignalsItsPathWithoutReordering) {
  const fs::path a = MakeFile("a.plt"), b = MakeFile("b.plt");
  menu_.Add(a);
  menu_.Add(b);
  QStringList chosen;
  QObject::connect(&menu_, &TReopenMenu::Reopen, [&](const QString& path) { chosen << path; });
  menu_.actions().at(1)->trigger();
  EXPECT_EQ(chosen, QStringList{QString::fromStdString(a.string())});
  EXPECT_EQ(menu_.Paths(), (Paths{b, a}));
}

TEST_F(ReopenMenuTest, AHandlerMayRebuildTheMenuWhileItsEntryFires) {
  const fs::path a = MakeFile("a.plt"), b = MakeFile("b.plt");
  menu_.Add(a);
  menu_.Add(b);
  QObject::connect(&menu_, &TReopenMenu::Reopen, &menu_,
                   [this](const QString& path) { menu_.Add(path.toStdString()); });
  menu_.actions().at(1)->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(menu_.Paths(), (Paths{a, b}));
  EXPECT_EQ(Captions(), (QStringList{"&1 a.plt", "&2 b.plt"}));
}

TEST_F(ReopenMenuTest, SaveWritesCountAndPathsAndLoadReadsThemBack) {
  const fs::path a = MakeFile("a.plt"), b = MakeFile("b.plt");
  {
    TIniFile other(ini_);
    other.WriteString("Units", "Feet", "0");
    other.WriteString("history", "Path7", "stale");
    other.UpdateFile();
  }
  menu_.Add(a);
  menu_.Add(b);
  menu_.Save();

  const TIniFile ini(ini_);
  EXPECT_EQ(ini.ReadInteger("history", "Count", -1), 2);
  EXPECT_EQ(ini.ReadString("history", "Path0", ""), b.string());
  EXPECT_EQ(ini.ReadString("history", "Path1", ""), a.string());
  EXPECT_FALSE(ini.ValueExists("history", "Path7"));    // the section was erased first
  EXPECT_EQ(ini.ReadString("Units", "Feet", ""), "0");  // other sections stay

  fs::remove(a);  // not checked on load
  TReopenMenu loaded("&Reopen Plot File...");
  loaded.SetIniFile(ini_, "history", 3);
  loaded.Load();
  EXPECT_EQ(loaded.Paths(), (Paths{b, a}));
  EXPECT_EQ(loaded.actions().size(), 2);
  EXPECT_EQ(loaded.actions().at(0)->text(), "&1 b.plt");
}

TEST_F(ReopenMenuTest, LoadEmptiesTheMenuAndKeepsTheLastOfEqualEntries) {
  {
    TIniFile ini(ini_);
    ini.WriteInteger("History", "Count", 5);  // section and keys match in any case
    ini.WriteString("history", "Path0", "/p/one.plt");
    ini.WriteString("history", "PATH1", "/p/two.plt");
    ini.WriteString("history", "Path2", "/p/one.plt");
    // Path3 absent: no empty entry
    ini.WriteString("history", "Path4", "/p/three.plt");
    ini.WriteString("history", "Path5", "/p/beyond-count.plt");
    ini.WriteString("history", "Path01", "/p/not-a-key.plt");
    ini.UpdateFile();
  }
  menu_.Add(MakeFile("earlier.plt"));
  menu_.Load();
  EXPECT_EQ(menu_.Paths(), (Paths{"/p/two.plt", "/p/one.plt", "/p/three.plt"}));
  EXPECT_EQ(Captions(), (QStringList{"&1 two.plt", "&2 one.plt", "&3 three.plt"}));

  fs::remove(ini_);  // a missing file is an empty list
  menu_.Load();
  EXPECT_TRUE(menu_.Paths().empty());
}

TEST_F(ReopenMenuTest, AHugeCountReadsOnlyTheKeysThere) {
  {
    TIniFile ini(ini_);
    ini.WriteInteger("history", "Count", 2147483647);
    ini.WriteString("history", "Path0", "/p/one.plt");
    ini.UpdateFile();
  }
  menu_.Load();
  EXPECT_EQ(menu_.Paths(), (Paths{"/p/one.plt"}));
}

TEST_F(ReopenMenuTest, AnUnusableSettingsFileLeavesTheListAndIsNotOverwritten) {
  const fs::path a = MakeFile("a.plt");
  menu_.Add(a);

  // A folder where the file should be: neither readable nor writable.
  fs::create_directories(ini_);
  menu_.Load();
  EXPECT_EQ(menu_.Paths(), (Paths{a}));
  menu_.Save();
  EXPECT_TRUE(fs::is_directory(ini_));

  // A file in place of the folder: the write fails silently.
  const fs::path blocked = MakeFile("plain") / "Lumor.ini";
  menu_.SetIniFile(blocked, "history", 3);
  menu_.Save();
  EXPECT_FALSE(fs::exists(blocked));
  EXPECT_EQ(menu_.Paths(), (Paths{a}));
}

}  // namespace
}  // namespace lumora
