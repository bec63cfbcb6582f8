#include <gtest/gtest.h>

#include "scene/GLFastMesh.h"
#include "scene/GLMesh.h"
#include "scene/tests/GLFixture.h"

namespace lumora::testing {
namespace {

class RenderTest : public GLFixture {};

TEST_F(RenderTest, FlatQuadCoversItsSquareOnly) {
  TGLBaseFrame frame;
  auto* mesh = static_cast<TGLMesh*>(frame.Meshes.AddNew());
  mesh->AddQuad({-0.5, -0.5, 0}, {0.5, -0.5, 0}, {0.5, 0.5, 0}, {-0.5, 0.5, 0}, 0x0000FF);
  Draw(frame, false);
  EXPECT_EQ(Pixel(PX(0), PY(0)), (TRGBA{255, 0, 0, 255}));
  EXPECT_EQ(Pixel(PX(-0.7), PY(0)), (TRGBA{0, 0, 0, 255}));
  EXPECT_EQ(CountPixels(NotBlack), 100 * 100);
}

}  // namespace
}  // namespace lumora::testing
