#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "scene/GLFonts.h"
#include "scene/tests/GLFixture.h"

namespace lumora::testing {
namespace {

// Glyphs of known shape: every printable code is a box on the baseline,
// 'O' a box with a square hole; 'W' advances twice as far as the others.
class TBoxGlyphs : public TGlyphSource {
 public:
  bool Outlines(const TFontDescription&, std::vector<TOutlineGlyph>& glyphs) override {
    ++outlineBuilds;
    glyphs.assign(256, {});
    for (int c = 0; c < 256; ++c) {
      TOutlineGlyph& g = glyphs[c];
      const float advance = c == 'W' ? 1.0f : c == '\n' ? 0.25f : 0.5f;
      g.Metrics = {0.4f, 0.7f, 0.05f, 0.7f, advance, 0};
      if (c <= 32) continue;
      g.Contours.push_back({{0.05, 0}, {0.45, 0}, {0.45, 0.7}, {0.05, 0.7}});
      if (c == 'O') g.Contours.push_back({{0.15, 0.2}, {0.15, 0.5}, {0.35, 0.5}, {0.35, 0.2}});
    }
    return true;
  }
  bool Bitmaps(const TFontDescription&, std::vector<TBitmapGlyph>& glyphs) override {
    ++bitmapBuilds;
    glyphs.assign(256, {});
    for (int c = 0; c < 256; ++c) {
      glyphs[c].AdvanceX = 10;
      if (c <= 32) continue;
      glyphs[c].Width = 8;
      glyphs[c].Height = 10;
      glyphs[c].Bits.assign(10, 0xFF);
    }
    return true;
  }
  int outlineBuilds = 0, bitmapBuilds = 0;
};

class TextTest : public GLFixture {
 protected:
  void SetUp() override {
    GLFixture::SetUp();
    SetGlyphSource(glyphs);
  }
  void TearDown() override {
    SetGlyphSource(nullptr);
    GLFixture::TearDown();
  }
  TGL2DString* Labels(TGLFrame& frame) { return static_cast<TGL2DString*>(frame.Strings2D.AddNew()); }
  TGL3DString* String(TGLFrame& frame) { return static_cast<TGL3DString*>(frame.Strings3D.AddNew()); }

  std::shared_ptr<TBoxGlyphs> glyphs = std::make_shared<TBoxGlyphs>();
};

bool Green(const TRGBA& p) { return p[0] == 0 && p[1] == 255 && p[2] == 0; }
bool Blue(const TRGBA& p) { return p[0] < 30 && p[1] < 30 && p[2] > 200; }
const TRGBA kBlack{0, 0, 0, 255};

TEST(TextLines, SplitAtCrLfAndCrLf) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("ab\n"), (std::vector<std::string>{"ab"}));
  EXPECT_EQ(SplitLines("\n\n"), (std::vector<std::string>{"", ""}));
  EXPECT_TRUE(SplitLines("").empty());
  EXPECT_EQ(SplitLines("\n\rx"), (std::vector<std::string>{"", "", "x"}));
}

TEST_F(TextTest, WindowLabelsHangBelowTheirAnchorInTheFontColour) {
  TGLBaseFrame frame;
  TGL2DString* s = Labels(frame);
  EXPECT_EQ(s->Name(), "String3D-1");
  EXPECT_EQ(s->AddString("AB\nC", {20, 30, 0}, 0), 0);
  EXPECT_EQ(s->Strings(0), "AB\nC");
  s->SetFrontColor(0x0000FF);  // renderer colours do not apply
  Draw(frame);
  // Baseline of line i at 30 + 16 (i + 1): glyph rows 36..45 and 52..61.
  EXPECT_TRUE(Green(Pixel(20, 36)));
  EXPECT_TRUE(Green(Pixel(27, 45)));
  EXPECT_TRUE(Green(Pixel(30, 40)));
  EXPECT_EQ(Pixel(28, 40), kBlack);
  EXPECT_EQ(Pixel(23, 46), kBlack);
  EXPECT_EQ(Pixel(23, 35), kBlack);
  EXPECT_TRUE(Green(Pixel(20, 52)));
  EXPECT_TRUE(Green(Pixel(27, 61)));
  EXPECT_EQ(Pixel(33, 56), kBlack);
  EXPECT_EQ(CountPixels(Green), 3 * 80);
  EXPECT_EQ(CountPixels(NotBlack), 3 * 80);
  EXPECT_EQ(s->Viewport[2], kWidth);
}

TEST_F(TextTest, SceneLabelsHangBelowTheProjectedPointInBothModes) {
  for (uint8_t mode : {1, 2}) {
    SCOPED_TRACE(mode);
    TGLBaseFrame frame;
    TGL2DString* s = Labels(frame);
    s->AddString("A\nA", {0.3, -0.2, 0}, mode);  // window (130, 120)
    s->AddString("A", {1.5, 0, 0}, mode);        // right of the view
    Draw(frame);
    EXPECT_TRUE(Green(Pixel(130, 126)));
    EXPECT_TRUE(Green(Pixel(137, 135)));
    EXPECT_EQ(Pixel(130, 125), kBlack);
    EXPECT_EQ(Pixel(138, 130), kBlack);
    EXPECT_TRUE(Green(Pixel(130, 142)));
    EXPECT_TRUE(Green(Pixel(137, 151)));
    EXPECT_EQ(CountPixels(Green), 2 * 80);
    // The object's own transform moves the anchor.
    s->Position = T3DVector{-0.5, 0.5, 0};
    Draw(frame);
    EXPECT_TRUE(Green(Pixel(80, 76)));
    EXPECT_EQ(CountPixels(Green), 2 * 80);
  }
}

TEST_F(TextTest, SceneLabelsWhoseLineLeavesTheViewAreDroppedInMode2Only) {
  TGLBaseFrame frame;
  TGL2DString* s = Labels(frame);
  s->AddString("A", {0, -0.9, 0}, 2);  // baseline at row 206, below the view
  s->AddString("A", {0, -0.9, 0}, 1);  // clipped on the raster position too
  s->AddString("A", {0, 0, 20}, 2);    // behind the eye
  s->AddString("A", {0, 0, 20}, 1);
  Draw(frame);
  EXPECT_EQ(CountPixels(NotBlack), 0);
}

TEST_F(TextTest, GlyphsAreRebuiltOnlyWhenTheFontChanges) {
  TGLBaseFrame frame;
  TGL2DString* s = Labels(frame);
  s->AddString("A", {10, 10, 0}, 0);
  int changes = 0;
  s->OnChange = [&](TGLObject&) { ++changes; };
  Draw(frame);
  Draw(frame);
  EXPECT_EQ(glyphs->bitmapBuilds, 1);
  EXPECT_TRUE(s->Built());
  EXPECT_EQ(changes, 1);
  TFontDescription f = s->Font();
  EXPECT_EQ(f.Name, "Arial");
  EXPECT_EQ(f.Height, 16);
  EXPECT_TRUE(f.Bold);
  f.Color = 0xFF0000;
  f.Height = -20;
  s->SetFont(f);
  EXPECT_FALSE(s->Built());
  Draw(frame);
  EXPECT_EQ(glyphs->bitmapBuilds, 2);
  EXPECT_TRUE(Blue(Pixel(12, 25)));  // baseline 20 lower
  EXPECT_EQ(Pixel(12, 19), kBlack);

  // No glyphs at all: nothing drawn, nothing fails.
  SetGlyphSource(nullptr);
  s->SetFont(TFontDescription{});
  EXPECT_NO_THROW(Draw(frame));
  EXPECT_FALSE(s->Built());
  EXPECT_EQ(CountPixels(NotBlack), 0);
  s->ClearStrings();
  EXPECT_EQ(s->StringCount(), 0);
}

// Glyphs with patterns, overhangs and fractional metrics.
class TPatternGlyphs : public TGlyphSource {
 public:
  bool Outlines(const TFontDescription&, std::vector<TOutlineGlyph>&) override { return false; }
  bool Bitmaps(const TFontDescription&, std::vector<TBitmapGlyph>& glyphs) override {
    glyphs.assign(256, {});
    for (int c = 33; c < 127; ++c) {
      TBitmapGlyph& g = glyphs[c];
      g.Width = 5 + c % 7;
      g.Height = 6 + c % 5;
      g.OriginX = (c % 3) * 0.75f - 0.5f;
      g.OriginY = static_cast<float>(c % 4);
      g.AdvanceX = 6.5f + (c % 2) * 0.25f;
      const int stride = (g.Width + 7) / 8;
      g.Bits.assign(static_cast<size_t>(stride) * g.Height, 0);
      for (int r = 0; r < g.Height; ++r)
        for (int x = 0; x < g.Width; ++x)
          if ((x * 3 + r * c) % 5 < 2) g.Bits[static_cast<size_t>(r) * stride + x / 8] |= 0x80 >> (x % 8);
    }
    return true;
  }
};

TEST_F(TextTest, LabelsDrawThePixelsOfTheirBitmapLists) {
  SetGlyphSource(std::make_shared<TPatternGlyphs>());
  TGLBaseFrame frame;
  TGL2DString* s = Labels(frame);
  const struct {
    const char* text;
    double x, y;
  } labels[] = {{"Hello, cave!", 20.25, 30.5}, {"A7\nzz", 101.6, 50.1}, {"x", 3, 180}, {"edge", 190.7, 7.2}};
  for (const auto& l : labels) s->AddString(l.text, {l.x, l.y, 0}, 0);
  Draw(frame);
  const std::vector<uint8_t> quads = pixels;
  EXPECT_GT(CountPixels(Green), 100);

  // The same labels through the glyph lists, as window drawing places them.
  context->MakeCurrent();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluOrtho2D(0, kWidth, kHeight, 0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_LIGHTING);
  glColor3f(0, 1, 0);
  glListBase(s->ListBase());
  for (const auto& l : labels) {
    const std::vector<std::string> lines = SplitLines(l.text);
    for (size_t i = 0; i < lines.size(); ++i) {
      glRasterPos3d(l.x, l.y + 16.0 * (i + 1), 0);
      glCallLists(static_cast<GLsizei>(lines[i].size()), GL_UNSIGNED_BYTE, lines[i].data());
    }
  }
  glFinish();
  EXPECT_TRUE(quads == context->ReadPixels());
}

TEST_F(TextTest, LabelListsNameItemsAndCopyFontsButNotLabels) {
  TGLBaseFrame frame, copy;
  TGL2DString* a = Labels(frame);
  Labels(frame);
  EXPECT_EQ(frame.Strings2D[1]->Name(), "String3D-2");
  TFontDescription f;
  f.Name = "Courier";
  a->SetFont(f);
  a->AddString("x", {}, 0);
  a->Position = T3DVector{1, 2, 3};
  copy.Assign(frame);
  ASSERT_EQ(copy.Strings2D.Count(), 2);
  auto* c = static_cast<TGL2DString*>(copy.Strings2D[0]);
  EXPECT_EQ(c->Font().Name, "Courier");
  EXPECT_EQ(c->StringCount(), 0);
  EXPECT_EQ(c->Position.z, 3);
  EXPECT_EQ(c->Name(), a->Name());
  EXPECT_EQ(copy.AllObjects.Count(), 2);
}

TEST_F(TextTest, StringLayoutStacksLinesAndAlignsEachByItsWidth) {
  context->MakeCurrent();
  TGL3DString s;
  EXPECT_EQ(s.Alignment, 2);
  EXPECT_TRUE(s.MultiLine());
  EXPECT_EQ(s.LineSpacing(), 0.1);
  EXPECT_EQ(s.GetColor(), 0xFF0000u);
  s.SetText("ABC\nW");
  s.Layout();
  EXPECT_TRUE(s.Font.Built);
  EXPECT_NEAR(s.LineHeight, 0.7, 1e-6);
  EXPECT_NEAR(s.Height, 2 * 0.7 + 0.1, 1e-6);
  EXPECT_NEAR(s.Width, 1.5, 1e-6);
  EXPECT_NEAR(s.MaxCorner.z, -0.2, 1e-12);
  EXPECT_TRUE(Equal(s.MinCorner, T3DVector{}));
  EXPECT_EQ(s.TextWidth(""), 0);
  struct {
    uint8_t alignment;
    double x0, x1;
  } cases[] = {{0, 0, 0}, {1, -1.5, -1.0}, {2, -0.75, -0.5}};
  for (const auto& c : cases) {
    s.Alignment = c.alignment;
    const T2DVector l0 = s.LineOffset(0, "ABC"), l1 = s.LineOffset(1, "W");
    EXPECT_NEAR(l0.x, c.x0, 1e-6);
    EXPECT_NEAR(l1.x, c.x1, 1e-6);
    // First baseline at height/2 - LineHeight, the next one LineHeight +
    // LineSpacing lower.
    EXPECT_NEAR(l0.y, 0.75 - 0.7, 1e-6);
    EXPECT_NEAR(l0.y - l1.y, 0.8, 1e-6);
  }
  s.SetMultiLine(false);
  s.Layout();
  EXPECT_NEAR(s.Height, 0.7, 1e-6);
  EXPECT_NEAR(s.Width, 1.5 + 0.25 + 1.0, 1e-6);  // the LF counts as a glyph
  EXPECT_EQ(glyphs->outlineBuilds, 1);
}

TEST_F(TextTest, SolidStringsDrawInTheFontColourWithHolesAndBacks) {
  TGLBaseFrame frame;
  TGL3DString* s = String(frame);
  EXPECT_EQ(s->Name(), "String3D-1");
  s->SetText("A");
  Draw(frame, false);
  // One glyph box, centred: x -0.2 .. 0.2, y -0.35 .. 0.35.
  EXPECT_TRUE(Blue(Pixel(PX(0), PY(0))));
  EXPECT_TRUE(Blue(Pixel(PX(-0.18), PY(0.33))));
  EXPECT_EQ(Pixel(PX(0.25), PY(0)), kBlack);
  EXPECT_EQ(Pixel(PX(0), PY(0.4)), kBlack);
  EXPECT_NEAR(CountPixels(NotBlack), 40 * 70, 150);

  s->SetColor(0x00FF00);
  EXPECT_EQ(s->GetColor(), 0x00FF00u);
  EXPECT_EQ(s->Font.Font.Color, 0x00FF00u);
  s->SetText("O");
  Draw(frame, false);
  EXPECT_TRUE(Green(Pixel(PX(-0.15), PY(0))));
  EXPECT_EQ(Pixel(PX(0), PY(0)), kBlack);  // the hole

  // Turned round, the back face shows, culling on.
  s->SetText("A");
  s->SetOrientationAngles(0, 180, 0);
  Draw(frame, false);
  EXPECT_TRUE(Green(Pixel(PX(0), PY(0))));
  // Lit, the front faces the light.
  s->SetOrientationAngles(0, 0, 0);
  Draw(frame, true);
  EXPECT_GT(Pixel(PX(0), PY(0))[1], 100);

  // Wire frame: outlines only.
  s->SetRenderStyle(0);
  Draw(frame, false);
  EXPECT_EQ(Pixel(PX(0), PY(0)), kBlack);
  const int outline = CountPixels(NotBlack);
  EXPECT_GT(outline, 40 + 70);
  EXPECT_LT(outline, 8 * (40 + 70));

  // An empty text draws nothing and keeps its size.
  const T3DVector size = s->Size;
  s->SetText("");
  Draw(frame, false);
  EXPECT_EQ(CountPixels(NotBlack), 0);
  EXPECT_TRUE(Equal(s->Size, size));
}

TEST_F(TextTest, StringCopiesKeepTextFontAndColour) {
  TGLBaseFrame frame;
  TGL3DString* s = String(frame);
  int changes = 0;
  frame.OnChange = [&](TGLObject&) { ++changes; };
  s->SetText("Cave");
  s->SetText("Cave");
  EXPECT_EQ(changes, 1);
  s->SetLineSpacing(0.3);
  s->SetMultiLine(false);
  s->Alignment = 1;
  s->Font.Extrusion = 0.5;
  s->Font.Font.Name = "Default";
  s->SetColor(0x123456);
  s->SetRenderStyle(1);
  EXPECT_EQ(changes, 4);

  TGL3DString made(*s);
  EXPECT_EQ(made.Text(), "Cave");
  EXPECT_EQ(made.Alignment, 1);
  EXPECT_EQ(made.LineSpacing(), 0.3);
  EXPECT_FALSE(made.MultiLine());
  EXPECT_EQ(made.RenderStyle(), 1);
  EXPECT_EQ(made.Font.Extrusion, 0.5);
  EXPECT_FALSE(made.Font.Built);

  TGLBaseFrame copy;
  copy.Assign(frame);
  ASSERT_EQ(copy.Strings3D.Count(), 1);
  auto* c = static_cast<TGL3DString*>(copy.Strings3D[0]);
  EXPECT_EQ(c->Text(), "Cave");
  EXPECT_EQ(c->GetColor(), 0x123456u);
  EXPECT_EQ(c->Font.Font.Name, "Default");
  EXPECT_EQ(c->LineSpacing(), 0.3);
  EXPECT_EQ(c->Name(), "String3D-1");
  c->Clear();
  EXPECT_EQ(c->Text(), "");
}

// Labels at points, thinned: the nearest first, none over another, and
// every glyph of the ones kept on the screen.
TEST_F(TextTest, ThinnedLabelsNeverOverlapAndTheNearestIsKept) {
  TGLBaseFrame frame;
  TGL2DString* s = Labels(frame);
  uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / double(1 << 24);
  };
  T3DVector nearest{0, 0, -1e9};
  for (int i = 0; i < 150; ++i) {
    const T3DVector p{next() * 1.2 - 0.6, next() * 1.2 - 0.6, next() * 6 - 3};
    if (p.z > nearest.z) nearest = p;
    s->AddString("AB", p, 2);
  }
  auto overlapping = [&] {
    int n = 0;
    const auto& b = s->DrawnBoxes;
    for (size_t i = 0; i < b.size(); ++i)
      for (size_t j = i + 1; j < b.size(); ++j)
        n += b[i][0] < b[j][2] && b[j][0] < b[i][2] && b[i][1] < b[j][3] && b[j][1] < b[i][3];
    return n;
  };

  Draw(frame);
  EXPECT_EQ(s->DrawnBoxes.size(), 150u);
  EXPECT_GT(overlapping(), 0);

  s->HideOverlapping = true;
  Draw(frame);
  const size_t kept = s->DrawnBoxes.size();
  EXPECT_GT(kept, 5u);
  EXPECT_LT(kept, 150u);
  EXPECT_EQ(overlapping(), 0);
  // The first drawn is the nearest label, at its projected point.
  ASSERT_GT(kept, 0u);
  EXPECT_NEAR(s->DrawnBoxes[0][0], kWidth / 2 + 1000 * nearest.x / (10 - nearest.z), 1e-6);
  EXPECT_EQ(CountPixels(Green), static_cast<int>(kept) * 2 * 80);

  // A more important label wins over nearer ones: the farthest, ranked
  // first, is drawn first and kept.
  T3DVector farthest{0, 0, 1e9};
  std::vector<std::pair<std::string, T3DVector>> all;
  for (int i = 0; i < s->StringCount(); ++i) {
    all.push_back({s->Strings(i), s->StringInfo(i).Position});
    if (all.back().second.z < farthest.z) farthest = all.back().second;
  }
  s->ClearStrings();
  for (const auto& [text, p] : all) s->AddString(text, p, 2, p.z == farthest.z ? 0 : 3);
  Draw(frame);
  ASSERT_FALSE(s->DrawnBoxes.empty());
  EXPECT_NEAR(s->DrawnBoxes[0][0], kWidth / 2 + 1000 * farthest.x / (10 - farthest.z), 1e-6);
  EXPECT_EQ(overlapping(), 0);
}

// Labels at points, placed and thinned as a plain projection through GLU
// and a greedy pass over every line in order would place them: walks of
// neighbouring stations, some beside or behind the eye, several ranks,
// lines of several labels and labels at one point.
TEST_F(TextTest, PlacedLabelsAreThoseOfAPlainProjectionAndGreedyThinning) {
  struct TCase {
    int Walks, Steps;
    double Spread, Near, Far;  // across, and the z the walks start between
    int Ranks;
    bool Thinned;
  } cases[] = {
      {200, 200, 6, -3, 3, 3, true}, {300, 200, 6, -3, 3, 3, false},      {100, 300, 3, -5, 15, 2, true},
      {20, 25, 1.5, -1, 1, 1, true}, {300, 200, 1.6, -0.5, 0.5, 2, true}, {100, 700, 2, -2, 2, 1, true},
  };
  std::mt19937 random(5);
  for (const TCase& c : cases) {
    TGLBaseFrame frame;
    TGL2DString* s = Labels(frame);
    s->HideOverlapping = c.Thinned;
    std::vector<uint8_t> ranks;
    std::uniform_real_distribution<double> start(-c.Spread / 2, c.Spread / 2), depth(c.Near, c.Far), step(-0.01, 0.01);
    for (int w = 0; w < c.Walks; ++w) {
      T3DVector p{start(random), start(random), depth(random)};
      for (int i = 0; i < c.Steps; ++i) {
        if (random() % 5) p = {p.x + step(random), p.y + step(random), p.z + step(random)};
        const int kind = static_cast<int>(random() % 40);
        const std::string text = kind == 0   ? ""
                                 : kind == 1 ? "AB\n\nC"
                                 : kind == 2 ? "W\r\nAAA"
                                             : std::string(1 + kind % 5, 'A');
        ranks.push_back(static_cast<uint8_t>(random() % c.Ranks));
        s->AddString(text, p, 2, ranks.back());
      }
    }
    Draw(frame);

    const double h = s->Font().Height;
    std::vector<TLabelSpot> spots;
    for (int i = 0; i < s->StringCount(); ++i) {
      const T3DVector p = s->StringInfo(i).Position;
      double x, y, z;
      // The eye is at z = 10, looking down z.
      if (!(p.z < 10) ||
          !gluProject(p.x, p.y, p.z, s->ModelviewMatrix.m, s->ProjectionMatrix.m, s->Viewport, &x, &y, &z))
        continue;
      if (!(x >= 0 && x <= kWidth && z >= 0 && z <= 1)) continue;
      ForEachLine(s->Strings(i), [&](size_t k, std::string_view line) {
        const double by = y - h * static_cast<double>(k + 1);
        if (by >= 0 && by <= kHeight) spots.push_back({x, by, 10.0 * line.size(), z, ranks[i]});
      });
    }
    std::vector<uint32_t> order(spots.size()), kept;
    std::iota(order.begin(), order.end(), 0u);
    if (c.Thinned)
      std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        return spots[a].Rank != spots[b].Rank ? spots[a].Rank < spots[b].Rank : spots[a].Depth < spots[b].Depth;
      });
    auto box = [&](const TLabelSpot& t) { return std::array<double, 4>{t.X, t.Y - h / 4, t.X + t.Width, t.Y + h}; };
    for (uint32_t i : order) {
      const auto a = box(spots[i]);
      bool clear = true;
      for (uint32_t j = 0; c.Thinned && clear && j < kept.size(); ++j) {
        const auto b = box(spots[kept[j]]);
        clear = !(a[0] < b[2] && b[0] < a[2] && a[1] < b[3] && b[1] < a[3]);
      }
      if (clear) kept.push_back(i);
    }
    if (c.Thinned) {
      EXPECT_LT(kept.size() * 4, spots.size()) << "too few overlap to test the thinning";
    }
    ASSERT_EQ(s->DrawnBoxes.size(), kept.size()) << c.Walks << " walks of " << c.Steps;
    for (size_t k = 0; k < kept.size(); ++k) {
      const auto want = box(spots[kept[k]]);
      const auto& got = s->DrawnBoxes[k];
      const bool same = std::abs(got[0] - want[0]) < 1e-6 && std::abs(got[1] - want[1]) < 1e-6 &&
                        std::abs(got[2] - want[2]) < 1e-6 && std::abs(got[3] - want[3]) < 1e-6;
      ASSERT_TRUE(same) << "line " << k << " of " << kept.size() << ", " << c.Walks << " walks of " << c.Steps;
    }
  }
}

}  // namespace
}  // namespace lumora::testing
