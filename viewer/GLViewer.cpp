#include "viewer/GLViewer.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QSurfaceFormat>

#include "scene/GLHeaders.h"

namespace lumora {

QSurfaceFormat TGLViewer::ViewFormat(int samples) {
  QSurfaceFormat f;
  f.setRenderableType(QSurfaceFormat::OpenGL);
  f.setProfile(QSurfaceFormat::CompatibilityProfile);
  f.setVersion(2, 1);
  f.setRedBufferSize(8);
  f.setGreenBufferSize(8);
  f.setBlueBufferSize(8);
  f.setAlphaBufferSize(8);
  f.setDepthBufferSize(24);
  f.setStencilBufferSize(0);
  f.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  f.setSamples(samples);
  return f;
}

TGLViewer::TGLViewer(QWidget* parent) : QOpenGLWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
  // Qt falls back to fewer samples, then none, when 4 are not offered.
  setFormat(ViewFormat(4));
  // A paint that draws nothing (while a load runs) keeps the picture shown
  // rather than an undefined one.
  setUpdateBehavior(QOpenGLWidget::PartialUpdate);
}

TGLViewer::~TGLViewer() {
  ReleaseWindowObjects();
  if (created_) {
    makeCurrent();
    ReleaseSceneObjects();
    doneCurrent();
  }
}

int TGLViewer::Samples() const { return context() ? context()->format().samples() : 0; }

bool TGLViewer::Terminating() const { return QCoreApplication::closingDown(); }

void TGLViewer::initializeGL() {
  CreateWindowObjects();
  created_ = true;
}

void TGLViewer::resizeGL(int w, int h) { SetSize(w, h); }

void TGLViewer::paintGL() {
  if (!Enabled) return;
  if (OnPaint) OnPaint(*this);
  glRenderMode(GL_RENDER);
  Render(true);
}

void TGLViewer::mousePressEvent(QMouseEvent* event) {
  QOpenGLWidget::mousePressEvent(event);
  setFocus();
}

void TGLViewer::mouseReleaseEvent(QMouseEvent* event) {
  QOpenGLWidget::mouseReleaseEvent(event);
  setFocus();
}

void TGLViewer::CopyToClipboard(double scale) {
  const TBitmap32 b = RenderToBitmap(nullptr, scale);
  QImage image(b.Data.data(), b.Width, b.Height, b.Width * 4, QImage::Format_RGB32);
  QGuiApplication::clipboard()->setImage(image.copy());
}

}  // namespace lumora
