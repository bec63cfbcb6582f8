#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>

#include "scene/GLFonts.h"
#include "viewer/OffscreenViewer.h"
#include "viewer/QtGlyphSource.h"

namespace lumora {
namespace {

// The font database needs an application; the offscreen platform needs no
// display.
class GlyphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QGuiApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);
  }
  void TearDown() override {
    SetGlyphSource(nullptr);
    app.reset();
  }
  int argc = 3;
  char name[12] = "test_viewer", option[10] = "-platform", platform[10] = "offscreen";
  char* argv[4] = {name, option, platform, nullptr};
  std::unique_ptr<QGuiApplication> app;
};

int Bits(const TBitmapGlyph& g) {
  int n = 0;
  for (uint8_t b : g.Bits) n += __builtin_popcount(b);
  return n;
}

TEST_F(GlyphTest, SystemFontGivesEmOutlinesAndBaselineBitmaps) {
  TQtGlyphSource source;
  std::vector<TOutlineGlyph> outlines;
  ASSERT_TRUE(source.Outlines(TFontDescription{.Name = "Default"}, outlines));
  ASSERT_EQ(outlines.size(), 256u);
  const auto& a = outlines['A'];
  EXPECT_FALSE(a.Contours.empty());
  EXPECT_GT(a.Metrics[1], 0.5f);  // capital height in ems
  EXPECT_LT(a.Metrics[1], 0.9f);
  EXPECT_NEAR(a.Metrics[3], a.Metrics[1], 0.02f);  // capitals stand on the baseline
  EXPECT_GT(outlines['W'].Metrics[4], outlines['i'].Metrics[4]);
  EXPECT_GT(outlines[' '].Metrics[4], 0.1f);
  EXPECT_TRUE(outlines[' '].Contours.empty());
  EXPECT_GE(outlines['O'].Contours.size(), 2u);  // outer edge and hole
  for (const auto& c : a.Contours)
    for (const T2DVector& p : c) {
      EXPECT_GE(p.y, -0.01);
      EXPECT_LE(p.y, a.Metrics[1] + 0.01);
    }

  std::vector<TBitmapGlyph> bitmaps;
  ASSERT_TRUE(source.Bitmaps(TFontDescription{}, bitmaps));
  const TBitmapGlyph& b = bitmaps['A'];
  EXPECT_GT(b.Width, 4);
  EXPECT_GT(b.Height, 8);
  EXPECT_LE(b.Height, 20);
  EXPECT_GT(Bits(b), 20);
  EXPECT_EQ(b.Bits.size(), static_cast<size_t>((b.Width + 7) / 8 * b.Height));
  // 'A' rests on the baseline (origin near the bottom), 'p' hangs below it.
  EXPECT_LE(b.OriginY, 2);
  EXPECT_GE(bitmaps['p'].OriginY, 3);
  EXPECT_GT(bitmaps[' '].AdvanceX, 0);
  EXPECT_EQ(Bits(bitmaps[' ']), 0);
}

TEST_F(GlyphTest, ViewerDrawsTheBaseStringAndStationLabels) {
  TOffscreenViewer v(300, 200);
  auto* base = static_cast<TGL3DString*>(v.Frame.Strings3D[0]);
  EXPECT_EQ(base->Name(), "BaseString");
  base->SetText("Cave");
  base->Position = T3DVector{0, 0, 0};
  v.Lights.Lights(0).LightEnabled = false;
  v.SceneAmbient = TGLColor{1, 1, 1, 1};
  const TBitmap32 shot = v.Grab();
  EXPECT_TRUE(base->Font.Built);
  // Text about 2.5 ems wide, centred: blue at the middle row, not at the
  // edges of the view.
  EXPECT_GT(base->Width, 1.5);
  EXPECT_LT(base->Width, 3.5);
  int blue = 0;
  for (int y = 0; y < shot.Height; ++y)
    for (int x = 0; x < shot.Width; ++x) {
      const uint8_t* p = shot.Row(y) + 4 * x;
      const bool isBlue = p[0] > 100 && p[1] < 50 && p[2] < 50;
      blue += isBlue;
      if (isBlue) {
        EXPECT_LT(std::abs(x - 150), 5 + base->Width * 100 / 2) << x;
      }
    }
  EXPECT_GT(blue, 1000);

  base->SetText("");
  auto* labels = static_cast<TGL2DString*>(v.Frame.Strings2D.AddNew());
  labels->SetName("Station Labels");
  labels->AddString("A1", {0, 0, 0}, 2);
  const TBitmap32 l = v.Grab();
  int green = 0, top = 1000, bottom = -1, left = 1000;
  for (int y = 0; y < l.Height; ++y)
    for (int x = 0; x < l.Width; ++x) {
      const uint8_t* p = l.Row(y) + 4 * x;
      if (p[1] > 200 && p[0] < 50 && p[2] < 50) {
        ++green;
        top = std::min(top, y), bottom = std::max(bottom, y), left = std::min(left, x);
      }
    }
  EXPECT_GT(green, 20);
  // The anchor (150, 100) is the block's top-left; the baseline lies one
  // font height (16) below it.
  EXPECT_GE(left, 149);
  EXPECT_LE(left, 153);
  EXPECT_GE(top, 101);
  EXPECT_LE(bottom, 116);
  EXPECT_GE(bottom, 114);
}

}  // namespace
}  // namespace lumora
