#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "geometry/GLMatrix.h"
#include "geometry/NumberText.h"
#include "model/PlotReader.h"
#include "rose/GLRose.h"
#include "viewer/OffscreenViewer.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;

// Elevations 0 to 40, so 4 layers are 10 ft each; 6 petals are 60 degrees.
// Records are north, east, elevation. Each comment gives the shot from the
// record before.
const char* const kShots =
    "Z -100 100 -100 100 0 40\r\n"
    "SMain\r\n"
    "N S1 D 1 1 2000 C test\r\n"
    "M 0 0 5 S A0 P 0 0 0 0\r\n"
    "D 10 0 5 S A1 P 0 0 0 0\r\n"          // due north, level, 10: row 0, column 0
    "D 10 20 5 S A2 P 0 0 0 0\r\n"         // due east, level, 20: row 0, column 1
    "D 10 23 9 S A3 P 0 0 0 0\r\n"         // east rising 3 over 4 up: slope 5, horizontal 3
    "D 10 23 40 S A4 P 0 0 0 0\r\n"        // straight up 31 to the top: row 4
    "D 6 20 36 S A5 P 0 0 0 0\r\n"         // falling to bearing 216.9: slope 6.4, horizontal 5
    "d 6 30 36 S A6 P 0 0 0 0\r\n"         // excluded
    "D 6 32.5 36 S A7 P 0 0 0 0\r\n"       // from the excluded record: east 2.5, rounds to 2
    "D 6 36 36 S A8 P 0 0 0 0 I 0 FS\r\n"  // splay
    "D 6 39.5 36 S A9 P 0 0 0 0\r\n"       // from the splay's end: east 3.5, rounds to 4
    "D 6.4 39.5 36 S A10 P 0 0 0 0\r\n"    // north 0.4: weight 0 by length
    "D 9.4 35.5 36 S A11 P 0 0 0 0\r\n"    // bearing 306.9, 5
    "D 5.4 35.5 39 S A12 P 0 0 0 0\r\n";   // due south rising 4 over 3 up: 5

class TempFile {
 public:
  explicit TempFile(const std::string& text) {
    path_ = fs::temp_directory_path() /
            ("lumora-rose-" + std::to_string(::getpid()) + "-" + std::to_string(count_++) + ".plt");
    std::ofstream(path_, std::ios::binary) << text;
  }
  ~TempFile() { fs::remove(path_); }
  const fs::path& Path() const { return path_; }

 private:
  static inline int count_ = 0;
  fs::path path_;
};

TPlotModel& Load(TPlotModel& model, const std::string& text) {
  const TempFile file(text);
  const TPlotLoadResult r = LoadPlotFile(model, file.Path().string());
  EXPECT_TRUE(r.Ok) << r.Message;
  return model;
}

using TCells = std::map<std::pair<int, int>, int>;

// Every cell of the whole table: the listed ones hold their values, all
// others 0.
void ExpectGrid(const TRoseGrid& g, const TCells& expected, const std::string& what) {
  for (int row = 0; row < TRoseGrid::kRows; ++row)
    for (int column = 0; column < TRoseGrid::kColumns; ++column) {
      const auto it = expected.find({row, column});
      EXPECT_EQ(g.Cell(row, column), it == expected.end() ? 0 : it->second)
          << what << ": row " << row << ", column " << column;
    }
  int most = 0;
  for (const auto& [cell, v] : expected) most = std::max(most, v);
  EXPECT_EQ(g.maximum, most) << what;
}

TEST(RoseGrid, BinsHandComputedShots) {
  TPlotModel model;
  Load(model, kShots);
  TRoseGrid g;
  TRoseOptions o;
  BinShots(g, model, 4, 6, o);
  EXPECT_EQ(g.top, 40);
  EXPECT_EQ(g.bottom, 0);
  EXPECT_EQ(g.height, 40);
  EXPECT_EQ(g.layers, 4);
  EXPECT_EQ(g.petals, 6);
  // The vertical shot to the top lands in the undrawn row 4 and still sets
  // the maximum; the due-south shot is at 180, column 3.
  ExpectGrid(g, {{{0, 0}, 10}, {{0, 1}, 25}, {{4, 0}, 31}, {{3, 3}, 6 + 5}, {{3, 1}, 2 + 4}, {{3, 5}, 5}},
             "360 degree rose");
  EXPECT_EQ(g.counted, 10);

  // Rising shots turn round: east 90 -> 270 (column 4), up 0 -> 180
  // (column 3), south 180 -> 360, the undrawn column 6.
  o.RoseType = TRoseType::WaterFlow;
  BinShots(g, model, 4, 6, o);
  ExpectGrid(
      g, {{{0, 0}, 10}, {{0, 1}, 20}, {{0, 4}, 5}, {{4, 3}, 31}, {{3, 3}, 6}, {{3, 1}, 6}, {{3, 5}, 5}, {{3, 6}, 5}},
      "water flow");

  // Opposite bearings together: 216.9 -> 36.9, 306.9 -> 126.9, 180 -> 0.
  o.RoseType = TRoseType::Rose180;
  BinShots(g, model, 4, 6, o);
  ExpectGrid(g, {{{0, 0}, 10}, {{0, 1}, 25}, {{4, 0}, 31}, {{3, 0}, 6 + 5}, {{3, 1}, 6}, {{3, 2}, 5}}, "180 rose");

  o.RoseType = TRoseType::Rose360;
  o.GraphBy = TGraphBy::Frequency;
  BinShots(g, model, 4, 6, o);
  // The 0.4 ft shot weighs 1 here, 0 by length.
  ExpectGrid(g, {{{0, 0}, 1}, {{0, 1}, 2}, {{4, 0}, 1}, {{3, 3}, 2}, {{3, 1}, 2}, {{3, 0}, 1}, {{3, 5}, 1}},
             "frequency");

  o.GraphBy = TGraphBy::TotalLength;
  o.SlopeLength = false;
  BinShots(g, model, 4, 6, o);
  // Horizontal lengths: 3 for the rising east shot, 0 for the vertical one,
  // 5 for the falling one, 4 for the rising south one.
  ExpectGrid(g, {{{0, 0}, 10}, {{0, 1}, 23}, {{3, 3}, 5 + 4}, {{3, 1}, 6}, {{3, 5}, 5}}, "horizontal");
  EXPECT_EQ(g.counted, 10);

  o.SlopeLength = true;
  o.MinLength = 5;
  BinShots(g, model, 4, 6, o);
  // 2.5, 3.5 and 0.4 are too short; the 5 ft shots are not.
  ExpectGrid(g, {{{0, 0}, 10}, {{0, 1}, 25}, {{4, 0}, 31}, {{3, 3}, 11}, {{3, 5}, 5}}, "minimum length 5");
  EXPECT_EQ(g.counted, 7);

  // Progress climbs to 50 once per change of percentage.
  std::vector<int> seen;
  BinShots(g, model, 4, 6, o, [&](int p) { seen.push_back(p); });
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), 50);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(std::set<int>(seen.begin(), seen.end()).size(), seen.size());
}

TEST(RoseGrid, ShotsOutsideTheTableOrAFlatPlotStaySafe) {
  // The bounds record says 0..10, but stations lie at -30 and 50: their
  // rows would be outside the table, so they are not counted.
  TPlotModel model;
  Load(model,
       "Z -100 100 -100 100 0 10\r\nSMain\r\nN S1 D 1 1 2000 C test\r\n"
       "M 0 0 5 S A0 P 0 0 0 0\r\nD 10 0 -30 S A1 P 0 0 0 0\r\nD 20 0 50 S A2 P 0 0 0 0\r\n"
       "D 30 0 5 S A3 P 0 0 0 0\r\n");
  TRoseGrid g;
  BinShots(g, model, 180, 360, TRoseOptions{});
  EXPECT_EQ(g.counted, 1);
  EXPECT_EQ(g.Cell(90, 180), 0);
  EXPECT_EQ(g.maximum, std::round(std::hypot(10.0, 45.0)));

  // No height at all: one level, every shot in the bottom row.
  TPlotModel flat;
  Load(flat,
       "Z -100 100 -100 100 7 7\r\nSMain\r\nN S1 D 1 1 2000 C test\r\n"
       "M 0 0 7 S A0 P 0 0 0 0\r\nD 0 12 7 S A1 P 0 0 0 0\r\n");
  BinShots(g, flat, 24, 36, TRoseOptions{});
  EXPECT_EQ(g.Cell(0, 9), 12);
  EXPECT_EQ(g.counted, 1);
}

TEST(RoseColors, RainbowByLayer) {
  EXPECT_EQ(LayerColor(0, 24, true), 0x0000FFu);   // index 24
  EXPECT_EQ(LayerColor(23, 24, true), 0x003FFFu);  // round(24 - 23 * 23 / 24) = 2
  EXPECT_EQ(LayerColor(46, 47, true), 0x0000FFu);  // index 1 from 47 layers on
  EXPECT_EQ(LayerColor(5, 24, false), 0x0000FFu);
  EXPECT_EQ(RainbowColor(13), 0xFFFF00u);
  EXPECT_EQ(RainbowColor(25), 0u);
}

std::string Key(const T3DVector& v) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.9f %.9f %.9f", v.x, v.y, v.z);
  return buf;
}

TEST(RoseWedge, ClosedOutwardAndOnItsSector) {
  for (const auto& [r, a0, a1] : {std::tuple{2.0, 0.0, 10.0}, {3.5, 350.0, 360.0}, {1.0, 100.0, 190.0}}) {
    TGLMesh m;
    AddWedge(m, r, a0, a1, -1.5, 0.25, 0x123456);
    ASSERT_EQ(m.TriangleCount(), 8);
    // Every edge is met once in each direction: the prism is closed and
    // consistently wound.
    std::multiset<std::pair<std::string, std::string>> edges;
    for (int t = 0; t < 8; ++t) {
      const TTriangle3 tri = m.GetTriangle(t);
      for (int k = 0; k < 3; ++k) edges.insert({Key(tri.p[k]), Key(tri.p[(k + 1) % 3])});
    }
    for (const auto& [from, to] : edges) EXPECT_EQ(edges.count({to, from}), 1u) << from << " -> " << to;

    const double mid = (a0 + a1) / 2 * M_PI / 180;
    const T3DVector inside{r / 2 * std::sin(mid), -1.375, -r / 2 * std::cos(mid)};
    for (int t = 0; t < 8; ++t) {
      const TTriangle3 tri = m.GetTriangle(t);
      const T3DVector c = TriangleCentre(tri);
      EXPECT_GT(Dot(TriangleNormal(tri), Subtract(c, inside)), 0) << "triangle " << t << " faces in";
      for (const T3DVector& p : tri.p) {
        EXPECT_TRUE(std::abs(p.y + 1.5) < 1e-12 || std::abs(p.y + 1.25) < 1e-12);
        const double radius = std::hypot(p.x, p.z);
        EXPECT_TRUE(radius < 1e-12 || std::abs(radius - r) < 1e-12);
        if (radius > 1e-12) {
          // Bearing clockwise from north, north along -z.
          double b = std::atan2(p.x, -p.z) * 180 / M_PI;
          if (b < a0 - 1e-9) b += 360;
          EXPECT_TRUE(std::abs(b - a0) < 1e-9 || std::abs(b - a1) < 1e-9) << b;
        }
      }
    }
    EXPECT_EQ(m.GetTriangleColors(3).c[0], 0x123456u);
  }
}

TEST(RoseBuild, RadiusLawColoursBaseAndRulers) {
  TPlotModel model;
  Load(model, kShots);
  TGLFrame frame;
  auto* rose = static_cast<TGLMesh*>(frame.Meshes.AddNew());
  auto* base = static_cast<TGLMesh*>(frame.Meshes.AddNew());
  auto* grid = static_cast<TGLLines*>(frame.Lines.AddNew());
  const TRoseObjects objects{&frame, rose, base, grid};
  TGLRose r;
  std::vector<int> progress;
  r.OnProgress = [&](int p) { progress.push_back(p); };
  const int layers = 4, petals = 6;
  ASSERT_TRUE(r.BuildRose(objects, model, MakeWorkingUnits(true), layers, petals, true));
  EXPECT_TRUE(r.Created && rose->Visible);
  EXPECT_EQ(progress.front(), 0);
  EXPECT_EQ(progress.back(), 100);
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));

  ASSERT_EQ(rose->TriangleCount(), layers * petals * 8);
  for (int i = 0; i < layers; ++i)
    for (int j = 0; j < petals; ++j) {
      const int first = 8 * (i * petals + j);
      // The outer side is the last quad; its corners sit at the radius.
      const double want = r.Grid.Cell(i, j) * 4.0 / r.Grid.maximum;
      for (int t = first + 6; t < first + 8; ++t)
        for (const T3DVector& p : rose->GetTriangle(t).p) {
          EXPECT_NEAR(std::hypot(p.x, p.z), want, 1e-12);
          EXPECT_TRUE(std::abs(p.y - (i - 2.0)) < 1e-12 || std::abs(p.y - (i - 1.0)) < 1e-12);
        }
      EXPECT_EQ(rose->GetTriangleColors(first).c[0] & 0xFFFFFF, LayerColor(i, layers, true));
    }
  // Face normals only, the same as the triangles'.
  EXPECT_EQ(rose->FaceNormals.Count(), rose->TriangleCount());

  // The plate: 6 quads, dial texture mapped once across its top.
  ASSERT_EQ(base->TriangleCount(), 12);
  EXPECT_TRUE(base->Texture->TextureEnabled);
  EXPECT_EQ(base->Texture->TextureMode, 1);
  EXPECT_EQ(base->Texture->ImageWidth, 512);
  EXPECT_EQ(base->VertexNormals.Count(), base->VertexCount());
  base->BuildTextureCoords();
  for (int v = 0; v < 6; ++v) {
    const T3DVector p = base->GetVertex(v);
    EXPECT_NEAR(p.y, -2, 1e-12);
    const T2DVector uv = base->Texture->TexCoords[v];
    EXPECT_NEAR(uv.x, p.x * 0.125 - 0.5, 1e-12);
    EXPECT_NEAR(uv.y, -p.z * 0.125 - 0.5, 1e-12);
  }

  // Rulers: 4 upright edges and 2 * (layers + 1) level lines in the grid
  // colour; label strokes in the font colour, the first ruler's in the
  // plane z = -4, the second's in x = -4, each above its level line.
  int gridLines = 0, strokes[2] = {0, 0};
  for (int s = 0; s < grid->SegmentCount(); ++s) {
    T3DVector a, b;
    grid->Segments.GetSegment(s, a, b);
    if (grid->SegmentColors[s] == 0x00FF00u) {
      ++gridLines;
      continue;
    }
    EXPECT_EQ(grid->SegmentColors[s], 0x0000FFu);
    const bool first = std::abs(a.z + 4) < 1e-9 && std::abs(b.z + 4) < 1e-9;
    const bool second = std::abs(a.x + 4) < 1e-9 && std::abs(b.x + 4) < 1e-9;
    EXPECT_TRUE(first || second) << Key(a) << " " << Key(b);
    ++strokes[first ? 0 : 1];
    EXPECT_GE(a.x, -4 - 1e-9);
    EXPECT_LE(a.z, 4 + 1e-9);
  }
  EXPECT_EQ(gridLines, 4 + 2 * (layers + 1));
  EXPECT_GT(strokes[0], 20);
  EXPECT_EQ(strokes[0], strokes[1]);
  EXPECT_NEAR(grid->Font.Size, 0.65, 1e-12);

  // A later build keeps the transforms; rebuilding halves the layers.
  rose->Rotate(0, 30, 0);
  frame.Translate(0, 0, -5);
  const TQuaternion turned = rose->Orientation;
  const T3DVector moved = frame.Position;
  r.BuildRose(objects, model, MakeWorkingUnits(true), 2, petals, false);
  EXPECT_EQ(rose->TriangleCount(), 2 * petals * 8);
  EXPECT_EQ(base->TriangleCount(), 0);
  EXPECT_NEAR(rose->Orientation.y, turned.y, 1e-12);
  EXPECT_NEAR(frame.Position.z, moved.z, 1e-12);

  // Face Up turns each object's +y towards the viewer; Side View undoes it.
  TGLRose::FaceUp(objects);
  for (TGLObject* o : {static_cast<TGLObject*>(rose), static_cast<TGLObject*>(base), static_cast<TGLObject*>(grid)}) {
    const T3DVector up = RotateVector(o->Orientation, T3DVector{0, 1, 0});
    EXPECT_NEAR(up.z, 1, 1e-9);
  }
  TGLRose::SideView(objects);
  EXPECT_NEAR(RotateVector(rose->Orientation, T3DVector{0, 1, 0}).y, 1, 1e-12);
}

TEST(RoseBuild, EmptyRoseHasBaseAndRulersOnly) {
  TPlotModel model;
  Load(model, "Z 0 10 0 10 0 20\r\nSMain\r\nN S1 D 1 1 2000 C test\r\nM 1 1 1 S A0 P 0 0 0 0\r\n");
  TGLFrame frame;
  const TRoseObjects objects{&frame, static_cast<TGLMesh*>(frame.Meshes.AddNew()),
                             static_cast<TGLMesh*>(frame.Meshes.AddNew()),
                             static_cast<TGLLines*>(frame.Lines.AddNew())};
  TGLRose r;
  r.BuildRose(objects, model, MakeWorkingUnits(true), 24, 36, true);
  EXPECT_TRUE(r.Empty());
  EXPECT_EQ(objects.Rose->TriangleCount(), 0);
  EXPECT_EQ(objects.Base->TriangleCount(), 12);
  EXPECT_GT(objects.Grid->SegmentCount(), 4 + 2 * 25);
  for (int s = 0; s < 2 * objects.Grid->SegmentCount(); ++s) {
    const T3DVector p = objects.Grid->Segments[s];
    EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
  }
  EXPECT_EQ(RadiusText(r.Grid, r.Options, MakeWorkingUnits(true)), "Radius: 0.0 ft");
}

TEST(RoseDial, TextsInWorkingUnitsAndWrittenWhereTheySay) {
  TRoseGrid g;
  g.top = 1000;
  g.bottom = -2280.5;
  g.maximum = 1234;
  TRoseOptions o;
  const TWorkingUnits feet = MakeWorkingUnits(true), metres = MakeWorkingUnits(false);
  EXPECT_EQ(RadiusText(g, o, feet), "Radius: 1234.0 ft");
  EXPECT_EQ(ThicknessText(g, feet), "Thickness: 3280.5ft");
  EXPECT_EQ(RadiusText(g, o, metres), "Radius: " + FixedText(1234 * metres.LengthFactor, 1) + " m");
  EXPECT_EQ(ThicknessText(g, metres), "Thickness: " + FixedText(3280.5 * metres.LengthFactor, 1) + "m");
  o.GraphBy = TGraphBy::Frequency;
  EXPECT_EQ(RadiusText(g, o, metres), "Radius: 1234.0 Freq.");

  TBitmap32 bare;
  ASSERT_TRUE(LoadResourceBitmap("BRAMBLE", bare));
  const TBitmap32 dial = DialBitmap(g, o, feet);
  ASSERT_EQ(dial.Width, 512);
  ASSERT_EQ(dial.Height, 512);
  int inFirst = 0, inSecond = 0, outside = 0, maxX = 0;
  for (int y = 0; y < 512; ++y)
    for (int x = 0; x < 512; ++x) {
      const uint8_t* a = bare.Row(y) + 4 * x;
      const uint8_t* b = dial.Row(y) + 4 * x;
      if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) continue;
      EXPECT_TRUE(b[0] == 0 && b[1] == 0 && b[2] == 0) << "not black at " << x << ", " << y;
      if (x >= 5 && y >= 5 && y < 17 + 2)
        ++inFirst;
      else if (x >= 5 && y >= 17 && y < 29 + 2)
        ++inSecond;
      else
        ++outside, ADD_FAILURE() << "written at " << x << ", " << y;
      maxX = std::max(maxX, x);
    }
  EXPECT_GT(inFirst, 60);
  EXPECT_GT(inSecond, 60);
  EXPECT_EQ(outside, 0);
  EXPECT_LT(maxX, 200);  // two short lines in the corner, outside the dial
  // Another radius writes other pixels.
  g.maximum = 7;
  const TBitmap32 other = DialBitmap(g, o, feet);
  EXPECT_NE(other.Data, dial.Data);
}

// The demo cave's rose from above, drawn headless: the rainbow's hues on
// the grey and white dial.
TEST(RosePicture, DemoCaveFaceUpShowsRainbowAndDial) {
  TPlotModel model;
  const TPlotLoadResult loaded = LoadPlotFile(model, LUMORA_SOURCE_DIR "/data/demo.plt");
  ASSERT_TRUE(loaded.Ok) << loaded.Message;
  std::unique_ptr<TOffscreenViewer> viewer;
  try {
    viewer = std::make_unique<TOffscreenViewer>(400, 400);
  } catch (const std::exception& e) {
    GTEST_SKIP() << "no headless GL: " << e.what();
  }
  auto* frame = static_cast<TGLFrame*>(viewer->Frame.Frames.AddNew());
  const TRoseObjects objects{frame, static_cast<TGLMesh*>(frame->Meshes.AddNew()),
                             static_cast<TGLMesh*>(frame->Meshes.AddNew()),
                             static_cast<TGLLines*>(frame->Lines.AddNew())};
  for (TGLMesh* m : {objects.Rose, objects.Base}) m->SetRenderStyle(1);
  frame->HomePosition.z = RoseFitPosition(400, 400, viewer->Camera.Eye.z);
  TGLRose r;
  r.BuildRose(objects, model, MakeWorkingUnits(true), 24, 36, true);
  TGLRose::FaceUp(objects);
  const TBitmap32 picture = viewer->Grab();

  int hues[6] = {}, light = 0, dark = 0, white = 0, outside = 0;
  for (int y = 0; y < picture.Height; ++y)
    for (int x = 0; x < picture.Width; ++x) {
      const uint8_t* p = picture.Row(y) + 4 * x;
      const int b = p[0], g = p[1], rd = p[2];
      const int hi = std::max({rd, g, b}), lo = std::min({rd, g, b});
      // The whole rose lies within the picture's middle.
      if ((x < 20 || x >= 380 || y < 20 || y >= 380) && hi > 0) ++outside;
      if (hi > 60 && hi - lo > hi / 2) {
        // Hue sector 0..5: red, yellow, green, cyan, blue, magenta.
        double h;
        if (hi == rd)
          h = std::fmod((g - b) / double(hi - lo) + 6, 6);
        else if (hi == g)
          h = (b - rd) / double(hi - lo) + 2;
        else
          h = (rd - g) / double(hi - lo) + 4;
        ++hues[static_cast<int>(h + 0.5) % 6];
      } else if (hi - lo < 12) {
        if (hi > 235)
          ++white;
        else if (hi > 150)
          ++light;
        else if (hi > 70)
          ++dark;
      }
    }
  int rainbow = 0;
  for (int h : hues) rainbow += h > 100;
  EXPECT_GE(rainbow, 4) << hues[0] << " " << hues[1] << " " << hues[2] << " " << hues[3] << " " << hues[4] << " "
                        << hues[5];
  EXPECT_GT(white, 1000);
  EXPECT_GT(light, 1000);
  EXPECT_GT(dark, 1000);
  EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace lumora
