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

// Pixel data read from memory as tightly packed rows of bits or bytes, the
// first row at the start; the earlier unpacking restored after.
struct TTightUnpackGuard {
  TTightUnpackGuard() {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  }
  ~TTightUnpackGuard() { glPopClientAttrib(); }
  TTightUnpackGuard(const TTightUnpackGuard&) = delete;
  TTightUnpackGuard& operator=(const TTightUnpackGuard&) = delete;
};

// Drawing over the finished picture in window pixels, y down as the window
// counts them: no lighting, depth test, texture, blending, stipple, culling
// or fog, filled polygons, 1-pixel lines. Everything is restored after.
class TWindowPixelsGuard {
 public:
  TWindowPixelsGuard(double width, double height) {
    glPushAttrib(GL_ENABLE_BIT | GL_LINE_BIT | GL_CURRENT_BIT | GL_POLYGON_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    for (GLenum e : {GL_LIGHTING, GL_DEPTH_TEST, GL_TEXTURE_2D, GL_BLEND, GL_LINE_STIPPLE, GL_CULL_FACE, GL_FOG})
      glDisable(e);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glLineWidth(1);
  }
  ~TWindowPixelsGuard() {
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
  }
  TWindowPixelsGuard(const TWindowPixelsGuard&) = delete;
  TWindowPixelsGuard& operator=(const TWindowPixelsGuard&) = delete;
};

// A 0x00BBGGRR colour with the given alpha.
inline void GLColor(uint32_t c, float alpha) {
  glColor4f((c & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, ((c >> 16) & 0xFF) / 255.0f, alpha);
}

}  // namespace lumora
