#include "scene/GLPoints.h"

#include <algorithm>

#include "scene/GLGuards.h"

namespace lumora {

namespace {
constexpr int kPointsPerFlush = 1 << 13;
}  // namespace

bool TGLPoints::Combine(const TGLObject& other) {
  Clear();
  TGLRenderer::Assign(other);
  auto* o = dynamic_cast<const TGLPoints*>(&other);
  if (o && o != this) {
    Points.Assign(o->Points);
    PointColors.Assign(o->PointColors);
    PointProperties.Assign(o->PointProperties);
    IndexValid = false;
  }
  return dynamic_cast<const TGLRenderer*>(&other) != nullptr;
}

void TGLPoints::Clear() {
  TGLRenderer::Clear();
  ClearGeometry();
}

void TGLPoints::SetColor(uint32_t colour) {
  for (int i = 0; i < PointColors.Count(); ++i) PointColors[i] = colour;
}

void TGLPoints::SetOption(bool option) {
  if (option == option_) return;
  option_ = option;
  IndexValid = false;
}

void TGLPoints::AddPointEx(const T3DVector& p, uint32_t colour, const TPointProperties& properties) {
  if (Points.Count() == 0) BoundsMin = BoundsMax = p;
  BoundsMin = MinVector(BoundsMin, p);
  BoundsMax = MaxVector(BoundsMax, p);
  Points.Add(p);
  PointColors.Add(colour);
  PointProperties.Add(properties);
  IndexValid = false;
}

void TGLPoints::AddPoint(const T3DVector& p, uint32_t colour, int size) {
  AddPointEx(p, colour, TPointProperties{size, true});
}

void TGLPoints::SetAllSizes(int size) {
  PointProperties.ForEach([size](TPointProperties& p) { p.Size = size; });
}

void TGLPoints::ClearGeometry() {
  Points.Clear();
  PointColors.Clear();
  PointProperties.Clear();
  IndexValid = false;
  BoundsMin = BoundsMax = T3DVector{};
}

void TGLPoints::BuildGrid() {
  Grid.Clear();
  Grid.SetBox(GetMin(), GetMax());
  const int n = std::min({Points.Count(), PointColors.Count(), PointProperties.Count()});
  for (int i = 0; i < n; ++i) Grid.Insert(i, &Points[i], 1);
  IndexValid = true;
}

void TGLPoints::Render() {
  TAttribGuard attribs;
  if (!IndexValid) BuildGrid();
  TGLRenderer::Render();
  Grid.UpdateVisibility();
  glDisable(GL_LIGHTING);
  const float alpha = Alpha();
  // Runs of equal size share one glBegin. Smoothing, once on, stays on for
  // the rest of the render.
  bool open = false, smoothOn = false;
  int size = 0, sinceFlush = 0;
  Grid.Visit([&](int i) {
    const TPointProperties& p = PointProperties[i];
    const bool enableSmooth = p.Smooth && !smoothOn;
    if (!open || p.Size != size || enableSmooth) {
      if (open) glEnd();
      glPointSize(static_cast<float>(p.Size));
      size = p.Size;
      if (enableSmooth) {
        glEnable(GL_POINT_SMOOTH);
        glEnable(GL_BLEND);
        smoothOn = true;
      }
      glBegin(GL_POINTS);
      open = true;
    }
    // A software renderer holds all the points it is given until it
    // rasterises them: many are given in pieces, in the same order.
    if (++sinceFlush == kPointsPerFlush) {
      glEnd();
      glFlush();
      glBegin(GL_POINTS);
      sinceFlush = 0;
    }
    GLColor(PointColors[i], alpha);
    glVertex3dv(&Points[i].x);
  });
  if (open) glEnd();
}

}  // namespace lumora
