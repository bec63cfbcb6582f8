#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "scene/GLHeaders.h"
#include "scene/GLMesh.h"
#include "viewer/OffscreenViewer.h"

namespace lumora {
namespace {

// Counts the repaints the view asks its window for.
class TCountingViewer : public TOffscreenViewer {
 public:
  using TOffscreenViewer::TOffscreenViewer;
  int repaints = 0;

 protected:
  void Repaint() override { ++repaints; }
};

std::array<int, 3> BGR(const TBitmap32& b, int x, int y) {
  const uint8_t* p = b.Row(y) + x * 4;
  return {p[0], p[1], p[2]};
}

TGLMesh* AddSquare(TGLViewerCore& v, double half, uint32_t colour) {
  auto* mesh = static_cast<TGLMesh*>(v.Frame.Meshes.AddNew());
  mesh->AddQuad({-half, -half, 0}, {half, -half, 0}, {half, half, 0}, {-half, half, 0}, colour);
  return mesh;
}

TEST(OffscreenViewer, WindowCreationMakesTheDefaultObjects) {
  TOffscreenViewer v(64, 48);
  ASSERT_EQ(v.ObjectCount(), 4);
  EXPECT_EQ(v.Objects(0)->Name(), "BaseMesh");
  EXPECT_EQ(v.Objects(1)->Name(), "BaseFastMesh");
  EXPECT_EQ(v.Objects(2)->Name(), "BaseString");
  EXPECT_EQ(v.Objects(2), v.Frame.Strings3D[0]);
  EXPECT_EQ(v.Objects(3)->Name(), "BaseLines");
  EXPECT_EQ(v.Frame.Name(), "BaseFrame");
  ASSERT_NE(v.Fog, nullptr);
  EXPECT_TRUE(v.Lights.Lights(0).LightEnabled);
  EXPECT_FALSE(v.Lights.Lights(1).LightEnabled);
  EXPECT_EQ(v.Window.Width10, 0.64);
}

TEST(OffscreenViewer, ProjectionKeepsPixelsPerUnitWhateverTheSize) {
  for (int w : {1000, 500}) {
    TOffscreenViewer v(w, 100);
    v.Grab();
    double p[16];
    glGetDoublev(GL_PROJECTION_MATRIX, p);
    const double fov = 2 * std::atan(1 / p[0]) * 180 / std::numbers::pi;
    EXPECT_NEAR(fov, 2 * std::atan(w / 2000.0) * 180 / std::numbers::pi, 1e-9);
  }
  EXPECT_NEAR(2 * std::atan(0.5) * 180 / std::numbers::pi, 53.13, 0.01);

  // The same square covers the same pixels in a small and a large view.
  TOffscreenViewer small(100, 100), large(300, 300);
  for (TGLViewerCore* v : {static_cast<TGLViewerCore*>(&small), static_cast<TGLViewerCore*>(&large)}) {
    AddSquare(*v, 0.1, 0xFFFFFF);
    v->Lights.Lights(0).LightEnabled = false;
    v->SceneAmbient = TGLColor{1, 1, 1, 1};
  }
  auto lit = [](const TBitmap32& b) {
    int n = 0;
    for (int y = 0; y < b.Height; ++y)
      for (int x = 0; x < b.Width; ++x) n += BGR(b, x, y)[0] > 100;
    return n;
  };
  EXPECT_EQ(lit(small.Grab()), 20 * 20);
  EXPECT_EQ(lit(large.Grab()), 20 * 20);
}

TEST(OffscreenViewer, RenderToBitmapAtScaleTwoMatchesTheView) {
  TOffscreenViewer v(400, 300);
  v.SetScreenColor(0x202020);
  auto* mesh = AddSquare(v, 0.6, 0x0000FF);
  auto* other = static_cast<TGLMesh*>(v.Frame.Meshes.AddNew());
  other->AddTriangle3({0.8, -1, 0}, {1.8, -1, 0}, {1.3, 0.5, 0}, 0x00FF00);
  other->ComputeNormals(false);
  mesh->ComputeNormals(false);
  const TBitmap32 view = v.Grab();
  const TBitmap32 big = v.RenderToBitmap(nullptr, 2);
  ASSERT_EQ(big.Width, 800);
  ASSERT_EQ(big.Height, 600);
  // Every 2 x 2 block of the capture averages to the view's pixel, except
  // along edges, which fall between pixels differently.
  int differing = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x) {
      const auto a = BGR(view, x, y);
      int d = 0;
      for (int c = 0; c < 3; ++c) {
        const int avg = (BGR(big, 2 * x, 2 * y)[c] + BGR(big, 2 * x + 1, 2 * y)[c] + BGR(big, 2 * x, 2 * y + 1)[c] +
                         BGR(big, 2 * x + 1, 2 * y + 1)[c]) /
                        4;
        d = std::max(d, std::abs(avg - a[c]));
      }
      differing += d > 40;
    }
  EXPECT_LT(differing, 400 * 300 / 100);
  // The square's centre is where the view has it, and red (with a white
  // specular highlight).
  EXPECT_GT(BGR(big, 400, 300)[2], BGR(big, 400, 300)[1] + 100);
  EXPECT_EQ(BGR(big, 400, 300)[1], BGR(big, 400, 300)[0]);
  EXPECT_EQ(BGR(big, 5, 5), (std::array<int, 3>{0x20, 0x20, 0x20}));
  // Afterwards the window shows the normal view again.
  const TBitmap32 again = v.Grab();
  EXPECT_EQ(again.Data, view.Data);

  TBitmap32 given;
  v.RenderToBitmap(&given, 0.5);
  EXPECT_EQ(given.Width, 200);
  EXPECT_EQ(given.Height, 150);
}

TEST(OffscreenViewer, CaptureOfNoPixelsFailsWithTheFramebufferMessage) {
  TOffscreenViewer v(40, 30);
  try {
    v.RenderToBitmap(nullptr, 0);
    FAIL() << "no error";
  } catch (const EFramebufferError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Error in framebuffer activation: ", 0), 0u);
  }
  // The view still draws.
  EXPECT_EQ(v.Grab().Width, 40);
}

TEST(OffscreenViewer, EventsOfANotifyingRenderComeInOrder) {
  TOffscreenViewer v(32, 32);
  std::vector<std::string> seen;
  v.OnDisplayChanging = [&](TGLViewerCore&) { seen.push_back("changing"); };
  v.OnRender = [&](TGLViewerCore&) { seen.push_back("render"); };
  v.OnChange = [&](TGLViewerCore&) { seen.push_back("change"); };
  v.OnDisplayChange = [&](TGLViewerCore&) { seen.push_back("display"); };
  v.OnObjectChange = [&](TGLViewerCore&) { seen.push_back("object"); };
  v.Render(true);
  EXPECT_EQ(seen, (std::vector<std::string>{"changing", "render", "change", "display"}));
  seen.clear();
  v.Render(false);
  EXPECT_EQ(seen, (std::vector<std::string>{"changing", "render"}));
  seen.clear();
  v.Objects(0)->SetName("Renamed");
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[0], "object");
  EXPECT_EQ(seen[1], "change");
}

TEST(OffscreenViewer, FrameTimeAndRate) {
  EXPECT_DOUBLE_EQ(TGLViewerCore::FrameSeconds(1000, 3500), 0.0025);
  EXPECT_DOUBLE_EQ(1 / TGLViewerCore::FrameSeconds(1000, 3500), 400);
  // The 32-bit counter wraps between the two readings.
  EXPECT_DOUBLE_EQ(TGLViewerCore::FrameSeconds(0xFFFFFF00u, 0x000009C4u - 0x100u + 0x100u), (0x9C4 + 0x100) / 1e6);
  TOffscreenViewer v(16, 16);
  v.Render(false);
  EXPECT_GT(v.FrameTime, 0);
  EXPECT_DOUBLE_EQ(v.FramesPerSecond, 1 / v.FrameTime);
}

TEST(OffscreenViewer, VisibleBoundsAndFitting) {
  TOffscreenViewer v(200, 100);
  // The default objects are invisible here, so only the box counts.
  for (int i = 0; i < v.ObjectCount(); ++i) v.Objects(i)->Visible = false;
  EXPECT_TRUE(Equal(v.VisibleMax(), T3DVector{0, 0, 0}));
  auto* box = static_cast<TGLMesh*>(v.Frame.Meshes.AddNew());
  box->AddBox({5, 5, 5}, {6, 6, 6}, 0xFFFFFF);
  box->RecomputeBounds();
  EXPECT_TRUE(Equal(v.VisibleMax(), T3DVector{6, 6, 6}));
  EXPECT_TRUE(Equal(v.VisibleMin(), T3DVector{5, 5, 5}));

  v.FitObject(*box);
  const double l = std::sqrt(3.0);
  EXPECT_DOUBLE_EQ(box->Position.z, -10 * (100 * l / 200));
  EXPECT_TRUE(Equal(box->HomePosition, box->Position));

  box->Position = T3DVector{1, 2, 3};
  box->Rotate(10, 20, 0);
  v.FitAll();
  EXPECT_DOUBLE_EQ(box->Position.z, -(10 * (100 * l / 200) - 10));
  EXPECT_EQ(box->Position.x, 0);
  EXPECT_DOUBLE_EQ(box->Orientation.w, 1);
}

TEST(OffscreenViewer, SettersRepaintOnlyOnChange) {
  TCountingViewer v(16, 16);
  v.SetWireFrameLight(false);
  EXPECT_EQ(v.repaints, 0);
  v.SetWireFrameLight(true);
  EXPECT_EQ(v.repaints, 1);
  v.SetCullFaces(true);
  EXPECT_EQ(v.repaints, 1);
  v.SetCullFaces(false);
  EXPECT_EQ(v.repaints, 2);
  v.SetMultisample(true);
  EXPECT_TRUE(v.Multisample());
  EXPECT_TRUE(glIsEnabled(GL_MULTISAMPLE));
  // A change in the scene reaches the window as a repaint.
  v.Objects(0)->SetName("x");
  EXPECT_GT(v.repaints, 3);
}

TEST(OffscreenViewer, WireFrameLightBrightensUnlitFaces) {
  TOffscreenViewer v(100, 100);
  v.Lights.Lights(0).LightEnabled = false;
  AddSquare(v, 0.2, 0xFFFFFF)->ComputeNormals(false);
  const int dim = BGR(v.Grab(), 50, 50)[0];
  v.SetWireFrameLight(true);
  const int bright = BGR(v.Grab(), 50, 50)[0];
  EXPECT_LT(dim, 40);
  EXPECT_GT(bright, 240);
  v.SceneAmbient = TGLColor{1, 0, 0, 1};
  v.ResetLighting();
  EXPECT_FLOAT_EQ(v.SceneAmbient.r, 0.1f);
  EXPECT_FALSE(v.Lights.Lights(0).LightEnabled);  // reset keeps which lights are on
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

TEST(OffscreenViewer, XFilesRoundTripThroughTheFrameAndFailuresReenableInput) {
  const auto dir = std::filesystem::temp_directory_path() / ("lumora-viewer-x-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto path = dir / "square.x";

  TOffscreenViewer source(64, 48);
  AddSquare(source, 1.0, 0x0000FF);
  source.SaveXFile(path, {});

  TOffscreenViewer target(64, 48);
  const int before = target.Frame.Meshes.Count();
  target.LoadXFile(path, {}, true);
  ASSERT_EQ(target.Frame.Meshes.Count(), before + 1);
  auto* loaded = static_cast<TGLMesh*>(target.Frame.Meshes[target.Frame.Meshes.Count() - 1]);
  EXPECT_EQ(loaded->TriangleCount(), 2);
  EXPECT_TRUE(target.Enabled);

  std::ofstream(dir / "bad.x") << "not an x file";
  EXPECT_ANY_THROW(target.LoadXFile(dir / "bad.x", {}, true));
  EXPECT_TRUE(target.Enabled);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lumora
