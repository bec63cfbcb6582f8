// The rose's base plate with its written dial, and the two rulers.

#include <algorithm>
#include <cmath>

#include "geometry/NumberText.h"
#include "geometry/Vector.h"
#include "rose/GLRose.h"
#include "scene/StrokeFont.h"

namespace lumora {

namespace {

constexpr double kPlateHalf = 4;
constexpr double kRulerHeight = 4;
constexpr int kDialTextHeight = 12;

void Plot(TBitmap32& bitmap, int x, int y, uint32_t colour) {
  if (x < 0 || y < 0 || x >= bitmap.Width || y >= bitmap.Height) return;
  uint8_t* p = bitmap.Row(y) + 4 * x;
  p[0] = static_cast<uint8_t>(colour >> 16);
  p[1] = static_cast<uint8_t>(colour >> 8);
  p[2] = static_cast<uint8_t>(colour);
}

// A two-pixel pen, so the strokes survive the texture's minification.
void DrawLine(TBitmap32& bitmap, double x0, double y0, double x1, double y1, uint32_t colour) {
  const int steps = std::max(1, static_cast<int>(std::ceil(std::max(std::abs(x1 - x0), std::abs(y1 - y0)))));
  for (int i = 0; i <= steps; ++i) {
    const int x = static_cast<int>(std::floor(x0 + (x1 - x0) * i / steps));
    const int y = static_cast<int>(std::floor(y0 + (y1 - y0) * i / steps));
    for (int k = 0; k < 4; ++k) Plot(bitmap, x + k % 2, y + k / 2, colour);
  }
}

}  // namespace

void WriteBitmapText(TBitmap32& bitmap, int x, int y, int height, const std::string& text, uint32_t colour) {
  TStrokeFont font;
  font.LoadFont(kDefaultRoseFont);
  font.Size = height;
  // The font's y runs up, the bitmap's rows down. A first pass finds the
  // highest stroke, so the strokes start exactly at row y.
  double highest = -1e300;
  font.LineDrawProc = [&](const T3DVector& a, const T3DVector& b, const T3DVector&, int, uint32_t) {
    highest = std::max({highest, a.y, b.y});
  };
  font.DrawText(T3DVector{}, text);
  if (highest == -1e300) return;
  font.LineDrawProc = [&](const T3DVector& a, const T3DVector& b, const T3DVector&, int, uint32_t) {
    DrawLine(bitmap, a.x, -a.y, b.x, -b.y, colour);
  };
  font.DrawText(T3DVector{static_cast<double>(x), -(y + highest), 0}, text);
}

std::string RadiusText(const TRoseGrid& grid, const TRoseOptions& options, const TWorkingUnits& units) {
  if (options.GraphBy == TGraphBy::Frequency) return "Radius: " + FixedText(grid.maximum, 1) + " Freq.";
  return "Radius: " + FixedText(grid.maximum * units.LengthFactor, 1) + " " + units.ShortUnitName;
}

std::string ThicknessText(const TRoseGrid& grid, const TWorkingUnits& units) {
  return "Thickness: " + FixedText((grid.top - grid.bottom) * units.LengthFactor, 1) + units.ShortUnitName;
}

TBitmap32 DialBitmap(const TRoseGrid& grid, const TRoseOptions& options, const TWorkingUnits& units) {
  TBitmap32 dial;
  if (!LoadResourceBitmap("BRAMBLE", dial)) throw ETextureError("No bitmap resource BRAMBLE");
  WriteBitmapText(dial, 5, 5, kDialTextHeight, RadiusText(grid, options, units), 0x000000);
  WriteBitmapText(dial, 5, 17, kDialTextHeight, ThicknessText(grid, units), 0x000000);
  return dial;
}

void BuildRoseBase(TGLMesh& base, double y, double d, uint32_t colour, const TBitmap32& dial) {
  const double h = kPlateHalf;
  // The top ring runs anticlockwise seen from above; the bottom and the
  // sides are wound so that every face points out of the plate.
  const T3DVector top[4] = {{-h, y, h}, {h, y, h}, {h, y, -h}, {-h, y, -h}};
  T3DVector bottom[4];
  for (int i = 0; i < 4; ++i) bottom[i] = T3DVector{top[i].x, y - d, top[i].z};
  base.AddQuad(top[0], top[1], top[2], top[3], colour);
  base.AddQuad(bottom[3], bottom[2], bottom[1], bottom[0], colour);
  for (int i = 0; i < 4; ++i) {
    const int j = (i + 1) % 4;
    base.AddQuad(top[j], top[i], bottom[i], bottom[j], colour);
  }

  TGLObjectTexture& t = *base.Texture;
  t.LoadFromBitmap(dial);
  base.SetColor(colour);
  t.TextureMode = 1;
  t.TextureEnabled = true;
  t.SetMappingType(0);
  t.SetTexScale(T2DVector{0.125, 0.125});
  t.SetTexOffset(T2DVector{0.5, 0.5});
  t.SetTurnAngle(0);
  t.SetTiltAngle(-90);
  t.CoordsValid = false;
}

void BuildRoseRulers(TGLLines& grid, const TRoseGrid& rose, const TRoseOptions& options, const TWorkingUnits& units,
                     double v) {
  const int layers = std::max(1, rose.layers);
  const double t = kRulerHeight / layers;
  TStrokeFont& font = grid.Font;
  font.LoadFont(options.FontIndex >= 0 && options.FontIndex < kStrokeFontCount ? options.FontIndex : kDefaultRoseFont);
  font.Color = options.FontColor;
  font.Size = 0.65 * kRulerHeight / layers;
  font.SetOrientation(T3DVector{1, 0, 0}, 0);
  auto label = [&](int k) {
    return " " + GroupedNumber((k * rose.height / layers + rose.bottom) * units.LengthFactor, 1) + " " +
           units.ShortUnitName;
  };
  // One ruler: two upright edges, then a level line and a label per
  // layer boundary, the label starting at the level line's first end.
  auto ruler = [&](const T3DVector& e0, const T3DVector& e1, const T3DVector& from, const T3DVector& to) {
    const T3DVector up{0, kRulerHeight, 0};
    grid.AddLine(e0, Add(e0, up), options.GridColor);
    grid.AddLine(e1, Add(e1, up), options.GridColor);
    for (int k = 0; k <= layers; ++k) {
      const T3DVector rise{0, k * t, 0};
      grid.AddLine(Add(from, rise), Add(to, rise), options.GridColor);
      font.DrawText(Add(from, T3DVector{0, k * t + 0.2 * font.Size, 0}), label(k));
    }
  };
  const double h = kPlateHalf;
  ruler({-h, v, -h}, {h, v, -h}, {-h, v, -h}, {h, v, -h});
  font.SetRotation(0, 90, 0);
  ruler({-h, v, h}, {-h, v, -h}, {-h, v, h}, {-h, v, -h});
  grid.Changed();
}

}  // namespace lumora
