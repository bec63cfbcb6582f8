#include "viewer/OffscreenViewer.h"

#include <cstring>

#include "scene/GLHeaders.h"

namespace lumora {

TOffscreenViewer::TOffscreenViewer(int width, int height) : context_(width, height) {
  context_.MakeCurrent();
  CreateWindowObjects();
}

TOffscreenViewer::~TOffscreenViewer() {
  ReleaseWindowObjects();
  context_.MakeCurrent();
  ReleaseSceneObjects();
}

void TOffscreenViewer::SwapBuffers() { glFinish(); }

void TOffscreenViewer::Resize(int width, int height) {
  context_.Resize(width, height);
  SetSize(width, height);
}

TBitmap32 TOffscreenViewer::Grab() {
  Render(false);
  const std::vector<uint8_t> rgba = context_.ReadPixels();
  TBitmap32 out;
  out.Width = context_.Width();
  out.Height = context_.Height();
  out.Data.resize(rgba.size());
  for (int y = 0; y < out.Height; ++y) {
    const uint8_t* src = rgba.data() + static_cast<size_t>(out.Height - 1 - y) * out.Width * 4;
    uint8_t* dst = out.Row(y);
    for (int x = 0; x < out.Width; ++x, src += 4, dst += 4) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
      dst[3] = src[3];
    }
  }
  return out;
}

}  // namespace lumora
