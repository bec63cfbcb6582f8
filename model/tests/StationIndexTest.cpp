// Station lookups against a plain scan with std::regex, and measurements on
// plots with known answers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <regex>
#include <string>

#include "model/DemoCave.h"
#include "model/PlotReader.h"
#include "model/StationIndex.h"

namespace lumora {
namespace {

std::regex GlobRegex(const std::string& glob) {
  std::string re;
  for (char c : glob) {
    if (c == '*')
      re += ".*";
    else if (c == '?')
      re += '.';
    else if (std::isalnum(static_cast<unsigned char>(c)))
      re += c;
    else
      re += std::string("\\") + c;
  }
  return std::regex(re, std::regex::icase);
}

// The entries whose names std::regex matches, in file order.
std::vector<int> Scan(const TStationIndex& index, const std::string& glob) {
  const std::regex re = GlobRegex(glob);
  std::vector<int> want;
  for (int e = 0; e < index.Count(); ++e)
    if (std::regex_match(std::string(index.Name(e)), re)) want.push_back(e);
  return want;
}

TEST(StationIndex, LookupsAgreeWithARegexScanOnAGeneratedCave) {
  const TDemoCave cave = GenerateDemoCave({.Stations = 4000, .Seed = 7});
  TPlotModel model;
  ASSERT_TRUE(LoadPlotText(model, cave.Text, "demo.plt").Ok);
  TStationIndex index;
  index.Build(model);
  ASSERT_GT(index.Count(), 3000);

  // Every counted record is some entry's station, splay ends included;
  // feature lines are not.
  int splays = 0;
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const TPlotVector& r = model.Plots[i];
    const std::vector<int> found = index.FindExact(model.Name(r));
    bool atPosition = false;
    for (int e : found) atPosition |= Length(Subtract(index.Entry(e).Position, r.Position)) < 0.01;
    splays += r.IsSplay();
    if (r.Code == 'L' || r.Code == 'V')
      EXPECT_FALSE(atPosition && found.size() == 1 && index.Entry(found[0]).Plot == i) << model.Name(r);
    else
      ASSERT_TRUE(atPosition) << model.Name(r);
  }
  EXPECT_GT(splays, 0);

  std::mt19937 rng(3);
  std::vector<std::string> globs = {"*", "a1*", "A1?", "*1", "?", "*2*3*", "B*7", "zz*", "*x*"};
  for (int k = 0; k < 40; ++k) {
    std::string name(index.Name(static_cast<int>(rng() % index.Count())));
    for (char& c : name)
      if (rng() % 4 == 0) c = (rng() % 2) ? '?' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (rng() % 2) name.insert(rng() % (name.size() + 1), "*");
    globs.push_back(name);
  }
  for (const std::string& g : globs) EXPECT_EQ(Scan(index, g), index.FindPattern(g)) << g;

  // A prefix is the pattern with a star after it; Find prefers the exact name.
  EXPECT_EQ(index.FindPrefix("a1"), index.FindPattern("A1*"));
  // Plain text: every name holding it, once each, exact names first, then
  // names ending in it after a separator.
  for (const std::string text : {"a1", "A", "1", "b7", "no such station"}) {
    const std::vector<int> found = index.Find(text);
    std::vector<int> sorted = found;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, index.FindPattern("*" + text + "*")) << text;
    EXPECT_TRUE(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end()) << text;
    const std::vector<int> exact = index.FindExact(text);
    ASSERT_GE(found.size(), exact.size());
    EXPECT_TRUE(std::equal(exact.begin(), exact.end(), found.begin())) << text;
  }
  EXPECT_FALSE(index.FindExact("a1").empty());
  EXPECT_GT(index.Find("1").size(), index.FindPrefix("1").size()) << "found inside names too";
  EXPECT_TRUE(index.Find("no such station").empty());
}

TEST(StationIndex, OneEntryPerNameAndPositionWithSurveysAndSections) {
  // "a" twice at one place (a tie-in), "A" elsewhere in another section:
  // two entries for the name; a named splay end is a station, a feature
  // line is not; a prefixed name is found by its part after the '|'.
  const char* text =
      "Z 0 100 0 100 -50 10\r\n"
      "SNorth\r\nNS1 D 1 1 2000\r\n"
      "M 0 0 0 Sa P 1 1 1 1\r\nD 0 10 0 Sb P 1 1 1 1\r\nD 0 0 0 Sa P 1 1 1 1\r\n"
      "D 5 5 0 Ssp P 0 0 0 0 I 7 FS\r\n"
      "X 0 0 0 0 0 0\r\n"
      "SSouth\r\nNS2 D 1 1 2001\r\n"
      "M 50 50 -20 SA P 1 1 1 1\r\nD 50 60 -20 Sc P 1 1 1 1\r\nD 50 70 -20 SNear|dd P 1 1 1 1\r\n"
      "X 0 0 0 0 0 0\r\n"
      "FWater R 0 1\r\nL 9 9 9 Sw V 0.5\r\nX 0 0 0 0 0 0\r\n";
  TPlotModel model;
  ASSERT_TRUE(LoadPlotText(model, text, "t.plt").Ok);
  TStationIndex index;
  index.Build(model);
  EXPECT_EQ(index.Count(), 6);
  EXPECT_EQ(index.FindExact("sp").size(), 1u);
  EXPECT_TRUE(index.FindExact("w").empty());
  std::vector<int> found;
  const int dd = index.FindOne("DD", found);
  ASSERT_GE(dd, 0);
  EXPECT_EQ(index.Name(dd), "Near|dd");
  EXPECT_EQ(index.Find("dd"), found);
  EXPECT_TRUE(index.FindSuffix("ear|dd").empty()) << "a suffix starts after a separator";

  const std::vector<int> a = index.FindExact("A");
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(index.SurveyName(a[0]), "S1");
  EXPECT_EQ(index.SurveyName(a[1]), "S2");
  EXPECT_EQ(index.SectionName(a[0]), "North");
  EXPECT_EQ(index.SectionName(a[1]), "South");
  EXPECT_DOUBLE_EQ(index.Entry(a[1]).Position.z, -20);
  EXPECT_DOUBLE_EQ(index.Depth(a[1]), 20);
  EXPECT_EQ(index.FindPattern("?").size(), 4u);

  TStationIndex empty;
  TPlotModel none;
  empty.Build(none);
  EXPECT_EQ(empty.Count(), 0);
  EXPECT_TRUE(empty.FindPattern("*").empty());
  EXPECT_TRUE(empty.FindPrefix("").empty());
}

TEST(StationIndex, PatternRules) {
  EXPECT_TRUE(MatchStationPattern("a*c", "ABC"));
  EXPECT_TRUE(MatchStationPattern("a*c", "ac"));
  EXPECT_TRUE(MatchStationPattern("*", ""));
  EXPECT_TRUE(MatchStationPattern("a?c*", "abcXYZ"));
  EXPECT_TRUE(MatchStationPattern("*b*b", "abab"));
  EXPECT_FALSE(MatchStationPattern("a?c", "ac"));
  EXPECT_FALSE(MatchStationPattern("*b*b", "abba1"));
  EXPECT_FALSE(MatchStationPattern("abc", "abcd"));
  EXPECT_TRUE(MatchPatternList("x, ease*", "Easegill.bg1"));
  EXPECT_TRUE(MatchPatternList("ease*,", "easegill"));
  EXPECT_FALSE(MatchPatternList("ease, ,gill", "easegill"));
  EXPECT_FALSE(MatchPatternList("", "a"));
}

TEST(StationIndex, MeasurementsWithKnownAnswers) {
  const T3DVector o{10, 20, 30};
  TMeasurement north = Measure(o, {10, 120, 30});
  EXPECT_DOUBLE_EQ(north.Distance, 100);
  EXPECT_DOUBLE_EQ(north.Horizontal, 100);
  EXPECT_DOUBLE_EQ(north.Vertical, 0);
  EXPECT_DOUBLE_EQ(north.Bearing, 0);
  EXPECT_DOUBLE_EQ(north.Gradient, 0);

  TMeasurement down = Measure(o, {10, 20, -20});
  EXPECT_DOUBLE_EQ(down.Distance, 50);
  EXPECT_DOUBLE_EQ(down.Horizontal, 0);
  EXPECT_DOUBLE_EQ(down.Vertical, -50);
  EXPECT_DOUBLE_EQ(down.Gradient, -90);

  TMeasurement upEast = Measure(o, {20, 20, 40});
  EXPECT_NEAR(upEast.Distance, 10 * std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(upEast.Bearing, 90, 1e-12);
  EXPECT_NEAR(upEast.Gradient, 45, 1e-12);

  EXPECT_NEAR(Measure(o, {0, 20, 30}).Bearing, 270, 1e-12);
  EXPECT_NEAR(Measure(o, {0, 10, 30}).Bearing, 225, 1e-12);
  EXPECT_DOUBLE_EQ(Measure(o, o).Distance, 0);
}

}  // namespace
}  // namespace lumora
