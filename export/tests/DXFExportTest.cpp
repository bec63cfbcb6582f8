#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <map>

#include "export/DXFExport.h"
#include "platform/AtomicFile.h"

using namespace lumora;

namespace {

const char* const kHeader =
    "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$DWGCODEPAGE\r\n  3\r\nascii\r\n  0\r\nENDSEC\r\n";
const char* const kEnd = "  0\r\nENDSEC\r\n  0\r\nEOF\r\n\x1A";

// A plot file of plain lines: "Z", one survey, then the station lines.
std::string Plot(const std::string& stations, const std::string& box = "Z 0 10 0 0 -200 0") {
  return box + "\r\nN SURV D 1 1 2000 C test\r\n" + stations + "X 0 0 0 0 0 0\r\n";
}

// Everything off but what a test turns on.
TExportOptions Bare() {
  TExportOptions o;
  o.LayerSurveysChk = false;
  o.ShotLineChk = false;
  o.LabelsChk = false;
  o.StationMarkChk = false;
  o.WallsChk = false;
  o.NorthArrowChk = false;
  o.ScaleBarChk = false;
  o.DepthChk = false;
  return o;
}

struct Export {
  TPlotModel model;
  TPassageOptions passage;
  TPassageState state;
  TSilentProgress progress;
  std::string text;
};

std::unique_ptr<Export> ExportDxf(const std::string& plot, const TExportOptions& o) {
  auto e = std::make_unique<Export>();
  EXPECT_TRUE(LoadPlotText(e->model, plot, "test.plt").Ok);
  const auto path = std::filesystem::temp_directory_path() / ("lumora-dxf-" + std::to_string(getpid()) + ".dxf");
  write_dxf(path, {e->model, o, e->passage, e->state, e->progress});
  e->text = ReadWholeFile(path);
  std::filesystem::remove(path);
  return e;
}

struct Entity {
  std::string type;
  std::multimap<int, std::string> groups;
  std::string Get(int code) const {
    auto it = groups.find(code);
    return it == groups.end() ? "" : it->second;
  }
};

// The ENTITIES section as entities with their groups.
std::vector<Entity> Entities(const std::string& text) {
  std::vector<std::pair<int, std::string>> pairs;
  size_t at = 0;
  while (true) {
    const size_t e1 = text.find("\r\n", at);
    if (e1 == std::string::npos) break;
    const size_t e2 = text.find("\r\n", e1 + 2);
    if (e2 == std::string::npos) break;
    pairs.emplace_back(std::stoi(text.substr(at, e1 - at)), text.substr(e1 + 2, e2 - e1 - 2));
    at = e2 + 2;
  }
  std::vector<Entity> out;
  bool inEntities = false;
  for (size_t i = 0; i < pairs.size(); ++i) {
    const auto& [code, value] = pairs[i];
    if (code == 2 && value == "ENTITIES") inEntities = true;
    if (!inEntities) continue;
    if (code == 0) {
      if (value == "ENDSEC") break;
      out.push_back({value, {}});
    } else if (!out.empty()) {
      out.back().groups.emplace(code, value);
    }
  }
  return out;
}

std::map<std::string, int> CountByLayer(const std::vector<Entity>& entities) {
  std::map<std::string, int> n;
  for (const auto& e : entities) ++n[e.type + "@" + e.Get(8)];
  return n;
}

}  // namespace

TEST(DXFText, GroupsNumbersAndNames) {
  EXPECT_EQ(dxf::Group(0, "SECTION"), "  0\r\nSECTION\r\n");
  EXPECT_EQ(dxf::Group(10, "x"), " 10\r\nx\r\n");
  EXPECT_EQ(dxf::IntGroup(70, 64), " 70\r\n 64\r\n");
  EXPECT_EQ(dxf::IntGroup(62, 3), " 62\r\n  3\r\n");
  EXPECT_EQ(dxf::IntGroup(70, 1234), " 70\r\n1234\r\n");
  EXPECT_EQ(dxf::RealGroup(10, 0.5), " 10\r\n    0.50\r\n");
  EXPECT_EQ(dxf::RealGroup(20, -12.5), " 20\r\n  -12.50\r\n");
  EXPECT_EQ(dxf::RealGroup(30, 1234567.891), " 30\r\n1234567.89\r\n");
  EXPECT_EQ(dxf::Sanitize("A_1"), "A01");
  EXPECT_EQ(dxf::Sanitize("Big Room"), "Big0Room");
  EXPECT_EQ(dxf::Sanitize("$A-1.5z"), "$A-1.5z");
  EXPECT_EQ(dxf::Sanitize("\xC3\xA9*"), "000");
}

TEST(DXFWriter, ShotLineOnlyHasNoTablesAndLayerZero) {
  TExportOptions o = Bare();
  o.ShotLineChk = true;
  const auto e = ExportDxf(Plot("M 0 0 0 S A1 P 1 1 1 1\r\nD 10 0 0 S A2 P 1 1 1 1\r\n"), o);
  const std::string line =
      "  0\r\nLINE\r\n  8\r\n0\r\n"
      " 10\r\n    0.00\r\n 20\r\n    0.00\r\n 30\r\n    0.00\r\n"
      " 11\r\n    0.00\r\n 21\r\n   10.00\r\n 31\r\n    0.00\r\n";
  EXPECT_EQ(e->text, std::string(kHeader) + "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n" + line + kEnd);
}

TEST(DXFWriter, LayerTableAndItsCount) {
  const std::string plot =
      "Z 0 10 0 0 0 0\r\nN ONE D 1 1 2000 C a\r\nM 0 0 0 S A1\r\nD 10 0 0 S A2\r\nX 0 0 0 0 0 0\r\n"
      "N T_W D 1 1 2000 C b\r\nM 10 0 0 S A2\r\nD 20 0 0 S A3\r\nX 0 0 0 0 0 0\r\n";
  TExportOptions o;  // every layer, surveys separate
  auto e = ExportDxf(plot, o);
  const std::string table =
      "  0\r\nSECTION\r\n  2\r\nTABLES\r\n  0\r\nTABLE\r\n  2\r\nLAYER\r\n 70\r\n  7\r\n"
      "  0\r\nLAYER\r\n  2\r\nONE\r\n 70\r\n 64\r\n 62\r\n  3\r\n  6\r\nCONTINUOUS\r\n"
      "  0\r\nLAYER\r\n  2\r\nT0W\r\n 70\r\n 64\r\n 62\r\n  3\r\n  6\r\nCONTINUOUS\r\n"
      "  0\r\nLAYER\r\n  2\r\nLABELS\r\n 70\r\n 65\r\n 62\r\n  2\r\n  6\r\nCONTINUOUS\r\n"
      "  0\r\nLAYER\r\n  2\r\nMARKS\r\n 70\r\n 65\r\n 62\r\n  2\r\n  6\r\nCONTINUOUS\r\n"
      "  0\r\nLAYER\r\n  2\r\nPASSAGE\r\n 70\r\n 65\r\n 62\r\n  1\r\n  6\r\nCONTINUOUS\r\n"
      "  0\r\nLAYER\r\n  2\r\nOBJECTS\r\n 70\r\n 64\r\n 62\r\n  2\r\n  6\r\nCONTINUOUS\r\n"
      "  0\r\nLAYER\r\n  2\r\nDEPTH\r\n 70\r\n 65\r\n 62\r\n  5\r\n  6\r\nCONTINUOUS\r\n"
      "  0\r\nENDTAB\r\n  0\r\nENDSEC\r\n";
  EXPECT_EQ(e->text.substr(0, std::string(kHeader).size() + table.size()), kHeader + table);

  // Associated but not split: labels, marks and depth lie on the survey
  // layers; the count still has one per survey for each of them.
  o.AssocLabelChk = true;
  o.PassageTypeRadio = 1;  // ticks
  e = ExportDxf(plot, o);
  EXPECT_NE(e->text.find(" 70\r\n 10\r\n"), std::string::npos);  // 2 + 2 + 2 + 1 + 1 + 2
  EXPECT_EQ(e->text.find("LABELS"), std::string::npos);
  EXPECT_EQ(e->text.find("MARKS"), std::string::npos);
  EXPECT_EQ(e->text.find("DEPTH"), std::string::npos);
  EXPECT_NE(e->text.find("\r\nTICKS\r\n 70\r\n 65\r\n"), std::string::npos);
  auto n = CountByLayer(Entities(e->text));
  EXPECT_EQ(n["TEXT@ONE"], 4);       // two labels, two depth labels
  EXPECT_EQ(n["LINE@ONE"], 1 + 28);  // shot line and two marks
  EXPECT_EQ(n["TEXT@T0W"], 4);

  // Split: a layer per survey for each group, named by prefix.
  o.SeparateChk = true;
  o.AssocPassChk = true;
  e = ExportDxf(plot, o);
  for (const char* name : {"S-ONE", "M-ONE", "T-ONE", "D-ONE", "S-T0W", "M-T0W", "T-T0W", "D-T0W"})
    EXPECT_NE(e->text.find(std::string("  2\r\n") + name + "\r\n 70\r\n 65\r\n"), std::string::npos) << name;
  n = CountByLayer(Entities(e->text));
  EXPECT_EQ(n["TEXT@S-ONE"], 2);
  EXPECT_EQ(n["TEXT@D-T0W"], 2);
  EXPECT_EQ(n["LINE@M-ONE"], 28);
  EXPECT_EQ(n["TEXT@T-ONE"], 4);  // L, R, U, D of the from-station
  EXPECT_EQ(n["LINE@OBJECTS"], 7 + 12);
}

TEST(DXFWriter, ThreeDFacesCarryTheWallCorners) {
  TExportOptions o = Bare();
  o.WallsChk = true;
  o.PassShapeRadio = 0;  // square
  const auto e = ExportDxf(Plot("M 0 0 0 S A1 P 1 1 1 1\r\nD 10 0 0 S A2 P 1 1 1 1\r\n"), o);
  const std::string face =
      "  0\r\n3DFACE\r\n  8\r\nPASSAGE\r\n"
      " 10\r\n   -1.00\r\n 20\r\n    0.00\r\n 30\r\n    1.00\r\n"
      " 11\r\n   -1.00\r\n 21\r\n   10.00\r\n 31\r\n    1.00\r\n"
      " 12\r\n    1.00\r\n 22\r\n   10.00\r\n 32\r\n    1.00\r\n"
      " 13\r\n    1.00\r\n 23\r\n    0.00\r\n 33\r\n    1.00\r\n";
  const size_t at = e->text.find("  0\r\n3DFACE");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(e->text.substr(at, face.size()), face);
  EXPECT_EQ(CountByLayer(Entities(e->text))["3DFACE@PASSAGE"], 4);
  EXPECT_EQ(e->state.FaceCount, 4);
  EXPECT_FALSE(e->passage.SealEnds);
  // The walls follow the survey layers when associated.
  o.LayerSurveysChk = true;
  o.AssocPassChk = true;
  o.SeparateChk = true;
  const auto f = ExportDxf(Plot("M 0 0 0 S A1 P 1 1 1 1\r\nD 10 0 0 S A2 P 1 1 1 1\r\n"), o);
  EXPECT_EQ(CountByLayer(Entities(f->text))["3DFACE@P-SURV"], 4);
}

TEST(DXFWriter, TickMarksAndTheirModes) {
  TExportOptions o = Bare();
  o.WallsChk = true;
  o.PassageTypeRadio = 1;
  // The to-station's extents are missing and filled from the from-station.
  const std::string plot = Plot("M 0 0 0 S A1 P 2 2 2 2\r\nD 10 0 0 S A2 P 0 0 0 0\r\n");
  auto e = ExportDxf(plot, o);
  const std::string mark =
      "  0\r\nTEXT\r\n  7\r\nSTANDARD\r\n  8\r\nTICKS\r\n"
      " 10\r\n   -2.00\r\n 20\r\n    0.00\r\n 30\r\n    0.00\r\n 40\r\n    1.00\r\n  1\r\nL\r\n";
  const size_t at = e->text.find("  0\r\nTEXT");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(e->text.substr(at, mark.size()), mark);
  auto ents = Entities(e->text);
  ASSERT_EQ(ents.size(), 4u);
  EXPECT_EQ(ents[1].Get(1), "R");
  EXPECT_EQ(ents[1].Get(10), "    2.00");
  EXPECT_EQ(ents[2].Get(1), "U");
  EXPECT_EQ(ents[2].Get(30), "    2.00");
  EXPECT_EQ(ents[3].Get(1), "D");
  EXPECT_EQ(ents[3].Get(30), "   -2.00");

  // Both ends, lines to the marks, stars.
  o.MarkToChk = true;
  o.LineCheck = true;
  o.MarkWithRadio = 2;
  e = ExportDxf(plot, o);
  ents = Entities(e->text);
  ASSERT_EQ(ents.size(), 16u);
  EXPECT_EQ(ents[0].type, "LINE");
  EXPECT_EQ(ents[1].Get(1), "*");
  EXPECT_EQ(ents[9].Get(20), "   10.00");  // the to-end's left mark
  EXPECT_EQ(ents[9].Get(10), "   -2.00");  // filled from the from-station

  // Without expanding, the to-end's marks sit on the station.
  o.ExpandMarkChk = false;
  o.LineCheck = false;
  o.MarkFromChk = false;
  o.MarkWithRadio = 1;
  e = ExportDxf(plot, o);
  ents = Entities(e->text);
  ASSERT_EQ(ents.size(), 4u);
  EXPECT_EQ(ents[0].Get(1), ".");
  EXPECT_EQ(ents[0].Get(10), "    0.00");

  // Profile mode: always ticks, only the from-station's up and down, with
  // the drawing's y as elevation; extents of 999 count as missing.
  o = Bare();
  o.WallsChk = true;
  o.ProfileChk = true;
  o.RotSpin = 90;
  e = ExportDxf(Plot("M 0 0 -5 S A1 P 1 0 999 1\r\nD 10 0 -5 S A2 P 1 1 1 1\r\n", "Z 0 10 0 0 -5 0"), o);
  ents = Entities(e->text);
  ASSERT_EQ(ents.size(), 2u);
  EXPECT_EQ(ents[0].Get(1), "U");
  EXPECT_EQ(ents[0].Get(20), "   -4.00");  // elevation -5, up filled from the to-station
  EXPECT_EQ(ents[0].Get(10), "   -5.00");  // rotated 90 degrees about the centre (0, 5)
  EXPECT_EQ(ents[0].Get(30), "    5.00");
  EXPECT_EQ(ents[1].Get(1), "D");
  EXPECT_EQ(ents[1].Get(20), "   -6.00");  // down 999 is missing, then filled
  EXPECT_NE(e->text.find("TICKS"), std::string::npos);
}

TEST(DXFWriter, StationMarksLabelsAndDepth) {
  TExportOptions o = Bare();
  o.StationMarkChk = true;
  o.LabelsChk = true;
  o.DepthChk = true;
  auto e = ExportDxf(Plot("M 0 0 -123.4 S A_1\r\n"), o);
  auto ents = Entities(e->text);
  ASSERT_EQ(ents.size(), 16u);
  EXPECT_EQ(ents[0].type, "TEXT");
  EXPECT_EQ(ents[0].Get(1), "A01");
  EXPECT_EQ(ents[0].Get(8), "LABELS");
  EXPECT_EQ(ents[0].Get(40), "    1.00");
  // A 14-gon of radius 25 around the station, from north clockwise.
  const std::string first =
      "  0\r\nLINE\r\n  8\r\nMARKS\r\n"
      " 10\r\n    0.00\r\n 20\r\n   25.00\r\n 30\r\n -123.40\r\n"
      " 11\r\n   10.85\r\n 21\r\n   22.52\r\n 31\r\n -123.40\r\n";
  EXPECT_NE(e->text.find(first), std::string::npos);
  EXPECT_EQ(ents[14].Get(11), "    0.00");  // the last side closes at north
  EXPECT_EQ(ents[14].Get(21), "   25.00");
  EXPECT_EQ(ents[8].Get(10), "    0.00");  // vertex 7 is due south
  EXPECT_EQ(ents[8].Get(20), "  -25.00");
  EXPECT_EQ(ents[15].Get(1), "-123.4Ft.");
  EXPECT_EQ(ents[15].Get(8), "DEPTH");
  EXPECT_EQ(ents[15].Get(20), "   -1.20");

  // Scaled to 50 %: points halved, mark radius and label heights follow.
  o.ScaleChk = true;
  o.ScaleSpin = 50;
  o.UnitRadio = 1;
  e = ExportDxf(Plot("M 0 0 -123.4 S A_1\r\n"), o);
  ents = Entities(e->text);
  ASSERT_EQ(ents.size(), 16u);
  EXPECT_EQ(ents[0].Get(40), FixedString(0.5 * MetresPerFoot(), 2, 5));
  EXPECT_EQ(ents[1].Get(20), FixedString(25 / MetresPerFoot() * 0.5 * MetresPerFoot() * 0.5, 2, 5));  // 6.25
  EXPECT_EQ(ents[1].Get(20), "    6.25");
  EXPECT_EQ(ents[15].Get(1), "-37.6M.");
  EXPECT_EQ(ents[15].Get(20), FixedString(-0.6 * MetresPerFoot() * 0.5, 2, 5));
}

TEST(DXFWriter, ClippedShotLines) {
  TExportOptions o = Bare();
  o.ShotLineChk = true;
  o.ClipLinesChk = true;
  o.MarkSizeSpin = 2;
  auto e = ExportDxf(Plot("M 0 0 0 S A1\r\nD 10 0 0 S A2\r\nD 10 0 0 S A3\r\n"), o);
  auto ents = Entities(e->text);
  ASSERT_EQ(ents.size(), 2u);
  EXPECT_EQ(ents[0].Get(20), "    2.00");
  EXPECT_EQ(ents[0].Get(21), "    8.00");
  EXPECT_EQ(ents[1].Get(20), "   10.00");  // a shot of no length stays whole
  // A mark wider than half the shot makes the ends cross, as computed.
  o.MarkSizeSpin = 7;
  e = ExportDxf(Plot("M 0 0 0 S A1\r\nD 10 0 0 S A2\r\n"), o);
  ents = Entities(e->text);
  EXPECT_EQ(ents[0].Get(20), "    7.00");
  EXPECT_EQ(ents[0].Get(21), "    3.00");
}

TEST(DXFWriter, NorthArrowScaleBarAndEnd) {
  TExportOptions o = Bare();
  o.NorthArrowChk = true;
  o.ScaleBarChk = true;
  // Box: east -50..50, north 0..100; first station at z 7.
  auto e = ExportDxf(Plot("M 0 0 7 S A1\r\n", "Z 0 100 -50 50 0 10"), o);
  auto ents = Entities(e->text);
  ASSERT_EQ(ents.size(), 7u + 12u + 1u);
  // Arrow: d 100, h 10, u 1, origin (-55, 5); the shaft first.
  EXPECT_EQ(ents[0].Get(10), "  -55.00");
  EXPECT_EQ(ents[0].Get(20), "    1.00");
  EXPECT_EQ(ents[0].Get(21), "    9.00");
  EXPECT_EQ(ents[0].Get(30), "    7.00");
  EXPECT_EQ(ents[4].Get(10), "  -56.00");  // the N starts after the pen-up
  EXPECT_EQ(ents[4].Get(20), "   10.00");
  EXPECT_EQ(ents[4].Get(21), "   11.00");
  // Scale bar of 100 feet centred under the box.
  EXPECT_EQ(ents[7].Get(10), "  -50.00");
  EXPECT_EQ(ents[7].Get(11), "   50.00");
  EXPECT_EQ(ents[7].Get(20), FixedString(-100.0 / 3, 2, 5));
  EXPECT_EQ(ents[9].Get(10), "    0.00");  // the middle tick, L/5 high
  EXPECT_EQ(ents[9].Get(21), FixedString(-100.0 / 3 + 20, 2, 5));
  EXPECT_EQ(ents[11].Get(21), FixedString(-100.0 / 3 + 10, 2, 5));
  const Entity& label = ents.back();
  EXPECT_EQ(label.type, "TEXT");
  EXPECT_EQ(label.Get(1), "100.0Ft.");
  EXPECT_EQ(label.Get(8), "OBJECTS");
  EXPECT_EQ(label.Get(10), "   60.00");
  EXPECT_EQ(label.Get(40), "   10.00");
  EXPECT_EQ(e->text.substr(e->text.size() - 11), "  0\r\nEOF\r\n\x1A");

  o.UnitRadio = 1;
  e = ExportDxf(Plot("M 0 0 7 S A1\r\n", "Z 0 100 -50 50 0 10"), o);
  EXPECT_EQ(Entities(e->text).back().Get(1), "100.0M.");
  EXPECT_EQ(Entities(e->text).back().Get(10), "   60.00");  // a 100 m bar, drawn in metres

  // A plot without a box has nowhere to put them.
  e = ExportDxf("N SURV D 1 1 2000 C test\r\nM 0 0 7 S A1\r\nX 0 0 0 0 0 0\r\n", o);
  EXPECT_TRUE(Entities(e->text).empty());
}

TEST(DXFWriter, UnwritableTargetThrows) {
  TExportOptions o;
  TPlotModel model;
  ASSERT_TRUE(LoadPlotText(model, Plot("M 0 0 0 S A1\r\n"), "t.plt").Ok);
  TPassageOptions passage;
  TPassageState state;
  TSilentProgress progress;
  EXPECT_THROW(write_dxf("/nonexistent-folder/x.dxf", {model, o, passage, state, progress}), EExport);
}
