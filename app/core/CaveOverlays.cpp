#include "app/core/CaveOverlays.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <string>

#include "app/core/CaveViews.h"
#include "geometry/NumberText.h"
#include "scene/GLGuards.h"
#include "scene/GLHeaders.h"
#include "scene/StrokeFont.h"
#include "viewer/ViewProjection.h"

namespace lumora {
namespace {

constexpr double kMargin = 12;
constexpr double kSwatchW = 18, kSwatchH = 12, kSwatchGap = 3;
constexpr double kTextSize = 13;
constexpr double kBarMost = 0.25;  // of the view's width
constexpr double kBarHeight = 5;
constexpr double kDialRadius = 32;

double Radians(double degrees) { return degrees * std::numbers::pi / 180; }

// Three digits at least: "005".
std::string Degrees(double v) {
  std::string text = FixedText(std::fmod(std::nearbyint(v) + 360, 360.0), 0);
  const size_t sign = text[0] == '-' ? 1 : 0;
  if (std::isdigit(static_cast<unsigned char>(text.back())) && text.size() < 3 + sign)
    text.insert(sign, 3 + sign - text.size(), '0');
  return text;
}

std::string Length(double v) { return FixedText(v, v < 1 ? 1 : 0); }

void Rect(const TPixelRect& r) {
  glBegin(GL_QUADS);
  glVertex2d(r.Left, r.Top);
  glVertex2d(r.Left + r.Width, r.Top);
  glVertex2d(r.Left + r.Width, r.Top + r.Height);
  glVertex2d(r.Left, r.Top + r.Height);
  glEnd();
}

void Line(double x0, double y0, double x1, double y1) {
  glBegin(GL_LINES);
  glVertex2d(x0, y0);
  glVertex2d(x1, y1);
  glEnd();
}

void Circle(double x, double y, double r, double from, double to) {
  glBegin(GL_LINE_STRIP);
  for (int i = 0; i <= 48; ++i) {
    const double a = Radians(from + (to - from) * i / 48);
    glVertex2d(x + r * std::sin(a), y - r * std::cos(a));
  }
  glEnd();
}

// Stroke text with its baseline at y; the font draws y up, the screen y down.
class TText {
 public:
  TText() {
    font_.Size = kTextSize;
    font_.LineDrawProc = [this](const T3DVector& a, const T3DVector& b, const T3DVector&, int, uint32_t) {
      glVertex2d(a.x, 2 * baseline_ - a.y);
      glVertex2d(b.x, 2 * baseline_ - b.y);
    };
  }
  double Width(const std::string& text) const {
    double w = 0;
    for (unsigned char c : text) w += font_.Font().Widths[c] * kTextSize * font_.FontScale();
    return w;
  }
  void Draw(double x, double y, const std::string& text) {
    baseline_ = y;
    glBegin(GL_LINES);
    font_.DrawText({x, y, 0}, text);
    glEnd();
  }

 private:
  TStrokeFont font_;
  double baseline_ = 0;
};

}  // namespace

double RoundLength(double most) {
  if (!(most > 0) || !std::isfinite(most)) return 0;
  const double p = std::pow(10.0, std::floor(std::log10(most)));
  for (double m : {5.0, 2.0, 1.0})
    if (m * p <= most * (1 + 1e-12)) return m * p;
  return p;
}

TOverlayLayout LayoutOverlays(const TOverlayContent& c, double width, double height) {
  TOverlayLayout l;
  for (size_t i = 0; i < c.Key.size(); ++i)
    l.KeySwatches.push_back({kMargin, kMargin + i * (kSwatchH + kSwatchGap), kSwatchW, kSwatchH});

  if (c.PixelsPerUnit > 0) {
    l.ScaleLength = RoundLength(kBarMost * width / c.PixelsPerUnit);
    const double pixels = l.ScaleLength * c.PixelsPerUnit;
    l.ScaleBar = {kMargin, height - kMargin - kBarHeight, pixels, kBarHeight};
  }

  l.CompassRadius = l.ClinoRadius = kDialRadius;
  l.CompassX = width - kMargin - kDialRadius;
  l.CompassY = height - kMargin - kTextSize - kDialRadius - 4;
  // The needle points to north as seen facing the view's bearing.
  const double a = Radians(-c.Bearing);
  l.NeedleX = l.CompassX + kDialRadius * 0.85 * std::sin(a);
  l.NeedleY = l.CompassY - kDialRadius * 0.85 * std::cos(a);

  l.ClinoX = l.CompassX - 2 * kDialRadius - 2 * kMargin;
  l.ClinoY = l.CompassY;
  // Level points right, looking down points down.
  const double t = Radians(c.Tilt);
  l.ClinoTipX = l.ClinoX + kDialRadius * std::cos(t);
  l.ClinoTipY = l.ClinoY + kDialRadius * std::sin(t);
  return l;
}

TOverlayContent OverlayContent(const TCaveScene& scene, const TPlotModel& model, const TPassageOptions& options,
                               TWallColoring coloring, const TWorkingUnits& units) {
  TOverlayContent c;
  c.Key = ColorKey(scene, model, options, coloring, units);
  // Scene units are feet, or metres when the walls were converted.
  const double sceneFeet = options.ConvertToMetres ? FeetPerMetre() : 1.0;
  const double workingPerScene = sceneFeet * units.LengthFactor;
  c.PixelsPerUnit = ViewScale(*scene.CaveFrame) / workingPerScene;
  c.UnitName = units.ShortUnitName;
  c.Bearing = ViewBearing(*scene.CaveFrame);
  c.Tilt = ViewTilt(*scene.CaveFrame);
  return c;
}

void DrawOverlays(const TOverlayContent& c, const TOverlaySwitches& s, double width, double height,
                  uint32_t background) {
  if (!(width > 0 && height > 0)) return;
  const TOverlayLayout l = LayoutOverlays(c, width, height);
  const double lightness =
      0.3 * (background & 0xFF) + 0.59 * ((background >> 8) & 0xFF) + 0.11 * (background >> 16 & 0xFF);
  const uint32_t ink = lightness > 128 ? 0x000000 : 0xFFFFFF;

  const TWindowPixelsGuard pixels(width, height);
  TText text;

  if (s.Key)
    for (size_t i = 0; i < c.Key.size(); ++i) {
      const TPixelRect& r = l.KeySwatches[i];
      GLColor(c.Key[i].Color, 1.0f);
      if (c.Key[i].Text != "...") Rect(r);
      GLColor(ink, 1.0f);
      if (!c.Key[i].Text.empty()) text.Draw(r.Left + r.Width + 6, r.Top + r.Height - 1, c.Key[i].Text);
    }

  if (s.ScaleBar && l.ScaleLength > 0) {
    const TPixelRect& b = l.ScaleBar;
    GLColor(ink, 1.0f);
    Rect(b);
    Line(b.Left, b.Top - 4, b.Left, b.Top + b.Height);
    Line(b.Left + b.Width, b.Top - 4, b.Left + b.Width, b.Top + b.Height);
    text.Draw(b.Left, b.Top - 6, Length(l.ScaleLength) + " " + c.UnitName);
  }

  if (s.Compass) {
    GLColor(ink, 1.0f);
    Circle(l.CompassX, l.CompassY, l.CompassRadius, 0, 360);
    const double dx = l.NeedleX - l.CompassX, dy = l.NeedleY - l.CompassY;
    // The north half red, the south half in the ink.
    GLColor(kNeedleColor, 1.0f);
    glBegin(GL_TRIANGLES);
    glVertex2d(l.NeedleX, l.NeedleY);
    glVertex2d(l.CompassX - dy * 0.15, l.CompassY + dx * 0.15);
    glVertex2d(l.CompassX + dy * 0.15, l.CompassY - dx * 0.15);
    glEnd();
    GLColor(ink, 1.0f);
    Line(l.CompassX, l.CompassY, l.CompassX - dx, l.CompassY - dy);
    const std::string bearing = Degrees(c.Bearing);
    text.Draw(l.CompassX - text.Width(bearing) / 2, l.CompassY + l.CompassRadius + kTextSize + 2, bearing);
  }

  if (s.Clinometer) {
    GLColor(ink, 1.0f);
    Circle(l.ClinoX, l.ClinoY, l.ClinoRadius, 0, 180);
    Line(l.ClinoX, l.ClinoY, l.ClinoX + l.ClinoRadius, l.ClinoY);
    GLColor(kNeedleColor, 1.0f);
    glLineWidth(2);
    Line(l.ClinoX, l.ClinoY, l.ClinoTipX, l.ClinoTipY);
    glLineWidth(1);
    GLColor(ink, 1.0f);
    // Adding zero turns a rounded -0 into 0.
    const std::string tilt = FixedText(std::nearbyint(c.Tilt) + 0.0, 0);
    text.Draw(l.ClinoX - text.Width(tilt) / 2, l.ClinoY + l.ClinoRadius + kTextSize + 2, tilt);
  }
}

void DrawSquareMarks(const TMatrix4& modelview, int width, int height, const std::vector<T3DVector>& points,
                     const std::vector<int>& entries, int skip, int half) {
  if (width <= 0 || height <= 0 || half < 1) return;
  // The bitmap is in the viewport's own pixels, which a high-density
  // screen or a scaled capture makes more than the view's.
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  const int pw = viewport[2], ph = viewport[3];
  if (pw <= 0 || ph <= 0) return;
  const double sx = static_cast<double>(pw) / width, sy = static_cast<double>(ph) / height;
  half = std::max(1, static_cast<int>(std::lround(half * sx)));
  // One bit a pixel, rows bottom to top as glBitmap takes them.
  const size_t stride = (static_cast<size_t>(pw) + 7) / 8;
  std::vector<uint8_t> bits(stride * static_cast<size_t>(ph), 0);
  int low = ph, high = -1;  // the rows set, counted from the bottom
  auto span = [&](int y, int x0, int x1) {
    const int row = ph - 1 - y;
    x0 = std::max(x0, 0), x1 = std::min(x1, pw - 1);
    if (row < 0 || row >= ph || x0 > x1) return;
    low = std::min(low, row), high = std::max(high, row);
    uint8_t* line = bits.data() + static_cast<size_t>(row) * stride;
    const uint8_t first = 0xFF >> (x0 & 7), last = static_cast<uint8_t>(0xFF << (7 - (x1 & 7)));
    if (x0 >> 3 == x1 >> 3) {
      line[x0 >> 3] |= first & last;
      return;
    }
    line[x0 >> 3] |= first;
    std::fill(line + (x0 >> 3) + 1, line + (x1 >> 3), uint8_t{0xFF});
    line[x1 >> 3] |= last;
  };
  for (int e : entries) {
    if (e == skip) continue;
    const auto p = ProjectToWindow(modelview, width, height, points[e]);
    if (!p) continue;
    const double px = p->X * sx, py = p->Y * sy;
    if (!(px > -2 * half && py > -2 * half && px < pw + 2 * half && py < ph + 2 * half)) continue;
    const int x = static_cast<int>(std::nearbyint(px)), y = static_cast<int>(std::nearbyint(py));
    // Two pixels thick, the corners cut, as a line loop of width 2 round
    // the square from x - half to x + half draws it.
    span(y - half - 1, x - half, x + half - 1);
    span(y - half, x - half - 1, x + half);
    for (int r = y - half + 1; r < y + half - 1; ++r) {
      span(r, x - half - 1, x - half);
      span(r, x + half - 1, x + half);
    }
    span(y + half - 1, x - half - 1, x + half);
    span(y + half, x - half, x + half - 1);
  }
  if (high < low) return;
  const TTightUnpackGuard unpack;
  glWindowPos2i(viewport[0], viewport[1] + low);
  glBitmap(pw, high - low + 1, 0, 0, 0, 0, bits.data() + static_cast<size_t>(low) * stride);
}

}  // namespace lumora
