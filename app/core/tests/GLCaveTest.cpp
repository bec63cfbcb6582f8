#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/GLCave.h"
#include "geometry/NumberText.h"
#include "viewer/OffscreenViewer.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;

// Bounds: north 0..100, east 0..200, elevation -50..10, so the centre is
// (east 100, north 50, elevation -20).
const char* const kCave =
    "Z 0 100 0 200 -50 10\r\n"
    "SMain\r\n"
    "N S1 D 1 1 2000 C one\r\n"
    "M 0 0 0 S A1 P 1 1 1 1\r\n"
    "D 10 0 -5 S A2 P 1 1 1 1\r\n"
    "D 20 0 -10 S A3 P 1 1 1 1\r\n"
    "X 0 20 0 0 -10 0\r\n"
    "N S2 D 1 1 2000 C two\r\n"
    "D 30 10 -10 S A4 P 1 1 1 1\r\n"
    "D 35 12 -10 S A5 P 0 0 0 0 I 1 FS\r\n"
    "d 40 10 -10 S A6 P 1 1 1 1\r\n"
    "X 30 40 10 12 -10 -10\r\n"
    "VA A4 30 10 -10 2 A4a 35 15 -10 A4b 30 5 -12\r\n";

class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() / ("lumora-cave-" + std::to_string(::getpid()) + "-" + std::to_string(count_++));
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  fs::path Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
    return path_ / name;
  }

 private:
  static inline int count_ = 0;
  fs::path path_;
};

bool Near(const T3DVector& a, const T3DVector& b, double eps = 1e-9) {
  return std::abs(a.x - b.x) < eps && std::abs(a.y - b.y) < eps && std::abs(a.z - b.z) < eps;
}

class CaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    viewer = std::make_unique<TOffscreenViewer>(400, 300);
    scene = CreateSceneObjects(*viewer);
    progress.Action = [this](const std::string& s) { actions.push_back(s); };
    progress.Shots = [this](const std::string& s) { shotField = s; };
    progress.Polygons = [this](const std::string& s) { polygonField = s; };
  }

  TCaveLoadResult Load(const std::string& text) {
    actions.clear();
    warnings.clear();
    return LoadCave(dir.Write("cave.plt", text), *viewer, scene, document, settings, style, progress,
                    [this](const std::string& m) { warnings.push_back(m); });
  }

  T3DVector Scene(double north, double east, double up) const {
    return SceneCoordinates(T3DVector{east, north, up}, model, options);
  }

  TempDir dir;
  std::unique_ptr<TOffscreenViewer> viewer;
  TCaveScene scene;
  TCaveDocument document;
  TPlotModel& model = document.Model;
  TPassageOptions& options = document.PassageOptions;
  TCaveMeshSettings settings;
  TCaveStyle style;
  TCaveLoadProgress progress;
  std::vector<std::string> actions, warnings;
  std::string shotField, polygonField;
};

TEST_F(CaveTest, SceneObjectsAreNamedKindsInTheirFramesShowingWallsOnly) {
  ASSERT_EQ(viewer->Frame.Frames.Count(), 2);
  EXPECT_EQ(viewer->Frame.Frames[0], scene.CaveFrame);
  EXPECT_EQ(viewer->Frame.Frames[1], scene.RoseFrame);
  struct Named {
    TGLObject* object;
    const char* name;
    TGLObjectList* list;
  };
  const Named cave[] = {
      {scene.PassageMesh, "Passage Mesh", &scene.CaveFrame->FastMeshes},
      {scene.Stations, "Stations", &scene.CaveFrame->Points},
      {scene.Hull, "Hull", &scene.CaveFrame->Meshes},
      {scene.Shots, "Shots", &scene.CaveFrame->Lines},
      {scene.Splays, "Splays", &scene.CaveFrame->Lines},
      {scene.LineBox, "Line Box", &scene.CaveFrame->Lines},
      {scene.PassageBox, "Passage Box", &scene.CaveFrame->Lines},
      {scene.Labels, "Station Labels", &scene.CaveFrame->Strings2D},
      {scene.Rose, "Rose Diagram", &scene.RoseFrame->Meshes},
      {scene.RoseBase, "Rose Base", &scene.RoseFrame->Meshes},
      {scene.RoseGrid, "Rose Grid", &scene.RoseFrame->Lines},
  };
  std::set<TGLObject*> distinct;
  for (const Named& n : cave) {
    ASSERT_NE(n.object, nullptr) << n.name;
    EXPECT_EQ(n.object->Name(), n.name);
    EXPECT_GE(n.list->IndexOf(n.object), 0) << n.name << " is not in its list";
    distinct.insert(n.object);
    // Everything but the walls starts hidden.
    EXPECT_EQ(n.object->Visible, n.object == scene.PassageMesh) << n.name;
  }
  EXPECT_EQ(distinct.size(), std::size(cave));
  EXPECT_EQ(scene.PassageMesh->RenderStyle(), 2);
  EXPECT_FALSE(scene.RoseFrame->Visible);
  EXPECT_TRUE(Near(scene.RoseFrame->Position, {}));
  EXPECT_TRUE(scene.CaveFrame->Visible);
  // The root frame's index knows every object.
  EXPECT_GE(viewer->Frame.AllObjects.IndexOf(scene.RoseGrid), 0);
}

TEST_F(CaveTest, SceneCoordinatesTurnCentreAndConvert) {
  model.PlotInfo.Center = {100, 50, -20};
  options.CenterModel = true;
  // East stays x, up becomes y, north becomes -z.
  EXPECT_TRUE(Near(SceneCoordinates({0, 10, -5}, model, options), {-100, 15, 40}));
  // The elevation goes through single precision, the others do not.
  model.PlotInfo.Center = {};
  const T3DVector p = SceneCoordinates({0.1, 0.2, 0.3}, model, options);
  EXPECT_EQ(p.x, 0.1);
  EXPECT_EQ(p.y, static_cast<double>(0.3f));
  EXPECT_NE(p.y, 0.3);
  EXPECT_EQ(p.z, -0.2);
  // Metres: the point and the centre both scaled.
  model.PlotInfo.Center = {100, 50, -20};
  options.ConvertToMetres = true;
  const double k = MetresPerFoot();
  EXPECT_TRUE(Near(SceneCoordinates({0, 10, -5}, model, options), {-100 * k, 15 * k, 40 * k}, 1e-6));
  options.CenterModel = false;
  EXPECT_TRUE(Near(SceneCoordinates({0, 10, -5}, model, options), {0, -5 * k, -10 * k}, 1e-6));
}

TEST_F(CaveTest, ShotsCarryTheLastRecordAcrossLinesAndSplaysAreDashedYellow) {
  style.ShotColor = 0x123456;
  const TCaveLoadResult r = Load(kCave);
  ASSERT_TRUE(r.Error.empty()) << r.Error;
  ASSERT_EQ(model.PlotInfo.Center.x, 100);

  // A1-A2, A2-A3, and A3-A4: the second survey's first record draws from
  // the first survey's last. A5 is a splay, A6 hidden.
  ASSERT_EQ(scene.Shots->SegmentCount(), 3);
  T3DVector a, b;
  scene.Shots->Segments.GetSegment(2, a, b);
  EXPECT_TRUE(Near(a, Scene(20, 0, -10)));
  EXPECT_TRUE(Near(b, Scene(30, 10, -10)));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(scene.Shots->SegmentColors[i], 0x123456u);
    EXPECT_FALSE(scene.Shots->LineProperties[i].Stippled);
  }

  // The 'S' flag splay and the two splay shots of the VA line.
  ASSERT_EQ(scene.Splays->SegmentCount(), 3);
  scene.Splays->Segments.GetSegment(0, a, b);
  EXPECT_TRUE(Near(a, Scene(30, 10, -10)));
  EXPECT_TRUE(Near(b, Scene(35, 12, -10)));
  scene.Splays->Segments.GetSegment(2, a, b);
  EXPECT_TRUE(Near(a, SceneCoordinates({30, 10, -10}, model, options)));
  EXPECT_TRUE(Near(b, SceneCoordinates({30, 5, -12}, model, options)));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(scene.Splays->SegmentColors[i], 0x00FFFFu);
    const TLineProperties& p = scene.Splays->LineProperties[i];
    EXPECT_EQ(p.Width, 2);
    EXPECT_TRUE(p.Stippled);
    EXPECT_EQ(p.Pattern, 0xAAAAAAAAu);
    EXPECT_EQ(p.Factor, 2);
  }
  // The splay is no passage: nothing of the walls reaches north 35.
  EXPECT_LT(-scene.PassageMesh->GetMin().z + 50, 34);

  // Hidden records only with "Show Hidden".
  EXPECT_EQ(scene.Stations->Points.Count(), 5);
  settings.ShowHidden = true;
  Load(kCave);
  EXPECT_EQ(scene.Shots->SegmentCount(), 4);
  EXPECT_EQ(scene.Stations->Points.Count(), 6);
  EXPECT_EQ(scene.Labels->StringCount(), 6);
}

TEST_F(CaveTest, SurfaceAndDuplicateLegsAndHiddenSurveysLeaveTheShots) {
  // A1-A2 surveyed twice; A6 a hidden (surface) leg; A4's splays in S2.
  std::string text = kCave;
  text.replace(text.find("S A2 P 1 1 1 1"), 14, "S A2 P 1 1 1 1 I 0 FL");
  ASSERT_TRUE(Load(text).Error.empty());
  struct Case {
    bool surface, duplicate;
    std::vector<uint8_t> shown;
    int shots, splays, stations;
  };
  for (const Case& c : {Case{false, true, {}, 3, 3, 5}, Case{true, true, {}, 4, 3, 5}, Case{false, false, {}, 2, 3, 5},
                        Case{false, true, {0, 1}, 1, 3, 2}, Case{false, true, {1, 0}, 2, 0, 3}}) {
    TCaveStyle s;
    s.ShowSurfaceLegs = c.surface;
    s.ShowDuplicateLegs = c.duplicate;
    document.ShownSurveys = c.shown;
    RestyleCave(scene, document, s);
    EXPECT_EQ(scene.Shots->SegmentCount(), c.shots) << c.surface << c.duplicate << c.shown.size();
    EXPECT_EQ(scene.Splays->SegmentCount(), c.splays) << c.shown.size();
    EXPECT_EQ(scene.Stations->Points.Count(), c.stations) << c.shown.size();
    EXPECT_EQ(scene.Labels->StringCount(), c.stations);
  }
}

TEST_F(CaveTest, StationsAndLabels) {
  style.StationColor = 0xABCDEF;
  style.PointSize = 3;
  Load(kCave);
  ASSERT_EQ(scene.Stations->Points.Count(), 5);
  EXPECT_TRUE(Near(scene.Stations->Points[1], Scene(10, 0, -5)));
  EXPECT_EQ(scene.Stations->PointColors[1], 0xABCDEFu);
  EXPECT_EQ(scene.Stations->PointProperties[1].Size, 3);
  const TGLColor e = scene.Stations->Emission;
  EXPECT_EQ(std::vector<float>({e.r, e.g, e.b, e.a}), std::vector<float>({1, 0, 0, 1}));

  ASSERT_EQ(scene.Labels->StringCount(), 5);
  EXPECT_EQ(scene.Labels->Strings(1), "A2");
  const TGLStringInfo& info = scene.Labels->StringInfo(1);
  EXPECT_EQ(info.Mode, 2);
  // Half a unit right of and above its mark.
  EXPECT_TRUE(Near(info.Position, Add(scene.Stations->Points[1], T3DVector{0.5, 0.5, 0})));
  EXPECT_EQ(scene.Labels->Font().Color, 0x00FF00u);
  EXPECT_EQ(scene.Labels->Font().Height, 12);

  // A second load replaces, never adds.
  Load(kCave);
  EXPECT_EQ(scene.Stations->Points.Count(), 5);
  EXPECT_EQ(scene.Labels->StringCount(), 5);
  EXPECT_EQ(scene.Shots->SegmentCount(), 3);
}

// The ends of the twelve edges, and whether every edge runs along one axis
// between corners of the box a-b.
std::pair<T3DVector, T3DVector> BoxCorners(const TGLLines& box) {
  T3DVector lo{1e300, 1e300, 1e300}, hi{-1e300, -1e300, -1e300};
  for (int i = 0; i < box.Segments.Count(); ++i) {
    lo = MinVector(lo, box.Segments[i]);
    hi = MaxVector(hi, box.Segments[i]);
  }
  return {lo, hi};
}

void ExpectBoxEdges(const TGLLines& box, uint32_t colour) {
  ASSERT_EQ(box.SegmentCount(), 12);
  const auto [lo, hi] = BoxCorners(box);
  auto onCorner = [&](const T3DVector& p) {
    return (p.x == lo.x || p.x == hi.x) && (p.y == lo.y || p.y == hi.y) && (p.z == lo.z || p.z == hi.z);
  };
  std::set<std::vector<double>> edges;
  for (int i = 0; i < 12; ++i) {
    T3DVector a, b;
    box.Segments.GetSegment(i, a, b);
    EXPECT_TRUE(onCorner(a) && onCorner(b));
    EXPECT_EQ((a.x != b.x) + (a.y != b.y) + (a.z != b.z), 1) << "edge " << i << " is not along one axis";
    EXPECT_EQ(box.SegmentColors[i], colour);
    const T3DVector m = MinVector(a, b), n = MaxVector(a, b);
    edges.insert({m.x, m.y, m.z, n.x, n.y, n.z});
  }
  EXPECT_EQ(edges.size(), 12u) << "an edge is drawn twice";
}

TEST_F(CaveTest, BoxesOfThePlotBoundsAndOfTheWalls) {
  Load(kCave);
  ExpectBoxEdges(*scene.LineBox, 0x00FF00);
  ExpectBoxEdges(*scene.PassageBox, 0xFF0000);
  // The line box spans the plot's bounds.
  const auto [lo, hi] = BoxCorners(*scene.LineBox);
  EXPECT_TRUE(Near(lo, {-100, -30, -50}));
  EXPECT_TRUE(Near(hi, {100, 30, 50}));
  // The passage box is the walls' extent.
  const auto [plo, phi] = BoxCorners(*scene.PassageBox);
  EXPECT_TRUE(Near(plo, scene.PassageMesh->GetMin(), 1e-6));
  EXPECT_TRUE(Near(phi, scene.PassageMesh->GetMax(), 1e-6));
}

TEST_F(CaveTest, WallsFaceOutwardsAndMetresShrinkThem) {
  // One straight shot: an octagonal prism, sealed at both ends, convex, so
  // every face looks away from its middle.
  const std::string tube =
      "Z 0 0 0 20 0 0\r\nN T D 1 1 2000 C\r\nM 0 0 0 S A P 2 2 2 2\r\nD 0 20 0 S B P 2 2 2 2\r\nX 0 0 0 20 0 0\r\n";
  Load(tube);
  TGLFastMesh& mesh = *scene.PassageMesh;
  ASSERT_EQ(mesh.ColorCount(), 2 * 8 + 2 * 8);
  const T3DVector middle = Scale(Add(mesh.GetMin(), mesh.GetMax()), 0.5);
  EXPECT_TRUE(Near(middle, {}, 1e-6));
  for (int i = 0; i < mesh.ColorCount(); ++i) {
    const TTriangle3 t = mesh.GetTriangle(i);
    const T3DVector centroid = Scale(Add(Add(t.p[0], t.p[1]), t.p[2]), 1.0 / 3);
    EXPECT_GT(Dot(TriangleNormal(t), Subtract(centroid, middle)), 0) << "face " << i << " looks inwards";
    EXPECT_EQ(mesh.GetTriangleColors(i).c[0], 255u);
  }
  // The shot runs east, so the tube runs along x: 20 feet plus nothing.
  EXPECT_NEAR(mesh.GetMax().x - mesh.GetMin().x, 20, 1e-9);
  options.ConvertToMetres = true;
  Load(tube);
  EXPECT_NEAR(mesh.GetMax().x - mesh.GetMin().x, 20 * MetresPerFoot(), 1e-9);
  options.ConvertToMetres = false;
}

TEST_F(CaveTest, DepthColoursRunFromRedAtTheTopToVioletAtTheBottom) {
  EXPECT_EQ(DepthColor(1), 0x0000FFu);
  EXPECT_EQ(DepthColor(23), 0x7F00FFu);
  TGLFastMesh mesh;
  // A wall from y 0 down to y -22 with a row at -11: bins of 1.
  mesh.AddQuad({0, 0, 0}, {0, -11, 0}, {1, -11, 0}, {1, 0, 0}, 0);
  mesh.AddQuad({0, -11, 0}, {0, -22, 0}, {1, -22, 0}, {1, -11, 0}, 0);
  ColorByDepth(mesh);
  for (int i = 0; i < mesh.VertexCount(); ++i) {
    const double y = mesh.GetVertex(i).y;
    const uint32_t expected = y == 0 ? 0x0000FF : y == -22 ? 0x7F00FF : DepthColor(12);
    EXPECT_EQ(mesh.GetVertexColor(i), expected) << "y " << y;
  }

  // Without height every corner takes the top colour.
  TGLFastMesh flat;
  flat.AddQuad({0, 5, 0}, {0, 5, 1}, {1, 5, 1}, {1, 5, 0}, 0);
  ColorByDepth(flat);
  for (int i = 0; i < flat.VertexCount(); ++i) EXPECT_EQ(flat.GetVertexColor(i), 0x0000FFu);

  // On a loaded cave the highest and lowest corners.
  Load(kCave);
  TGLFastMesh& walls = *scene.PassageMesh;
  ColorByDepth(walls);
  std::set<uint32_t> top, bottom;
  for (int i = 0; i < walls.VertexCount(); ++i) {
    if (walls.GetVertex(i).y == walls.GetMax().y) top.insert(walls.GetVertexColor(i));
    if (walls.GetVertex(i).y == walls.GetMin().y) bottom.insert(walls.GetVertexColor(i));
  }
  EXPECT_EQ(top, std::set<uint32_t>{0x0000FF});
  EXPECT_EQ(bottom, std::set<uint32_t>{0x7F00FF});
  SetWallColor(walls, 0x00FF00);
  for (int i = 0; i < walls.ColorCount(); ++i) EXPECT_EQ(walls.GetTriangleColors(i).c[1], 0x00FF00u);
}

TEST(CaveEstimate, HundredShotsAndFiveMovesMakeTheDialogsFigures) {
  // Octagon, one pass: 8 * 199 * 2 + 8 * 10.
  const TMeshEstimate e = EstimateMesh(100, 10, psOctagon, 1);
  EXPECT_EQ(e.Shots, 100);
  EXPECT_EQ(e.MaxTriangles, 3264);
  const double v = 4 * 8 * 199 + 3 * 8 * 10, t = 3264;
  EXPECT_DOUBLE_EQ(e.MemoryMB, (41 * v + 17 * 2 * v + 91 * t) / 1048576);
  // Square, two passes: 100 -> 199 -> 397.
  EXPECT_EQ(EstimateMesh(100, 10, psSquare, 2).MaxTriangles, 2 * 4 * 397 + 4 * 10);
  EXPECT_EQ(EstimateMesh(100, 10, psDiamond, 0).MaxTriangles, 2 * 4 * 100 + 4 * 10);

  TempDir dir;
  std::string text = "Z 0 1 0 1 0 1\r\n";
  for (int m = 0; m < 5; ++m) {
    text += "M 0 0 0 S M" + std::to_string(m) + "\r\n";
    for (int d = 0; d < 20; ++d) text += "D " + std::to_string(d + 1) + " 0 0 S D" + std::to_string(d) + "\r\n";
  }
  const auto file = EstimateMeshForFile(dir.Write("est.plt", text), TCaveMeshSettings{});
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->Shots, 100);
  EXPECT_EQ(file->MaxTriangles, 3264);
  EXPECT_FALSE(EstimateMeshForFile("/nonexistent/cave.plt", TCaveMeshSettings{}).has_value());
  EXPECT_FALSE(EstimateMeshForFile("", TCaveMeshSettings{}).has_value());
}

TEST(CaveMeshOptions, TheDialogSetsAllButMetresAndJoints) {
  TCaveMeshSettings s;
  s.PassageShape = psDiamond;
  s.RoundingDepth = 2;
  s.CornerThreshold = 33;
  s.SubstituteDiameter = 7;
  s.ExpandPassages = false;
  s.VerticalPrisms = false;
  s.VerticalThreshold = 12;
  s.SealEnds = false;
  s.ShowHidden = true;
  TPassageOptions o;
  o.ConvertToMetres = true;
  o.AverageJoints = false;
  ApplyMeshOptions(s, o);
  EXPECT_EQ(o.PassageShape, psDiamond);
  EXPECT_EQ(o.RoundingPasses, 2);
  EXPECT_EQ(o.CornerThreshold, 33);
  EXPECT_EQ(o.SubstituteDiameter, 7);
  EXPECT_FALSE(o.FillDimensions);
  EXPECT_FALSE(o.VerticalPrisms);
  EXPECT_EQ(o.VerticalThreshold, 12);
  EXPECT_FALSE(o.SealEnds);
  EXPECT_TRUE(o.IncludeHidden);
  EXPECT_TRUE(o.CenterModel);
  EXPECT_TRUE(o.ConvertToMetres);
  EXPECT_FALSE(o.AverageJoints);
  s.SubstituteMissing = false;
  ApplyMeshOptions(s, o);
  EXPECT_EQ(o.SubstituteDiameter, 0);
}

std::string Records(int count) {
  std::string text = "Z 0 100 0 100 0 0\r\nN S1 D 1 1 2000 C\r\nM 0 0 0 S R0\r\n";
  for (int i = 1; i < count; ++i) text += "D " + std::to_string(i % 100) + " 0 0 S R" + std::to_string(i) + "\r\n";
  return text + "X 0 100 0 0 0 0\r\n";
}

TEST_F(CaveTest, MoreThanFifteenThousandRecordsUncheckUsePassDimsForGood) {
  settings.RoundingDepth = 0;
  EXPECT_FALSE(Load(Records(15000)).TooManyForPassDims);
  EXPECT_TRUE(document.UsePassDims);
  EXPECT_TRUE(Load(Records(15001)).TooManyForPassDims);
  EXPECT_FALSE(document.UsePassDims);
  EXPECT_FALSE(Load(kCave).TooManyForPassDims);
  EXPECT_FALSE(document.UsePassDims) << "a small plot checked the box again";
}

TEST_F(CaveTest, ProgressNamesEveryStageInOrder) {
  const TCaveLoadResult r = Load(Records(1234));
  ASSERT_TRUE(r.Error.empty());
  EXPECT_EQ(shotField, "1,234");
  EXPECT_EQ(polygonField, GroupedNumber(document.PassageState.FaceCount));
  const std::vector<std::string> stages = {"Reading File",     "Setting Shots",        "Shots: 0",
                                           "Shots: 1200",      "Setting Stations",     "Station: 1230",
                                           "Setting Labels",   "Labels: 1230",         "Building Mesh",
                                           "Passage - Prisms", "Setting bounding box", "Passage - Setting Face Normals",
                                           "Rendering Image"};
  auto at = actions.begin();
  for (const std::string& s : stages) {
    at = std::find(at, actions.end(), s);
    ASSERT_NE(at, actions.end()) << "\"" << s << "\" missing or out of order";
  }
  EXPECT_EQ(actions.back(), "Rendering Image");
  EXPECT_EQ(std::count(actions.begin(), actions.end(), "Shots: 100"), 1);
  EXPECT_EQ(std::count(actions.begin(), actions.end(), "Shots: 150"), 0) << "only every 100th record";
  EXPECT_EQ(std::count(actions.begin(), actions.end(), "Station: 15"), 0) << "only every 10th record";
}

TEST_F(CaveTest, AReaderErrorIsWarnedAndTheSceneBuiltFromWhatWasRead) {
  const std::string broken = std::string(kCave).substr(0, std::string(kCave).find("N S2")) + "D 1 x 3 S BAD\r\n";
  const TCaveLoadResult r = Load(broken);
  ASSERT_FALSE(r.Error.empty());
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0], r.Error);
  EXPECT_NE(r.Error.find("\"x\" is not a valid number"), std::string::npos) << r.Error;
  EXPECT_EQ(scene.Shots->SegmentCount(), 2);
  EXPECT_EQ(scene.Stations->Points.Count(), 3);
  EXPECT_GT(scene.PassageMesh->ColorCount(), 0);

  // A missing file: a warning and an empty scene, no throw.
  warnings.clear();
  const TCaveLoadResult missing = LoadCave(dir.Write("x", "") / "none.plt", *viewer, scene, document, settings, style,
                                           progress, [this](const std::string& m) { warnings.push_back(m); });
  EXPECT_FALSE(missing.Error.empty());
  EXPECT_EQ(scene.PassageMesh->ColorCount(), 0);
  EXPECT_EQ(scene.Shots->SegmentCount(), 0);
}

TEST_F(CaveTest, AFailingReporterLeavesTheMeshWithoutIt) {
  progress.Action = [](const std::string& s) {
    if (s.rfind("Passage - Setting", 0) == 0) throw std::runtime_error("stop");
  };
  EXPECT_THROW(Load(kCave), std::runtime_error);
  EXPECT_FALSE(scene.PassageMesh->OnProgress);
}

TEST_F(CaveTest, TheHomeViewShowsTheWholeCave) {
  Load(kCave);
  TGLFrame& cave = *scene.CaveFrame;
  EXPECT_LT(cave.Position.z, 0);
  EXPECT_TRUE(Near(cave.Position, cave.HomePosition));
  // Every wall corner projects inside the picture.
  const double distance = viewer->Camera.Eye.z - cave.Position.z;
  const double pixelsPerUnit = 1000 / distance;
  for (const T3DVector& p : {scene.PassageMesh->GetMin(), scene.PassageMesh->GetMax()}) {
    EXPECT_LT(std::abs(p.x) * pixelsPerUnit, 200);
    EXPECT_LT(std::abs(p.y) * pixelsPerUnit, 150);
  }
  // And the walls are drawn: something at the centre's row is not black.
  ApplyDisplayDefaults(scene, 0xFFFFFF);
  const TBitmap32 picture = viewer->Grab();
  int lit = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) lit += picture.Row(y)[4 * x + 1] > 20;
  EXPECT_GT(lit, 100);
}

}  // namespace
}  // namespace lumora
