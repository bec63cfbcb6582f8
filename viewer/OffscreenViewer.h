#pragma once
// The viewer without a window: the same frame drawn into the framebuffer
// of a headless EGL context. Used by the command line and the tests.

#include "scene/OffscreenContext.h"
#include "viewer/GLViewerCore.h"

namespace lumora {

class TOffscreenViewer : public TGLViewerCore {
 public:
  // Throws EGLContextError when no headless context can be made.
  TOffscreenViewer(int width, int height);
  ~TOffscreenViewer() override;

  void Resize(int width, int height);
  // Renders a frame and returns it: rows top to bottom, B, G, R, A.
  TBitmap32 Grab();

 protected:
  void MakeCurrent() override { context_.MakeCurrent(); }
  void SwapBuffers() override;
  uint32_t WindowFramebuffer() const override { return context_.Framebuffer(); }
  int ClientWidth() const override { return context_.Width(); }
  int ClientHeight() const override { return context_.Height(); }

 private:
  TOffscreenContext context_;
};

}  // namespace lumora
