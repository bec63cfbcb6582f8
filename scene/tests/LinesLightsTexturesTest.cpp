#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "scene/GLLights.h"
#include "scene/GLLines.h"
#include "scene/GLMesh.h"
#include "scene/GLPoints.h"
#include "scene/GLTexture.h"
#include "scene/ResourceData.h"
#include "scene/tests/GLFixture.h"

namespace lumora {
namespace {

TEST(LineSets, BoundsStartAtTheFirstSegment) {
  TGLLines l;
  EXPECT_EQ(l.GetColor(), 0xFFFFFFu);
  l.AddSegment({5, 6, 7}, {8, 4, 9}, 0x0000FF);
  EXPECT_TRUE(Equal(l.GetMin(), T3DVector{5, 4, 7}));
  EXPECT_TRUE(Equal(l.GetMax(), T3DVector{8, 6, 9}));
  l.AddLine({-1, 10, 8}, {0, 0, 8}, 0x00FF00);
  EXPECT_TRUE(Equal(l.GetMin(), T3DVector{-1, 0, 7}));
  EXPECT_EQ(l.SegmentCount(), 2);
  EXPECT_EQ(l.LineProperties[1].Width, 1);
  EXPECT_EQ(l.LineProperties[1].Factor, 1);
  EXPECT_FALSE(l.LineProperties[1].Stippled);
  EXPECT_EQ(l.GetColor(), 0x0000FFu);
  l.SetColor(0x123456);
  EXPECT_EQ(l.SegmentColors[1], 0x123456u);
  T3DVector a, b;
  l.Segments.GetSegment(1, a, b);
  EXPECT_TRUE(Equal(a, T3DVector{-1, 10, 8}));
  l.ClearGeometry();
  EXPECT_EQ(l.SegmentCount(), 0);
  EXPECT_TRUE(Equal(l.GetMax(), T3DVector{}));

  TGLPoints p;
  EXPECT_EQ(p.GetColor(), 0xFFFFFFu);
  p.AddPoint({3, 3, 3}, 0xFF, 4);
  EXPECT_TRUE(Equal(p.GetMin(), T3DVector{3, 3, 3}));
  EXPECT_TRUE(p.PointProperties[0].Smooth);
  p.SetAllSizes(7);
  EXPECT_EQ(p.PointProperties[0].Size, 7);
}

TEST(LineSets, OptionInvalidatesTheGridOnlyWhenItChanges) {
  TGLLines l;
  l.AddSegment({0, 0, 0}, {1, 1, 1}, 0);
  l.BuildGrid();
  EXPECT_TRUE(l.IndexValid);
  l.SetOption(true);
  EXPECT_TRUE(l.IndexValid);
  l.SetOption(false);
  EXPECT_FALSE(l.IndexValid);
  EXPECT_FALSE(l.Option());

  TGLPoints p;
  p.AddPoint({0, 0, 0}, 0, 1);
  p.BuildGrid();
  p.SetOption(true);
  EXPECT_TRUE(p.IndexValid);
  p.AddPoint({1, 0, 0}, 0, 1);
  EXPECT_FALSE(p.IndexValid);
}

TEST(LineSets, GridSortsSegmentsIntoCellsAndOverflow) {
  TGLLines l;
  l.AddSegment({0, 0, 0}, {0.5, 0.5, 0.5}, 0);  // one cell
  l.AddSegment({0, 0, 0}, {8, 8, 8}, 0);        // corner to corner
  l.AddSegment({7.6, 7.6, 7.6}, {8, 8, 8}, 0);  // the last cell
  l.BuildGrid();
  EXPECT_EQ(l.Grid.Cell(0, 0, 0).Indices, std::vector<int32_t>{0});
  EXPECT_EQ(l.Grid.Cell(7, 7, 7).Indices, std::vector<int32_t>{2});
  EXPECT_EQ(l.Grid.Overflow, std::vector<int32_t>{1});
  // A segment pushed straight into the vector list has no colour or
  // properties: it is left out of the grid rather than read past the end.
  l.Segments.AddSegment({0, 0, 0}, {0.1, 0.1, 0.1});
  l.BuildGrid();
  EXPECT_EQ(l.Grid.Cell(0, 0, 0).Indices, std::vector<int32_t>{0});
}

TEST(LineSets, CombineCopiesSegmentsButListAssignDoesNot) {
  TGLLines a, b;
  a.AddSegmentWidth({0, 0, 0}, {1, 0, 0}, 0xFF, 3);
  a.Blend = true;
  b.AddSegment({5, 5, 5}, {6, 6, 6}, 0);
  EXPECT_TRUE(b.Combine(a));
  EXPECT_EQ(b.SegmentCount(), 1);
  EXPECT_EQ(b.LineProperties[0].Width, 3);
  EXPECT_TRUE(b.Blend);

  TGLPoints pa, pb;
  pa.AddPoint({1, 2, 3}, 0xAB, 5);
  EXPECT_TRUE(pb.Combine(pa));
  EXPECT_EQ(pb.PointColors[0], 0xABu);

  TGLLineList list, copy;
  static_cast<TGLLines*>(list.AddNew())->AddSegment({0, 0, 0}, {1, 1, 1}, 0x0000FF);
  copy.Assign(list);
  ASSERT_EQ(copy.Count(), 1);
  auto* c = static_cast<TGLLines*>(copy[0]);
  EXPECT_EQ(c->SegmentCount(), 0);
  EXPECT_EQ(c->Name(), "Lines-1");
}

TEST(Textures, BitmapRowsBecomeBottomUpRGBA) {
  TBitmap32 b;
  b.Width = 2;
  b.Height = 2;
  b.Data = {10, 20, 30, 0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0};
  TGLObjectTexture t;
  int changes = 0;
  t.OnImageChange = [&](TGLBaseBitmap&) { ++changes; };
  t.LoadFromBitmap(b);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(t.ImageWidth, 2);
  // The top row's first pixel lands in the last row.
  const std::vector<uint8_t> expect = {6, 5, 4, 255, 9, 8, 7, 255, 30, 20, 10, 255, 3, 2, 1, 255};
  EXPECT_EQ(t.Pixels, expect);

  TGLObjectTexture copy;
  copy.TextureMode = 0;
  t.TextureMode = 1;
  t.WrapMode = 5;
  t.SetTexScale({0.5, 2});
  t.TextureEnabled = true;
  copy.ImageUploaded = true;
  copy.Assign(t);
  EXPECT_EQ(copy.Pixels, expect);
  EXPECT_EQ(copy.TextureMode, 1);
  EXPECT_EQ(copy.WrapMode, 5);
  EXPECT_EQ(copy.TexScale().y, 2);
  EXPECT_TRUE(copy.TextureEnabled);
  EXPECT_FALSE(copy.ImageUploaded);
}

TEST(Textures, SettersNotifyOnlyOnChange) {
  TGLObjectTexture t;
  int n = 0;
  t.OnTextureChange = [&](TGLObjectTexture&) { ++n; };
  t.SetTurnAngle(0);
  t.SetTexScale({1, 1});
  EXPECT_EQ(n, 0);
  t.SetTurnAngle(10);
  t.SetTiltAngle(5);
  t.SetPlaneAngle(1);
  t.SetTexOffset({1, 0});
  t.SetMappingType(1);
  EXPECT_EQ(n, 5);
  TGLCubeMap cube;
  cube.CubeUploaded = true;
  cube.SetCubeScale({1, 1, 1});
  EXPECT_TRUE(cube.CubeUploaded);
  cube.SetCubeScale({2, 1, 1});
  EXPECT_FALSE(cube.CubeUploaded);
  cube.CubeUploaded = true;
  TBitmap32 one;
  one.Width = one.Height = 1;
  one.Data = {1, 2, 3, 4};
  cube.Faces[3].LoadFromBitmap(one);
  EXPECT_FALSE(cube.CubeUploaded);
  EXPECT_EQ(TGLObjectTexture::GLWrap(2), uint32_t(GL_REPEAT));
  EXPECT_EQ(TGLObjectTexture::GLWrap(4), uint32_t(GL_CLAMP_TO_BORDER));
}

TEST(Textures, PlanarCoordinatesOfTheDial) {
  TGLMesh dial;
  dial.AddQuad({-4, 0, 4}, {4, 0, 4}, {4, 0, -4}, {-4, 0, -4}, 0xFFFFFF);
  TGLObjectTexture& t = *dial.Texture;
  t.TextureMode = 1;
  t.SetTexScale({0.125, 0.125});
  t.SetTexOffset({0.5, 0.5});
  t.SetTiltAngle(-90);
  dial.BuildTextureCoords();
  ASSERT_EQ(t.TexCoords.Count(), 6);
  // u = x / 8 - 0.5 and v = -z / 8 - 0.5: the image once across the square.
  for (int i = 0; i < 6; ++i) {
    const T3DVector p = dial.GetVertex(i);
    EXPECT_NEAR(t.TexCoords[i].x, p.x * 0.125 - 0.5, 1e-12);
    EXPECT_NEAR(t.TexCoords[i].y, -p.z * 0.125 - 0.5, 1e-12);
  }
  EXPECT_TRUE(t.CoordsValid);
  // A new scale waits for the owner's next invalidation.
  t.SetTexScale({1, 1});
  EXPECT_TRUE(t.CoordsValid);
  EXPECT_NEAR(t.TexCoords[1].x, 0, 1e-12);
  dial.Invalidate();
  EXPECT_FALSE(t.CoordsValid);

  // Turn and plane angles rotate about y and z.
  TGLObjectTexture turned;
  turned.SetTurnAngle(90);
  THuge3DVector v;
  v.Add(T3DVector{1, 0, 0});
  turned.BuildCoords(v);
  EXPECT_NEAR(turned.TexCoords[0].x, 0, 1e-12);  // x turned onto -z
  turned.SetTurnAngle(0);
  turned.SetPlaneAngle(90);
  turned.BuildCoords(v);
  EXPECT_NEAR(turned.TexCoords[0].y, 1, 1e-12);  // x turned onto y
}

TEST(Textures, ProgramBitmaps) {
  TBitmap32 rock, dial;
  ASSERT_TRUE(LoadResourceBitmap("TEXTURE1", rock));
  ASSERT_TRUE(LoadResourceBitmap("BRAMBLE", dial));
  EXPECT_FALSE(LoadResourceBitmap("NOPE", rock));
  EXPECT_EQ(rock.Width, 128);
  EXPECT_EQ(rock.Height, 128);
  EXPECT_EQ(dial.Width, 512);
  EXPECT_EQ(dial.Height, 512);
  // The rock has texture: many grey levels, none of them dominant.
  std::vector<int> histogram(256);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) ++histogram[rock.Row(y)[x * 4 + 2]];
  int levels = 0, most = 0;
  for (int n : histogram) {
    levels += n > 0;
    most = std::max(most, n);
  }
  EXPECT_GT(levels, 100);
  EXPECT_LT(most, 128 * 128 / 10);
  // The dial: white outside the circle, greys inside, light and dark
  // alternating between neighbouring sectors and between the rings.
  auto grey = [&](int x, int y) { return dial.Row(y)[x * 4]; };
  EXPECT_EQ(grey(2, 2), 255);
  EXPECT_EQ(grey(509, 509), 255);
  const int inner = grey(256 + 71, 256 - 71);    // north-east sector, inner ring
  const int outer = grey(256 + 148, 256 - 148);  // same sector, outer ring
  const int nextInner = grey(256 + 100, 256);    // east sector, inner ring
  EXPECT_NE(inner, 255);
  EXPECT_NE(inner, outer);
  EXPECT_NE(inner, nextInner);
  EXPECT_EQ(grey(256, 256), 0);  // the hub
  // "N" at the top rim: black strokes between the rings above the centre.
  int black = 0;
  for (int y = 30; y < 90; ++y)
    for (int x = 236; x < 276; ++x) black += grey(x, y) == 0;
  EXPECT_GT(black, 100);

  TGLObjectTexture t;
  t.LoadFromResource("BRAMBLE");
  EXPECT_EQ(t.Pixels.size(), 512u * 512 * 4);
  EXPECT_THROW(t.LoadFromResource("MISSING"), ETextureError);
}

TEST(Textures, DecoderRejectsBrokenBitmaps) {
  const std::vector<uint8_t> junk(60, 0);
  EXPECT_THROW(DecodeBitmap(junk.data(), junk.size()), ETextureError);
  const TEmbeddedResource& rock = kEmbeddedResources[0];
  std::vector<uint8_t> bytes(rock.Data, rock.Data + rock.Size);
  EXPECT_EQ(DecodeBitmap(bytes.data(), bytes.size()).Width, 128);
  // Pixel data cut short.
  EXPECT_THROW(DecodeBitmap(bytes.data(), bytes.size() - 1), ETextureError);
  // Compressed.
  std::vector<uint8_t> rle = bytes;
  rle[30] = 1;
  EXPECT_THROW(DecodeBitmap(rle.data(), rle.size()), ETextureError);
  // A palette larger than the depth allows.
  std::vector<uint8_t> palette = bytes;
  palette[48] = 1;
  EXPECT_THROW(DecodeBitmap(palette.data(), palette.size()), ETextureError);
}

using testing::GLFixture;

class LightsTest : public GLFixture {
 protected:
  std::vector<float> Light(GLenum light, GLenum what) {
    std::vector<float> v(4);
    glGetLightfv(light, what, v.data());
    return v;
  }
};

TEST_F(LightsTest, TypesPlaceLightsInEyeCoordinates) {
  TGLLightSource& l = lights.Lights(0);
  glMatrixMode(GL_MODELVIEW);
  glTranslated(5, 5, 5);  // ignored: lights are placed under the identity
  l.LightPosition[3] = 0.5f;
  l.ApplyLight();
  EXPECT_EQ(Light(GL_LIGHT0, GL_POSITION), (std::vector<float>{8, 8, 16, 1}));
  EXPECT_EQ(Light(GL_LIGHT0, GL_SPOT_CUTOFF)[0], 180);

  l.LightType = 1;
  l.SpotCutoff = 30;
  l.LightPosition[3] = 0.5f;
  l.ApplyLight();
  EXPECT_EQ(Light(GL_LIGHT0, GL_SPOT_CUTOFF)[0], 30);
  EXPECT_EQ(Light(GL_LIGHT0, GL_POSITION)[3], 0.5f);

  l.LightType = 0;
  l.ApplyLight();
  EXPECT_EQ(Light(GL_LIGHT0, GL_SPOT_CUTOFF)[0], 180);
  EXPECT_EQ(l.SpotCutoff, 30);

  l.LightType = 2;
  l.LightDirection[3] = 1;
  l.ConstantAttenuation = 2;
  l.ApplyLight();
  EXPECT_EQ(Light(GL_LIGHT0, GL_POSITION), (std::vector<float>{0, 0, 1, 0}));
  EXPECT_EQ(Light(GL_LIGHT0, GL_CONSTANT_ATTENUATION)[0], 2);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT0));

  lights.Lights(3).LightEnabled = false;
  glEnable(GL_LIGHT3);
  lights.Lights(3).ApplyLight();
  EXPECT_FALSE(glIsEnabled(GL_LIGHT3));
}

TEST_F(LightsTest, ResetKeepsWhichLightsAreOn) {
  TGLLightSource& l = lights.Lights(0);
  l.LightType = 2;
  l.LightPosition[0] = 1;
  l.Diffuse = TGLColor{0, 0, 0, 0};
  lights.ResetLights();
  EXPECT_TRUE(l.LightEnabled);
  EXPECT_FALSE(lights.Lights(1).LightEnabled);
  EXPECT_EQ(l.LightType, 0);
  EXPECT_EQ(l.LightPosition[0], 8);
  EXPECT_EQ(l.LightPosition[3], 1);
  EXPECT_EQ(l.Diffuse.r, 1);
  EXPECT_EQ(lights.Lights(5).LightId, uint32_t(GL_LIGHT5));
  EXPECT_THROW(lights.Lights(8), std::out_of_range);
}

TEST_F(LightsTest, FogAppliesItsWholeStateButStaysOff) {
  TGLFog fog;
  fog.SetDensity(0.1f);  // unchanged: nothing applied
  GLint mode = 0;
  glGetIntegerv(GL_FOG_MODE, &mode);
  EXPECT_EQ(mode, GL_EXP);  // GL's own default
  fog.SetStart(2);
  glGetIntegerv(GL_FOG_MODE, &mode);
  EXPECT_EQ(mode, GL_EXP2);
  EXPECT_FALSE(glIsEnabled(GL_FOG));
  float colour[4];
  glGetFloatv(GL_FOG_COLOR, colour);
  EXPECT_EQ(colour[0], 1);
  fog.SetEnabled(true);
  EXPECT_TRUE(glIsEnabled(GL_FOG));
  fog.SetMode(0);
  glGetIntegerv(GL_FOG_MODE, &mode);
  EXPECT_EQ(mode, GL_LINEAR);
}

}  // namespace
}  // namespace lumora
