#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "model/DemoCave.h"
#include "model/PlotReader.h"
#include "platform/AtomicFile.h"
#include "volume/CVVolume.h"
#include "volume/GLPolygons.h"
#include "volume/GLTesselator.h"
#include "volume/tests/TriangulationChecks.h"
#include "volume/tests/VolumeCave.h"

namespace lumora {
namespace {

using testing::Station;
using testing::VolumeCave;

bool HasPoint(const TTriangulator& t, double x, double y) {
  for (const T2DVector& p : t.Points())
    if (std::fabs(p.x - x) < 1e-6 && std::fabs(p.y - y) < 1e-6) return true;
  return false;
}

TPassageState Extent(double lo, double hi, double volume = 0) {
  TPassageState s;
  s.OutputMin = {0, 0, lo};
  s.OutputMax = {0, 0, hi};
  s.PassageVolume = volume;
  return s;
}

TEST(PolygonArea, KnownPolygons) {
  VolumeCave cave;
  const TPassageOptions options;
  const TPassageState state = Extent(0, 1);
  TVolumeModel model(cave.Model(), options, state);
  TTriangulator& t = model.Levels[0].Triangulator;
  auto area = [&](double f) {
    t.SetConcavity(f);
    t.ComputeConcaveHull();
    return model.PolygonArea(0);
  };
  for (auto [x, y] : {std::pair{0.0, 0.0}, {4.0, 0.0}, {0.0, 3.0}}) t.AddPoint(x, y);
  EXPECT_DOUBLE_EQ(area(1), 6);
  t.Clear();
  for (auto [x, y] : {std::pair{0.0, 0.0}, {10.0, 0.0}, {10.0, 10.0}, {0.0, 10.0}, {5.0, 5.0}}) t.AddPoint(x, y);
  EXPECT_DOUBLE_EQ(area(1), 100);
  // An L of three 10 ft squares: convex it spans the inner corner; dug to
  // the shortest edge it is the L itself.
  t.Clear();
  for (auto [x, y] : {std::pair{0.0, 0.0},
                      {10.0, 0.0},
                      {20.0, 0.0},
                      {20.0, 10.0},
                      {10.0, 10.0},
                      {10.0, 20.0},
                      {0.0, 20.0},
                      {0.0, 10.0}})
    t.AddPoint(x, y);
  EXPECT_DOUBLE_EQ(area(1), 350);
  EXPECT_DOUBLE_EQ(area(0), 300);
  // Fewer than three points: no hull, no area.
  t.Clear();
  t.AddPoint(1, 1);
  t.AddPoint(2, 5);
  EXPECT_EQ(area(0.5), 0);
}

TEST(PolygonHelpers, OrientationContainmentNesting) {
  TGLLineArray square{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
  EXPECT_DOUBLE_EQ(SignedArea(square), 100);
  EXPECT_TRUE(IsCounterClockwise(square));
  EXPECT_TRUE(PointInContour(square, {5, 5, 0}));
  EXPECT_FALSE(PointInContour(square, {15, 5, 0}));
  EXPECT_FALSE(PointInContour(square, {5, -1, 0}));
  TGLLineArray reversed = square;
  ReverseContour(reversed);
  EXPECT_DOUBLE_EQ(SignedArea(reversed), -100);
  EXPECT_FALSE(IsCounterClockwise(reversed));
  TGLPolygonArray nested{square, {{2, 2, 0}, {8, 2, 0}, {8, 8, 0}, {2, 8, 0}}, {{4, 4, 0}, {6, 4, 0}, {6, 6, 0}}, {}};
  EXPECT_EQ(NestingCount(nested, 0), 0);
  EXPECT_EQ(NestingCount(nested, 1), 1);
  EXPECT_EQ(NestingCount(nested, 2), 2);
  EXPECT_EQ(NestingCount(nested, 3), 0);
  EXPECT_TRUE(IsOuter(nested, 0));
  EXPECT_FALSE(IsOuter(nested, 1));
  EXPECT_TRUE(IsOuter(nested, 2));
}

double TopArea(const TGLMesh& mesh, uint32_t colour, double z) {
  double area = 0;
  for (int i = 0; i < mesh.TriangleCount(); ++i) {
    const TTriangle3 t = mesh.GetTriangle(i);
    if ((mesh.GetTriangleColors(i).c[0] & 0xFFFFFF) != colour || std::fabs(t.p[0].z - z) > 1e-9) continue;
    const T3DVector n = Cross(Subtract(t.p[1], t.p[0]), Subtract(t.p[2], t.p[0]));
    area += n.z / 2;  // signed: counter-clockwise seen from above counts positive
  }
  return area;
}

// Divergence theorem: the volume a closed, outward-facing mesh encloses.
double EnclosedVolume(const TGLMesh& mesh) {
  double v = 0;
  for (int i = 0; i < mesh.TriangleCount(); ++i) {
    const TTriangle3 t = mesh.GetTriangle(i);
    v += Dot(t.p[0], Cross(t.p[1], t.p[2])) / 6;
  }
  return v;
}

TEST(Tesselator, SlabsWithTopsBottomsSidesAndHoles) {
  TGLTesselator tess;
  {
    // An L given counter-clockwise comes out clockwise; its top faces up.
    TGLPolygonArray l{{{0, 0, 5}, {20, 0, 5}, {20, 10, 5}, {10, 10, 5}, {10, 20, 5}, {0, 20, 5}}};
    TGLMesh mesh;
    std::vector<int> progress;
    tess.Tesselate(l, mesh, 2, [&](int p) { progress.push_back(p); });
    EXPECT_FALSE(IsCounterClockwise(l[0]));
    EXPECT_EQ(progress, std::vector<int>{-1});  // one contour: 95 * 0 / 0
    const int tops = 4;                         // six corners, no hole
    EXPECT_EQ(mesh.TriangleCount(), 2 * tops + 2 * 6);
    EXPECT_NEAR(TopArea(mesh, kHullTopColor, 5), 300, 1e-9);
    EXPECT_NEAR(TopArea(mesh, kHullTopColor, 3), -300, 1e-9);  // the bottom faces down
    EXPECT_NEAR(EnclosedVolume(mesh), 600, 1e-6);
    int sides = 0;
    for (int i = 0; i < mesh.TriangleCount(); ++i)
      sides += (mesh.GetTriangleColors(i).c[0] & 0xFFFFFF) == kHullSideColor;
    EXPECT_EQ(sides, 12);
  }
  {
    // A square with a square hole: the hole is turned counter-clockwise and
    // left out of the top.
    TGLPolygonArray ring{{{0, 0, 0}, {0, 10, 0}, {10, 10, 0}, {10, 0, 0}},
                         {{3, 3, 0}, {3, 7, 0}, {7, 7, 0}, {7, 3, 0}}};
    TGLMesh mesh;
    tess.Tesselate(ring, mesh, -1);  // a negative thickness counts by its size
    EXPECT_FALSE(IsCounterClockwise(ring[0]));
    EXPECT_TRUE(IsCounterClockwise(ring[1]));
    EXPECT_NEAR(TopArea(mesh, kHullTopColor, 0), 84, 1e-9);
    EXPECT_NEAR(EnclosedVolume(mesh), 84, 1e-6);
  }
  {
    // A bow tie crosses itself: the tessellator's combine vertex at the
    // crossing closes two triangles of 25 sq ft each.
    TGLPolygonArray bow{{{0, 0, 1}, {10, 10, 1}, {10, 0, 1}, {0, 10, 1}}};
    TGLMesh mesh;
    tess.Tesselate(bow, mesh, 1);
    double area = 0;
    bool crossing = false;
    for (int i = 0; i < mesh.TriangleCount(); ++i) {
      const TTriangle3 t = mesh.GetTriangle(i);
      if ((mesh.GetTriangleColors(i).c[0] & 0xFFFFFF) != kHullTopColor || t.p[0].z != 1) continue;
      area += std::fabs(Cross(Subtract(t.p[1], t.p[0]), Subtract(t.p[2], t.p[0])).z) / 2;
      for (const T3DVector& v : t.p) crossing |= std::fabs(v.x - 5) < 1e-9 && std::fabs(v.y - 5) < 1e-9;
    }
    EXPECT_NEAR(area, 50, 1e-9);
    EXPECT_TRUE(crossing);
  }
  EXPECT_EQ(MulDiv(100, 1, 3), 33);
  EXPECT_EQ(MulDiv(100, 2, 3), 67);
  EXPECT_EQ(MulDiv(95, 1, 2), 48);  // halves away from zero
  EXPECT_EQ(MulDiv(100, 5, 0), -1);
}

TEST(VolumeModel, StationsOnALayerBoundaryBelongToBoth) {
  VolumeCave cave;
  cave.Line({{0, 0, 0}, {10, 0, 10}, {20, 5, 20}, {30, 0, 10}});
  const TPassageOptions options;
  const TPassageState state = Extent(0, 20);
  TVolumeModel model(cave.Model(), options, state);
  model.LevelCount = 2;
  std::vector<int> progress;
  model.BuildLevels([&](int p) { progress.push_back(p); }, false);
  EXPECT_EQ(progress, (std::vector<int>{50, 100}));
  progress.clear();
  model.LevelCount = 8;
  model.BuildLevels([&](int p) { progress.push_back(p); }, false);
  EXPECT_EQ(progress, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
  model.LevelCount = 2;
  model.BuildLevels({}, false);
  EXPECT_TRUE(model.LevelsBuilt);
  EXPECT_DOUBLE_EQ(model.Levels[0].Bottom, 0);
  EXPECT_DOUBLE_EQ(model.Levels[0].Top, 10);
  EXPECT_DOUBLE_EQ(model.Levels[1].Bottom, 10);
  EXPECT_DOUBLE_EQ(model.Levels[1].Top, 20);
  const TTriangulator& low = model.Levels[0].Triangulator;
  const TTriangulator& high = model.Levels[1].Triangulator;
  EXPECT_EQ(low.Points().size(), 3u);
  EXPECT_EQ(high.Points().size(), 3u);
  EXPECT_TRUE(HasPoint(low, 10, 0) && HasPoint(high, 10, 0));
  EXPECT_TRUE(HasPoint(low, 30, 0) && HasPoint(high, 30, 0));
  EXPECT_TRUE(HasPoint(low, 0, 0) && !HasPoint(high, 0, 0));
  EXPECT_TRUE(HasPoint(high, 20, 5) && !HasPoint(low, 20, 5));
  EXPECT_EQ(low.Name, "Triangulator-0");
  EXPECT_EQ(high.Name, "Triangulator-1");
  // No lengths were counted in this mode, so no shares.
  EXPECT_EQ(model.Levels[0].Share, 0);
  EXPECT_EQ(model.Levels[1].Share, 0);
}

TEST(VolumeModel, SplitRecordsOfShotsAcrossBoundaries) {
  VolumeCave cave;
  Station a{0, 0, 10, 2, 4, 1, 1}, b{0, 20, 30, 4, 8, 3, -1};
  cave.Line({a, b}, "LongStationName_");
  cave.Line({{100, 0, 5}, {100, 300, 5}, {100, 310, 5}});  // level: middle split only when long
  const TPassageOptions options;
  const TPassageState state = Extent(0, 40);
  TVolumeModel model(cave.Model(), options, state);
  model.LevelCount = 2;
  model.SubdivideLength = 50;
  model.BuildLevels({}, true);
  const auto& list = model.SubdividedRecords();
  ASSERT_EQ(list.size(), 5u + 3u);
  EXPECT_EQ(list[0].NameId, cave.Model().Plots[0].NameId);
  EXPECT_EQ(list[1].NameId, cave.Model().Plots[1].NameId);
  for (int i : {2, 3}) {
    const TPlotVector& s = list[i];
    EXPECT_EQ(s.Code, 'D');
    EXPECT_EQ(cave.Model().Name(s), "LongStationName_0");  // the first's name
    EXPECT_NEAR(s.Position.x, 0, 1e-12);
    EXPECT_NEAR(s.Position.y, 10, 1e-12);
    EXPECT_EQ(s.Position.z, 20);
    EXPECT_FLOAT_EQ(s.Left, 3);
    EXPECT_FLOAT_EQ(s.Right, 6);
    EXPECT_FLOAT_EQ(s.Up, 2);
    EXPECT_FLOAT_EQ(s.Down, 1);  // one of them negative: the first's
    EXPECT_EQ(s.ShotIndex, cave.Model().Plots[0].ShotIndex);
  }
  EXPECT_EQ(list[4].Code, 'M');
  // A level shot longer in plan than the subdivision is split at its middle.
  EXPECT_EQ(list[6].NameId, cave.Model().Plots[2].NameId);
  EXPECT_NEAR(list[6].Position.y, 150, 1e-12);
  EXPECT_EQ(list[6].Position.z, 5);
  EXPECT_EQ(list[7].NameId, cave.Model().Plots[4].NameId);  // 10 ft: not split
  // The shot is counted in both layers; the shares split the total.
  EXPECT_GT(model.Levels[0].Length, 0);
  EXPECT_GT(model.Levels[1].Length, 0);
  EXPECT_NEAR(model.Levels[0].Share + model.Levels[1].Share, 1, 1e-12);
}

TEST(VolumeModel, WallPointsHeadingAndUpDown) {
  VolumeCave cave;
  cave.Line({{0, 0, 0, 2, 3, 1, 1}, {0, 10, 0, 2, 3, 1, 1}});
  cave.Line({{100, 0, 0, 2, 3, 1, 1}, {100, 10, 0, 2, 3, 1, 1}});
  const TPassageOptions options;
  const TPassageState state = Extent(-1, 1);
  TVolumeModel model(cave.Model(), options, state);
  model.LevelCount = 1;
  model.BuildLevels({}, true);
  const TTriangulator& t = model.Levels[0].Triangulator;
  // Heading north: left is west, right east.
  EXPECT_TRUE(HasPoint(t, -2, 0) && HasPoint(t, 3, 0));
  // The end of a line that is not the last: heading south, left east.
  EXPECT_TRUE(HasPoint(t, 2, 10) && HasPoint(t, -3, 10));
  // The very last station keeps the shot's heading.
  EXPECT_TRUE(HasPoint(t, 98, 10) && HasPoint(t, 103, 10));
  EXPECT_EQ(t.Points().size(), 8u);
  EXPECT_DOUBLE_EQ(model.Levels[0].Length, 20);
  EXPECT_DOUBLE_EQ(model.Levels[0].Share, 1);

  // A station 2 ft below the upper layer whose Up is 5 ft reaches it only
  // with "Use Up/Down".
  VolumeCave low;
  low.Line({{0, 0, -2, 1, 1, 5, 1}, {10, 0, -2, 1, 1, 5, 1}});
  const TPassageState both = Extent(-10, 10);
  TVolumeModel updown(low.Model(), options, both);
  updown.LevelCount = 2;
  updown.BuildLevels({}, true);
  EXPECT_TRUE(updown.Levels[1].Triangulator.Points().empty());
  EXPECT_EQ(updown.Levels[0].Triangulator.Points().size(), 4u);
  updown.UseUpDown = true;
  updown.BuildLevels({}, true);
  EXPECT_EQ(updown.Levels[1].Triangulator.Points().size(), 4u);
  EXPECT_TRUE(HasPoint(updown.Levels[1].Triangulator, 0, 1));

  // Stations mode keeps the lengths of the last passage build.
  updown.BuildLevels({}, false);
  EXPECT_DOUBLE_EQ(updown.Levels[0].Length, 10);
  EXPECT_DOUBLE_EQ(updown.Levels[0].Share, 1);
}

TEST(VolumeModel, LinesOfOneStationAddTheirOwnPoints) {
  VolumeCave cave;
  cave.Line({{0, 0, 0, 1, 1, 1, 1}, {10, 0, 0, 1, 1, 1, 1}});
  cave.Line({{50, 50, 0, 4, 4, 1, 1}});
  cave.Line({{80, 0, 0, 1, 1, 1, 1}, {90, 0, 0, 1, 1, 1, 1}});
  cave.Line({{200, 200, 0, 6, 6, 1, 1}});
  const TPassageOptions options;
  const TPassageState state = Extent(-1, 1);
  TVolumeModel model(cave.Model(), options, state);
  model.LevelCount = 1;
  model.BuildLevels({}, true);
  const TTriangulator& t = model.Levels[0].Triangulator;
  // Lone stations with their own extents, heading south.
  EXPECT_TRUE(HasPoint(t, 54, 50) && HasPoint(t, 46, 50));
  EXPECT_TRUE(HasPoint(t, 206, 200) && HasPoint(t, 194, 200));
  // Nothing from the end of an older line pointed at the lone station.
  EXPECT_EQ(t.Points().size(), 4u + 2u + 4u + 2u);
}

// Five parallel straight passages of octagonal section fill a box; seen
// convex, every layer's hull is the box, so the porosity is the octagons'
// share of it: 5 * 3ab / (((5 - 1) * s + 2a) * 2b).
TEST(VolumeModel, BoxCavePorosityMatchesItsAnalyticValue) {
  const double a = 4, b = 3, s = 12, length = 200;
  VolumeCave cave;
  for (int j = 0; j < 5; ++j) {
    std::vector<Station> line;
    for (int x = 0; x <= length; x += 10) line.push_back({double(x), j * s, 0, float(a), float(a), float(b), float(b)});
    cave.Line(line, "P" + std::to_string(j) + "_");
  }
  const TPassageOptions options;
  const TPassageState state = cave.Build(options);
  EXPECT_NEAR(state.PassageVolume, 5 * 3 * a * b * length, 1e-6);
  EXPECT_DOUBLE_EQ(state.OutputMin.z, -b);
  EXPECT_DOUBLE_EQ(state.OutputMax.z, b);
  const double analytic = 5 * 3 * a * b / ((4 * s + 2 * a) * 2 * b) * 100;
  for (int layers : {1, 3}) {
    for (bool byArea : {false, true}) {
      TVolumeModel model(cave.Model(), options, state);
      model.LevelCount = layers;
      model.UseUpDown = true;
      std::vector<int> progress;
      model.BuildLevels({}, true);
      model.ComputeVolumes([&](int p) { progress.push_back(p); }, byArea, 1.0);
      const std::vector<int> expected = layers == 1 ? std::vector<int>{-1} : std::vector<int>{0, 50, 100};
      EXPECT_EQ(progress, expected);
      ASSERT_TRUE(model.Porosity().has_value());
      EXPECT_NEAR(*model.Porosity(), analytic, analytic * 0.03) << layers << " layers, by area " << byArea;
      double sum = 0;
      for (int k = 0; k < layers; ++k) sum += model.LayerRockVolume(k);
      EXPECT_NEAR(sum, model.RockVolume, 1e-6);
      EXPECT_NEAR(model.CaveVolume(), state.PassageVolume, 0);
      // Digging deeper never adds area.
      const double convex = model.RockVolume;
      model.ComputeVolumes({}, byArea, 0.01);
      EXPECT_LE(model.RockVolume, convex + 1e-6);
    }
  }
}

TEST(VolumeModel, HullMeshInSceneCoordinates) {
  VolumeCave cave;
  for (int j = 0; j < 3; ++j) {
    std::vector<Station> line;
    for (int x = 0; x <= 100; x += 10) line.push_back({double(x), j * 12.0, 50, 4, 4, 3, 3});
    cave.Line(line, "H" + std::to_string(j) + "_");
  }
  cave.Model().PlotInfo.Center = {50, 10, 40};
  const TPassageOptions options;
  const TPassageState state = cave.Build(options);
  TVolumeModel model(cave.Model(), options, state);
  model.LevelCount = 1;
  model.UseUpDown = true;
  model.BuildLevels({}, true);
  model.ComputeVolumes({}, false, 1.0);
  TGLMesh hull;
  hull.SetName("Hull");
  hull.Visible = false;
  model.HullColor = 0x00AABB;
  std::vector<int> progress;
  // A hull whose frame is placed somewhere: its own coordinates still hold.
  hull.ObjectMatrix.m[14] = -7000;
  model.BuildHullModel(hull, [&](int p) { progress.push_back(p); });
  EXPECT_EQ(progress, std::vector<int>{-1});
  ASSERT_GT(hull.TriangleCount(), 0);
  EXPECT_TRUE(hull.Visible);
  EXPECT_EQ(hull.Name(), "Hull");
  for (int i = 0; i < hull.TriangleCount(); ++i) EXPECT_EQ(hull.GetTriangleColors(i).c[0] & 0xFFFFFF, 0x00AABBu);
  // Scene axes: x east, y up, z south, from the plot's centre.
  double minY = 1e9, maxY = -1e9, minZ = 1e9, maxZ = -1e9;
  for (int i = 0; i < hull.VertexCount(); ++i) {
    const T3DVector v = hull.GetVertex(i);
    minY = std::min(minY, v.y), maxY = std::max(maxY, v.y);
    minZ = std::min(minZ, v.z), maxZ = std::max(maxZ, v.z);
  }
  EXPECT_NEAR(maxY, 53 - 40, 1e-9);
  EXPECT_NEAR(minY, 47 - 40, 1e-9);
  EXPECT_NEAR(maxZ, -(-4 - 10), 1e-9);
  EXPECT_NEAR(minZ, -(28 - 10), 1e-9);
  // The slab encloses the layer's rock volume.
  EXPECT_NEAR(EnclosedVolume(hull), model.RockVolume, model.RockVolume * 1e-9);

  TVolumeModel::SetHullLook(hull, 30, true, false, true);
  EXPECT_DOUBLE_EQ(hull.Transparency(), 30);
  EXPECT_TRUE(hull.Blend);
  EXPECT_FALSE(hull.AlphaBlend);
  EXPECT_TRUE(hull.DepthWhenBlending);
}

TEST(VolumeModel, NoWallsNoVolumeAndNoNumbersThatAreNotNumbers) {
  VolumeCave cave;
  cave.Line({{0, 0, 0}});
  const TPassageOptions options;
  const TPassageState state = cave.Build(options);  // one station: no walls
  TVolumeModel model(cave.Model(), options, state);
  for (bool dims : {true, false}) {
    model.BuildLevels({}, dims);
    model.ComputeVolumes({}, false, 0.5);
    EXPECT_EQ(model.RockVolume, 0);
    EXPECT_FALSE(model.Porosity().has_value());
    for (int k = 0; k < model.Count(); ++k) {
      EXPECT_EQ(model.Levels[k].Area, 0);
      EXPECT_EQ(model.Levels[k].Share, 0);
      EXPECT_FALSE(model.LayerPorosity(k).has_value());
    }
  }
  EXPECT_FALSE(TVolumeModel::Ratio(5, 0).has_value());
  EXPECT_DOUBLE_EQ(*TVolumeModel::Ratio(5, 20), 25);
}

std::unique_ptr<TPlotModel> DemoCave() {
  const std::string file = std::string(LUMORA_SOURCE_DIR) + "/data/demo.plt";
  auto plots = std::make_unique<TPlotModel>();
  EXPECT_TRUE(LoadPlotText(*plots, ReadWholeFile(file), file).Ok);
  return plots;
}

// The demo cave made awkward: its sections moved 20 km apart on a 3 x 3
// plan, one station's elevation mistyped as -999999999, or one station of
// it, and of a generated cave of 20 000 stations, moved 300 km east (two
// layers; the earlier rule took minutes on such a cave, its work growing
// with the distance). Every layer is a valid Delaunay triangulation made
// with work near linear in its points, and each layer's rock volume is its
// hull's area times its thickness.
TEST(VolumeModel, SpreadMistypedAndFarCavesStayLinear) {
  for (const char* change :
       {"sections 20 km apart", "mistyped elevation", "one station 300 km east", "big cave, one station 300 km east"}) {
    SCOPED_TRACE(change);
    auto plots = DemoCave();
    if (std::string(change).starts_with("big")) {
      plots = std::make_unique<TPlotModel>();
      ASSERT_TRUE(LoadPlotText(*plots, GenerateDemoCave({20000, 1}).Text, "big.plt").Ok);
    }
    TPlotArray& records = plots->Plots;
    const std::string what = change;
    if (what == "sections 20 km apart") {
      ASSERT_GE(plots->Sections.Count(), 3);
      for (int s = 0; s < plots->Sections.Count(); ++s) {
        auto firstPlot = [&](int sec) {
          const int sv = sec < plots->Sections.Count() ? plots->Sections[sec].FirstSurvey : plots->Surveys.Count();
          return sv < plots->Surveys.Count() ? plots->Surveys[sv].FirstPlot : records.Count();
        };
        for (int i = firstPlot(s); i < firstPlot(s + 1); ++i) {
          records[i].Position.x += (s % 3) * 65617.0;
          records[i].Position.y += (s / 3) * 65617.0;
        }
      }
    } else {
      int d = 0;
      for (int i = 0; i < records.Count(); ++i)
        if (records[i].Code == 'D' && ++d == records.Count() / 3) {
          if (what == "mistyped elevation")
            records[i].Position.z = -999999999;
          else
            records[i].Position.x += 984252;
        }
    }
    const TPassageOptions options;
    TPassageState state;
    BuildPassages(*plots, options, state,
                  [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {});
    TVolumeModel model(*plots, options, state);
    model.LevelCount = what == "sections 20 km apart" ? 10 : 2;
    model.BuildLevels({}, true);
    model.ComputeVolumes({}, false, 0.3);
    double rock = 0;
    size_t points = 0;
    for (int k = 0; k < model.Count(); ++k) {
      const TTriangulator& t = model.Levels[k].Triangulator;
      points += t.Points().size();
      const testing::TTriangulationFaults faults = testing::Faults(t.Points(), t.Triangles());
      EXPECT_TRUE(faults.Valid() && faults.filledCircles == 0) << "layer " << k;
      EXPECT_LE(t.Made(), 24 * static_cast<int64_t>(t.Points().size()) + 1) << "layer " << k;
      rock += model.Thickness(k) * model.PolygonArea(k);
    }
    EXPECT_GT(points, 1000u);
    EXPECT_GT(model.RockVolume, 0);
    EXPECT_EQ(model.RockVolume, rock);
  }
}

// The real layers of the committed demo cave, from the stations and from
// the walls: where the earlier rule decided exactly, the results are
// identical; elsewhere its triangles overlap (seen on this cave) or break
// the empty-circle rule, and ours do not.
TEST(VolumeModel, DemoCaveLayersAgreeWithTheEarlierRule) {
  auto plots = DemoCave();
  const TPassageOptions options;
  TPassageState state;
  BuildPassages(*plots, options, state,
                [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {});
  int kinds[static_cast<int>(testing::TDifference::Count)] = {};
  for (bool useDims : {false, true}) {
    TVolumeModel model(*plots, options, state);
    model.BuildLevels({}, useDims);
    for (int k = 0; k < model.Count(); ++k) {
      const auto kind =
          testing::CompareWithEarlierRule(model.Levels[k].Triangulator.Points(),
                                          std::string(useDims ? "walls" : "stations") + ", layer " + std::to_string(k));
      ++kinds[static_cast<int>(kind)];
    }
  }
  EXPECT_GT(kinds[static_cast<int>(testing::TDifference::None)], 3);
  EXPECT_GT(kinds[static_cast<int>(testing::TDifference::Overlapping)], 3);
  EXPECT_EQ(
      kinds[static_cast<int>(testing::TDifference::None)] + kinds[static_cast<int>(testing::TDifference::Overlapping)],
      20);
}

// Digging vertex by vertex leaves the chains of the sweep over the whole
// sorted list, edge for edge, on the layers of a generated cave, from the
// deepest digging to none.
TEST(VolumeModel, DiggingByVertexAgreesWithTheSweep) {
  TPlotModel plots;
  ASSERT_TRUE(LoadPlotText(plots, GenerateDemoCave({20000, 3}).Text, "generated.plt").Ok);
  const TPassageOptions options;
  TPassageState state;
  BuildPassages(plots, options, state,
                [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {});
  for (bool useDims : {false, true}) {
    TVolumeModel model(plots, options, state);
    model.BuildLevels({}, useDims);
    for (bool byArea : {false, true})
      for (double f : {0.0, 0.01, 0.1, 0.5, 1.0}) {
        model.ComputeVolumes({}, byArea, f);
        for (int k = 0; k < model.Count(); ++k) {
          TTriangulator sweep = model.Levels[k].Triangulator;
          sweep.RoundByRound = true;
          byArea ? sweep.ComputeConcaveHullByArea() : sweep.ComputeConcaveHull();
          EXPECT_EQ(model.Levels[k].Triangulator.ConcaveHull(), sweep.ConcaveHull())
              << (useDims ? "walls" : "stations") << ", by area " << byArea << ", fraction " << f << ", layer " << k;
        }
      }
  }
}

}  // namespace
}  // namespace lumora
