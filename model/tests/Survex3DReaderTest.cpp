// The .3d reader against Survex itself: cavern makes the files from our own
// .svx sources, dump3d lists what they hold.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "model/PlotStats.h"
#include "model/Survex3DReader.h"
#include "model/SurveyFile.h"
#include "platform/AtomicFile.h"

using namespace lumora;
namespace fs = std::filesystem;

namespace {

std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  EXPECT_EQ(pclose(p), 0) << command;
  return out;
}

struct TDumpItem {
  std::string Kind;  // MOVE, LINE, NODE, XSECT
  double V[4] = {};
  std::string Label;
  std::set<std::string> Flags;
  std::string Date;
};

struct TDump {
  std::vector<TDumpItem> Items;
  bool Extended = false;
  std::string Cs;
  int Errors = 0;
};

std::string Key(double x, double y, double z) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.2f %.2f %.2f", x, y, z);
  return buf;
}

TDump ParseDump(const std::string& text) {
  TDump d;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream w(line);
    TDumpItem it;
    w >> it.Kind;
    if (line == "EXTENDED ELEVATION") d.Extended = true;
    if (it.Kind == "CS") w >> d.Cs;
    if (it.Kind == "ERROR_INFO") ++d.Errors;
    if (it.Kind != "MOVE" && it.Kind != "LINE" && it.Kind != "NODE" && it.Kind != "XSECT") continue;
    const int n = it.Kind == "XSECT" ? 4 : 3;
    for (int i = 0; i < n; ++i) w >> it.V[i];
    for (std::string t; w >> t;) {
      if (t.front() == '[')
        it.Label = t.substr(1, t.size() - 2);
      else if (std::isdigit(static_cast<unsigned char>(t.front())))
        it.Date = t;
      else
        it.Flags.insert(t);
    }
    d.Items.push_back(it);
  }
  return d;
}

class Survex3D : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("lumora-3d-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  // Makes NAME.3d from the committed NAME.svx; "ext" also runs extend.
  static std::string Make(const std::string& name, bool extended = false) {
    const std::string src = std::string(LUMORA_TEST_DATA) + "/survex/" + name + ".svx";
    Shell("cavern -q -o " + dir_.string() + "/ " + src + " >/dev/null 2>&1");
    std::string file = (dir_ / (name + ".3d")).string();
    if (extended) {
      const std::string ext = (dir_ / (name + "-ext.3d")).string();
      Shell("extend " + file + " " + ext + " >/dev/null 2>&1");
      file = ext;
    }
    return file;
  }

  static fs::path dir_;
};
fs::path Survex3D::dir_;

const char* const kSources[] = {"plain", "nested", "flags", "lrud", "utm"};

// Every leg one shot record and every move one 'M' record, with 'M' records
// opening a survey mid-line; positions, flags, lengths, bounds, names,
// surveys, dates and cross-sections as dump3d gives them.
void CheckAgainstDump(const std::string& file) {
  SCOPED_TRACE(file);
  TPlotModel model;
  const TPlotLoadResult r = LoadSurveyFile(model, file);
  ASSERT_TRUE(r.Ok) << r.Message;
  const TDump dump = ParseDump(Shell("dump3d -d " + file));
  const double mpf = MetresPerFoot();

  std::map<std::string, std::vector<std::string>> nodesAt;
  std::map<std::string, const TDumpItem*> xsect;
  for (const TDumpItem& it : dump.Items) {
    if (it.Kind == "NODE") nodesAt[Key(it.V[0], it.V[1], it.V[2])].push_back(it.Label);
    if (it.Kind == "XSECT") xsect[it.Label] = &it;
  }

  struct TExpected {
    char Code;
    double X, Y, Z;
    const TDumpItem* Leg;
  };
  std::vector<TExpected> want;
  std::vector<std::pair<std::string, std::string>> surveys;  // label, date of its first leg
  bool moved = false;
  double x = 0, y = 0, z = 0, length = 0;
  T3DVector lo{1e99, 1e99, 1e99}, hi{-1e99, -1e99, -1e99};
  int surface = 0, splay = 0, duplicate = 0;
  for (const TDumpItem& it : dump.Items) {
    if (it.Kind == "MOVE") {
      want.push_back({'M', it.V[0], it.V[1], it.V[2], nullptr});
      moved = true;
    } else if (it.Kind == "LINE") {
      if (surveys.empty() || surveys.back().first != it.Label) {
        if (!moved) want.push_back({'M', x, y, z, nullptr});
        surveys.emplace_back(it.Label, it.Date);
      }
      want.push_back({it.Flags.count("SURFACE") ? 'd' : 'D', it.V[0], it.V[1], it.V[2], &it});
      length += std::hypot(it.V[0] - x, it.V[1] - y, it.V[2] - z);
      surface += static_cast<int>(it.Flags.count("SURFACE"));
      splay += static_cast<int>(it.Flags.count("SPLAY"));
      duplicate += static_cast<int>(it.Flags.count("DUPLICATE"));
      moved = false;
    } else {
      continue;
    }
    x = it.V[0], y = it.V[1], z = it.V[2];
    lo = {std::min(lo.x, x), std::min(lo.y, y), std::min(lo.z, z)};
    hi = {std::max(hi.x, x), std::max(hi.y, y), std::max(hi.z, z)};
  }

  ASSERT_EQ(model.Plots.Count(), static_cast<int>(want.size()));
  double modelLength = 0;
  int shots = 0;
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const TPlotVector& p = model.Plots[i];
    const TExpected& w = want[i];
    SCOPED_TRACE("record " + std::to_string(i) + " " + p.Name.Str());
    EXPECT_EQ(p.Code, w.Code);
    EXPECT_NEAR(p.Position.x * mpf, w.X, 0.0051);
    EXPECT_NEAR(p.Position.y * mpf, w.Y, 0.0051);
    EXPECT_NEAR(p.Position.z * mpf, w.Z, 0.0051);
    EXPECT_EQ(p.ShotIndex, shots);
    if (w.Leg) {
      ++shots;
      EXPECT_EQ(p.IsSplay(), w.Leg->Flags.count("SPLAY") == 1);
      EXPECT_EQ(p.Flags.View().find('L') != std::string_view::npos, w.Leg->Flags.count("DUPLICATE") == 1);
      const T3DVector& a = model.Plots[i - 1].Position;
      modelLength += std::hypot(p.Position.x - a.x, p.Position.y - a.y, p.Position.z - a.z) * mpf;
    }
    // The name is the end of a station label at this place, cut at a part.
    const auto nodes = nodesAt.find(Key(w.X, w.Y, w.Z));
    if (nodes == nodesAt.end()) {
      EXPECT_EQ(p.Name, "?");
      continue;
    }
    const std::string name = p.Name.Str();
    const std::string* label = nullptr;
    for (const std::string& l : nodes->second)
      if (l.size() >= name.size() && l.compare(l.size() - name.size(), name.size(), name) == 0 &&
          (l.size() == name.size() || l[l.size() - name.size() - 1] == '.' || name.size() == 20))
        label = &l;
    ASSERT_TRUE(label) << name;
    EXPECT_EQ(p.Station(), p.Name.View());
    EXPECT_TRUE(p.Prefix().empty());
    EXPECT_TRUE(name.size() == label->size() || label->size() > 20) << *label;
    auto xs = xsect.find(*label);
    for (const std::string& l : nodes->second)
      if (xs == xsect.end()) xs = xsect.find(l);
    if (xs != xsect.end()) {
      auto dim = [&](int k) { return xs->second->V[k] < 0 ? 0.0 : xs->second->V[k]; };
      EXPECT_NEAR(p.Left * mpf, dim(0), 1e-4);
      EXPECT_NEAR(p.Right * mpf, dim(1), 1e-4);
      EXPECT_NEAR(p.Up * mpf, dim(2), 1e-4);
      EXPECT_NEAR(p.Down * mpf, dim(3), 1e-4);
    } else {
      EXPECT_EQ(p.Left + p.Right + p.Up + p.Down, 0);
    }
  }
  EXPECT_NEAR(modelLength, length, 0.01 * shots + 1e-9);

  const TPlotStats stats = ComputePlotStats(model);
  EXPECT_EQ(stats.d, surface);
  EXPECT_EQ(stats.SplayLegs, splay);
  EXPECT_EQ(stats.DuplicateLegs, duplicate);
  EXPECT_EQ(static_cast<int>(model.TraverseErrors.size()), dump.Errors);

  const TPlotInfo& info = model.PlotInfo;
  EXPECT_TRUE(info.Loaded);
  EXPECT_EQ(info.FileKind, "survex-3d");
  EXPECT_EQ(info.ExtendedElevation, dump.Extended);
  EXPECT_EQ(info.CoordinateSystem, dump.Cs);
  EXPECT_NEAR(info.Min.x * mpf, lo.x, 0.0051);
  EXPECT_NEAR(info.Min.y * mpf, lo.y, 0.0051);
  EXPECT_NEAR(info.Min.z * mpf, lo.z, 0.0051);
  EXPECT_NEAR(info.Max.x * mpf, hi.x, 0.0051);
  EXPECT_NEAR(info.Max.y * mpf, hi.y, 0.0051);
  EXPECT_NEAR(info.Max.z * mpf, hi.z, 0.0051);
  EXPECT_NEAR(info.DepthRange, info.Max.z - info.Min.z == 0 ? 0.1 : info.Max.z - info.Min.z, 1e-12);
  EXPECT_EQ(info.FirstPosition.x, model.Plots[0].Position.x);
  EXPECT_EQ(info.FirstPosition.z, model.Plots[0].Position.z);

  // One survey for each run of legs with the same label, each opened by
  // its line's 'M' record, dated by its first leg.
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
    if (date.empty()) {
      EXPECT_EQ(sv.SurveyDate, kNoDate);
    } else {
      EXPECT_EQ(DateYear(sv.SurveyDate), std::stoi(date.substr(0, 4)));
      EXPECT_EQ(DateMonth(sv.SurveyDate), std::stoi(date.substr(5, 2)));
      EXPECT_EQ(DateDay(sv.SurveyDate), std::stoi(date.substr(8, 2)));
    }
    const std::string head = label.substr(0, label.find('.'));
    if (s == 0 || head != section) {
      ASSERT_LT(sections, model.Sections.Count());
      EXPECT_EQ(model.Sections[sections].Name, head);
      EXPECT_EQ(model.Sections[sections].FirstSurvey, s);
      ++sections;
      section = head;
    }
  }
  EXPECT_EQ(model.Sections.Count(), sections);
}

}  // namespace

TEST_F(Survex3D, EveryItemAsDump3dListsIt) {
  for (const char* name : kSources) CheckAgainstDump(Make(name));
  CheckAgainstDump(Make("nested", true));
}

TEST_F(Survex3D, WhatTheFilesHold) {
  TPlotModel model;
  ASSERT_TRUE(LoadSurveyFile(model, Make("utm")).Ok);
  EXPECT_TRUE(model.PlotInfo.HasZone);
  EXPECT_EQ(model.PlotInfo.Zone, 33);
  EXPECT_EQ(model.PlotInfo.Datum, "WGS 1984");
  EXPECT_EQ(model.PlotInfo.Title, "utm");

  ASSERT_TRUE(LoadSurveyFile(model, Make("nested")).Ok);
  EXPECT_FALSE(model.PlotInfo.HasZone);
  EXPECT_TRUE(model.PlotInfo.Datum.Empty());
  ASSERT_TRUE(LoadSurveyFile(model, Make("nested", true)).Ok);
  EXPECT_TRUE(model.PlotInfo.ExtendedElevation);
  std::set<std::string> names;
  for (int i = 0; i < model.Plots.Count(); ++i) names.insert(model.Plots[i].Name.Str());
  EXPECT_EQ(names.count(std::string("a_rather_long_station_name").substr(6)), 1u) << "long names keep their end";
  EXPECT_EQ(names.count("mig.dysentry.bath.1"), 1u) << "names keep their survey when they fit";

  EXPECT_EQ(UtmZoneOf("EPSG:32733"), -33);
  EXPECT_EQ(UtmZoneOf("+proj=utm +zone=30 +south +datum=WGS84 +units=m +no_defs"), -30);
  EXPECT_EQ(UtmZoneOf("+proj=utm +zone=30 +datum=WGS84"), 30);
  EXPECT_EQ(UtmZoneOf("+proj=utm +zone=30 +ellps=intl"), 0);
  EXPECT_EQ(UtmZoneOf("EPSG:27700"), 0);
  EXPECT_EQ(UtmZoneOf("EPSG:32661"), 0);

  // The same file under a plot file's name is still read as a .3d file.
  const fs::path renamed = dir_ / "nested.plt";
  fs::copy_file(Make("nested"), renamed, fs::copy_options::overwrite_existing);
  ASSERT_TRUE(LoadSurveyFile(model, renamed.string()).Ok);
  EXPECT_EQ(model.PlotInfo.FileKind, "survex-3d");
  const TPlotLineCounts counts = CountSurveyLines(renamed.string());
  int legs = 0, moves = 0;
  for (const TDumpItem& it : ParseDump(Shell("dump3d " + Make("nested"))).Items) {
    legs += it.Kind == "LINE";
    moves += it.Kind == "MOVE";
  }
  EXPECT_EQ(counts.DrawCount, legs);
  EXPECT_EQ(counts.MoveCount, 2 * moves);
}

// Every cut of a real file, a wrong version, a reserved code and a label
// change past the buffer: refused with the file and the byte, the model
// left as a failed load leaves it.
TEST_F(Survex3D, DamagedFilesAreRefused) {
  const std::string good = ReadWholeFile(Make("nested"));
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
  // A file without legs ends at its first style item, so a cut right after
  // that item is a whole file; every other cut is refused.
  int whole = 0;
  for (size_t n = 0; n < good.size(); ++n) {
    const std::string cut = good.substr(0, n);
    TPlotModel model;
    if (n > 0 && cut.back() == '\0' && LoadSurvex3DData(model, cut, "cave.3d").Ok) {
      EXPECT_EQ(++whole, 1) << n;
      continue;
    }
    const std::string m = refused(cut, "cut at " + std::to_string(n));
    EXPECT_NE(m.find("(at byte "), std::string::npos) << m;
  }

  std::string v9 = good;
  v9[v9.find("v8\n") + 1] = '9';
  EXPECT_NE(refused(v9, "v9").find("version \"v9\""), std::string::npos);

  const size_t items = good.find('\n', good.find("\n@") + 1) + 2;  // after the flags byte
  std::string reserved = good;
  reserved.insert(items, 1, '\x05');
  EXPECT_NE(refused(reserved, "reserved").find("reserved item code 5 (at byte " + std::to_string(items) + ")"),
            std::string::npos);

  std::string past = good.substr(0, items) + std::string("\x40\x30", 2);
  EXPECT_NE(refused(past, "drop").find("drops 3 bytes of a 0-byte label (at byte " + std::to_string(items + 1)),
            std::string::npos);
  std::string hugeAppend = good.substr(0, items) + std::string("\x40\x00\x00\xff\xff\xff\xff\x7f", 8);
  EXPECT_NE(refused(hugeAppend, "append").find("truncated"), std::string::npos);
}
