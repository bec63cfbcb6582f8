#pragma once
// The view in a window: the viewer core on a Qt OpenGL widget with a
// compatibility-profile context, 24-bit depth and multisampling when the
// platform offers it.

#include <QOpenGLWidget>

#include <functional>

#include "viewer/GLViewerCore.h"

namespace lumora {

class TGLViewer : public QOpenGLWidget, public TGLViewerCore {
 public:
  explicit TGLViewer(QWidget* parent = nullptr);
  ~TGLViewer() override;

  // Renders at the scale and puts the picture on the clipboard.
  void CopyToClipboard(double scale);
  // Samples per pixel the context got (4, 2 or 0).
  int Samples() const;

  // Raised by every paint before the frame is drawn.
  std::function<void(TGLViewer&)> OnPaint;

  // The format asked for: compatibility profile, 24-bit depth, 4 samples.
  static QSurfaceFormat ViewFormat(int samples);

  void Repaint() override { update(); }

 protected:
  void initializeGL() override;
  void resizeGL(int w, int h) override;
  void paintGL() override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

  void MakeCurrent() override { makeCurrent(); }
  void SwapBuffers() override {}
  uint32_t WindowFramebuffer() const override { return defaultFramebufferObject(); }
  int ClientWidth() const override { return width(); }
  int ClientHeight() const override { return height(); }
  bool Terminating() const override;

 private:
  bool created_ = false;
};

}  // namespace lumora
