// A surface grid as the scene's textured mesh: its triangles face up and
// its map lies where the calibration puts each node.

#include <gtest/gtest.h>

#include "app/core/GLCave.h"
#include "app/core/SurfaceMesh.h"

namespace lumora {
namespace {

TEST(SurfaceMesh, TrianglesFaceUpAndCornersTakeTheirPixels) {
  TPlotModel model;
  TPassageOptions options;
  // Mirrored (x runs west) and not: both must face up.
  for (const double dx : {10.0, -10.0}) {
    TSurfaceGrid grid;
    grid.Width = 3;
    grid.Height = 2;
    for (uint32_t j = 0; j < 2; ++j)
      for (uint32_t i = 0; i < 3; ++i) {
        grid.Nodes.push_back({dx * i, 10.0 * j, 100.0 + i});
        grid.Pixels.push_back({static_cast<float>(20 * i), static_cast<float>(50 * j)});
      }
    TBitmap32 image;
    image.Width = 40;
    image.Height = 50;
    image.Data.assign(40 * 50 * 4, 0x80);
    TGLMesh mesh;
    BuildSurfaceMesh(grid, model, options, &image, mesh);
    ASSERT_EQ(mesh.TriangleCount(), 4);
    const THuge2DVector& uv = mesh.Texture->TexCoords;
    ASSERT_EQ(uv.Count(), 12);
    for (int t = 0; t < 4; ++t) {
      // Scene y is up.
      EXPECT_GT(mesh.GetFaceNormal(t).y, 0.9) << dx << " " << t;
      for (int k = 0; k < 3; ++k) {
        const T3DVector p = mesh.GetVertex(3 * t + k);
        const double i = p.x / dx, j = -p.z / 10;
        EXPECT_NEAR(p.y, 100 + i, 1e-6);
        EXPECT_NEAR(uv[3 * t + k].x, i / 2, 1e-6);
        EXPECT_NEAR(uv[3 * t + k].y, j, 1e-6);
      }
    }
    EXPECT_TRUE(mesh.Texture->TextureEnabled);
    EXPECT_EQ(mesh.Texture->ImageWidth, 40);
  }
}

}  // namespace
}  // namespace lumora
