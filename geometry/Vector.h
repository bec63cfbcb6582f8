#pragma once
// Plain geometric value types shared by every layer.

#include <cstdint>

namespace lumora {

struct T3DVector {
  double x = 0, y = 0, z = 0;
};

struct T2DVector {
  double x = 0, y = 0;
};

struct T2DLine {
  T2DVector start, end;
};

struct TGLVector {
  float x = 0, y = 0, z = 0;
};

struct TGLColor {
  float r = 0, g = 0, b = 0, a = 0;
};

struct TTriangle3 {
  T3DVector p[3];
};

struct TPoint {
  int32_t x = 0, y = 0;
};

}  // namespace lumora
