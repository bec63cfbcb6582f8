#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <tuple>

#include "model/PlotReader.h"
#include "passage/PassageLib.h"
#include "passage/tests/TestCave.h"

using namespace lumora;
using lumora::testing::St;
using lumora::testing::TestCave;

namespace {

struct Quad {
  T3DVector p[4];
  int32_t shot;
};
struct Tri {
  T3DVector p[3];
  int32_t shot;
};

// Records every face as a consumer would emit it.
struct Recorder {
  std::vector<Quad> quads;
  std::vector<Tri> tris;

  TQuadProc QuadProc() {
    return [this](const T3DVector& a, const T3DVector& b, const T3DVector& c, const T3DVector& d, int32_t s) {
      quads.push_back({{a, b, c, d}, s});
    };
  }
  TTriangleProc TriProc() {
    return [this](const T3DVector& c, const T3DVector& a, const T3DVector& b, int32_t s, bool first) {
      if (first)
        tris.push_back({{c, b, a}, s});
      else
        tris.push_back({{c, a, b}, s});
    };
  }
};

struct Build {
  Recorder rec;
  TPassageState state;
};

Build BuildAll(TPlotModel& model, const TPassageOptions& options) {
  Build b;
  BuildPassages(model, options, b.state, b.rec.QuadProc(), b.rec.TriProc());
  return b;
}

using Key = std::tuple<double, double, double>;
Key K(const T3DVector& p) { return {p.x, p.y, p.z}; }

// Counts every directed edge; a closed, consistently oriented surface has
// each edge once in each direction.
void ExpectClosedAndOriented(const Recorder& rec) {
  std::map<std::pair<Key, Key>, int> edges;
  auto polygon = [&](const T3DVector* p, int n) {
    for (int i = 0; i < n; ++i) ++edges[{K(p[i]), K(p[(i + 1) % n])}];
  };
  for (const Quad& q : rec.quads) polygon(q.p, 4);
  for (const Tri& t : rec.tris) polygon(t.p, 3);
  ASSERT_FALSE(edges.empty());
  int bad = 0;
  for (const auto& [e, n] : edges) {
    auto back = edges.find({e.second, e.first});
    if (n != 1 || back == edges.end() || back->second != 1) ++bad;
  }
  EXPECT_EQ(bad, 0) << "of " << edges.size() << " directed edges";
}

// Enclosed volume by the divergence theorem; positive when faces point out.
double SignedVolume(const Recorder& rec) {
  double six = 0;
  auto tri = [&](const T3DVector& a, const T3DVector& b, const T3DVector& c) { six += Dot(a, Cross(b, c)); };
  for (const Quad& q : rec.quads) {
    tri(q.p[0], q.p[1], q.p[2]);
    tri(q.p[0], q.p[2], q.p[3]);
  }
  for (const Tri& t : rec.tris) tri(t.p[0], t.p[1], t.p[2]);
  return six / 6;
}

TPassageOptions Defaults() { return TPassageOptions{}; }

}  // namespace

TEST(PassageBuild, StraightLineDefaultsGiveEightQuadsPerShotAndNoCuts) {
  TestCave cave;
  cave.Line({{0, 0, 0}, {0, 10, 0}, {0, 20, 0}});
  Build b = BuildAll(cave.Model(), Defaults());
  EXPECT_EQ(b.rec.quads.size(), 16u);
  EXPECT_TRUE(b.rec.tris.empty());  // SealEnds is off by default
  EXPECT_EQ(b.state.FaceCount, 16);
  EXPECT_EQ(b.state.SegmentCount, 2);
  // Every quad lies between two of the original stations: none was cut.
  for (const Quad& q : b.rec.quads)
    for (const T3DVector& p : q.p) {
      const double station = std::nearbyint(p.y / 10) * 10;
      EXPECT_TRUE(std::fabs(p.y - station) < 1e-9 && station >= 0 && station <= 20) << p.y;
    }
  EXPECT_EQ(b.rec.quads[0].shot, 0);
  EXPECT_EQ(b.rec.quads[8].shot, 1);
}

TEST(PassageBuild, MissingQuadProcedureRaisesBeforeAnything) {
  TestCave cave;
  cave.Line({{0, 0, 0}, {0, 10, 0}});
  TPassageState state;
  state.FaceCount = 99;
  bool triangleCalled = false;
  try {
    BuildPassages(cave.Model(), Defaults(), state, {},
                  [&](const T3DVector&, const T3DVector&, const T3DVector&, int32_t, bool) { triangleCalled = true; });
    FAIL() << "no exception";
  } catch (const EPassage& e) {
    EXPECT_STREQ(e.what(), "No output procedure assigned.");
  }
  EXPECT_FALSE(triangleCalled);
}

TEST(PassageBuild, ShortLinesFeaturesAndFiltersEmitNothing) {
  TestCave cave;
  cave.Survey("ONE");
  cave.Line({{0, 0, 0}});              // a single station: nothing
  cave.Line({{5, 0, 0}, {5, 10, 0}});  // one segment
  cave.Survey("FEAT", skFeatureRange);
  cave.Line({{0, 0, 0, 1, 1, 1, 1, 'L'}, {0, 10, 0}});  // features have no passages
  cave.Survey("EMPTY");                                 // a survey without lines
  cave.Survey("TWO");
  cave.Line({{9, 0, 0}, {9, 10, 0}, {9, 20, 0}});
  {
    Build b = BuildAll(cave.Model(), Defaults());
    EXPECT_EQ(b.state.SegmentCount, 3);
    EXPECT_EQ(b.state.CurrentPassageSurvey, 3);
  }
  TPassageState state;
  int quads = 0;
  std::vector<int> surveysSeen;
  std::vector<int> surveyOfQuad;
  BuildPassages(
      cave.Model(), Defaults(), state,
      [&](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {
        ++quads;
        surveyOfQuad.push_back(state.CurrentPassageSurvey);
      },
      {}, {},
      [&](int s) {
        surveysSeen.push_back(s);
        return s != 0;
      },
      [](const T3DVector& from, const T3DVector&) { return from.y != 10; });  // drops the last shot of TWO
  EXPECT_EQ(surveysSeen, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(quads, 8);
  for (int s : surveyOfQuad) EXPECT_EQ(s, 3);
}

TEST(PassageBuild, AbortEndsTheWalkBeforeTheNextLine) {
  TestCave cave;
  cave.Line({{0, 0, 0}, {0, 10, 0}, {0, 20, 0}});
  cave.Line({{5, 0, 0}, {5, 10, 0}});
  cave.Survey("NEXT");
  cave.Line({{9, 0, 0}, {9, 10, 0}});
  TPassageState state;
  state.AbortBuild = true;  // reset by the build
  int quads = 0;
  BuildPassages(cave.Model(), Defaults(), state,
                [&](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {
                  ++quads;
                  state.AbortBuild = true;
                });
  EXPECT_EQ(quads, 16);  // the first line runs to its end, nothing after it
  EXPECT_EQ(state.CurrentPassageSurvey, 0);
}

TEST(PassageBuild, ProgressAfterEveryFiftiethSurvey) {
  TestCave cave;
  for (int s = 0; s < 120; ++s) {
    cave.Survey(std::to_string(s).c_str());
    cave.Line({{double(s), 0, 0}, {double(s), 10, 0}});
  }
  TPassageState state;
  std::vector<std::pair<int64_t, int>> calls;
  BuildPassages(
      cave.Model(), Defaults(), state,
      [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {}, {},
      [&](int64_t faces, int percent) {
        calls.push_back({faces, percent});
      });
  // Surveys 0, 50 and 100 of 120: 0 %, 41.7 % and 83.3 %, rounded.
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0], (std::pair<int64_t, int>{8, 0}));
  EXPECT_EQ(calls[1], (std::pair<int64_t, int>{51 * 8, 42}));
  EXPECT_EQ(calls[2], (std::pair<int64_t, int>{101 * 8, 83}));
}

TEST(PassageBuild, SealedLineIsClosedAndFacesOutwardForEveryShape) {
  for (int shape : {psSquare, psDiamond, psOctagon}) {
    for (bool vertical : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "shape " << shape << (vertical ? " with vertical prisms" : ""));
      TestCave cave;
      // Turns, a climb at 63 degrees and a drop at 68, uneven extents.
      cave.Line({{0, 0, 0, 2, 3, 1, 1.5f},
                 {0, 10, 1, 1, 2, 2, 1},
                 {7, 14, 0, 3, 1, 1, 2},
                 {7, 19, 10, 1.5f, 1.5f, 2, 2},
                 {9, 25, 10, 2, 2, 1, 1},
                 {9, 29, 0, 1, 3, 2, 2}});
      TPassageOptions o;
      o.PassageShape = shape;
      o.SealEnds = true;
      o.VerticalPrisms = vertical;
      Build b = BuildAll(cave.Model(), o);
      ExpectClosedAndOriented(b.rec);
      const int n = shape == psOctagon ? 8 : 4;
      // Caps only on the first from-section and the last to-section.
      EXPECT_EQ(b.rec.tris.size(), size_t(2 * n));
      EXPECT_EQ(b.state.FaceCount, int64_t(b.rec.quads.size() + b.rec.tris.size()));
      EXPECT_GT(SignedVolume(b.rec), 0);
    }
  }
}

TEST(PassageBuild, BoxPassageVolumeIsAnalytic) {
  TestCave cave;
  // Square section 3 wide (L 1, R 2) and 3 high (U 1, D 2), 10 + 5 long.
  cave.Line({{0, 0, 0, 1, 2, 1, 2}, {10, 0, 0, 1, 2, 1, 2}, {15, 0, 0, 1, 2, 1, 2}});
  TPassageOptions o;
  o.PassageShape = psSquare;
  o.SealEnds = true;
  Build b = BuildAll(cave.Model(), o);
  EXPECT_NEAR(b.state.PassageVolume, 9.0 * 15, 1e-9);
  EXPECT_NEAR(SignedVolume(b.rec), 9.0 * 15, 1e-9);
  ExpectClosedAndOriented(b.rec);

  // Diamond: half the square's area.
  o.PassageShape = psDiamond;
  EXPECT_NEAR(BuildAll(cave.Model(), o).state.PassageVolume, 4.5 * 15, 1e-9);

  // Metres: the same box in cubic metres.
  o.PassageShape = psSquare;
  o.ConvertToMetres = true;
  const double m = MetresPerFoot();
  EXPECT_NEAR(BuildAll(cave.Model(), o).state.PassageVolume, 9.0 * 15 * m * m * m, 1e-9);
}

TEST(PassageBuild, OctagonPullsInTheDiagonals) {
  TPlotVector a, b;
  a.Position = {0, 0, 0};
  b.Position = {0, 10, 0};  // heading north: right is east
  a.Left = 4, a.Right = 2, a.Up = 2, a.Down = 4;
  const TPassageSegment s = BuildSegment(a, b, psOctagon, TPassageOptions{});
  ASSERT_TRUE(s.Built);
  ASSERT_EQ(s.From.Count, 8);
  const auto& p = s.From.Points;
  // Up (0,0,2), Right (2,0,0): UpRight (2,0,2) pulled to ((1,0,1) + (2,0,2)) / 2.
  auto near = [](const T3DVector& v, double x, double y, double z) {
    return std::fabs(v.x - x) < 1e-12 && std::fabs(v.y - y) < 1e-12 && std::fabs(v.z - z) < 1e-12;
  };
  EXPECT_TRUE(near(p[1], 0, 0, 2));
  EXPECT_TRUE(near(p[2], 1.5, 0, 1.5));
  EXPECT_TRUE(near(p[3], 2, 0, 0));
  EXPECT_TRUE(near(p[4], 1.5, 0, -3));  // Right (2,0,0), Down (0,0,-4), DownRight (2,0,-4)
  EXPECT_TRUE(near(p[5], 0, 0, -4));
  EXPECT_TRUE(near(p[6], -3, 0, -3));
  EXPECT_TRUE(near(p[7], -4, 0, 0));
  EXPECT_TRUE(near(p[0], -3, 0, 1.5));
  EXPECT_EQ(s.To.Count, 8);
  EXPECT_EQ(s.ShotIndex, b.ShotIndex);
}

TEST(PassageBuild, AverageJointsMakesJointSectionsCoincide) {
  TestCave cave;
  // A bend of 15 degrees: no corner cut, but the sections turn.
  const double t = 15 * std::numbers::pi / 180;
  cave.Line({{0, 0, 0}, {0, 10, 0}, {10 * std::sin(t), 10 + 10 * std::cos(t), 0}});
  for (bool average : {true, false}) {
    SCOPED_TRACE(average ? "averaged" : "not averaged");
    TPassageOptions o;
    o.AverageJoints = average;
    Build b = BuildAll(cave.Model(), o);
    ASSERT_EQ(b.rec.quads.size(), 16u);
    int same = 0;
    for (int i = 0; i < 8; ++i) {
      // The first segment's to-ring is corners 2 and 3 (to[j], to[i]); the
      // second's from-ring is corners 0 and 1 (from[i], from[j]).
      const Quad& first = b.rec.quads[i];
      const Quad& second = b.rec.quads[8 + i];
      same += Equal(first.p[3], second.p[0]) && Equal(first.p[2], second.p[1]);
    }
    EXPECT_EQ(same, average ? 8 : 0);
  }
}

TEST(PassageBuild, VerticalModeTurnsOnAtTheThreshold) {
  auto steep = [](double degrees, double threshold, bool prisms, bool up) {
    TPlotVector a, b;
    a.Left = a.Right = a.Up = a.Down = 1;
    b = a;
    const double r = degrees * std::numbers::pi / 180;
    b.Position = {0, 10 * std::cos(r), (up ? 1 : -1) * 10 * std::sin(r)};
    TPassageOptions o;
    o.VerticalThreshold = threshold;
    o.VerticalPrisms = prisms;
    return BuildSegment(a, b, psDiamond, o);
  };
  auto horizontal = [](const TCrossSection& c) {
    for (int i = 0; i < c.Count; ++i)
      if (c.Points[i].z != c.Centre.z) return false;
    return true;
  };
  {
    // 60 degrees up: horizontal sections at both ends; Up lies to the south.
    TPassageSegment s = steep(60, 50, true, true);
    EXPECT_TRUE(horizontal(s.From));
    EXPECT_TRUE(horizontal(s.To));
    EXPECT_EQ(s.From.Points[0].y, s.From.Centre.y - 1);
  }
  {
    // 60 degrees down: mode 2, Up lies to the north.
    TPassageSegment s = steep(60, 50, true, false);
    EXPECT_TRUE(horizontal(s.From) && horizontal(s.To));
    EXPECT_EQ(s.From.Points[0].y, s.From.Centre.y + 1);
  }
  // 45 degrees: ordinary upright sections.
  EXPECT_FALSE(horizontal(steep(45, 50, true, true).From));
  EXPECT_FALSE(horizontal(steep(45, 50, true, true).To));
  // The threshold is inclusive, and the option switches it off.
  EXPECT_TRUE(horizontal(steep(50, 50, true, true).From));
  EXPECT_TRUE(horizontal(steep(45, 40, true, true).From));
  EXPECT_FALSE(horizontal(steep(60, 50, false, true).From));

  // Through the builder: a 60 degree climb between two level shots.
  TestCave cave;
  const double r = 60 * std::numbers::pi / 180;
  cave.Line({{0, -10, 0}, {0, 0, 0}, {0, 10 * std::cos(r), 10 * std::sin(r)}});
  TPassageOptions o;
  o.AverageJoints = false;
  o.RoundingPasses = 0;
  Build b = BuildAll(cave.Model(), o);
  ASSERT_EQ(b.rec.quads.size(), 16u);
  for (int i = 8; i < 16; ++i) {
    EXPECT_EQ(b.rec.quads[i].p[0].z, 0);                          // from-ring
    EXPECT_NEAR(b.rec.quads[i].p[2].z, 10 * std::sin(r), 1e-12);  // to-ring
  }
}

TEST(PassageBuild, HiddenAndSplayRecordsAreBridged) {
  TestCave cave;
  cave.Line({{0, 0, 0}, {0, 10, 0}, {0, 20, 0, 1, 1, 1, 1, 'd'}, {0, 30, 0, 1, 1, 1, 1, 'D', "S"}, {0, 40, 0}});
  std::vector<std::pair<double, double>> shots;
  auto run = [&](bool hidden) {
    shots.clear();
    TPassageOptions o;
    o.IncludeHidden = hidden;
    TPassageState state;
    BuildPassages(
        cave.Model(), o, state, [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {},
        {}, {}, {},
        [&](const T3DVector& a, const T3DVector& b) {
          shots.push_back({a.y, b.y});
          return true;
        });
  };
  run(false);
  EXPECT_EQ(shots, (std::vector<std::pair<double, double>>{{0, 10}, {10, 40}}));
  run(true);  // the splay stays out either way
  EXPECT_EQ(shots, (std::vector<std::pair<double, double>>{{0, 10}, {10, 20}, {20, 40}}));
}

TEST(PassageBuild, OutputBoundsAreWithoutCentringInOutputUnits) {
  TestCave cave;
  cave.Line({{100, 200, 50, 1, 2, 3, 4}, {100, 210, 50, 1, 2, 3, 4}});
  cave.Model().PlotInfo.Center = {100, 205, 40};
  TPassageOptions o;
  o.PassageShape = psSquare;
  o.SealEnds = true;
  for (bool metres : {false, true}) {
    SCOPED_TRACE(metres ? "metres" : "feet");
    const double k = metres ? MetresPerFoot() : 1;
    o.ConvertToMetres = metres;
    o.CenterModel = false;
    Build plain = BuildAll(cave.Model(), o);
    // Heading north: left 1 to the west, right 2 to the east, up 3, down 4.
    EXPECT_NEAR(plain.state.OutputMin.x, 99 * k, 1e-9);
    EXPECT_NEAR(plain.state.OutputMax.x, 102 * k, 1e-9);
    EXPECT_NEAR(plain.state.OutputMin.y, 200 * k, 1e-9);
    EXPECT_NEAR(plain.state.OutputMax.y, 210 * k, 1e-9);
    EXPECT_NEAR(plain.state.OutputMin.z, 46 * k, 1e-9);
    EXPECT_NEAR(plain.state.OutputMax.z, 53 * k, 1e-9);

    o.CenterModel = true;
    Build centred = BuildAll(cave.Model(), o);
    EXPECT_NEAR(centred.state.OutputMin.x, plain.state.OutputMin.x, 1e-9);
    EXPECT_NEAR(centred.state.OutputMax.z, plain.state.OutputMax.z, 1e-9);
    // The emitted points themselves lie around the origin.
    T3DVector lo{1e99, 1e99, 1e99}, hi{-1e99, -1e99, -1e99};
    for (const Quad& q : centred.rec.quads)
      for (const T3DVector& p : q.p) lo = MinVector(lo, p), hi = MaxVector(hi, p);
    EXPECT_NEAR(lo.y, -5 * k, 1e-9);
    EXPECT_NEAR(hi.y, 5 * k, 1e-9);
    EXPECT_NEAR(lo.z, 6 * k, 1e-9);
    EXPECT_NEAR(centred.state.PassageVolume, plain.state.PassageVolume, 1e-9);
  }
}

TEST(PassageBuild, MissingExtentsWithoutSubstituteAreDegenerate) {
  TestCave cave;
  cave.Line({{0, 0, 0, 0, 0, 0, 0}, {0, 10, 0, -1, 0, 901, 0}, {0, 20, 0, 0, 0, 0, 0}});
  TPassageOptions o;
  o.SubstituteDiameter = 0;
  Build b = BuildAll(cave.Model(), o);
  ASSERT_EQ(b.rec.quads.size(), 16u);
  for (const Quad& q : b.rec.quads)
    for (const T3DVector& p : q.p) EXPECT_TRUE(p.x == 0 && p.z == 0);
  EXPECT_EQ(b.state.PassageVolume, 0);

  o.SubstituteDiameter = 2;  // the last resort gives a 4 x 4 square
  o.PassageShape = psSquare;
  EXPECT_NEAR(BuildAll(cave.Model(), o).state.PassageVolume, 16.0 * 20, 1e-9);
}

// Two surveys; the first has a scrap, a tetrahedron wound inwards, which
// the builder hands out as its only walls, turned outwards.
TEST(PassageBuild, ScrapWallsReplaceTheDimensionWallsOfTheirSurvey) {
  TestCave cave;
  cave.Survey("A");
  cave.Line({{0, 0, 0}, {0, 10, 0}});
  cave.Survey("B");
  cave.Line({{0, 10, 0}, {0, 20, 0}});
  TScrapMesh scrap;
  scrap.Survey = 0;
  scrap.Points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  scrap.Triangles = {{0, 1, 2}, {0, 3, 1}, {0, 2, 3}, {1, 3, 2}};
  for (auto& t : scrap.Triangles) std::swap(t[1], t[2]);
  OrientScrapMesh(scrap);
  cave.Model().Meshes.Scraps.push_back(scrap);
  struct Case {
    bool scraps, dimensions;
    size_t quads, tris;
  };
  for (const Case& c :
       {Case{true, true, 8, 4}, Case{false, true, 16, 0}, Case{true, false, 0, 4}, Case{false, false, 0, 0}}) {
    TPassageOptions o = Defaults();
    o.ScrapWalls = c.scraps;
    o.DimensionWalls = c.dimensions;
    const Build b = BuildAll(cave.Model(), o);
    EXPECT_EQ(b.rec.quads.size(), c.quads) << c.scraps << c.dimensions;
    ASSERT_EQ(b.rec.tris.size(), c.tris) << c.scraps << c.dimensions;
    if (c.quads == 0 && c.tris > 0) {
      ExpectClosedAndOriented(b.rec);
      EXPECT_NEAR(SignedVolume(b.rec), 1.0 / 6, 1e-12);
      EXPECT_NEAR(b.state.PassageVolume, 1.0 / 6, 1e-12);
    }
  }
}
