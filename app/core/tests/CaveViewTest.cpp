// The cave as the view draws it: passages that stay joined at every zoom,
// the standard views and fitting, the overlays where the layout says and
// of the view's true scale, and the colourings by date and survey.

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/core/CaveColors.h"
#include "app/core/CaveOverlays.h"
#include "app/core/CaveViews.h"
#include "app/core/GLCave.h"
#include "model/DemoCave.h"
#include "scene/GLGuards.h"
#include "viewer/OffscreenViewer.h"
#include "viewer/ViewProjection.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;

constexpr int kW = 800, kH = 600;

uint32_t PixelColour(const TBitmap32& b, int x, int y) {
  const uint8_t* p = b.Row(y) + 4 * x;
  return p[2] | p[1] << 8 | p[0] << 16;
}

// Pieces of drawn (not black) pixels, joined through edges and corners.
int ConnectedPieces(const TBitmap32& b) {
  std::vector<int> seen(static_cast<size_t>(b.Width) * b.Height, 0);
  auto drawn = [&](int x, int y) { return PixelColour(b, x, y) != 0; };
  int pieces = 0;
  std::vector<std::pair<int, int>> stack;
  for (int y = 0; y < b.Height; ++y)
    for (int x = 0; x < b.Width; ++x) {
      if (!drawn(x, y) || seen[y * b.Width + x]) continue;
      ++pieces;
      stack.assign(1, {x, y});
      seen[y * b.Width + x] = 1;
      while (!stack.empty()) {
        const auto [px, py] = stack.back();
        stack.pop_back();
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int qx = px + dx, qy = py + dy;
            if (qx < 0 || qy < 0 || qx >= b.Width || qy >= b.Height) continue;
            if (seen[qy * b.Width + qx] || !drawn(qx, qy)) continue;
            seen[qy * b.Width + qx] = 1;
            stack.push_back({qx, qy});
          }
      }
    }
  return pieces;
}

class CaveViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    viewer = std::make_unique<TOffscreenViewer>(kW, kH);
    scene = CreateSceneObjects(*viewer);
    dir = fs::temp_directory_path() / ("lumora-view-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  void Load(const fs::path& file) {
    const TCaveLoadResult r = LoadCave(file, *viewer, scene, document, TCaveMeshSettings{}, TCaveStyle{}, {});
    ASSERT_TRUE(r.Error.empty()) << r.Error;
    ApplyDisplayDefaults(scene, TCaveStyle{}.WallColor);
  }
  fs::path Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return dir / name;
  }
  TBitmap32 Picture(bool walls, bool shots) {
    TCaveVisibility v;
    v.Walls = walls;
    v.Shots = shots;
    SyncVisibility(scene, v);
    return viewer->Grab();
  }

  std::unique_ptr<TOffscreenViewer> viewer;
  TCaveScene scene;
  TCaveDocument document;
  TPlotModel& model = document.Model;
  TPassageOptions& options = document.PassageOptions;
  fs::path dir;
};

// Walls that shrink under a pixel must not fall apart into specks: at
// every zoom the walls make at most twice the pieces of the shot lines of
// the same view, plus ten.
TEST_F(CaveViewTest, PassagesStayJoinedAtEveryZoom) {
  TDemoOptions big;
  big.Stations = 8000;
  big.Seed = 7;
  const fs::path generated = Write("generated.plt", GenerateDemoCave(big).Text);
  for (const fs::path& file : {fs::path(LUMORA_SOURCE_DIR) / "data/demo.plt", generated}) {
    Load(file);
    for (bool plan : {false, true}) {
      if (plan) {
        SetPlanView(*scene.CaveFrame);
        FitView(*scene.CaveFrame, ExtentPoints(scene), kW, kH);
      }
      for (double zoom : {1.0, 0.5, 0.25, 0.1}) {
        SCOPED_TRACE(file.filename().string() + (plan ? " plan" : " home") + " zoom " + std::to_string(zoom));
        ZoomView(*scene.CaveFrame, zoom);
        const int walls = ConnectedPieces(Picture(true, false));
        const int shots = ConnectedPieces(Picture(false, true));
        EXPECT_GT(shots, 0);
        EXPECT_LE(walls, 2 * shots + 10) << "shots make " << shots;
        ZoomView(*scene.CaveFrame, 1 / zoom);
      }
    }
  }
}

// A straight passage east 1000 ft from (0,0), with a side shot north.
const char* const kStraight =
    "Z 0 300 0 1000 0 0\r\n"
    "SMain\r\n"
    "N S1 D 1 1 2000 C one\r\n"
    "M 0 0 0 S A1 P 2 2 2 2\r\n"
    "D 0 1000 0 S A2 P 2 2 2 2\r\n"
    "M 0 500 0 S A3 P 2 2 2 2\r\n"
    "D 300 500 0 S A4 P 2 2 2 2\r\n"
    "X 0 300 0 1000 0 0\r\n";

TEST_F(CaveViewTest, PlanElevationsFitAndZoomMoveTheViewAsNamed) {
  Load(Write("straight.plt", kStraight));
  TGLFrame& f = *scene.CaveFrame;
  const T3DVector west = SceneCoordinates({0, 0, 0}, model, options);
  const T3DVector east = SceneCoordinates({1000, 0, 0}, model, options);
  const T3DVector north = SceneCoordinates({500, 300, 0}, model, options);
  auto at = [&](const T3DVector& p) { return ScreenPoint(f, p, kW, kH); };

  SetPlanView(f);
  FitView(f, ExtentPoints(scene), kW, kH);
  EXPECT_LT(at(west).x, at(east).x);
  EXPECT_NEAR(at(west).y, at(east).y, 1);
  EXPECT_LT(at(north).y, at(west).y);  // north is up
  EXPECT_NEAR(ViewTilt(f), 90, 1e-6);
  EXPECT_NEAR(ViewBearing(f), 0, 1e-6);
  // Fitted: everything inside, the long way across 80 to 95 percent.
  for (const T3DVector& p : ExtentPoints(scene)) {
    const T3DVector s = at(p);
    EXPECT_GE(s.x, 0);
    EXPECT_LE(s.x, kW);
    EXPECT_GE(s.y, 0);
    EXPECT_LE(s.y, kH);
  }
  const double across = at(east).x - at(west).x;
  EXPECT_GT(across, 0.8 * kW);
  EXPECT_LT(across, 0.95 * kW);

  // Elevations: a point ahead along the bearing is farther and straight
  // ahead; a point to the bearing's left hand is on the left, level.
  for (double bearing : {0.0, 90.0, 180.0, 270.0}) {
    SCOPED_TRACE(bearing);
    SetElevationView(f, bearing);
    FitView(f, ExtentPoints(scene), kW, kH);
    EXPECT_NEAR(ViewBearing(f), bearing, 1e-6);
    EXPECT_NEAR(ViewTilt(f), 0, 1e-6);
    const double b = bearing * M_PI / 180;
    const T3DVector c = SceneCoordinates({500, 0, 0}, model, options);
    const T3DVector ahead = SceneCoordinates({500 + 100 * std::sin(b), 100 * std::cos(b), 0}, model, options);
    const T3DVector left = SceneCoordinates({500 - 100 * std::cos(b), 100 * std::sin(b), 0}, model, options);
    EXPECT_GT(at(ahead).z, at(c).z + 50);
    EXPECT_LT(at(left).x, at(c).x - 5);
    EXPECT_NEAR(at(left).y, at(c).y, 1);
  }

  const double before = ViewScale(f);
  ZoomView(f, 1.1);
  EXPECT_NEAR(ViewScale(f) / before, 1.1, 1e-9);
  ZoomView(f, 1 / 1.1);
  EXPECT_NEAR(ViewScale(f), before, 1e-9 * before);
}

// Where the shot line is longest in a row of the picture.
int LongestRun(const TBitmap32& b, int y, uint32_t colour) {
  int best = 0, run = 0;
  for (int x = 0; x < b.Width; ++x) {
    run = PixelColour(b, x, y) == colour ? run + 1 : 0;
    best = std::max(best, run);
  }
  return best;
}

TEST_F(CaveViewTest, OverlaysSitWhereLaidOutAndTheBarHasTheViewsScale) {
  Load(Write("straight.plt", kStraight));
  TGLFrame& f = *scene.CaveFrame;
  SetPlanView(f);
  FitView(f, ExtentPoints(scene), kW, kH);
  ColorWalls(scene, model, TWallColoring::Depth, 0x0000FF);
  const TWorkingUnits feet = MakeWorkingUnits(true);

  // The picture's own scale: the 1000 ft shot measured in pixels.
  TCaveVisibility shotsOnly;
  shotsOnly.Walls = false;
  shotsOnly.Shots = true;
  SyncVisibility(scene, shotsOnly);
  const TBitmap32 shots = viewer->Grab();
  const int row = static_cast<int>(std::lround(ScreenPoint(f, SceneCoordinates({0, 0, 0}, model, options), kW, kH).y));
  int measured = 0;
  for (int y = row - 1; y <= row + 1; ++y) measured = std::max(measured, LongestRun(shots, y, TCaveStyle{}.ShotColor));
  const double pixelsPerFoot = measured / 1000.0;

  TOverlayContent content;
  viewer->OnRender = [&](TGLViewerCore&) {
    content = OverlayContent(scene, model, options, TWallColoring::Depth, feet);
    DrawOverlays(content, {}, kW, kH, 0);
  };
  SyncVisibility(scene, TCaveVisibility{});
  const TBitmap32 b = viewer->Grab();
  viewer->OnRender = nullptr;
  const TOverlayLayout l = LayoutOverlays(content, kW, kH);

  EXPECT_NEAR(content.PixelsPerUnit, pixelsPerFoot, 0.01 * pixelsPerFoot);
  ASSERT_EQ(l.KeySwatches.size(), content.Key.size());
  ASSERT_EQ(content.Key.size(), 23u);
  for (size_t i = 0; i < content.Key.size(); ++i) {
    const TPixelRect& r = l.KeySwatches[i];
    EXPECT_EQ(PixelColour(b, static_cast<int>(r.Left + r.Width / 2), static_cast<int>(r.Top + r.Height / 2)),
              content.Key[i].Color)
        << "swatch " << i;
  }
  // Key top to bottom follows the walls top to bottom: the level cave's
  // walls reach 2 ft up and down from its one elevation, 0 ft.
  EXPECT_EQ(content.Key.front().Text, "2 ft");
  EXPECT_EQ(content.Key.back().Text, "-2 ft");

  // The bar: a round length, drawn as long as that length is in the view.
  const double length = l.ScaleLength;
  const double mantissa = length / std::pow(10.0, std::floor(std::log10(length)));
  EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 || std::abs(mantissa - 5) < 1e-9);
  const int barRow = static_cast<int>(l.ScaleBar.Top + l.ScaleBar.Height / 2);
  EXPECT_NEAR(LongestRun(b, barRow, 0xFFFFFF), length * pixelsPerFoot, 3);
  EXPECT_LE(l.ScaleBar.Width, 0.25 * kW + 1);
  EXPECT_GT(l.ScaleBar.Width, 0.25 * kW / 5 - 1);

  // Compass: in plan the needle's north half points up the screen; looking
  // east it points left. The clinometer reads 90 in plan, 0 level.
  auto needleRed = [&](const TBitmap32& p, const TOverlayLayout& o) {
    const double x = o.CompassX + 0.6 * (o.NeedleX - o.CompassX), y = o.CompassY + 0.6 * (o.NeedleY - o.CompassY);
    return PixelColour(p, static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))) == kNeedleColor;
  };
  EXPECT_TRUE(needleRed(b, l));
  EXPECT_LT(l.NeedleY, l.CompassY - 20);
  EXPECT_NEAR(l.ClinoTipY - l.ClinoY, l.ClinoRadius, 1e-9);

  SetElevationView(f, 90);
  viewer->OnRender = [&](TGLViewerCore&) {
    content = OverlayContent(scene, model, options, TWallColoring::Depth, feet);
    DrawOverlays(content, {}, kW, kH, 0);
  };
  const TBitmap32 e = viewer->Grab();
  viewer->OnRender = nullptr;
  const TOverlayLayout le = LayoutOverlays(content, kW, kH);
  EXPECT_TRUE(needleRed(e, le));
  EXPECT_LT(le.NeedleX, le.CompassX - 20);
  EXPECT_NEAR(le.ClinoTipY, le.ClinoY, 1e-9);
  EXPECT_GT(le.ClinoTipX, le.ClinoX);
}

// Four surveys of four shots east, each its own line: dated 1990, 2005
// and 1980, and one without a date.
std::string DatedCave() {
  const char* const surveys[][2] = {{"MID", "6 15 1990"}, {"NEW", "3 2 2005"}, {"OLD", "1 1 1980"}, {"NONE", "1 1 1"}};
  std::string text = "Z 0 0 0 400 0 0\r\nSMain\r\n";
  int east = 0, station = 0;
  for (const auto& [name, date] : surveys) {
    const int first = east;
    text += std::string("N ") + name + " D " + date + " C\r\n";
    text += "M 0 " + std::to_string(east) + " 0 S A" + std::to_string(station) + " P 2 2 2 2\r\n";
    for (int i = 0; i < 4; ++i) {
      east += 25;
      text += "D 0 " + std::to_string(east) + " 0 S A" + std::to_string(++station) + " P 2 2 2 2\r\n";
    }
    text += "X 0 0 " + std::to_string(first) + " " + std::to_string(east) + " 0 0\r\n";
  }
  return text;
}

TEST_F(CaveViewTest, ColourByDateOrdersSurveysAlongTheRainbowAndBySurveyKeepsThemApart) {
  Load(Write("dated.plt", DatedCave()));
  ASSERT_EQ(scene.TriangleSurveys->Count(), scene.PassageMesh->ColorCount());
  ASSERT_EQ(scene.CentrelineSurveys->size(), static_cast<size_t>(scene.Centreline->SegmentCount()));
  std::map<std::string, int> index;
  for (int i = 0; i < model.Surveys.Count(); ++i) index[model.Surveys[i].Name.Str()] = i;
  ASSERT_EQ(index.size(), 4u);

  auto rainbow = [](uint32_t c) {
    for (int i = 1; i < 24; ++i)
      if (DepthColor(i) == c) return i;
    return -1;
  };
  // The colour of each survey: its centreline's one colour, which most of
  // its wall corners share too (corners shared with the next survey's
  // walls take the colour last given).
  auto coloursBySurvey = [&] {
    std::map<int, std::map<uint32_t, int>> corners;
    std::map<int, std::set<uint32_t>> lines;
    for (int i = 0; i < scene.PassageMesh->ColorCount(); ++i)
      for (uint32_t c : scene.PassageMesh->GetTriangleColors(i).c) ++corners[(*scene.TriangleSurveys)[i]][c];
    for (int i = 0; i < scene.Centreline->SegmentCount(); ++i)
      lines[(*scene.CentrelineSurveys)[i]].insert(scene.Centreline->SegmentColors[i]);
    std::map<int, uint32_t> out;
    for (const auto& [s, set] : lines) {
      EXPECT_EQ(set.size(), 1u) << "survey " << s;
      out[s] = *set.begin();
      int total = 0;
      for (const auto& [c, n] : corners[s]) total += n;
      EXPECT_GT(corners[s][out[s]], 0.6 * total) << "walls of survey " << s;
    }
    return out;
  };

  ColorWalls(scene, model, TWallColoring::Date, 0x0000FF);
  std::map<int, uint32_t> byDate = coloursBySurvey();
  ASSERT_EQ(byDate.size(), 4u);
  EXPECT_EQ(rainbow(byDate[index["OLD"]]), 1);  // red
  EXPECT_LT(rainbow(byDate[index["OLD"]]), rainbow(byDate[index["MID"]]));
  EXPECT_LT(rainbow(byDate[index["MID"]]), rainbow(byDate[index["NEW"]]));
  EXPECT_EQ(rainbow(byDate[index["NEW"]]), 23);  // violet
  EXPECT_EQ(byDate[index["NONE"]], kUndatedColor);
  const auto key = ColorKey(scene, model, options, TWallColoring::Date, MakeWorkingUnits(true));
  ASSERT_FALSE(key.empty());
  EXPECT_EQ(key.front().Text, "1980");
  EXPECT_EQ(key.back().Text, "undated");
  EXPECT_EQ(key.back().Color, kUndatedColor);

  ColorWalls(scene, model, TWallColoring::Survey, 0x0000FF);
  std::map<int, uint32_t> bySurvey = coloursBySurvey();
  std::set<uint32_t> distinct;
  for (const auto& [s, c] : bySurvey) {
    distinct.insert(c);
    EXPECT_EQ(c, SurveyColor(model.Surveys[s].Name.Str()));
  }
  EXPECT_EQ(distinct.size(), 4u);

  ColorWalls(scene, model, TWallColoring::Plain, 0x00FF00);
  for (const auto& [s, c] : coloursBySurvey()) EXPECT_EQ(c, 0x00FF00u);
}

TEST(SurveyColours, DifferForManyNamesAndRoundLengthsAreRound) {
  std::set<uint32_t> colours;
  for (int i = 0; i < 200; ++i) colours.insert(SurveyColor("S" + std::to_string(i)));
  EXPECT_GT(colours.size(), 190u);
  for (double most : {0.37, 1.0, 7.9, 19.99, 250.0, 99999.0}) {
    const double r = RoundLength(most);
    EXPECT_LE(r, most);
    EXPECT_GT(r, most / 2.5 - 1e-12);
  }
}

// The find marks drawn at once light the pixels that a line loop a mark,
// 2 pixels wide, lights round each mark's nearest whole pixel: for marks
// inside, across the edge of and outside the view, behind the eye, and in
// a picture of twice the view's pixels.
TEST(SquareMarks, OneBitmapMatchesALoopAMark) {
  TOffscreenViewer viewer(kW, kH);
  std::mt19937 random(3);
  std::uniform_real_distribution<double> x(-12, 12), y(-9, 9), z(-5, 22);
  std::vector<T3DVector> points;
  std::vector<int> entries;
  for (int i = 0; i < 3000; ++i) {
    points.push_back({x(random), y(random), z(random)});
    if (i % 3) entries.push_back(i);
  }
  const int skip = entries[7];
  TMatrix4 view = IdentityMatrix();
  view[14] = -20;
  for (const auto& [half, scale] : {std::pair{3, 1}, std::pair{4, 1}, std::pair{6, 1}, std::pair{4, 2}}) {
    auto draw = [&](bool batched) {
      viewer.OnRender = [&](TGLViewerCore&) {
        const TWindowPixelsGuard pixels(kW, kH);
        glLineWidth(2);
        glColor3ub(255, 0, 255);
        if (batched) return DrawSquareMarks(view, kW, kH, points, entries, skip, half);
        for (int e : entries) {
          const auto p = ProjectToWindow(view, kW, kH, points[e]);
          if (e == skip || !p) continue;
          // The corners at whole pixels of the picture.
          const double px = std::nearbyint(p->X * scale), py = std::nearbyint(p->Y * scale), d = half * scale;
          glBegin(GL_LINE_LOOP);
          glVertex2d((px - d) / scale, (py - d) / scale);
          glVertex2d((px + d) / scale, (py - d) / scale);
          glVertex2d((px + d) / scale, (py + d) / scale);
          glVertex2d((px - d) / scale, (py + d) / scale);
          glEnd();
        }
      };
      const TBitmap32 b = viewer.RenderToBitmap(nullptr, scale);
      viewer.OnRender = nullptr;
      return b;
    };
    const TBitmap32 loops = draw(false), batch = draw(true);
    ASSERT_EQ(batch.Width, kW * scale);
    int marked = 0, differ = 0;
    for (int r = 0; r < loops.Height; ++r)
      for (int c = 0; c < loops.Width; ++c) {
        marked += PixelColour(loops, c, r) == 0xFF00FF;
        differ += PixelColour(loops, c, r) != PixelColour(batch, c, r);
      }
    EXPECT_GT(marked, 10000) << half << " " << scale;
    EXPECT_EQ(differ, 0) << half << " " << scale;
  }
}

}  // namespace
}  // namespace lumora
