// The demo cave read back through the plot reader: every figure the
// generator claims must be what the model holds.

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

#include "model/DemoCave.h"
#include "model/PlotReader.h"
#include "model/PlotStats.h"
#include "platform/AtomicFile.h"

namespace lumora {
namespace {

void ExpectVector(const T3DVector& want, const T3DVector& got, const std::string& what) {
  EXPECT_EQ(want.x, got.x) << what;
  EXPECT_EQ(want.y, got.y) << what;
  EXPECT_EQ(want.z, got.z) << what;
}

bool Inside(const T3DVector& p, const T3DVector& lo, const T3DVector& hi) {
  return p.x >= lo.x && p.x <= hi.x && p.y >= lo.y && p.y <= hi.y && p.z >= lo.z && p.z <= hi.z;
}

double Distance(const T3DVector& a, const T3DVector& b) { return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z); }

// Loads the text and checks the model against the generator's summary.
void CheckRoundTrip(const TDemoOptions& options) {
  SCOPED_TRACE("stations " + std::to_string(options.Stations) + ", seed " + std::to_string(options.Seed));
  const TDemoCave cave = GenerateDemoCave(options);
  const TDemoSummary& s = cave.Summary;
  TPlotModel model;
  const TPlotLoadResult result = LoadPlotText(model, cave.Text, "demo.plt");
  ASSERT_TRUE(result.Ok) << result.Message;
  ASSERT_TRUE(model.PlotInfo.Loaded);

  const TPlotStats st = ComputePlotStats(model);
  EXPECT_EQ(options.Stations, st.M + st.D + st.d);
  EXPECT_EQ(s.Stations, options.Stations);
  EXPECT_EQ(s.M, st.M);
  EXPECT_EQ(s.D, st.D);
  EXPECT_EQ(s.d, st.d);
  EXPECT_EQ(s.L, st.L);
  EXPECT_EQ(s.V, st.V);
  EXPECT_EQ(s.LineStarts, model.LineStarts.Count());
  EXPECT_EQ(s.Surveys, st.Surveys);
  EXPECT_EQ(s.Features, st.Features);
  EXPECT_EQ(s.SplayShots, st.SplayShots);
  EXPECT_EQ(s.SplayItems, model.Splays.Count());
  EXPECT_DOUBLE_EQ(s.ShotLengthFeet, st.ShotLengthFeet);

  const TPlotInfo& info = model.PlotInfo;
  ExpectVector(s.Min, info.Min, "Z minimum");
  ExpectVector(s.Max, info.Max, "Z maximum");
  EXPECT_TRUE(info.HasZone);
  EXPECT_EQ(s.Zone, info.Zone);
  EXPECT_EQ(s.Datum, info.Datum.View());
  EXPECT_EQ("North American 1983", info.Datum.View());
  EXPECT_EQ(s.Top, info.Top);
  EXPECT_EQ(s.Bottom, info.Bottom);

  ASSERT_EQ(s.Sections.size(), static_cast<size_t>(model.Sections.Count()));
  for (int i = 0; i < model.Sections.Count(); ++i) {
    EXPECT_EQ(s.Sections[i].Name, model.Sections[i].Name.View());
    EXPECT_EQ(s.Sections[i].FirstSurvey, model.Sections[i].FirstSurvey);
  }

  ASSERT_EQ(s.SurveyList.size(), static_cast<size_t>(model.Surveys.Count()));
  for (int i = 0; i < model.Surveys.Count(); ++i) {
    const TDemoSurvey& want = s.SurveyList[i];
    const TSurveyID& got = model.Surveys[i];
    SCOPED_TRACE("survey " + want.Name);
    EXPECT_EQ(want.Name, got.Name.View());
    EXPECT_EQ(want.Kind, got.Kind);
    EXPECT_EQ(want.Kind != skSurvey, got.IsFeature);
    EXPECT_EQ(want.SurveyDate, got.SurveyDate);
    EXPECT_EQ(want.DiscoveryDate, got.DiscoveryDate);
    EXPECT_EQ(want.Comment, got.Comment.View());
    EXPECT_EQ(want.FirstPlot, got.FirstPlot);
    EXPECT_EQ(want.FirstLine, got.FirstLine);
    ExpectVector(want.Min, got.Min, "survey minimum");
    ExpectVector(want.Max, got.Max, "survey maximum");
    // The 'X' box is the box of the survey's own records.
    TRange r = model.SurveyPlotRange(i);
    ASSERT_FALSE(r.Empty());
    for (int p = r.First; p <= r.Last; ++p)
      EXPECT_TRUE(Inside(model.Plots[p].Position, got.Min, got.Max)) << model.Name(model.Plots[p]);
  }

  ASSERT_EQ(s.Records.size(), static_cast<size_t>(model.Plots.Count()));
  int splayRecords = 0;
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const TDemoRecord& want = s.Records[i];
    const TPlotVector& got = model.Plots[i];
    SCOPED_TRACE("record " + std::to_string(i) + " " + want.Name);
    EXPECT_EQ(want.Code, got.Code);
    EXPECT_EQ(want.Name, model.Name(got));
    ExpectVector(want.Position, got.Position, "position");
    EXPECT_EQ(want.IValue, got.IValue);
    EXPECT_EQ(want.Left, got.Left);
    EXPECT_EQ(want.Up, got.Up);
    EXPECT_EQ(want.Down, got.Down);
    EXPECT_EQ(want.Right, got.Right);
    EXPECT_EQ(want.Flags, got.Flags.View());
    EXPECT_EQ(want.Comment, got.Comment.View());
    EXPECT_EQ(want.Marked, got.Marked);
    const size_t bar = want.Name.find('|');
    EXPECT_EQ(bar == std::string::npos ? want.Name : want.Name.substr(bar + 1), model.Station(got));
    EXPECT_EQ(bar == std::string::npos ? std::string() : want.Name.substr(0, bar), model.Prefix(got));
    if (got.IsSplay()) ++splayRecords;
    EXPECT_TRUE(Inside(got.Position, info.Min, info.Max)) << "outside the Z box";
  }
  EXPECT_EQ(s.SplayRecords, splayRecords);

  ASSERT_EQ(s.SplayList.size(), static_cast<size_t>(model.Splays.Count()));
  for (int i = 0; i < model.Splays.Count(); ++i) {
    const TSplayItem& item = model.Splays.Item(i);
    EXPECT_EQ(s.SplayList[i].From, model.Splays.Key(i));
    ExpectVector(s.SplayList[i].Position, item.Position, "splay station");
    EXPECT_EQ(s.SplayList[i].Shots, static_cast<int>(item.Shots.size()));
    for (const TSplayShot& shot : item.Shots) {
      EXPECT_TRUE(Inside(shot.From, info.Min, info.Max));
      EXPECT_TRUE(Inside(shot.To, info.Min, info.Max)) << shot.ToName.View() << " outside the Z box";
    }
  }
}

TEST(DemoCave, EverySummaryFigureMatchesTheLoadedModel) {
  for (const TDemoOptions& o : {TDemoOptions{10, 1}, TDemoOptions{57, 7}, TDemoOptions{400, 2}, TDemoOptions{3000, 1},
                                TDemoOptions{5000, 4000000000u}})
    CheckRoundTrip(o);
}

// Properties that make it a cave rather than noise, on the committed size.
TEST(DemoCave, LooksLikeACave) {
  const TDemoCave cave = GenerateDemoCave({3000, 1});
  TPlotModel model;
  ASSERT_TRUE(LoadPlotText(model, cave.Text, "demo.plt").Ok);

  EXPECT_GE(model.Sections.Count(), 3);
  std::set<std::string> prefixes;
  std::map<std::string, T3DVector> seen;
  int branches = 0, steep = 0, hidden = 0, marked = 0, multiLine = 0;
  double zMin = 1e9, zMax = -1e9;
  for (int line = 0; line < model.LineStarts.Count(); ++line) {
    TRange r = model.LinePlotRange(line);
    const TPlotVector& start = model.Plots[r.First];
    if (start.Code == 'M') {
      // Every line but the first starts at a station already surveyed.
      auto it = seen.find(model.Name(start));
      if (line > 0) {
        ASSERT_NE(it, seen.end()) << model.Name(start);
        ExpectVector(it->second, start.Position, "tie-in");
        ++branches;
      }
    }
    const TPlotVector* from = &start;
    for (int p = r.First; p <= r.Last; ++p) {
      const TPlotVector& rec = model.Plots[p];
      zMin = std::min(zMin, rec.Position.z);
      zMax = std::max(zMax, rec.Position.z);
      if (!model.Prefix(rec).empty()) prefixes.insert(model.Prefix(rec));
      if (rec.Marked) ++marked;
      if (rec.Comment.View().find("\r\n") != std::string::npos) ++multiLine;
      if (p == r.First || rec.Code == 'L' || rec.Code == 'V') {
        seen.emplace(model.Name(rec), rec.Position);
        continue;
      }
      if (rec.IsSplay()) {
        const double len = Distance(from->Position, rec.Position);
        EXPECT_TRUE(len >= 2.9 && len <= 25.1) << model.Name(rec) << " splay " << len;
        continue;
      }
      // Shots run from the last station that is not a splay.
      const double len = Distance(from->Position, rec.Position);
      EXPECT_TRUE(len >= 4.95 && len <= 50.05) << model.Name(rec) << " shot of " << len << " ft";
      if (std::abs(rec.Position.z - from->Position.z) > 0.9 * len) ++steep;
      if (rec.Code == 'd') ++hidden;
      EXPECT_TRUE(seen.emplace(model.Name(rec), rec.Position).second) << model.Name(rec) << " named twice";
      from = &rec;
    }
  }
  EXPECT_GT(branches, 50);
  EXPECT_GT(steep, 30);
  EXPECT_GT(hidden, 10);
  EXPECT_GT(marked, 3);
  EXPECT_GT(multiLine, 3);
  EXPECT_GE(prefixes.size(), 2u);
  EXPECT_GT(zMax - zMin, 200);
  EXPECT_LT(zMax - zMin, 700);
  EXPECT_LT(cave.Text.size(), 1'000'000u);
  EXPECT_EQ("\r\n\x1a", cave.Text.substr(cave.Text.size() - 3));
  size_t lf = 0, crlf = 0;
  for (size_t i = 0; i < cave.Text.size(); ++i)
    if (cave.Text[i] == '\n') {
      ++lf;
      if (i > 0 && cave.Text[i - 1] == '\r') ++crlf;
    }
  EXPECT_EQ(lf, crlf) << "every line ends with CR LF";
  EXPECT_EQ(cave.Text.find('\x1a'), cave.Text.size() - 1);
}

TEST(DemoCave, SeedsAreIndependentAndSizesExact) {
  const TDemoCave a = GenerateDemoCave({200, 1});
  EXPECT_EQ(a.Text, GenerateDemoCave({200, 1}).Text);
  EXPECT_NE(a.Text, GenerateDemoCave({200, 2}).Text);
  for (int n : {10, 11, 39, 40, 449, 901, 3601}) EXPECT_EQ(n, GenerateDemoCave({n, 5}).Summary.Stations) << n;
  EXPECT_THROW(GenerateDemoCave({9, 1}), std::invalid_argument);
  EXPECT_THROW(GenerateDemoCave({-5, 1}), std::invalid_argument);
}

// The committed demo cave is the generator's output for the options its
// 'U' line states, so it never drifts from the generator.
TEST(DemoCave, CommittedDemoFileIsCurrent) {
  const std::string text = ReadWholeFile(std::string(LUMORA_SOURCE_DIR) + "/data/demo.plt");
  const size_t u = text.find("\r\nU");
  ASSERT_NE(u, std::string::npos);
  const std::string line = text.substr(u + 3, text.find('\r', u + 3) - (u + 3));
  const size_t st = line.find("--stations "), sd = line.find("--seed ");
  ASSERT_NE(st, std::string::npos) << line;
  ASSERT_NE(sd, std::string::npos) << line;
  TDemoOptions options;
  options.Stations = std::stoi(line.substr(st + 11));
  options.Seed = static_cast<uint32_t>(std::stoul(line.substr(sd + 7)));
  EXPECT_EQ(DemoOptionsLine(options), line);
  EXPECT_GE(options.Stations, 2000);
  EXPECT_TRUE(GenerateDemoCave(options).Text == text)
      << "data/demo.plt is stale: run lumora-cli demo data/demo.plt --stations " << options.Stations << " --seed "
      << options.Seed;
}

}  // namespace
}  // namespace lumora
