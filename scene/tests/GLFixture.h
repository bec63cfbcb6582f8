#pragma once
// Shared fixture of the rendering tests: a fresh headless context per test
// and the viewer's frame set-up (projection of 1000 pixels per unit at
// distance 1, camera at z = 10, light 0 on), so pictures match the window.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "scene/GLHeaders.h"
#include "scene/GLLights.h"
#include "scene/GLRenderer.h"
#include "scene/OffscreenContext.h"

namespace lumora::testing {

using TRGBA = std::array<int, 4>;

class GLFixture : public ::testing::Test {
 protected:
  static constexpr int kWidth = 200, kHeight = 200;

  void SetUp() override {
    ASSERT_NO_THROW(context = std::make_unique<TOffscreenContext>(kWidth, kHeight));
    lights.Lights(0).LightEnabled = true;
  }
  void TearDown() override { context.reset(); }

  // One frame as the viewer draws it; `lit` false leaves lighting off.
  void Draw(TGLFrame& frame, bool lit = true, uint32_t background = 0) {
    context->MakeCurrent();
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-kWidth / 2000.0, kWidth / 2000.0, -kHeight / 2000.0, kHeight / 2000.0, 1.0, 1000000.0);
    glMatrixMode(GL_MODELVIEW);
    const TGLColor bg = ColorToGL(background, 1);
    glClearColor(bg.r, bg.g, bg.b, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glCullFace(GL_BACK);
    if (cullFaces)
      glEnable(GL_CULL_FACE);
    else
      glDisable(GL_CULL_FACE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    const float ambient[4] = {0.1f, 0.1f, 0.1f, 0.1f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    lights.ApplyLights();
    if (!lit) glDisable(GL_LIGHTING);
    glLoadIdentity();
    gluLookAt(0, 0, 10, 0, 0, 0, 0, 1, 0);
    frame.RenderScene();
    glFinish();
    pixels = context->ReadPixels();
  }

  // x from the left, y from the top of the picture.
  TRGBA Pixel(int x, int y) const {
    const uint8_t* p = pixels.data() + (static_cast<size_t>(kHeight - 1 - y) * kWidth + x) * 4;
    return {p[0], p[1], p[2], p[3]};
  }
  // The window pixel of a scene point in the plane z = 0 (100 pixels per
  // unit there).
  static int PX(double x) { return static_cast<int>(kWidth / 2 + x * 100); }
  static int PY(double y) { return static_cast<int>(kHeight / 2 - y * 100); }

  int CountPixels(bool (*test)(const TRGBA&)) const {
    int n = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) n += test(Pixel(x, y));
    return n;
  }

  std::unique_ptr<TOffscreenContext> context;
  TGLLightArray lights;
  bool cullFaces = true;
  std::vector<uint8_t> pixels;
};

inline bool NotBlack(const TRGBA& p) { return p[0] + p[1] + p[2] > 30; }

}  // namespace lumora::testing
