#pragma once
// A GL compatibility context without a window or display server: EGL on
// the surfaceless platform, drawing into a framebuffer object that stands
// in for the window's back buffer.

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace lumora {

class EGLContextError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TOffscreenContext {
 public:
  // Throws EGLContextError when no context or framebuffer can be made.
  TOffscreenContext(int width, int height);
  ~TOffscreenContext();
  TOffscreenContext(const TOffscreenContext&) = delete;
  TOffscreenContext& operator=(const TOffscreenContext&) = delete;

  void MakeCurrent();
  // Gives the framebuffer a new size (contents undefined afterwards).
  void Resize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The framebuffer that plays the window's part.
  uint32_t Framebuffer() const { return fbo_; }
  // Rows bottom-up, R, G, B, A per pixel, from the framebuffer.
  std::vector<uint8_t> ReadPixels();

 private:
  void MakeTarget();
  void ReleaseTarget();

  void* display_ = nullptr;
  void* context_ = nullptr;
  uint32_t fbo_ = 0, colour_ = 0, depth_ = 0;
  int width_ = 0, height_ = 0;
};

}  // namespace lumora
