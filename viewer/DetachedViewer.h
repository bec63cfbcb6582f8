#pragma once
// A viewer with no surface: lights, ambient, background colour and an
// empty scene that dialogs can edit before they are given a real view.
// Nothing ever draws it.

#include "viewer/GLViewerCore.h"

namespace lumora {

class TDetachedViewer final : public TGLViewerCore {
 protected:
  void MakeCurrent() override {}
  void SwapBuffers() override {}
  uint32_t WindowFramebuffer() const override { return 0; }
  int ClientWidth() const override { return 0; }
  int ClientHeight() const override { return 0; }
};

}  // namespace lumora
