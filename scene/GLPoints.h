#pragma once
// Point sets: points with a colour, size and smoothing each, kept in the
// same grid as the meshes.

#include <cstdint>

#include "geometry/HugeArry.h"
#include "geometry/UniformArray.h"
#include "scene/GLRenderer.h"
#include "scene/OctTree.h"

namespace lumora {

struct TPointProperties {
  int32_t Size = 1;
  bool Smooth = true;

  bool operator==(const TPointProperties&) const = default;
};

// A set seldom mixes sizes.
using TPointPropertyArray = TUniformArray<TPointProperties>;

class TGLPoints : public TGLRenderer {
 public:
  TGLPoints() = default;

  std::unique_ptr<TGLObject> Create() const override { return std::make_unique<TGLPoints>(); }
  bool Combine(const TGLObject& other) override;
  void Render() override;
  uint32_t GetColor() const override { return PointColors.Count() ? PointColors[0] : 0xFFFFFF; }
  void Clear() override;
  void SetColor(uint32_t colour) override;
  virtual void SetOption(bool option);
  bool Option() const { return option_; }

  void AddPointEx(const T3DVector& p, uint32_t colour, const TPointProperties& properties);
  void AddPoint(const T3DVector& p, uint32_t colour, int size);
  void SetAllSizes(int size);
  void ClearGeometry();
  void BuildGrid();

  THuge3DVector Points;
  TColorArray PointColors;
  TPointPropertyArray PointProperties;
  bool IndexValid = false;
  TOctTree Grid;

 private:
  bool option_ = true;
};

}  // namespace lumora
