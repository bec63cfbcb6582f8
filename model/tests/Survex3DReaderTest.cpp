// The .3d reader against Survex itself: cavern makes the files from our own
// .svx sources in every format version, dump3d lists what they hold.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>
#include <set>

#include "model/PlotStats.h"
#include "model/Survex3DReader.h"
#include "model/SurveyFile.h"
#include "model/tests/SurvexOracle.h"
#include "platform/AtomicFile.h"

using namespace lumora;
using namespace lumora::testing;

namespace {

std::string Key(double x, double y, double z) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.2f %.2f %.2f", x, y, z);
  return buf;
}

bool DirectlyIn(const std::string& label, const std::string& survey) {
  return label.size() > survey.size() + 1 && label.compare(0, survey.size(), survey) == 0 &&
         label[survey.size()] == '.' && label.find('.', survey.size() + 1) == std::string::npos;
}

class Survex3D : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveSurvex()) GTEST_SKIP() << "Survex's cavern and dump3d are not installed";
  }
  static TSurvexFiles* files_;
  static void SetUpTestSuite() { files_ = new TSurvexFiles; }
  static void TearDownTestSuite() { delete files_; }
  static std::string Make(const std::string& name, int version = 8, bool extended = false) {
    return files_->Make(name, version, extended);
  }
};
TSurvexFiles* Survex3D::files_ = nullptr;

const char* const kSources[] = {"plain", "nested", "flags", "lrud", "utm", "names", "high"};

struct TExpected {
  char Code;
  double X, Y, Z;
  const TDumpItem* Leg;
};

// Every leg one shot record and every move one 'M' record, with 'M' records
// opening a survey mid-line and one for each station no leg reaches;
// positions, flags, lengths, bounds, whole names and aliases, surveys,
// per-leg dates and per-leg cross-sections as dump3d gives them.
void CheckAgainstDump(const std::string& file) {
  SCOPED_TRACE(file);
  TPlotModel model;
  const TPlotLoadResult r = LoadSurveyFile(model, file);
  ASSERT_TRUE(r.Ok) << r.Message;
  EXPECT_TRUE(r.Warning.empty()) << r.Warning;
  const TDump dump = ParseDump(Shell("dump3d -d " + file));
  const double mpf = MetresPerFoot();

  std::map<std::string, std::vector<std::string>> labelsAt;  // of named stations, in file order
  for (const TDumpItem& it : dump.Items)
    if (it.Kind == "NODE" && !it.Flags.count("ANON")) labelsAt[Key(it.V[0], it.V[1], it.V[2])].push_back(it.Label);

  std::vector<TExpected> want;
  std::vector<std::pair<std::string, std::string>> surveys;  // label, date
  std::set<std::string> reached;
  bool moved = false;
  double x = 0, y = 0, z = 0, length = 0;
  int surface = 0, splay = 0, duplicate = 0;
  for (const TDumpItem& it : dump.Items) {
    if (it.Kind == "MOVE") {
      want.push_back({'M', it.V[0], it.V[1], it.V[2], nullptr});
      moved = true;
    } else if (it.Kind == "LINE") {
      if (surveys.empty() || surveys.back() != std::make_pair(it.Label, it.Date)) {
        if (!moved) want.push_back({'M', x, y, z, nullptr});
        surveys.emplace_back(it.Label, it.Date);
      }
      want.push_back({it.Flags.count("SURFACE") ? 'd' : 'D', it.V[0], it.V[1], it.V[2], &it});
      const bool apart = it.Flags.count("SURFACE") || it.Flags.count("SPLAY") || it.Flags.count("DUPLICATE") ||
                         it.Flags.count("STYLE=NOSURVEY");
      if (!apart) length += std::hypot(it.V[0] - x, it.V[1] - y, it.V[2] - z);
      surface += static_cast<int>(it.Flags.count("SURFACE"));
      splay += static_cast<int>(it.Flags.count("SPLAY"));
      duplicate += static_cast<int>(it.Flags.count("DUPLICATE"));
      moved = false;
    } else {
      continue;
    }
    x = it.V[0], y = it.V[1], z = it.V[2];
    reached.insert(Key(x, y, z));
  }
  // Stations no leg reaches: lines of one station, in surveys of their own.
  for (const TDumpItem& it : dump.Items) {
    if (it.Kind != "NODE" || it.Flags.count("ANON") || !reached.insert(Key(it.V[0], it.V[1], it.V[2])).second) continue;
    const std::string survey = it.Label.substr(0, it.Label.rfind('.') == std::string::npos ? 0 : it.Label.rfind('.'));
    if (surveys.empty() || surveys.back() != std::make_pair(survey, std::string("-")))
      surveys.emplace_back(survey, "-");
    want.push_back({'M', it.V[0], it.V[1], it.V[2], nullptr});
  }

  // Cross-sections by passage: the one at a record's place in the passage
  // that also holds its neighbour, else the place's last.
  struct TXs {
    const TDumpItem* Item;
    int Passage;
  };
  std::vector<TXs> xsects;
  int passage = 0;
  for (const TDumpItem& it : dump.Items) {
    if (it.Kind == "XSECT_END") ++passage;
    if (it.Kind == "XSECT") xsects.push_back({&it, passage});
  }
  std::map<std::string, std::string> placeOfLabel;
  for (const auto& [place, labels] : labelsAt)
    for (const std::string& l : labels) placeOfLabel[l] = place;
  auto crossSection = [&](size_t i) -> const TDumpItem* {
    const std::string place = Key(want[i].X, want[i].Y, want[i].Z);
    auto beside = [&](size_t j) -> const TDumpItem* {
      const std::string other = Key(want[j].X, want[j].Y, want[j].Z);
      const TDumpItem* found = nullptr;
      for (size_t k = 0; k < xsects.size(); ++k) {
        if (placeOfLabel[xsects[k].Item->Label] != place) continue;
        for (size_t n : {k - 1, k + 1})
          if (n < xsects.size() && xsects[n].Passage == xsects[k].Passage &&
              placeOfLabel[xsects[n].Item->Label] == other)
            found = xsects[k].Item;
      }
      return found;
    };
    const TDumpItem* x = nullptr;
    if (want[i].Code != 'M' && i > 0) x = beside(i - 1);
    if (!x && i + 1 < want.size() && want[i + 1].Code != 'M') x = beside(i + 1);
    if (!x)
      for (const TXs& xs : xsects)
        if (placeOfLabel[xs.Item->Label] == place) x = xs.Item;
    return x;
  };

  ASSERT_EQ(model.Plots.Count(), static_cast<int>(want.size()));
  int shots = 0, survey = -1;
  T3DVector lo{1e99, 1e99, 1e99}, hi{-1e99, -1e99, -1e99};
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const TPlotVector& p = model.Plots[i];
    const TExpected& w = want[i];
    while (survey + 1 < model.Surveys.Count() && model.Surveys[survey + 1].FirstPlot <= i) ++survey;
    SCOPED_TRACE("record " + std::to_string(i) + " " + model.Name(p));
    EXPECT_EQ(p.Code, w.Code);
    EXPECT_NEAR(p.Position.x * mpf, w.X, 0.0051);
    EXPECT_NEAR(p.Position.y * mpf, w.Y, 0.0051);
    EXPECT_NEAR(p.Position.z * mpf, w.Z, 0.0051);
    lo = {std::min(lo.x, w.X), std::min(lo.y, w.Y), std::min(lo.z, w.Z)};
    hi = {std::max(hi.x, w.X), std::max(hi.y, w.Y), std::max(hi.z, w.Z)};
    EXPECT_EQ(p.ShotIndex, shots);
    if (w.Leg) {
      ++shots;
      EXPECT_EQ(p.IsSplay(), w.Leg->Flags.count("SPLAY") == 1);
      EXPECT_EQ(p.IsDuplicate(), w.Leg->Flags.count("DUPLICATE") == 1);
      EXPECT_EQ(p.NoSurvey, w.Leg->Flags.count("STYLE=NOSURVEY") == 1);
    }
    // The whole name of a station at this place, one of the record's own
    // survey where there is one; every other name there is an alias.
    const auto labels = labelsAt.find(Key(w.X, w.Y, w.Z));
    if (labels == labelsAt.end()) {
      EXPECT_EQ(p.NameId, TStationNames::kUnnamed);
      EXPECT_EQ(model.Name(p), "?");
      continue;
    }
    const std::string name = model.Name(p);
    const std::vector<std::string>& all = labels->second;
    ASSERT_NE(std::find(all.begin(), all.end(), name), all.end()) << name;
    const std::string& own = survey >= 0 ? surveys[survey].first : std::string();
    bool inOwn = false;
    for (const std::string& l : all) inOwn |= DirectlyIn(l, own);
    if (inOwn) {
      EXPECT_TRUE(DirectlyIn(name, own)) << name << " in " << own;
    }
    std::vector<std::string> aliases = model.Aliases(p), others;
    for (const std::string& l : all)
      if (l != name) others.push_back(l);
    std::sort(aliases.begin(), aliases.end());
    std::sort(others.begin(), others.end());
    EXPECT_EQ(aliases, others);

    if (const TDumpItem* xs = crossSection(i)) {
      auto dim = [&](int k) { return xs->V[k] < 0 ? 0.0 : xs->V[k]; };
      EXPECT_NEAR(p.Left * mpf, dim(0), 1e-4);
      EXPECT_NEAR(p.Right * mpf, dim(1), 1e-4);
      EXPECT_NEAR(p.Up * mpf, dim(2), 1e-4);
      EXPECT_NEAR(p.Down * mpf, dim(3), 1e-4);
    } else {
      EXPECT_EQ(p.Left + p.Right + p.Up + p.Down, 0);
    }
  }

  const TPlotStats stats = ComputePlotStats(model);
  EXPECT_NEAR(stats.ShotLengthFeet * mpf, length, 0.01 * shots + 1e-9);
  EXPECT_EQ(stats.d, surface);
  EXPECT_EQ(stats.SplayLegs, splay);
  EXPECT_EQ(stats.DuplicateLegs, duplicate);
  EXPECT_EQ(static_cast<int>(model.TraverseErrors.size()), dump.Errors);

  const TPlotInfo& info = model.PlotInfo;
  EXPECT_TRUE(info.Loaded);
  EXPECT_EQ(info.FileKind, "survex-3d");
  EXPECT_EQ(info.Title, dump.Title);
  EXPECT_EQ(info.ExtendedElevation, dump.Extended);
  EXPECT_EQ(info.CoordinateSystem, dump.Cs);
  EXPECT_NEAR(info.Min.x * mpf, lo.x, 0.0051);
  EXPECT_NEAR(info.Min.y * mpf, lo.y, 0.0051);
  EXPECT_NEAR(info.Min.z * mpf, lo.z, 0.0051);
  EXPECT_NEAR(info.Max.x * mpf, hi.x, 0.0051);
  EXPECT_NEAR(info.Max.y * mpf, hi.y, 0.0051);
  EXPECT_NEAR(info.Max.z * mpf, hi.z, 0.0051);
  EXPECT_EQ(info.FirstPosition.x, model.Plots[0].Position.x);

  // One survey for each run of legs with the same label and date, each
  // opened by its line's 'M' record.
  ASSERT_EQ(model.Surveys.Count(), static_cast<int>(surveys.size()));
  std::string section;
  int sections = 0;
  for (int s = 0; s < model.Surveys.Count(); ++s) {
    const TSurveyID& sv = model.Surveys[s];
    const std::string& label = surveys[s].first;
    EXPECT_EQ(sv.Comment, label.substr(0, 255));
    EXPECT_EQ(sv.Name, label.substr(label.rfind('.') + 1).substr(0, 20));
    if (s > 0) {
      EXPECT_EQ(model.Plots[sv.FirstPlot].Code, 'M');
    }
    EXPECT_EQ(model.LineStarts[sv.FirstLine], sv.FirstPlot);
    const std::string date = surveys[s].second;
    if (date.empty() || date == "-") {
      EXPECT_EQ(sv.SurveyDate, kNoDate);
    } else {
      EXPECT_EQ(DateYear(sv.SurveyDate), std::stoi(date.substr(0, 4)));
      EXPECT_EQ(DateMonth(sv.SurveyDate), std::stoi(date.substr(5, 2)));
      EXPECT_EQ(DateDay(sv.SurveyDate), std::stoi(date.substr(8, 2)));
    }
    const std::string head = label.substr(0, label.find('.'));
    if (s == 0 || head != section) {
      ASSERT_LT(sections, model.Sections.Count());
      EXPECT_EQ(model.Sections[sections].Name, head.empty() ? "(None)" : head);
      EXPECT_EQ(model.Sections[sections].FirstSurvey, s);
      ++sections;
      section = head;
    }
  }
  EXPECT_EQ(model.Sections.Count(), sections);
}

}  // namespace

TEST_F(Survex3D, EveryItemAsDump3dListsItInEveryVersion) {
  for (const char* name : kSources)
    for (int version = 3; version <= 8; ++version) CheckAgainstDump(Make(name, version));
  CheckAgainstDump(Make("nested", 8, true));
  CheckAgainstDump(Make("fixes"));
}

// Versions 3 to 7 of a file read to version 8's model, but for what they
// cannot carry: dates before version 4, cross-sections before version 5
// and the "no survey" style before version 8.
TEST_F(Survex3D, EveryVersionReadsToTheSameModel) {
  for (const char* name : kSources) {
    TPlotModel v8;
    ASSERT_TRUE(LoadSurveyFile(v8, Make(name, 8)).Ok);
    for (int version = 3; version < 8; ++version) {
      SCOPED_TRACE(std::string(name) + " v" + std::to_string(version));
      TPlotModel m;
      ASSERT_TRUE(LoadSurveyFile(m, Make(name, version)).Ok);
      EXPECT_EQ(m.PlotInfo.FormatVersion, version);
      EXPECT_EQ(m.PlotInfo.Title, v8.PlotInfo.Title);
      ASSERT_EQ(m.Plots.Count(), v8.Plots.Count());
      for (int i = 0; i < m.Plots.Count(); ++i) {
        const TPlotVector &a = m.Plots[i], &b = v8.Plots[i];
        EXPECT_EQ(a.Code, b.Code) << i;
        EXPECT_EQ(Length(Subtract(a.Position, b.Position)), 0) << i;
        EXPECT_EQ(m.Name(a), v8.Name(b)) << i;
        EXPECT_EQ(m.Aliases(a), v8.Aliases(b)) << i;
        EXPECT_EQ(a.Flags, b.Flags) << i;
        if (version >= 5) {
          EXPECT_EQ(a.Left + a.Right + a.Up + a.Down, b.Left + b.Right + b.Up + b.Down) << i;
        }
      }
      ASSERT_EQ(m.Surveys.Count(), v8.Surveys.Count());
      for (int s = 0; s < m.Surveys.Count(); ++s) {
        EXPECT_EQ(m.Surveys[s].Comment, v8.Surveys[s].Comment);
        EXPECT_EQ(m.Surveys[s].SurveyDate, version >= 4 ? v8.Surveys[s].SurveyDate : kNoDate);
      }
    }
  }
}

TEST_F(Survex3D, NamesAliasesAndTheFileWideValues) {
  TPlotModel model;
  ASSERT_TRUE(LoadSurveyFile(model, Make("names")).Ok);
  const TPlotInfo& info = model.PlotInfo;
  EXPECT_EQ(info.Title, "R\xc3\xa9seau de la Rumbling Hole");
  std::map<std::string, std::vector<std::string>> aliases;
  for (int i = 0; i < model.Plots.Count(); ++i) aliases[model.Name(model.Plots[i])] = model.Aliases(model.Plots[i]);
  EXPECT_TRUE(aliases.count("leckmasongill.rumblinghole.entrance"));
  EXPECT_TRUE(aliases.count("leckmasongill.rumblinghole.2a")) << "a named splay end";
  EXPECT_TRUE(aliases.count("leckmasongill.surface.newhole")) << "a fixed point no leg reaches";
  const std::vector<std::string> one = {"leckmasongill.reseau.y"};
  EXPECT_EQ(aliases["leckmasongill.rumblinghole.1"], one);
  // Entrances, fixed points and exported stations as dump3d lists them,
  // every name of a place taking the flags of all.
  auto at = [](double x, double y, double z) {
    return std::array<long, 3>{std::lround(x * 100), std::lround(y * 100), std::lround(z * 100)};
  };
  std::map<std::array<long, 3>, uint8_t> want;
  for (const TDumpItem& it : ParseDump(Shell("dump3d " + Make("names"))).Items)
    if (it.Kind == "NODE")
      want[at(it.V[0], it.V[1], it.V[2])] |= (it.Flags.count("ENTRANCE") ? TPlotModel::kStationEntrance : 0) |
                                             (it.Flags.count("EXPORTED") ? TPlotModel::kStationExported : 0) |
                                             (it.Flags.count("FIXED") ? TPlotModel::kStationFixed : 0);
  int flagged = 0;
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const TPlotVector& r = model.Plots[i];
    if (r.NameId == TStationNames::kUnnamed) continue;
    const T3DVector m = Scale(r.Position, MetresPerFoot());
    EXPECT_EQ(model.StationFlagsOf(r), want[at(m.x, m.y, m.z)]) << model.Name(r);
    flagged += model.StationFlagsOf(r) != 0;
  }
  EXPECT_GE(flagged, 4);

  // Far above sea level: Top and Bottom are the passages' own.
  ASSERT_TRUE(LoadSurveyFile(model, Make("high")).Ok);
  EXPECT_TRUE(info.HasExtent);
  EXPECT_NEAR(info.Top * MetresPerFoot(), 1502, 0.01);
  EXPECT_NEAR(info.Bottom * MetresPerFoot(), 1500 - 10 * std::sin(10 * M_PI / 180) - 1.5, 0.01);

  ASSERT_TRUE(LoadSurveyFile(model, Make("utm")).Ok);
  EXPECT_TRUE(info.HasZone);
  EXPECT_EQ(info.Zone, 33);
  EXPECT_EQ(info.Datum, "WGS 1984");
  EXPECT_EQ(info.CoordinateSystemName, "WGS 84 / UTM zone 33N");
  EXPECT_TRUE(info.ProjectedSystem);

  ASSERT_TRUE(LoadSurveyFile(model, Make("nested", 8, true)).Ok);
  EXPECT_TRUE(info.ExtendedElevation);
  EXPECT_FALSE(info.HasZone);

  // The same file under a plot file's name is still read as a .3d file.
  const std::filesystem::path renamed = files_->Dir() / "nested.plt";
  std::filesystem::copy_file(Make("nested"), renamed, std::filesystem::copy_options::overwrite_existing);
  ASSERT_TRUE(LoadSurveyFile(model, renamed.string()).Ok);
  EXPECT_EQ(info.FileKind, "survex-3d");
  const TPlotLineCounts counts = CountSurveyLines(renamed.string());
  int legs = 0, moves = 0;
  for (const TDumpItem& it : ParseDump(Shell("dump3d " + Make("nested"))).Items) {
    legs += it.Kind == "LINE";
    moves += it.Kind == "MOVE";
  }
  EXPECT_EQ(counts.DrawCount, legs);
  EXPECT_EQ(counts.MoveCount, 2 * moves);
}

// The total length is the one cavern reports for the survey: splays,
// duplicates, surface and "no survey" legs left out.
TEST_F(Survex3D, TotalLengthAsCavernCountsIt) {
  for (const char* name : kSources) {
    const std::string svx = std::string(LUMORA_TEST_DATA) + "/survex/" + name + ".svx";
    const std::string said = Shell("cavern -o " + files_->Dir().string() + "/len.3d " + svx + " 2>&1");
    // "Total length of survey legs = 61.50m ( 55.26m adjusted)": the file
    // holds the adjusted legs, to the centimetre.
    const size_t at = said.find("m adjusted)");
    ASSERT_NE(at, std::string::npos) << said;
    const double metres = std::stod(said.substr(said.rfind('(', at) + 1));
    TPlotModel model;
    ASSERT_TRUE(LoadSurveyFile(model, files_->Dir().string() + "/len.3d").Ok);
    const TPlotStats stats = ComputePlotStats(model);
    EXPECT_NEAR(stats.ShotLengthFeet * MetresPerFoot(), metres, 0.005 + 0.01 * stats.D) << name;
  }
}

// Every cut of real files, a wrong version, a reserved code and label
// changes past the buffer: refused with the file and the byte, the model
// left as a failed load leaves it.
TEST_F(Survex3D, DamagedFilesAreRefused) {
  auto refused = [](const std::string& data, const std::string& what) {
    TPlotModel model;
    model.PlotInfo.Center = {1, 2, 3};
    const TPlotLoadResult r = LoadSurvex3DData(model, data, "cave.3d");
    EXPECT_FALSE(r.Ok) << what;
    EXPECT_FALSE(model.PlotInfo.Loaded) << what;
    EXPECT_EQ(model.PlotInfo.Center.y, 2) << what;
    EXPECT_EQ(model.Sections.Count(), 0) << what;
    EXPECT_EQ(r.Message.rfind("cave.3d ", 0), 0u) << r.Message;
    return r.Message;
  };
  for (int version : {3, 7, 8}) {
    const std::string good = ReadWholeFile(Make("nested", version));
    // A cut right after an end-mark-like item can be a whole file; every
    // other cut is refused.
    for (size_t n = 0; n < good.size(); ++n) {
      const std::string cut = good.substr(0, n);
      TPlotModel model;
      if (n > 0 && cut.back() == '\0' && LoadSurvex3DData(model, cut, "cave.3d").Ok) continue;
      const std::string m = refused(cut, "v" + std::to_string(version) + " cut at " + std::to_string(n));
      EXPECT_NE(m.find("(at byte "), std::string::npos) << m;
    }
  }
  const std::string good = ReadWholeFile(Make("nested"));
  for (const char* v : {"v9", "v2", "vx"}) {
    std::string bad = good;
    bad.replace(bad.find("v8\n"), 2, v);
    EXPECT_NE(refused(bad, v).find(std::string("version \"") + v + "\"; only versions 3 to 8"), std::string::npos);
  }

  const size_t items = good.find('\n', good.find("\n@") + 1) + 2;  // after the flags byte
  std::string reserved = good;
  reserved.insert(items, 1, '\x05');
  EXPECT_NE(refused(reserved, "reserved").find("reserved item code 5 (at byte " + std::to_string(items) + ")"),
            std::string::npos);
  const std::string past = good.substr(0, items) + std::string("\x40\x30", 2);
  EXPECT_NE(refused(past, "drop").find("drops 3 bytes of a 0-byte label (at byte " + std::to_string(items + 1)),
            std::string::npos);
  const std::string hugeAppend = good.substr(0, items) + std::string("\x40\x00\x00\xff\xff\xff\xff\x7f", 8);
  EXPECT_NE(refused(hugeAppend, "append").find("truncated"), std::string::npos);

  const std::string old = ReadWholeFile(Make("nested", 3));
  const size_t oldItems = old.find("UTC\n") + 4;
  EXPECT_NE(refused(old.substr(0, oldItems) + "\x01", "trim").find("drops 16 bytes of a 0-byte label"),
            std::string::npos);
  EXPECT_NE(refused(old.substr(0, oldItems) + "\x1f", "trim").find("drops 16 bytes of a 0-byte label"),
            std::string::npos);
}

// Bytes after the end mark are not read, and the load says so, as the plot
// reader does after its end-of-file mark.
TEST_F(Survex3D, BytesAfterTheEndMarkAreWarned) {
  for (int version : {3, 8}) {
    const std::string good = ReadWholeFile(Make("nested", version));
    struct TCase {
      std::string Tail, Warning;
    } cases[] = {
        {"", ""},
        {"x", "the end mark at byte " + std::to_string(good.size() - 1) + " ended the read; the 1 byte after it was"},
        {std::string("\0\0\x0f", 3), "; the 3 bytes after it were not read"},
    };
    for (const TCase& c : cases) {
      TPlotModel model;
      const TPlotLoadResult r = LoadSurvex3DData(model, good + c.Tail, "cave.3d");
      ASSERT_TRUE(r.Ok) << r.Message;
      EXPECT_EQ(r.Warning.empty(), c.Warning.empty()) << r.Warning;
      EXPECT_NE(r.Warning.find(c.Warning), std::string::npos) << r.Warning;
      if (!c.Warning.empty()) {
        EXPECT_EQ(r.Warning.rfind("\"cave.3d\": ", 0), 0u) << r.Warning;
      }
    }
  }
}
