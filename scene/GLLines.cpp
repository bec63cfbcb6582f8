#include "scene/GLLines.h"

#include <algorithm>

#include "scene/GLGuards.h"

namespace lumora {

namespace {
constexpr int kSegmentsPerFlush = 1 << 13;
}  // namespace

TGLLines::TGLLines() {
  Font.LineDrawProc = [this](const T3DVector& from, const T3DVector& to, const T3DVector&, int, uint32_t colour) {
    AddLine(from, to, colour);
  };
}

bool TGLLines::Combine(const TGLObject& other) {
  Clear();
  TGLRenderer::Assign(other);
  auto* o = dynamic_cast<const TGLLines*>(&other);
  if (o && o != this) {
    Segments.Assign(o->Segments);
    SegmentColors.Assign(o->SegmentColors);
    LineProperties.Assign(o->LineProperties);
    IndexValid = false;
  }
  return dynamic_cast<const TGLRenderer*>(&other) != nullptr;
}

void TGLLines::Clear() {
  TGLRenderer::Clear();
  ClearGeometry();
}

void TGLLines::SetColor(uint32_t colour) {
  for (int i = 0; i < SegmentColors.Count(); ++i) SegmentColors[i] = colour;
}

void TGLLines::SetOption(bool option) {
  if (option == option_) return;
  option_ = option;
  IndexValid = false;
}

void TGLLines::AddSegmentEx(const T3DVector& a, const T3DVector& b, uint32_t colour,
                            const TLineProperties& properties) {
  if (Segments.Count() == 0) BoundsMin = BoundsMax = a;
  BoundsMin = MinVector(MinVector(BoundsMin, a), b);
  BoundsMax = MaxVector(MaxVector(BoundsMax, a), b);
  Segments.AddSegment(a, b);
  SegmentColors.Add(colour);
  LineProperties.Add(properties);
  IndexValid = false;
}

void TGLLines::AddSegmentWidth(const T3DVector& a, const T3DVector& b, uint32_t colour, int width) {
  AddSegmentEx(a, b, colour, TLineProperties{width, false, 0, 1});
}

void TGLLines::AddSegment(const T3DVector& a, const T3DVector& b, uint32_t colour) { AddSegmentWidth(a, b, colour, 1); }

void TGLLines::ClearGeometry() {
  Segments.Clear();
  SegmentColors.Clear();
  LineProperties.Clear();
  IndexValid = false;
  BoundsMin = BoundsMax = T3DVector{};
}

void TGLLines::BuildGrid() {
  Grid.Clear();
  Grid.SetBox(GetMin(), GetMax());
  // Segments added past the set's own operations may lack a colour or
  // properties: only complete ones are indexed, and so drawn.
  const int n = std::min({SegmentCount(), SegmentColors.Count(), LineProperties.Count()});
  for (int i = 0; i < n; ++i) Grid.Insert(i, &Segments[2 * i], 2);
  IndexValid = true;
}

void TGLLines::Render() {
  TAttribGuard attribs;
  if (!IndexValid) BuildGrid();
  TGLRenderer::Render();
  Grid.UpdateVisibility();
  glDisable(GL_LIGHTING);
  const float alpha = Alpha();
  // Segments with the same width and stipple share one glBegin: GL_LINES
  // restarts the stipple at every segment, so the picture is the same.
  const TLineProperties* current = nullptr;
  int sinceFlush = 0;
  auto same = [](const TLineProperties& a, const TLineProperties& b) {
    return a.Width == b.Width && a.Stippled == b.Stippled && a.Factor == b.Factor &&
           (a.Pattern & 0xFFFF) == (b.Pattern & 0xFFFF);
  };
  Grid.Visit([&](int i) {
    if (Stride > 1 && i % Stride != 0) return;
    const TLineProperties& p = LineProperties[i];
    if (!current || !same(*current, p)) {
      if (current) glEnd();
      glLineWidth(static_cast<float>(p.Width));
      glLineStipple(p.Factor, static_cast<GLushort>(p.Pattern & 0xFFFF));
      if (p.Stippled)
        glEnable(GL_LINE_STIPPLE);
      else
        glDisable(GL_LINE_STIPPLE);
      glBegin(GL_LINES);
      current = &p;
    }
    // A software renderer holds all the lines it is given until it
    // rasterises them: many are given in pieces, in the same order.
    if (++sinceFlush == kSegmentsPerFlush) {
      glEnd();
      glFlush();
      glBegin(GL_LINES);
      sinceFlush = 0;
    }
    GLColor(SegmentColors[i], alpha);
    glVertex3dv(&Segments[2 * i].x);
    glVertex3dv(&Segments[2 * i + 1].x);
  });
  if (current) glEnd();
}

}  // namespace lumora
