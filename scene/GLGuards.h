#pragma once
// Scoped GL stack pushes, popped however the scope ends, so an error raised
// while drawing leaves the stacks balanced.

#include <cstdint>

#include "scene/GLHeaders.h"

namespace lumora {

struct TAttribGuard {
  TAttribGuard() { glPushAttrib(GL_ALL_ATTRIB_BITS); }
  ~TAttribGuard() { glPopAttrib(); }
  TAttribGuard(const TAttribGuard&) = delete;
  TAttribGuard& operator=(const TAttribGuard&) = delete;
};

struct TMatrixGuard {
  TMatrixGuard() { glPushMatrix(); }
  ~TMatrixGuard() { glPopMatrix(); }
  TMatrixGuard(const TMatrixGuard&) = delete;
  TMatrixGuard& operator=(const TMatrixGuard&) = delete;
};

// A 0x00BBGGRR colour with the given alpha.
inline void GLColor(uint32_t c, float alpha) {
  glColor4f((c & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, ((c >> 16) & 0xFF) / 255.0f, alpha);
}

}  // namespace lumora
