#pragma once
// The view without its window: camera, lights, fog, the root frame, the
// projection from the pixel size, the render sequence, frame timing and
// capture through a framebuffer object. TGLViewer puts it on a Qt widget;
// TOffscreenViewer on a headless EGL context. Both draw the same frame.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>

#include "meshfiles/format/XFileFormat.h"
#include "scene/GLLights.h"
#include "scene/GLRenderer.h"
#include "scene/GLTexture.h"

namespace lumora {

class EFramebufferError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TGLCamera {
  T3DVector Eye{0, 0, 10};
  T3DVector Centre{0, 0, 0};
  T3DVector Up{0, 1, 0};
};

// Sizes of the drawing surface and of the frustum derived from them.
struct TGLWindow {
  double Width = 0, Height = 0;
  double FrustumWidth = 0, FrustumHeight = 0;  // at the near plane: size / 1000
  double Width10 = 0, Height10 = 0;            // size / 100: pixels per unit at distance 10
};

class TGLViewerCore {
 public:
  using ViewerEvent = std::function<void(TGLViewerCore&)>;

  TGLViewerCore();
  virtual ~TGLViewerCore();
  TGLViewerCore(const TGLViewerCore&) = delete;
  TGLViewerCore& operator=(const TGLViewerCore&) = delete;

  // One frame. Paint passes true; captures pass false.
  void Render(bool notify);
  // Viewport and the projection of 1000 pixels per unit at distance 1.
  void SetSize(int width, int height);

  int ObjectCount() const { return Frame.AllObjects.Count(); }
  TGLObject* Objects(int i) const { return Frame.AllObjects[i]; }
  T3DVector VisibleMax() const;
  T3DVector VisibleMin() const;
  void FitObject(TGLObject& object);
  void FitAll();

  // Renders at scale times the client size into a framebuffer object.
  // Rows of the result run top to bottom, blue, green, red, alpha. A size
  // the GL cannot draw raises EFramebufferError with a message for the user.
  TBitmap32 RenderToBitmap(TBitmap32* bitmap, double scale);
  // The view a client of width x height shows, whatever the client's size
  // now: a recording keeps its first size when the window changes.
  TBitmap32 RenderAtSize(TBitmap32* bitmap, int width, int height);
  // GL_MAX_VIEWPORT_DIMS of the context.
  std::pair<int, int> MaxViewportDims();

  // X files into and out of the frame's meshes. Input stays disabled while
  // a file loads, and is enabled again whatever happens.
  void LoadXFile(const std::filesystem::path& fileName, const TXProgress& progress, bool append);
  void SaveXFile(const std::filesystem::path& fileName, const TXProgress& progress) const;

  uint32_t ScreenColor() const { return screenColor_; }
  void SetScreenColor(uint32_t colour);
  bool WireFrameLight() const { return wireFrameLight_; }
  void SetWireFrameLight(bool on);
  bool Multisample() const { return multisample_; }
  void SetMultisample(bool on);
  bool CullFaces() const { return cullFaces_; }
  void SetCullFaces(bool on);
  void ResetLighting();
  // Asks the window for a paint; a view without one has nothing to paint.
  virtual void Repaint() {}

  // Seconds between two microsecond counts taken as an unsigned 32-bit
  // difference, so a counter that wraps still gives the right time.
  static double FrameSeconds(uint32_t start, uint32_t end);
  static uint32_t Microseconds();

  bool Enabled = true;
  ViewerEvent OnChange, OnObjectChange, OnDisplayChanging, OnRender, OnDisplayChange, OnCreateWindow;

  uint32_t StartTime = 0, EndTime = 0;
  double FrameTime = 0, FramesPerSecond = 0;
  TGLColor WireFrameAmbient{1, 1, 1, 1};
  TGLColor SceneAmbient{0.1f, 0.1f, 0.1f, 0.1f};
  TGLWindow Window;
  TGLBaseFrame Frame;
  TGLLightArray Lights;
  TGLCamera Camera;
  std::unique_ptr<TGLFog> Fog;

 protected:
  // The window's part: make the context current, show the frame, say which
  // framebuffer is the window's, give the client size, ask for a repaint.
  virtual void MakeCurrent() = 0;
  virtual void SwapBuffers() = 0;
  virtual uint32_t WindowFramebuffer() const = 0;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual bool Terminating() const { return false; }

  // Objects made once the context exists: fog, the default objects, the
  // change hook, lighting and projection.
  void CreateWindowObjects();
  void ReleaseWindowObjects();
  // Destroys the scene's objects; their GL names go with them, so the
  // context must be current.
  void ReleaseSceneObjects();

  std::recursive_mutex criticalSection_;

 private:
  uint32_t screenColor_ = 0;
  bool wireFrameLight_ = false;
  bool multisample_ = false;
  bool cullFaces_ = true;
  uint32_t captureFramebuffer_ = 0;

  // Draws sw x sh pixels of the view of a cw x ch client.
  TBitmap32 RenderOffscreen(TBitmap32* bitmap, double sw, double sh, double cw, double ch);

  // Folds the visible objects' bounds with `fold`; (0,0,0) when none.
  template <class Get, class Fold>
  T3DVector VisibleBound(Get get, Fold fold) const;
};

}  // namespace lumora
