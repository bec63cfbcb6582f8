#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>

#include <cstdlib>

#include "scene/GLMesh.h"
#include "viewer/GLViewer.h"

namespace lumora {
namespace {

TEST(GLViewer, DrawsTheSceneInAWindowAndCapturesIt) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display; the test command runs under xvfb-run";
  static int argc = 1;
  static char name[] = "test_viewer";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);

  TGLViewer view;
  int created = 0;
  view.OnCreateWindow = [&](TGLViewerCore&) { ++created; };
  view.resize(400, 300);
  view.show();
  QImage before = view.grabFramebuffer();
  ASSERT_EQ(created, 1);
  ASSERT_EQ(view.ObjectCount(), 4);
  EXPECT_EQ(view.Objects(0)->Name(), "BaseMesh");
  EXPECT_GE(view.Samples(), 0);
  EXPECT_EQ(before.pixel(200, 150) & 0xFFFFFF, 0u);  // black screen colour

  auto* mesh = static_cast<TGLMesh*>(view.Frame.Meshes.AddNew());
  mesh->AddQuad({-0.5, -0.5, 0}, {0.5, -0.5, 0}, {0.5, 0.5, 0}, {-0.5, 0.5, 0}, 0x0000FF);
  mesh->ComputeNormals(false);
  mesh->Specular = TGLColor{0, 0, 0, 1};
  int paints = 0;
  view.OnPaint = [&](TGLViewer&) { ++paints; };
  const QImage shown = view.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  const QRgb centre = shown.pixel(200, 150);
  EXPECT_GT(qRed(centre), 150);
  EXPECT_LT(qGreen(centre), 30);
  // 1000 pixels per unit at distance 1: the unit square at distance 10 is
  // 100 pixels wide.
  int wide = 0;
  for (int x = 0; x < 400; ++x) wide += qRed(shown.pixel(x, 150)) > 100;
  EXPECT_NEAR(wide, 100, 2);
  EXPECT_GE(paints, 1);

  const TBitmap32 big = view.RenderToBitmap(nullptr, 2);
  ASSERT_EQ(big.Width, 800);
  ASSERT_EQ(big.Height, 600);
  EXPECT_NEAR(big.Row(300)[800 * 2 + 2], qRed(centre), 8);
  int bigWide = 0;
  for (int x = 0; x < 800; ++x) bigWide += big.Row(300)[x * 4 + 2] > 100;
  EXPECT_NEAR(bigWide, 200, 3);
  // The window shows the normal view again.
  const QImage after = view.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(after.pixel(200, 150), centre);
  EXPECT_EQ(after.pixel(10, 10), shown.pixel(10, 10));

  view.CopyToClipboard(0.5);
  const QImage copied = QApplication::clipboard()->image();
  EXPECT_EQ(copied.width(), 200);
  EXPECT_EQ(copied.height(), 150);
  EXPECT_GT(qRed(copied.pixel(100, 75)), 150);

  // While disabled, paints draw nothing.
  view.Enabled = false;
  paints = 0;
  view.grabFramebuffer();
  EXPECT_EQ(paints, 0);
}

}  // namespace
}  // namespace lumora
