#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scene/GLLines.h"
#include "scene/StrokeFont.h"

namespace lumora {
namespace {

struct TSegment {
  T3DVector from, to, pen;
  int width;
  uint32_t colour;
};

void Record(TStrokeFont& font, std::vector<TSegment>& out) {
  font.LineDrawProc = [&out](const T3DVector& a, const T3DVector& b, const T3DVector& pen, int w, uint32_t c) {
    out.push_back({a, b, pen, w, c});
  };
}

void ExpectNear(const T3DVector& a, const T3DVector& b) {
  EXPECT_NEAR(a.x, b.x, 1e-9);
  EXPECT_NEAR(a.y, b.y, 1e-9);
  EXPECT_NEAR(a.z, b.z, 1e-9);
}

// Two codes, 'A' (width 8) and 'B' (width 0, so no stroke data); top of
// capital 10, bottom of descender -4, so the font is 14 units high.
std::vector<uint8_t> TinyFont() {
  std::vector<uint8_t> f = {'P', 'K', 8, 8, 'B', 'G', 'I', ' ', 't', 'i', 'n', 'y', 0x1A};
  const uint8_t tail[] = {0x80, 0, 'T', 'I', 'N', 'Y', 40, 0, 1, 0};
  f.insert(f.end(), std::begin(tail), std::end(tail));
  f.resize(128, 0);
  const uint8_t header[] = {'+', 2, 0, 0, 'A', 16 + 6, 0, 0, 10, 0, 0xFC, 0, 0, 0, 0, 0};
  f.insert(f.end(), std::begin(header), std::end(header));
  const uint8_t tables[] = {0, 0, 10, 0, 8, 0};  // offsets 0 and 10, widths 8 and 0
  f.insert(f.end(), std::begin(tables), std::end(tables));
  const uint8_t strokes[] = {
      0x80, 0x00,  // move (0, 0)
      0xFF, 0xBF,  // draw (-1, 63)
      0x05, 0x85,  // op 1 (5, 5): ignored
      0xC0, 0xFE,  // draw (-64, -2)
      0x00, 0x00,  // end
  };
  f.insert(f.end(), std::begin(strokes), std::end(strokes));
  return f;
}

TEST(StrokeFontLoader, ReadsAHandMadeFontWithSevenBitCoordinates) {
  const std::vector<uint8_t> data = TinyFont();
  TChrFontInfo f;
  f.Load(data.data(), data.size());
  EXPECT_TRUE(f.Loaded);
  EXPECT_EQ(f.Description, "tiny");
  EXPECT_EQ(f.HeaderSize, 0x80);
  EXPECT_EQ(f.InternalName, "TINY");
  EXPECT_EQ(f.DataSize, 40);
  EXPECT_EQ(f.Version, "1.0");
  EXPECT_EQ(f.Signature, '+');
  EXPECT_EQ(f.CharCount, 2);
  EXPECT_EQ(f.FirstChar, 'A');
  EXPECT_EQ(f.StrokeOffset, 22);
  EXPECT_EQ(f.TopOfCapital, 10);
  EXPECT_EQ(f.BottomOfDescender, -4);
  EXPECT_EQ(f.Offsets['B'], 10);
  EXPECT_EQ(f.Widths['A'], 8);
  EXPECT_EQ(f.Widths['B'], 0);
  EXPECT_EQ(f.Widths['C'], 0);
  ASSERT_EQ(f.Strokes['A'].size(), 5u);
  const int expect[5][3] = {{0, 0, 2}, {-1, 63, 3}, {5, 5, 1}, {-64, -2, 3}, {0, 0, 0}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(f.Strokes['A'][i].x, expect[i][0]) << i;
    EXPECT_EQ(f.Strokes['A'][i].y, expect[i][1]) << i;
    EXPECT_EQ(f.Strokes['A'][i].op, expect[i][2]) << i;
  }
  EXPECT_TRUE(f.Strokes['B'].empty());

  // Cut short anywhere: an error, and the font read before stays.
  for (size_t n : {size_t(5), size_t(100), size_t(140), data.size() - 1}) {
    EXPECT_THROW(f.Load(data.data(), n), EFontError) << n;
    EXPECT_EQ(f.InternalName, "TINY");
    EXPECT_EQ(f.Strokes['A'].size(), 5u);
  }
}

TEST(StrokeFontLoader, TheEightBuiltInFontsLoadWithPrintableAscii) {
  const char* names[] = {"Roman",           "Roman Bold", "Roman Italic", "Sans-Serif",
                         "Sans-Serif Bold", "Small",      "Script",       "Gothic"};
  for (int i = 0; i < kStrokeFontCount; ++i) {
    SCOPED_TRACE(names[i]);
    const TFontItem& item = StrokeFontItem(i);
    EXPECT_STREQ(item.Name, names[i]);
    ASSERT_NE(item.Data, nullptr);
    ASSERT_GT(item.Size, 128u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(item.Data), 8), std::string("PK\x08\x08"
                                                                                    "BGI ",
                                                                                    8));
    TStrokeFont font;
    font.LoadFont(i);
    const TChrFontInfo& f = font.Font();
    EXPECT_EQ(f.Signature, '+');
    EXPECT_EQ(f.FirstChar, 32);
    EXPECT_EQ(f.CharCount, 96);
    EXPECT_EQ(f.HeaderSize, 128);
    EXPECT_EQ(f.DataSize, item.Size - 128);
    EXPECT_EQ(f.StrokeOffset, 16 + 3 * 96);
    EXPECT_GT(f.TopOfCapital, 0);
    EXPECT_LT(f.BottomOfDescender, 0);
    EXPECT_EQ(font.FontHeight(), f.TopOfCapital - f.BottomOfDescender);
    EXPECT_DOUBLE_EQ(font.FontScale(), 1.0 / font.FontHeight());
    size_t offset = 0;
    for (int c = 32; c < 127; ++c) {
      EXPECT_GT(f.Widths[c], 0) << c;
      // The offsets agree with the data the loader read in code order.
      EXPECT_EQ(f.Offsets[c], offset) << c;
      offset += 2 * f.Strokes[c].size();
      ASSERT_FALSE(f.Strokes[c].empty());
      EXPECT_EQ(f.Strokes[c].back().op, 0);
      int draws = 0;
      for (const TStrokePoint& p : f.Strokes[c]) draws += p.op == 3;
      if (c > 32) {
        EXPECT_GT(draws, 0) << c;
      }
    }
    // Capitals stand on the baseline and reach the top of capital.
    int top = -100, bottom = 100;
    for (const TStrokePoint& p : f.Strokes['H']) {
      if (p.op >= 2) top = std::max(top, p.y), bottom = std::min(bottom, p.y);
    }
    EXPECT_EQ(top, f.TopOfCapital);
    EXPECT_EQ(bottom, 0);
  }
  TStrokeFont font;
  EXPECT_EQ(font.Font().InternalName, "ROMA");
  font.LoadFont(7);
  for (int bad : {-1, 8}) {
    try {
      font.LoadFont(bad);
      ADD_FAILURE() << bad;
    } catch (const EFontError& e) {
      EXPECT_STREQ(e.what(), "Invalid Font Index");
    }
  }
  EXPECT_EQ(font.Font().InternalName, "GOTH");
}

// The committed fonts are what the converter makes of the Hershey files.
TEST(StrokeFontLoader, ConverterRemakesTheCommittedFiles) {
  const std::filesystem::path fonts = std::filesystem::path(LUMORA_SOURCE_DIR) / "scene" / "fonts";
  if (!std::filesystem::exists("/usr/share/hershey-fonts/rowmand.jhf")) GTEST_SKIP() << "no Hershey fonts";
  const std::filesystem::path out = std::filesystem::temp_directory_path() / "lumora-chr-test";
  std::filesystem::create_directories(out);
  const std::string cmd =
      "python3 '" + (fonts / "make_chr_fonts.py").string() + "' /usr/share/hershey-fonts '" + out.string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  auto read = [](const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
  };
  for (const char* name : {"ROMAN", "ROMANB", "ROMANI", "SANS", "SANSB", "SMALL", "SCRIPT", "GOTHIC"}) {
    const std::string file = std::string(name) + ".CHR";
    EXPECT_EQ(read(out / file), read(fonts / file)) << name;
  }
  std::filesystem::remove_all(out);
}

TEST(StrokeText, SegmentsPenAndLineBreaks) {
  const std::vector<uint8_t> data = TinyFont();
  TStrokeFont font;
  font.LoadFontData(data.data(), data.size());
  std::vector<TSegment> s;
  Record(font, s);
  font.Size = 14;  // one scene unit per font unit
  font.Color = 0x123456;
  font.DrawText({100, 0, 5}, "AA");
  ASSERT_EQ(s.size(), 4u);
  ExpectNear(s[0].from, {100, 0, 5});
  ExpectNear(s[0].to, {99, 63, 5});
  ExpectNear(s[1].from, {99, 63, 5});
  ExpectNear(s[1].to, {36, -2, 5});
  ExpectNear(s[2].from, {108, 0, 5});
  ExpectNear(s[3].to, {44, -2, 5});
  ExpectNear(s[2].pen, {108, 0, 5});
  EXPECT_EQ(s[0].width, 14);
  EXPECT_EQ(s[0].colour, 0x123456u);
  ExpectNear(font.Pen, {116, 0, 5});

  // Codes outside the font and a code without strokes neither draw nor
  // move the pen; LF goes down by Size keeping x, CR goes back keeping y.
  s.clear();
  font.Size = 7;  // half size
  font.DrawText({0, 0, 0}, " CBA\nA\rA\r\nA");
  ASSERT_EQ(s.size(), 8u);
  ExpectNear(s[0].from, {0, 0, 0});
  ExpectNear(s[1].to, {-32, -1, 0});
  ExpectNear(s[2].from, {4, -7, 0});
  ExpectNear(s[4].from, {0, -7, 0});
  ExpectNear(s[6].from, {0, -14, 0});
  EXPECT_EQ(s[7].width, 7);
  font.Size = 2.5;
  s.clear();
  font.DrawText({0, 0, 0}, "A");
  EXPECT_EQ(s[0].width, 2);  // halves to even
}

TEST(StrokeText, RotationTurnsTheWholeTextAboutItsStart) {
  const std::vector<uint8_t> data = TinyFont();
  TStrokeFont font;
  font.LoadFontData(data.data(), data.size());
  font.Size = 14;
  std::vector<TSegment> s;
  Record(font, s);
  font.SetRotation(0, 90, 0);
  font.DrawText({1, 2, 3}, "AA\nA");
  ASSERT_EQ(s.size(), 6u);
  // A turn of 90 degrees about y takes (dx, dy, 0) to (0, dy, -dx).
  ExpectNear(s[0].from, {1, 2, 3});
  ExpectNear(s[0].to, {1, 65, 4});
  ExpectNear(s[2].from, {1, 2, -5});
  ExpectNear(s[3].to, {1, 0, 59});
  ExpectNear(s[4].from, {1, -12, -13});
  // The pen itself moves in the unturned frame.
  ExpectNear(s[4].pen, {17, -12, 3});

  s.clear();
  font.SetOrientation({1, 0, 0}, 0);
  font.DrawText({0, 0, 0}, "A");
  ExpectNear(s[0].to, {-1, 63, 0});
  font.SetOrientation({0, 1, 0}, 0);  // x turned onto y
  s.clear();
  font.DrawText({0, 0, 0}, "A");
  ExpectNear(s[1].to, {2, -64, 0});
}

TEST(StrokeText, TabsAdvanceToEveryEighthColumn) {
  TStrokeFont font;
  font.Size = font.FontHeight();  // one unit per font unit
  std::vector<TSegment> s;
  Record(font, s);
  const double space = font.Font().Widths[' '], a = font.Font().Widths['A'];
  font.DrawText({10, 0, 0}, "\tA");
  ASSERT_FALSE(s.empty());
  EXPECT_DOUBLE_EQ(s.front().pen.x, 10 + 8 * space);
  s.clear();
  font.DrawText({10, 0, 0}, "A\tA");
  EXPECT_DOUBLE_EQ(s.back().pen.x, 10 + a + 7 * space);
  s.clear();
  font.DrawText({10, 0, 0}, "A\r\tA");
  EXPECT_DOUBLE_EQ(s.back().pen.x, 10 + 8 * space);
}

TEST(StrokeText, FailsWithoutACallbackAfterTheEarlierCharacters) {
  const std::vector<uint8_t> data = TinyFont();
  TStrokeFont font;
  font.LoadFontData(data.data(), data.size());
  int calls = 0;
  font.LineDrawProc = [&](const T3DVector&, const T3DVector&, const T3DVector&, int, uint32_t) {
    if (++calls == 2) font.LineDrawProc = nullptr;
  };
  try {
    font.DrawText({0, 0, 0}, "AA");
    ADD_FAILURE();
  } catch (const EFontError& e) {
    EXPECT_STREQ(e.what(), "LineDrawProc not set");
  }
  EXPECT_EQ(calls, 2);
  // Also for codes outside the font; line breaks need no callback.
  EXPECT_NO_THROW(font.DrawText({0, 0, 0}, "\r\n\t"));
  for (const char* text : {"C", " ", "B"}) {
    try {
      font.DrawText({0, 0, 0}, text);
      ADD_FAILURE() << text;
    } catch (const EFontError& e) {
      EXPECT_STREQ(e.what(), "LineDrawProc not set");
    }
  }
}

TEST(StrokeText, LineSetsTurnTheTextIntoTheirLines) {
  TGLLines lines;
  TStrokeFont probe;
  std::vector<TSegment> s;
  Record(probe, s);
  probe.DrawText({0, 0, 0}, "Lumora 1:500");
  lines.Font.Color = 0x00FFFF;
  lines.Font.DrawText({0, 0, 0}, "Lumora 1:500");
  ASSERT_EQ(lines.SegmentCount(), static_cast<int>(s.size()));
  ASSERT_GT(s.size(), 20u);
  for (int i = 0; i < lines.SegmentCount(); ++i) {
    T3DVector a, b;
    lines.Segments.GetSegment(i, a, b);
    ExpectNear(a, s[i].from);
    ExpectNear(b, s[i].to);
    EXPECT_EQ(lines.SegmentColors[i], 0x00FFFFu);
  }
  // One unit high from descender to capital: the text stays in that band.
  EXPECT_GE(lines.GetMin().y, -1.0 * -probe.Font().BottomOfDescender / probe.FontHeight() - 1e-9);
  EXPECT_LE(lines.GetMax().y, 1.0 * probe.Font().TopOfCapital / probe.FontHeight() + 1e-9);
  EXPECT_NEAR(probe.Pen.x, lines.GetMax().x, 1.0);
}

}  // namespace
}  // namespace lumora
