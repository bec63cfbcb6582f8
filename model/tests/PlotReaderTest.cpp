#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "model/PlotReader.h"
#include "platform/IniFile.h"
#include "platform/Settings.h"

using namespace lumora;

namespace {

struct Loaded {
  TPlotModel model;
  TPlotLoadResult result;
};

std::unique_ptr<Loaded> Load(std::string_view text) {
  auto l = std::make_unique<Loaded>();
  l->result = LoadPlotText(l->model, text, "test.plt");
  return l;
}

}  // namespace

TEST(PlotReader, StationLineWithEveryPart) {
  auto l = Load("D 10 20 30 S A|B|C P 1 2 3 4 I 5 FMX \"a| b|  c\\\"d{p}e\"\r\n");
  ASSERT_TRUE(l->result.Ok) << l->result.Message;
  ASSERT_EQ(l->model.Plots.Count(), 1);
  const TPlotVector& r = l->model.Plots[0];
  EXPECT_EQ(r.Code, 'D');
  EXPECT_EQ(r.Position.x, 20);
  EXPECT_EQ(r.Position.y, 10);
  EXPECT_EQ(r.Position.z, 30);
  EXPECT_EQ(l->model.Name(r), "A|B|C");
  EXPECT_EQ(l->model.Prefix(r), "A");
  EXPECT_EQ(l->model.Station(r), "B|C");
  EXPECT_EQ(r.Left, 1);
  EXPECT_EQ(r.Up, 2);
  EXPECT_EQ(r.Down, 3);
  EXPECT_EQ(r.Right, 4);
  EXPECT_EQ(r.IValue, 5);
  EXPECT_EQ(r.Flags, "MX");
  // One space after '|' is dropped, the escaped quote is kept, {P} is cut.
  EXPECT_EQ(r.Comment, "a\r\nb\r\n c\"de");
  EXPECT_TRUE(r.Marked);
  // The first extent sets both: 30 + 2 and 30 - 3, not 0.
  EXPECT_EQ(l->model.PlotInfo.Top, 32);
  EXPECT_EQ(l->model.PlotInfo.Bottom, 27);
}

TEST(PlotReader, OptionalPartsOutOfOrderOrMissing) {
  auto l = Load(
      "M 1 2 3\r\n"                     // no S part
      "D 1 2 3 P 1 2 3 4 S X\r\n"       // P before S: the search for S passes over P
      "D 1 2 3 S Y I 1 F MX \"c\"\r\n"  // flags after a space are empty, so is the comment
      "D 1 2 3 S AVERYLONGSTATIONNAMEBEYONDTWENTY\r\n");
  ASSERT_TRUE(l->result.Ok) << l->result.Message;
  const auto& p = l->model.Plots;
  const TPlotModel& m = l->model;
  EXPECT_EQ(m.Name(p[0]), "?");
  EXPECT_TRUE(m.Prefix(p[0]).empty());
  EXPECT_TRUE(m.Station(p[0]).empty());
  EXPECT_EQ(m.Name(p[1]), "X");
  EXPECT_TRUE(m.Prefix(p[1]).empty());
  EXPECT_EQ(m.Station(p[1]), "X");
  EXPECT_EQ(p[1].Left, 0);
  EXPECT_TRUE(p[2].Flags.Empty());
  EXPECT_EQ(m.Name(p[3]), "AVERYLONGSTATIONNAMEBEYONDTWENTY");  // kept whole
  EXPECT_EQ(m.CutName(p[3], 20), "TIONNAMEBEYONDTWENTY");       // where a writer must cut it
  EXPECT_EQ(p[3].ShotIndex, 2);
  EXPECT_EQ(l->model.LineStarts.Count(), 1);
}

TEST(PlotReader, SurveysFeaturesAndDates) {
  auto l = Load(
      "N S1 D 2 30 2001 C  Two spaces\r\n"
      "E whatever D 13 40 0\r\n"
      "M 0 0 0 S a1\r\n"
      "X 1 2 3 4 5 6\r\n"
      "N S2 C not read\r\n"
      "X 0 0 0 0 0 0\r\n"
      "F Water R -1.5 -x2.5\r\n"
      "L 1 1 1 S w1 P 1 1 1 1 V -7\r\n"
      "L 1 1 1 S w2\r\n"
      "X 0 0 0 0 0 0\r\n"
      "F Air\r\n"
      "L 2 2 2 S a P 0 0 0 0 V 3\r\n"
      "X 0 0 0 0 0 0\r\n"
      "N S4 D 2 29 1900\r\n"
      "X 0 0 0 0 0 0\r\n");
  ASSERT_TRUE(l->result.Ok) << l->result.Message;
  const auto& s = l->model.Surveys;
  ASSERT_EQ(s.Count(), 5);
  EXPECT_EQ(s[0].SurveyDate, PackDate(2001, 2, 28));  // day clamped to February
  EXPECT_EQ(s[0].DiscoveryDate, PackDate(1, 12, 31));
  EXPECT_EQ(s[0].Comment, "  Two spaces");
  EXPECT_EQ(s[0].Min.y, 1);
  EXPECT_EQ(s[0].Max.y, 2);
  EXPECT_EQ(s[0].Min.x, 3);
  EXPECT_EQ(s[0].Max.z, 6);
  EXPECT_EQ(s[1].SurveyDate, kNoDate);
  EXPECT_TRUE(s[1].Comment.Empty());
  EXPECT_EQ(s[2].Kind, skFeatureRange);
  EXPECT_TRUE(s[2].IsFeature);
  EXPECT_EQ(s[2].FirstPlot, 1);
  EXPECT_EQ(s[2].FirstLine, 1);
  EXPECT_EQ(s[3].Kind, skFeature);
  EXPECT_EQ(s[4].SurveyDate, PackDate(1900, 2, 28));  // 1900 is no leap year

  const auto& p = l->model.Plots;
  EXPECT_EQ(p[1].Code, 'V');
  EXPECT_EQ(p[1].Right, -7);
  EXPECT_EQ(p[1].Down, -1.5f);
  EXPECT_EQ(p[1].Up, 2.5f);  // a letter between sign and digits forgets the sign
  EXPECT_EQ(p[2].Code, 'L');
  EXPECT_EQ(p[3].Code, 'V');  // the plain feature keeps the last range
  EXPECT_EQ(p[3].Down, -1.5f);
  EXPECT_EQ(l->model.LineStarts.Count(), 4);
  EXPECT_EQ(l->model.Sections.Count(), 1);
  EXPECT_EQ(l->model.Sections[0].Name, "(None)");
}

// Stations whose splay groups come back between other stations' groups, in
// many rounds, against a plain list per station.
TEST(PlotReader, SplayGroupsOfStationsMetAgainKeepTheirOrder) {
  struct TShot {
    std::string to;
    double from, at;
  };
  std::vector<std::string> order;
  std::map<std::string, std::vector<TShot>> want;
  std::map<std::string, double> firstFrom;
  std::string text;
  std::mt19937 rng(5);
  for (int group = 0; group < 2000; ++group) {
    // Names of 20 characters and more are cut to 20, so two stations meet
    // as one.
    const std::string from =
        group % 97 == 0 ? "LONGSTATIONNAME_OF_20" + std::to_string(group % 2) : "s" + std::to_string(rng() % 60);
    const std::string key = from.substr(0, 20);
    const int n = static_cast<int>(rng() % 9);
    const double x = group;
    text += "VA " + from + " " + std::to_string(group) + " 0 0 " + std::to_string(n);
    for (int i = 0; i < n; ++i) {
      const std::string to = "t" + std::to_string(group) + "_" + std::to_string(i);
      text += " " + to + " 0 " + std::to_string(i) + " 0";
      if (!want.count(key)) {
        order.push_back(key);
        firstFrom[key] = x;
      }
      want[key].push_back({to, x, static_cast<double>(i)});
    }
    text += "\r\n";
  }
  auto l = Load(text + "D 1 2 3\r\n");
  ASSERT_TRUE(l->result.Ok) << l->result.Message;
  const TSplayArray& splays = l->model.Splays;
  ASSERT_EQ(splays.Count(), static_cast<int>(order.size()));
  int shots = 0;
  for (int i = 0; i < splays.Count(); ++i) {
    ASSERT_EQ(splays.Key(i), order[i]);
    EXPECT_EQ(splays.IndexOf(order[i]), i);
    const TSplayItem item = splays.Item(i);
    EXPECT_EQ(item.Position.x, firstFrom[order[i]]);
    const std::vector<TShot>& w = want[order[i]];
    ASSERT_EQ(item.Shots.size(), w.size()) << order[i];
    for (size_t k = 0; k < w.size(); ++k) {
      EXPECT_EQ(item.Shots[k].ToName, w[k].to);
      EXPECT_EQ(item.Shots[k].From.x, w[k].from);
      EXPECT_EQ(item.Shots[k].To.y, w[k].at);
    }
    shots += static_cast<int>(w.size());
  }
  EXPECT_EQ(splays.ShotCount(), shots);
  EXPECT_EQ(splays.IndexOf("nobody"), -1);
}

TEST(PlotReader, SkippedLineKindsAndTriangleBlocks) {
  auto l = Load(
      "U some text\r\nC 3\r\nK 4\r\nP FIX 1 2 3 /a fixed point/\r\n"
      "R 2 a b c d e S 1.5: loop\r\n"
      "T mesh 2 1 2 3 1 2 3 4 5 6 7 8 9\r\n10 11 12\r\n13 14 15 16 17 18 trailing\r\n"
      "VB not a splay line\r\n"
      "VA st 1 2 3 2 t1 4 5 6 t2 7 8 9\r\n"
      "VA st 9 9 9 1 t3 0 0 0\r\n"
      "G 17\r\nG 0\r\n"
      "S Main passage\r\n"
      "Z 0 10 0 20 -5 -5\r\n"
      "D 1 2 3\r\n");
  ASSERT_TRUE(l->result.Ok) << l->result.Message;
  EXPECT_EQ(l->model.Plots.Count(), 1);
  ASSERT_EQ(l->model.Splays.Count(), 1);
  const TSplayItem& item = l->model.Splays.Item(0);
  EXPECT_EQ(item.Shots.size(), 3u);
  EXPECT_EQ(item.Position.x, 1);  // the first group's position stays
  EXPECT_EQ(item.Shots[1].To.y, 8);
  EXPECT_EQ(item.Shots[2].From.z, 9);
  EXPECT_TRUE(l->model.PlotInfo.HasZone);
  EXPECT_EQ(l->model.PlotInfo.Zone, 0);
  EXPECT_EQ(l->model.Sections[0].Name, " Main passage");
  EXPECT_EQ(l->model.PlotInfo.DepthRange, 0.1);
  EXPECT_EQ(l->model.PlotInfo.Center.x, 10);
  EXPECT_EQ(l->model.PlotInfo.FirstPosition.x, 2);
}

TEST(PlotReader, LineEndingsAndEndOfFile) {
  // Bare line feeds, no final line end, and text after Ctrl-Z.
  auto l = Load(
      "M 1 2 3 S a\nD 4 5 6 S b\n\nD 7 8 9 S c\x1A"
      "D 1 1 1 S ignored\r\n");
  ASSERT_TRUE(l->result.Ok) << l->result.Message;
  ASSERT_EQ(l->model.Plots.Count(), 3);
  EXPECT_EQ(l->model.Name(l->model.Plots[2]), "c");

  auto empty = Load("");
  EXPECT_TRUE(empty->result.Ok);
  EXPECT_TRUE(empty->model.PlotInfo.Loaded);
  EXPECT_EQ(empty->model.PlotInfo.DepthRange, -1.98e100);
  auto ctrlz = Load("\x1A\x1A\x1A");
  EXPECT_TRUE(ctrlz->result.Ok);
  EXPECT_EQ(ctrlz->model.Plots.Count(), 0);
}

TEST(PlotReader, BadNumberReportsTheLine) {
  auto first = Load("D 1 x 3\r\nD 1 2 3\r\n");
  EXPECT_FALSE(first->result.Ok);
  EXPECT_EQ(first->result.Message, "\"x\" is not a valid number\r\nLine: 0 \" 0");

  auto middle = Load("M 1 2 3\r\nD 4 5 6\r\nD 7 1e999 9\r\nD 1 1 1\r\n");
  EXPECT_EQ(middle->result.Message, "\"1e999\" is not a valid number\r\nLine: 2 \"D 4 5 6 2");
  EXPECT_EQ(middle->model.Plots.Count(), 2);  // what was read stays

  auto last = Load("M 1 2 3\r\nD 4 5 6 S a P 1 2 3 ?");
  EXPECT_EQ(last->result.Message, "\"?\" is not a valid number\r\nLine: 1 \"M 1 2 3 1");

  // Finite, but far beyond any survey: sums of such overflow.
  auto far = Load("M 1 2 3\r\nD 4 -1e308 6\r\n");
  EXPECT_EQ(far->result.Message,
            "-1e+308 feet is too far out for a position (more than 1e10 feet)\r\nLine: 1 \"M 1 2 3 1");
  auto box = Load("Z 0 10 0 10 0 2e10\r\nM 1 2 3\r\n");
  EXPECT_FALSE(box->result.Ok);
  EXPECT_TRUE(Load("M 9999999999 -9999999999 0\r\n")->result.Ok);
}

TEST(PlotReader, ModelAfterAnErrorKeepsThePreviousLoadFigures) {
  TPlotModel model;
  ASSERT_TRUE(LoadPlotText(model, "Z 0 10 0 10 0 20\r\nM 1 2 3\r\nS Sec\r\n", "a.plt").Ok);
  std::string warned;
  TPlotLoadResult r = LoadPlotText(model, "Z 0 1 0 1 0 1\r\nM 7 8 9\r\nD 1 2 bad\r\n", "b.plt", {},
                                   [&](const std::string& m) { warned = m; });
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(warned, r.Message);
  EXPECT_EQ(model.PlotInfo.FileName, "b.plt");
  EXPECT_TRUE(model.PlotInfo.Loaded);            // from the first load
  EXPECT_EQ(model.PlotInfo.DepthRange, 20);      // from the first load
  EXPECT_EQ(model.PlotInfo.FirstPosition.z, 3);  // from the first load
  EXPECT_EQ(model.PlotInfo.Max.z, 1);            // this load's box
  EXPECT_EQ(model.Plots.Count(), 1);
  EXPECT_EQ(model.Sections.Count(), 0);  // no default section
}

TEST(PlotReader, ProgressAndMissingFile) {
  std::string text;
  for (int i = 0; i < 450; ++i) text += "D 1 2 3\r\n";
  for (int i = 0; i < 25; ++i) text += "N s\r\n";
  std::vector<std::pair<int, int>> calls;
  TPlotModel model;
  LoadPlotText(model, text, "p.plt", [&](int s, int p) { calls.emplace_back(s, p); });
  const std::vector<std::pair<int, int>> expected{{0, 200}, {0, 400}, {10, 450}, {20, 450}, {25, 450}};
  EXPECT_EQ(calls, expected);

  TPlotLoadResult r = LoadPlotFile(model, "/nonexistent/cave.plt");
  EXPECT_FALSE(r.Ok);
  EXPECT_NE(r.Message.find("/nonexistent/cave.plt"), std::string::npos);
}

TEST(PlotReader, CountPlotLinesAndGeoreference) {
  const auto path = std::filesystem::temp_directory_path() / "lumora-count.plt";
  std::ofstream(path, std::ios::binary) << "M 1 2 3\r\nD 1 2 3\r\nD 1 2 3\r\nd 1 1 1\r\nM 0 0 0\r\n D\r\n";
  TPlotLineCounts c = CountPlotLines(path.string());
  EXPECT_EQ(c.DrawCount, 2);
  EXPECT_EQ(c.MoveCount, 4);
  std::filesystem::remove(path);

  TPlotModel model;
  std::string warned;
  EXPECT_FALSE(CheckGeoreference(
      model, [&](const std::string& m) { warned = m; }, "Extra"));
  EXPECT_EQ(warned,
            "No Georeference Data In Plot File.\r\nData may be missing from the project or\r\n"
            "the file may have been compiled with an old compiler.\r\n"
            "Check the Fixed Links in Project Manager and Recompile.\r\nExtra\r\n");
}

TEST(PlotReader, FootDefinitionFromTheFamilySettings) {
  const auto dir = std::filesystem::temp_directory_path() / "lumora-units";
  std::filesystem::create_directories(dir);
  const auto ini = dir / "Bramble.ini";
  EXPECT_EQ(ReadMetresPerFoot(ini), kInternationalFootMetres);  // no file
  TIniFile f(ini);
  f.WriteBool("units", "internationalfoot", false);
  f.UpdateFile();
  EXPECT_EQ(ReadMetresPerFoot(ini), kSurveyFootMetres);
  std::filesystem::remove_all(dir);
}

TEST(PlotReader, NumbersReadExactlyAsTheGeneralParser) {
  std::vector<std::string> numbers{
      "0.1", "-0.30", "123456789012345", "1234567890123456", "999999999999999.9", ".5", "5.", "+5",
      "-0",  "1e3",   "2.5E-3",          "1e-400",           "0.000000000000001"};
  uint64_t state = 12345;
  for (int i = 0; i < 2000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const int decimals = static_cast<int>(state >> 60) % 6;
    const double v = static_cast<double>(static_cast<int64_t>(state >> 20) % 100000000) / 1000.0;
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    numbers.emplace_back(buf, r.ptr);
  }
  // Read as the I value: positions are bounded, the scanner's numbers not.
  for (const std::string& n : numbers) {
    auto l = Load("D 0 0 0 S a P 0 0 0 0 I " + n + "\r\n");
    ASSERT_TRUE(l->result.Ok) << n << ": " << l->result.Message;
    std::string_view digits = n[0] == '+' ? std::string_view(n).substr(1) : std::string_view(n);
    double expected = 0;
    auto r = std::from_chars(digits.data(), digits.data() + digits.size(), expected);
    if (r.ec == std::errc::result_out_of_range) expected = 0;
    EXPECT_EQ(l->model.Plots[0].IValue, expected) << n;
  }
  for (const char* bad : {"-", ".", "1.2.3", "inf", "nan", "0x10", "1e", "--1", "1e999"}) {
    auto l = Load(std::string("D 0 0 0 S a P 0 0 0 0 I ") + bad + "\r\n");
    EXPECT_FALSE(l->result.Ok) << bad;
  }
}

TEST(PlotReader, HugeLinesAndGarbageEndWithAModelOrAMessage) {
  std::string longComment = "D 1 2 3 S a P 1 2 3 4 I 0 F \"" + std::string(10 << 20, 'x') + "\"\r\nD 1 1 1\r\n";
  auto l = Load(longComment);
  ASSERT_TRUE(l->result.Ok);
  EXPECT_EQ(l->model.Plots[0].Comment.Size(), size_t(10 << 20));
  EXPECT_EQ(l->model.Plots.Count(), 2);

  std::string garbage(1 << 16, '\0');
  uint32_t x = 7;
  for (char& c : garbage) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  auto g = Load(garbage);  // whatever it says, it says it without crashing
  EXPECT_TRUE(g->result.Ok || !g->result.Message.empty());
}
