#pragma once
// Line sets: segments with a colour, width and stipple each, kept in the
// same 8 x 8 x 8 grid as the meshes so a render draws only visible cells.

#include <cstdint>

#include "geometry/HugeArry.h"
#include "geometry/UniformArray.h"
#include "scene/GLRenderer.h"
#include "scene/OctTree.h"
#include "scene/StrokeFont.h"

namespace lumora {

struct TLineProperties {
  int32_t Width = 1;
  bool Stippled = false;
  uint32_t Pattern = 0;  // the low 16 bits are the GL stipple pattern
  int32_t Factor = 1;

  bool operator==(const TLineProperties&) const = default;
};

// A set seldom mixes styles.
using TLinePropertyArray = TUniformArray<TLineProperties>;

class TGLLines : public TGLRenderer {
 public:
  TGLLines();

  std::unique_ptr<TGLObject> Create() const override { return std::make_unique<TGLLines>(); }
  bool Combine(const TGLObject& other) override;
  void Render() override;
  uint32_t GetColor() const override { return SegmentColors.Count() ? SegmentColors[0] : 0xFFFFFF; }
  void Clear() override;
  void SetColor(uint32_t colour) override;
  virtual void SetOption(bool option);
  bool Option() const { return option_; }

  void AddSegmentEx(const T3DVector& a, const T3DVector& b, uint32_t colour, const TLineProperties& properties);
  void AddSegmentWidth(const T3DVector& a, const T3DVector& b, uint32_t colour, int width);
  void AddSegment(const T3DVector& a, const T3DVector& b, uint32_t colour);
  void AddLine(const T3DVector& from, const T3DVector& to, uint32_t colour) { AddSegment(from, to, colour); }
  void ClearGeometry();
  int SegmentCount() const { return Segments.SegmentCount(); }
  void BuildGrid();

  THuge3DVectorEx Segments;
  TColorArray SegmentColors;
  TLinePropertyArray LineProperties;
  bool IndexValid = false;
  // Draws only every Stride-th segment: a lighter picture of very many.
  int Stride = 1;
  TOctTree Grid;
  // Stroke text of this set: its segments become lines of the set.
  TStrokeFont Font;

 private:
  bool option_ = true;
};

}  // namespace lumora
