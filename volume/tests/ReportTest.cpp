#include "volume/VolumeReport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>
#include <string>

#include "model/PlotReader.h"
#include "volume/tests/VolumeCave.h"

namespace lumora {
namespace {

using testing::Station;
using testing::VolumeCave;

TEST(ReportText, NumbersAndRows) {
  EXPECT_EQ(GroupedNumber(0, 1), "0.0");
  EXPECT_EQ(GroupedNumber(999.94, 1), "999.9");
  EXPECT_EQ(GroupedNumber(1234.5, 1), "1,234.5");
  EXPECT_EQ(GroupedNumber(1234567.25, 1), "1,234,567.2");  // halves to even, as printed exactly
  EXPECT_EQ(GroupedNumber(123456, 3), "123,456.000");
  EXPECT_EQ(GroupedNumber(-98765.43, 1), "-98,765.4");
  EXPECT_EQ(GroupedNumber(std::numeric_limits<double>::quiet_NaN(), 1), "n/a");
  EXPECT_EQ(GroupedNumber(std::numeric_limits<double>::infinity(), 1), "n/a");

  const TWorkingUnits feet = MakeWorkingUnits(true);
  const TWorkingUnits metres = MakeWorkingUnits(false);
  EXPECT_EQ(feet.ShortUnitName, "ft");
  EXPECT_EQ(feet.LongUnitName, "Feet");
  EXPECT_EQ(metres.ShortUnitName, "m");
  EXPECT_EQ(metres.LongUnitName, "Meters");
  EXPECT_DOUBLE_EQ(metres.LengthFactor, MetresPerFoot());
  EXPECT_DOUBLE_EQ(metres.AreaFactor, MetresPerFoot() * MetresPerFoot());
  EXPECT_DOUBLE_EQ(metres.VolumeFactor, MetresPerFoot() * MetresPerFoot() * MetresPerFoot());
  EXPECT_TRUE(TWorkingUnits{}.UnitsFeet) << "feet until the settings are read";

  EXPECT_EQ(ReportBlockHeader(7, feet),
            (std::vector<std::string>{"", "Levels: 7 Units: Feet", "Convex\tRock Volume\tCave Volume\tPorosity",
                                      std::string(50, '-')}));
  EXPECT_EQ(ReportBlockHeader(10, metres)[1], "Levels: 10 Units: Meters");
  EXPECT_EQ(ReportRow(42, 1234567.0, 4567.8, feet), "42\t1,234,567.0\t4,567.8\t0.370%");
  // A rock volume of 0 has no porosity to show.
  EXPECT_EQ(ReportRow(1, 0, 4567.8, feet), "1\t0.0\t4,567.8\tn/a");
  EXPECT_EQ(ReportPorosity(std::nullopt), "n/a");
  EXPECT_EQ(ReportPorosity(12.3456), "12.346%");
  const std::string row = ReportRow(3, 1e6, 1e4, metres);
  EXPECT_EQ(row, "3\t" + GroupedNumber(1e6 * metres.VolumeFactor, 1) + "\t" +
                     GroupedNumber(1e4 * metres.VolumeFactor, 1) + "\t1.000%");
}

class ReportRun : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int j = 0; j < 3; ++j) {
      std::vector<Station> line;
      for (int x = 0; x <= 60; x += 10) line.push_back({double(x), j * 15.0, x * 0.3, 4, 4, 3, 3});
      cave.Line(line, "R" + std::to_string(j) + "_");
    }
    state = cave.Build(options);
  }
  VolumeCave cave;
  TPassageOptions options;
  TPassageState state;
};

TEST_F(ReportRun, TenBlocksOfAHundredRows) {
  TVolumeModel model(cave.Model(), options, state);
  model.LevelCount = 4;
  TVolumeReports reports;
  reports.Lines = {"old text"};
  int lines = 0, idles = 0, progress = 0;
  reports.OnLine = [&](const std::string&) { ++lines; };
  reports.OnIdle = [&] { ++idles; };
  reports.OnProgress = [&](int p) {
    EXPECT_GE(p, -1);
    EXPECT_LE(p, 100);
    ++progress;
  };
  ASSERT_TRUE(reports.Run(model, MakeWorkingUnits(true), {true, false, 4, 0.37}));
  ASSERT_EQ(reports.Lines.size(), 10u * 104u);
  EXPECT_EQ(lines, 1040);
  EXPECT_EQ(idles, 1040);
  EXPECT_GT(progress, 1000);
  const std::regex rowForm(R"(^(\d+)\t\d{1,3}(,\d{3})*\.\d\t\d{1,3}(,\d{3})*\.\d\t\d+\.\d{3}%$)");
  for (int n = 1; n <= 10; ++n) {
    const size_t b = (n - 1) * 104;
    EXPECT_EQ(reports.Lines[b], "");
    EXPECT_EQ(reports.Lines[b + 1], "Levels: " + std::to_string(n) + " Units: Feet");
    EXPECT_EQ(reports.Lines[b + 2], "Convex\tRock Volume\tCave Volume\tPorosity");
    EXPECT_EQ(reports.Lines[b + 3], std::string(50, '-'));
    for (int k = 1; k <= 100; ++k) {
      const std::string& row = reports.Lines[b + 3 + k];
      std::smatch m;
      ASSERT_TRUE(std::regex_match(row, m, rowForm)) << row;
      EXPECT_EQ(m[1], std::to_string(k));
    }
  }
  // The rows are what the model computes for that count and concavity.
  TVolumeModel check(cave.Model(), options, state);
  check.LevelCount = 6;
  check.BuildLevels({}, true);
  check.ComputeVolumes({}, false, 0.25);
  EXPECT_EQ(reports.Lines[5 * 104 + 3 + 25],
            ReportRow(25, check.RockVolume, check.CaveVolume(), MakeWorkingUnits(true)));
  // The model is left with the tool's own layer count and concavity.
  EXPECT_EQ(model.LevelCount, 4);
  check.LevelCount = 4;
  check.BuildLevels({}, true);
  check.ComputeVolumes({}, false, 0.37);
  EXPECT_DOUBLE_EQ(model.RockVolume, check.RockVolume);
  EXPECT_EQ(reports.Text().size(), [&] {
    size_t s = 0;
    for (const auto& l : reports.Lines) s += l.size() + 1;
    return s;
  }());
}

TEST_F(ReportRun, AbortStopsAfterTheCurrentRowAndRestores) {
  TVolumeModel model(cave.Model(), options, state);
  model.LevelCount = 3;
  TVolumeReports reports;
  reports.Abort = true;  // a stale flag does not stop a new run
  reports.OnIdle = [&] {
    if (reports.Lines.size() == 104 + 4 + 20) reports.Abort = true;  // 20 rows into the second block
  };
  EXPECT_FALSE(reports.Run(model, MakeWorkingUnits(false), {true, true, 3, 0.5}));
  ASSERT_EQ(reports.Lines.size(), 104u + 4u + 20u);
  EXPECT_EQ(reports.Lines[1], "Levels: 1 Units: Meters");
  EXPECT_EQ(reports.Lines.back().substr(0, 3), "20\t");
  EXPECT_EQ(model.LevelCount, 3);
  EXPECT_TRUE(model.LevelsBuilt);
  TVolumeModel check(cave.Model(), options, state);
  check.LevelCount = 3;
  check.BuildLevels({}, true);
  check.ComputeVolumes({}, true, 0.5);
  EXPECT_DOUBLE_EQ(model.RockVolume, check.RockVolume);
}

}  // namespace
}  // namespace lumora
