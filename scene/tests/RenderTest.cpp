#include <gtest/gtest.h>

#include <cmath>

#include "scene/GLFastMesh.h"
#include "scene/GLLines.h"
#include "scene/GLMesh.h"
#include "scene/GLPoints.h"
#include "scene/tests/GLFixture.h"

namespace lumora::testing {
namespace {

class RenderTest : public GLFixture {
 protected:
  template <class Mesh>
  Mesh* Square(TGLFrame& frame, double half, uint32_t colour, double z = 0) {
    TGLObject* o = std::is_same_v<Mesh, TGLMesh> ? frame.Meshes.AddNew() : frame.FastMeshes.AddNew();
    auto* m = static_cast<Mesh*>(o);
    m->AddQuad({-half, -half, z}, {half, -half, z}, {half, half, z}, {-half, half, z}, colour);
    m->RecomputeBounds();
    m->ComputeAllNormals();
    return m;
  }

  // Primitives the scene sends down the pipeline, clipped or not.
  int PrimitivesDrawn(TGLFrame& frame) {
    context->MakeCurrent();
    GLuint q = 0;
    glGenQueries(1, &q);
    glBeginQuery(GL_PRIMITIVES_GENERATED, q);
    Draw(frame, false);
    glEndQuery(GL_PRIMITIVES_GENERATED);
    GLuint n = 0;
    glGetQueryObjectuiv(q, GL_QUERY_RESULT, &n);
    glDeleteQueries(1, &q);
    return static_cast<int>(n);
  }
};

bool Near(const TRGBA& p, const TRGBA& q, int tol = 3) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(p[c] - q[c]) > tol) return false;
  return true;
}

TEST_F(RenderTest, FlatQuadCoversItsSquareOnly) {
  TGLBaseFrame frame;
  Square<TGLMesh>(frame, 0.5, 0x0000FF);
  Draw(frame, false);
  EXPECT_EQ(Pixel(PX(0), PY(0)), (TRGBA{255, 0, 0, 255}));
  EXPECT_EQ(Pixel(PX(-0.7), PY(0)), (TRGBA{0, 0, 0, 255}));
  EXPECT_EQ(CountPixels(NotBlack), 100 * 100);
}

TEST_F(RenderTest, DrawStylesOfBothMeshKinds) {
  for (int kind = 0; kind < 2; ++kind) {
    TGLBaseFrame frame;
    TGLCustomMesh* m = kind == 0 ? static_cast<TGLCustomMesh*>(Square<TGLMesh>(frame, 0.5, 0x00FF00))
                                 : static_cast<TGLCustomMesh*>(Square<TGLFastMesh>(frame, 0.5, 0x00FF00));
    SCOPED_TRACE(kind);
    // Corner colours: red at (-0.5, -0.5), blue at (0.5, 0.5).
    if (kind == 0) {
      m->SetTriangleColors3(0, 0x0000FF, 0x00FF00, 0x00FF00);
      m->SetTriangleColors3(1, 0x00FF00, 0xFF0000, 0x00FF00);
    } else {
      m->SetVertexColor(m->FindVertex({-0.5, -0.5, 0}), 0xFF0000FF);
      m->SetVertexColor(m->FindVertex({0.5, 0.5, 0}), 0xFFFF0000);
    }
    m->SetRenderStyle(2);
    Draw(frame, false);
    const TRGBA nearRed = Pixel(PX(-0.45), PY(-0.45)), nearBlue = Pixel(PX(0.45), PY(0.45));
    EXPECT_GT(nearRed[0], 200);
    EXPECT_GT(nearBlue[2], 200);
    EXPECT_LT(nearBlue[0], 40);
    // At (-0.3, -0.3) the red corner weighs 0.6 and the green ones 0.4.
    const TRGBA middle = Pixel(PX(-0.3), PY(-0.3));
    EXPECT_NEAR(middle[0], 153, 20);
    EXPECT_NEAR(middle[1], 102, 20);

    m->SetRenderStyle(1);
    Draw(frame, false);
    // Flat: one colour per triangle.
    const TRGBA a = Pixel(PX(-0.45), PY(-0.45)), b = Pixel(PX(-0.3), PY(0.2));
    EXPECT_EQ(a, b);
    EXPECT_EQ(CountPixels(NotBlack), 100 * 100);

    m->SetRenderStyle(0);
    Draw(frame, false);
    // Wire frame: the outline and the diagonal x + y = 0, nothing inside.
    EXPECT_EQ(Pixel(PX(-0.25), PY(-0.25)), (TRGBA{0, 0, 0, 255}));
    EXPECT_TRUE(NotBlack(Pixel(PX(-0.25), PY(0.25))));
    const int lit = CountPixels(NotBlack);
    EXPECT_GT(lit, 4 * 95 + 95);
    EXPECT_LT(lit, 4 * 102 + 150);
  }
}

TEST_F(RenderTest, AlphaAndBlendModes) {
  auto pixelWith = [&](auto setup, uint32_t background) {
    TGLBaseFrame frame;
    auto* m = Square<TGLMesh>(frame, 0.5, 0x0000FF);
    setup(*m);
    Draw(frame, false, background);
    return Pixel(PX(0.1), PY(0.2));
  };
  // Alpha blending of 50 % red over white.
  EXPECT_TRUE(Near(pixelWith(
                       [](TGLMesh& m) {
                         m.SetTransparency(50);
                         m.Blend = true;
                         m.AlphaBlend = true;
                       },
                       0xFFFFFF),
                   {255, 128, 128}));
  // Additive by default: 50 % red onto green.
  EXPECT_TRUE(Near(pixelWith(
                       [](TGLMesh& m) {
                         m.SetTransparency(50);
                         m.Blend = true;
                       },
                       0x00FF00),
                   {128, 255, 0}));
  // Opaque without Blend, whatever the transparency fields say.
  EXPECT_TRUE(Near(pixelWith([](TGLMesh& m) { m.TGLRenderer::SetTransparency(50); }, 0x00FF00), {255, 0, 0}));
  // Custom: the minimum of source and destination.
  EXPECT_TRUE(Near(pixelWith(
                       [](TGLMesh& m) {
                         m.SetColor(0xC800FF);  // (255, 0, 200)
                         m.Blend = true;
                         m.CustomBlend = true;
                         m.BlendSrc = GL_ONE;
                         m.BlendDst = GL_ONE;
                         m.BlendEquation = GL_MIN;
                       },
                       0x808080),
                   {128, 0, 128}));
  // Custom: destination minus source.
  EXPECT_TRUE(Near(pixelWith(
                       [](TGLMesh& m) {
                         m.SetColor(0x000040);
                         m.Blend = true;
                         m.CustomBlend = true;
                         m.BlendSrc = GL_ONE;
                         m.BlendDst = GL_ONE;
                         m.BlendEquation = GL_FUNC_REVERSE_SUBTRACT;
                       },
                       0x808080),
                   {64, 128, 128}));
}

TEST_F(RenderTest, BlendingIgnoresDepthUnlessAsked) {
  for (bool keepDepth : {false, true}) {
    TGLBaseFrame frame;
    Square<TGLMesh>(frame, 0.5, 0x00FF00, 1);  // nearer, opaque, drawn first
    auto* behind = Square<TGLMesh>(frame, 0.5, 0x0000FF, 0);
    behind->Blend = true;
    behind->DepthWhenBlending = keepDepth;
    Draw(frame, false);
    const TRGBA p = Pixel(PX(0.1), PY(0.2));
    EXPECT_EQ(p[1], 255);
    if (keepDepth)
      EXPECT_EQ(p[0], 0);
    else
      EXPECT_EQ(p[0], 255);
  }
}

TEST_F(RenderTest, LitAgainstUnlitFace) {
  TGLBaseFrame frame;
  auto* m = static_cast<TGLMesh*>(frame.Meshes.AddNew());
  m->AddQuad({-0.9, -0.4, 0}, {-0.1, -0.4, 0}, {-0.1, 0.4, 0}, {-0.9, 0.4, 0}, 0xFFFFFF);
  m->AddQuad({0.1, -0.4, 0}, {0.9, -0.4, 0}, {0.9, 0.4, 0}, {0.1, 0.4, 0}, 0xFFFFFF);
  m->ComputeNormals(false);
  // The right quad's normal looks away from the light.
  m->SetFaceNormal(2, {0, 0, -1});
  m->SetFaceNormal(3, {0, 0, -1});
  m->Specular = TGLColor{0, 0, 0, 1};
  Draw(frame, true);
  const TRGBA lit = Pixel(PX(-0.5), PY(0)), unlit = Pixel(PX(0.5), PY(0));
  EXPECT_GT(lit[0], 150);
  EXPECT_LT(unlit[0], 60);
  EXPECT_GT(unlit[0], 0);  // the global ambient still reaches it
  // Lighting off draws the plain colour.
  Draw(frame, false);
  EXPECT_EQ(Pixel(PX(0.5), PY(0))[0], 255);
}

TEST_F(RenderTest, TwoSidedLightingAndBackColour) {
  cullFaces = false;
  auto draw = [&](bool twoSided, bool frontBack) {
    TGLBaseFrame frame;
    auto* m = static_cast<TGLMesh*>(frame.Meshes.AddNew());
    // Clockwise as seen: the back faces the camera, the normal looks away.
    m->AddQuad({-0.5, -0.5, 0}, {-0.5, 0.5, 0}, {0.5, 0.5, 0}, {0.5, -0.5, 0}, 0xFFFFFF);
    m->ComputeNormals(false);
    m->Specular = TGLColor{0, 0, 0, 1};
    m->SetTwoSided(twoSided);
    m->SetFrontBackColors(frontBack);
    Draw(frame, true);
    return Pixel(PX(0.1), PY(0.2));
  };
  const TRGBA oneSided = draw(false, false), twoSided = draw(true, false), coloured = draw(true, true);
  EXPECT_LT(oneSided[0], 60);
  EXPECT_GT(twoSided[0], 150);
  // The back colour (blue) is the material of the side we see.
  EXPECT_GT(coloured[2], 150);
  EXPECT_LT(coloured[0], 40);
  EXPECT_LT(coloured[1], 40);
  // With culling on, the back face is not drawn at all.
  cullFaces = true;
  EXPECT_EQ(draw(true, true), (TRGBA{0, 0, 0, 255}));
}

TEST_F(RenderTest, LineWidthAndStipple) {
  auto column = [&](int x) {
    int n = 0;
    for (int y = 0; y < kHeight; ++y) n += NotBlack(Pixel(x, y));
    return n;
  };
  TGLBaseFrame frame;
  auto* lines = static_cast<TGLLines*>(frame.Lines.AddNew());
  lines->AddSegmentWidth({-0.8, 0.5, 0}, {0.8, 0.5, 0}, 0xFFFFFF, 1);
  lines->AddSegmentWidth({-0.8, -0.5, 0}, {0.8, -0.5, 0}, 0xFFFFFF, 5);
  TLineProperties dashed{1, true, 0x00FF, 2};
  lines->AddSegmentEx({-0.8, 0, 0}, {0.8, 0, 0}, 0x00FFFF, dashed);
  Draw(frame, true);
  EXPECT_EQ(column(PX(-0.75)), 1 + 5 + 1);
  // The stippled line alternates runs of 16 lit and 16 dark pixels.
  int lit = 0, switches = 0;
  bool last = NotBlack(Pixel(PX(-0.8), PY(0)));
  for (int x = PX(-0.8); x < PX(0.8); ++x) {
    const bool on = NotBlack(Pixel(x, PY(0)));
    lit += on;
    switches += on != last;
    last = on;
  }
  EXPECT_NEAR(lit, 80, 4);
  EXPECT_GE(switches, 8);
  // Lines ignore lighting: the colour is exact.
  EXPECT_EQ(Pixel(PX(-0.79), PY(0.5)), (TRGBA{255, 255, 255, 255}));
  int yellow = 0;
  for (int x = 0; x < kWidth; ++x) yellow += Pixel(x, PY(0)) == TRGBA{255, 255, 0, 255};
  EXPECT_EQ(yellow, lit);
}

TEST_F(RenderTest, PointSizeAndSmoothing) {
  TGLBaseFrame frame;
  auto* points = static_cast<TGLPoints*>(frame.Points.AddNew());
  points->AddPointEx({0, 0, 0}, 0xFFFFFF, TPointProperties{9, false});
  Draw(frame, false);
  EXPECT_EQ(CountPixels(NotBlack), 81);
  points->SetAllSizes(3);
  Draw(frame, false);
  EXPECT_EQ(CountPixels(NotBlack), 9);

  TGLBaseFrame round;
  auto* smooth = static_cast<TGLPoints*>(round.Points.AddNew());
  smooth->AddPoint({0, 0, 0}, 0xFFFFFF, 12);
  Draw(round, false);
  const int n = CountPixels(NotBlack);
  EXPECT_LT(n, 144);
  EXPECT_GT(n, 80);
  EXPECT_EQ(smooth->GetColor(), 0xFFFFFFu);
}

TEST_F(RenderTest, OctreeLeavesOutHiddenCellsButDrawsTheOverflow) {
  TGLBaseFrame frame;
  auto* m = static_cast<TGLMesh*>(frame.Meshes.AddNew());
  // Cells are 9.5 units wide and high: each small triangle lies in one.
  m->AddTriangle3({0.1, 0.1, 0}, {0.5, 0.1, 0}, {0.3, 0.5, 0}, 0x0000FF);  // in view
  m->AddTriangle3({35, 2, 0}, {36, 2, 0}, {35, 3, 0}, 0x0000FF);           // far right
  m->AddTriangle3({-36, 2, 0}, {-35, 2, 0}, {-35, 3, 0}, 0x0000FF);        // far left
  m->AddTriangle3({-38, -38, -1}, {38, -38, -1}, {0, 38, -1}, 0x00FF00);   // spans cells
  m->RecomputeBounds();
  EXPECT_EQ(PrimitivesDrawn(frame), 2);
  EXPECT_EQ(Pixel(PX(0.3), PY(0.2)), (TRGBA{255, 0, 0, 255}));
  // The overflow triangle's vertices all lie outside the view; it is drawn.
  EXPECT_EQ(Pixel(PX(0.6), PY(-0.6)), (TRGBA{0, 255, 0, 255}));
  // Turned away, the small central triangle's cell is gone too.
  m->Position = T3DVector{0, 5, 0};
  EXPECT_EQ(PrimitivesDrawn(frame), 1);

  // A fast mesh in the smooth style draws everything.
  TGLBaseFrame fast;
  auto* f = static_cast<TGLFastMesh*>(fast.FastMeshes.AddNew());
  for (int t = 0; t < m->TriangleCount(); ++t) f->AddTriangle(m->GetTriangle(t), 0xFF00FF00);
  EXPECT_EQ(PrimitivesDrawn(fast), 4);
  f->SetRenderStyle(1);
  EXPECT_EQ(PrimitivesDrawn(fast), 2);
}

TEST_F(RenderTest, LinesAcrossCellsAreAlwaysDrawn) {
  TGLBaseFrame frame;
  auto* lines = static_cast<TGLLines*>(frame.Lines.AddNew());
  lines->AddSegment({-40, -40, 0}, {-39, -40, 0}, 0xFFFFFF);
  lines->AddSegment({40, 40, 0}, {39, 40, 0}, 0xFFFFFF);
  lines->AddSegment({-40, 0.5, 0}, {40, 0.5, 0}, 0xFFFFFF);  // crosses every cell column
  EXPECT_EQ(PrimitivesDrawn(frame), 1);
  EXPECT_TRUE(NotBlack(Pixel(PX(0), PY(0.5))));
}

TEST_F(RenderTest, AStrideDrawsEverySoManySegmentsOnly) {
  TGLBaseFrame frame;
  auto* lines = static_cast<TGLLines*>(frame.Lines.AddNew());
  for (int i = 0; i < 6; ++i) lines->AddSegment({-0.5, 0.1 * i - 0.3, 0}, {0.5, 0.1 * i - 0.3, 0}, 0xFFFFFF);
  lines->Stride = 3;
  Draw(frame, false);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(NotBlack(Pixel(PX(0), PY(0.1 * i - 0.3))), i % 3 == 0) << "segment " << i;
}

TEST_F(RenderTest, PlanarTextureOnAKnownQuad) {
  TBitmap32 image;
  image.Width = image.Height = 2;
  // Top row red, green; bottom row blue, white (blue, green, red, x).
  image.Data = {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
  for (double offset : {-0.5, 0.5}) {
    TGLBaseFrame frame;
    auto* m = Square<TGLMesh>(frame, 0.8, 0xFFFFFF);
    TGLObjectTexture& t = *m->Texture;
    t.LoadFromBitmap(image);
    t.TextureMode = 1;
    t.SetTexScale({0.625, 0.625});
    t.SetTexOffset({offset, offset});  // 0.5 samples [-1, 0]: repeats the same
    t.TextureEnabled = true;
    Draw(frame, false);
    SCOPED_TRACE(offset);
    EXPECT_TRUE(Near(Pixel(PX(-0.4), PY(0.4)), {255, 0, 0}, 8));
    EXPECT_TRUE(Near(Pixel(PX(0.4), PY(0.4)), {0, 255, 0}, 8));
    EXPECT_TRUE(Near(Pixel(PX(-0.4), PY(-0.4)), {0, 0, 255}, 8));
    EXPECT_TRUE(Near(Pixel(PX(0.4), PY(-0.4)), {255, 255, 255}, 8));
    EXPECT_TRUE(t.ImageUploaded);
    EXPECT_TRUE(t.CoordsValid);
  }
}

TEST_F(RenderTest, CubeMapTexturesTheWalls) {
  TGLBaseFrame frame;
  auto* m = Square<TGLFastMesh>(frame, 0.8, 0xFFFFFFFF);
  Draw(frame, false);
  EXPECT_EQ(Pixel(PX(-0.3), PY(0.1)), Pixel(PX(0.2), PY(-0.3)));
  TGLObjectTexture& t = *m->Texture;
  t.LoadFromResource("TEXTURE1");
  t.TextureMode = 2;
  t.CubeMap->SetCubeScale(Subtract(m->GetMax(), m->GetMin()));
  for (TGLBaseBitmap& face : t.CubeMap->Faces) face.LoadFromResource("TEXTURE1");
  t.TextureEnabled = true;
  Draw(frame, false);
  EXPECT_TRUE(t.CubeMap->CubeUploaded);
  // The rock pattern varies across the quad.
  int distinct = 0;
  TRGBA last = Pixel(PX(-0.7), PY(0));
  for (int x = PX(-0.7); x < PX(0.7); x += 5) {
    distinct += Pixel(x, PY(0)) != last;
    last = Pixel(x, PY(0));
  }
  EXPECT_GT(distinct, 10);
  // Switching the texture off restores the plain colour.
  t.TextureEnabled = false;
  Draw(frame, false);
  EXPECT_EQ(Pixel(PX(0), PY(0)), (TRGBA{255, 255, 255, 255}));
}

TEST_F(RenderTest, CountsOutOfStepDrawOnlyCompleteTriangles) {
  TGLBaseFrame frame;
  auto* m = Square<TGLMesh>(frame, 0.5, 0x0000FF);
  m->SetRenderStyle(2);
  m->SetVertexCount(3);  // the second triangle loses its vertices
  EXPECT_EQ(m->VertexNormals.Count(), 3);
  EXPECT_EQ(m->ColorCount(), 2);
  m->SetVertexCount(9);  // three zero vertices with zero normals
  EXPECT_EQ(m->VertexNormals.Count(), 9);
  m->SetVertexCount(3);
  m->RecomputeBounds();
  EXPECT_NO_THROW(Draw(frame, false));
  EXPECT_EQ(Pixel(PX(-0.4), PY(-0.4)), (TRGBA{255, 0, 0, 255}));
  EXPECT_EQ(Pixel(PX(0.4), PY(0.4)), (TRGBA{0, 0, 0, 255}));
}

TEST_F(RenderTest, MatricesAreCapturedForHiddenObjectsToo) {
  TGLBaseFrame frame;
  auto* child = static_cast<TGLFrame*>(frame.Frames.AddNew());
  child->Position = T3DVector{1, 0, 0};
  auto* m = static_cast<TGLMesh*>(child->Meshes.AddNew());
  m->Position = T3DVector{0, 2, 0};
  m->SetOrientationAngles(10, 20, 30);
  m->RotationCentre = T3DVector{0.5, 0.5, 0};
  m->Scale = T3DVector{2, 2, 2};
  m->Visible = false;
  Draw(frame, false);
  // The parent is the camera and the frame's translation.
  EXPECT_NEAR(m->ParentMatrix[12], 1, 1e-9);
  EXPECT_NEAR(m->ParentMatrix[14], -10, 1e-9);
  // GL's transform equals the one computed without GL.
  TGLObject copy;
  copy.Assign(*m);
  copy.RefreshMatrices();
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(copy.ObjectMatrix[i], m->ObjectMatrix[i], 1e-6) << i;
  // The stacks are balanced after the pass.
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
}

}  // namespace
}  // namespace lumora::testing
