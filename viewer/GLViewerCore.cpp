#include "viewer/GLViewerCore.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

#include "geometry/NumberText.h"
#include "meshfiles/GLXFileReader.h"
#include "meshfiles/GLXFileWriter.h"
#include "scene/GLFastMesh.h"
#include "scene/GLFonts.h"
#include "scene/GLHeaders.h"
#include "scene/GLLines.h"
#include "scene/GLMesh.h"
#include "viewer/QtGlyphSource.h"

namespace lumora {

TGLViewerCore::TGLViewerCore() {
  Lights.Lights(0).LightEnabled = true;
  Frame.SetName("BaseFrame");
}

TGLViewerCore::~TGLViewerCore() { Frame.OnChange = nullptr; }

uint32_t TGLViewerCore::Microseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

double TGLViewerCore::FrameSeconds(uint32_t start, uint32_t end) {
  return static_cast<uint32_t>(end - start) / 1000000.0;
}

void TGLViewerCore::CreateWindowObjects() {
  Fog = std::make_unique<TGLFog>();
  InstallQtGlyphSource();
  Frame.Strings3D.AddNew()->SetName("BaseString");
  Frame.Meshes.AddNew()->SetName("BaseMesh");
  Frame.FastMeshes.AddNew()->SetName("BaseFastMesh");
  Frame.Lines.AddNew()->SetName("BaseLines");
  Frame.OnChange = [this](TGLObject&) {
    if (OnObjectChange) OnObjectChange(*this);
    if (OnChange) OnChange(*this);
    Repaint();
  };
  ResetLighting();
  SetSize(ClientWidth(), ClientHeight());
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_DEPTH_TEST);
  auto* mesh = static_cast<TGLMesh*>(Frame.Meshes[0]);
  mesh->Clear();
  mesh->ResetOrientation();
  glDisable(GL_MULTISAMPLE);
  multisample_ = false;
  if (OnCreateWindow) OnCreateWindow(*this);
}

void TGLViewerCore::ReleaseWindowObjects() { Frame.OnChange = nullptr; }

void TGLViewerCore::ReleaseSceneObjects() {
  Frame.Meshes.Clear();
  Frame.FastMeshes.Clear();
  Frame.Strings3D.Clear();
  Frame.Strings2D.Clear();
  Frame.Lines.Clear();
  Frame.Points.Clear();
  Frame.Frames.Clear();
}

void TGLViewerCore::SetSize(int width, int height) {
  Window.Width = width;
  Window.Height = height;
  Window.FrustumWidth = width / 1000.0;
  Window.FrustumHeight = height / 1000.0;
  Window.Width10 = width / 100.0;
  Window.Height10 = height / 100.0;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-width / 2000.0, width / 2000.0, -height / 2000.0, height / 2000.0, 1.0, 1000000.0);
  glMatrixMode(GL_MODELVIEW);
}

void TGLViewerCore::Render(bool notify) {
  if (Terminating()) return;
  std::lock_guard lock(criticalSection_);
  StartTime = Microseconds();
  MakeCurrent();
  if (captureFramebuffer_) glBindFramebuffer(GL_FRAMEBUFFER, captureFramebuffer_);
  glMatrixMode(GL_MODELVIEW);
  const TGLColor clear = ColorToGL(screenColor_, 1);
  glClearColor(clear.r, clear.g, clear.b, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_NORMALIZE);
  glCullFace(GL_BACK);
  if (cullFaces_)
    glEnable(GL_CULL_FACE);
  else
    glDisable(GL_CULL_FACE);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_LIGHTING);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, wireFrameLight_ ? &WireFrameAmbient.r : &SceneAmbient.r);
  Lights.ApplyLights();
  if (OnDisplayChanging) OnDisplayChanging(*this);
  glLoadIdentity();
  gluLookAt(Camera.Eye.x, Camera.Eye.y, Camera.Eye.z, Camera.Centre.x, Camera.Centre.y, Camera.Centre.z, Camera.Up.x,
            Camera.Up.y, Camera.Up.z);
  Frame.RenderScene();
  if (OnRender) OnRender(*this);
  SwapBuffers();
  EndTime = Microseconds();
  FrameTime = FrameSeconds(StartTime, EndTime);
  FramesPerSecond = 1 / FrameTime;
  if (notify) {
    if (OnChange) OnChange(*this);
    if (OnDisplayChange) OnDisplayChange(*this);
  }
}

template <class Get, class Fold>
T3DVector TGLViewerCore::VisibleBound(Get get, Fold fold) const {
  T3DVector v;
  bool first = true;
  for (int i = 0; i < ObjectCount(); ++i) {
    const TGLObject* o = Objects(i);
    if (!o->Visible) continue;
    v = first ? get(o) : fold(v, get(o));
    first = false;
  }
  return v;
}

T3DVector TGLViewerCore::VisibleMax() const {
  return VisibleBound([](const TGLObject* o) { return o->GetMax(); },
                      [](const T3DVector& a, const T3DVector& b) { return MaxVector(a, b); });
}

T3DVector TGLViewerCore::VisibleMin() const {
  return VisibleBound([](const TGLObject* o) { return o->GetMin(); },
                      [](const T3DVector& a, const T3DVector& b) { return MinVector(a, b); });
}

void TGLViewerCore::FitObject(TGLObject& object) {
  const double l = Length(Subtract(object.GetMax(), object.GetMin()));
  const double b = 100 * l / ClientWidth();
  object.Position.z = -10 * b;
  object.HomePosition = object.Position;
}

void TGLViewerCore::FitAll() {
  const double l = Length(Subtract(VisibleMax(), VisibleMin()));
  const double b = 100 * l / ClientWidth();
  for (int i = 0; i < ObjectCount(); ++i) {
    TGLObject* o = Objects(i);
    if (o == &Frame) continue;
    o->ResetOrientation();
    o->Position.z = -(10 * b - Camera.Eye.z);
    o->HomePosition = o->Position;
  }
}

void TGLViewerCore::SetScreenColor(uint32_t colour) {
  screenColor_ = colour;
  Repaint();
}

void TGLViewerCore::SetWireFrameLight(bool on) {
  if (on == wireFrameLight_) return;
  wireFrameLight_ = on;
  Repaint();
}

void TGLViewerCore::SetMultisample(bool on) {
  multisample_ = on;
  MakeCurrent();
  if (on)
    glEnable(GL_MULTISAMPLE);
  else
    glDisable(GL_MULTISAMPLE);
  Repaint();
}

void TGLViewerCore::SetCullFaces(bool on) {
  if (on == cullFaces_) return;
  cullFaces_ = on;
  Repaint();
}

void TGLViewerCore::ResetLighting() {
  Lights.ResetLights();
  SceneAmbient = TGLColor{0.1f, 0.1f, 0.1f, 0.1f};
}

std::pair<int, int> TGLViewerCore::MaxViewportDims() {
  MakeCurrent();
  GLint dims[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
  return {dims[0], dims[1]};
}

TBitmap32 TGLViewerCore::RenderToBitmap(TBitmap32* bitmap, double scale) {
  const double cw = ClientWidth(), ch = ClientHeight();
  return RenderOffscreen(bitmap, std::nearbyint(cw * scale), std::nearbyint(ch * scale), cw, ch);
}

TBitmap32 TGLViewerCore::RenderAtSize(TBitmap32* bitmap, int width, int height) {
  return RenderOffscreen(bitmap, width, height, width, height);
}

TBitmap32 TGLViewerCore::RenderOffscreen(TBitmap32* bitmap, double sw, double sh, double cw, double ch) {
  std::lock_guard lock(criticalSection_);
  if (!(sw >= 1 && sh >= 1)) throw EFramebufferError("Error in framebuffer activation: bitmap size out of range");
  // Past these sizes the driver would refuse the buffers or clip the view,
  // and past 2^28 pixels the picture would take gigabytes.
  const auto [viewportW, viewportH] = MaxViewportDims();
  GLint renderbuffer = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
  const int maxW = std::min(viewportW, renderbuffer), maxH = std::min(viewportH, renderbuffer);
  auto size = [](double a, double b) { return FixedText(a, 0) + " x " + FixedText(b, 0); };
  if (sw > maxW || sh > maxH)
    throw EFramebufferError("A picture of " + size(sw, sh) +
                            " pixels is larger than this graphics system can draw (at most " + size(maxW, maxH) + ").");
  if (sw * sh > 1 << 28)
    throw EFramebufferError("A picture of " + size(sw, sh) + " pixels is larger than this program draws (at most " +
                            std::to_string(1 << 28) + " pixels).");
  const int w = static_cast<int>(sw), h = static_cast<int>(sh);
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);

  GLuint fbo = 0, buffers[2] = {0, 0};
  glGenFramebuffers(1, &fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glGenRenderbuffers(2, buffers);
  glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, w, h);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffers[0]);
  glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA, w, h);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[1]);
  auto release = [&] {
    captureFramebuffer_ = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, WindowFramebuffer());
    glDeleteRenderbuffers(2, buffers);
    glDeleteFramebuffers(1, &fbo);
  };
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    release();
    throw EFramebufferError("Error in framebuffer activation: " + std::to_string(status));
  }
  captureFramebuffer_ = fbo;
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glMatrixMode(GL_PROJECTION);
  glViewport(0, 0, w, h);
  glLoadIdentity();
  glFrustum(-cw / 2000, cw / 2000, -ch / 2000, ch / 2000, 1.0, 1000000.0);
  glMatrixMode(GL_MODELVIEW);
  try {
    Render(false);
  } catch (...) {
    release();
    SetSize(ClientWidth(), ClientHeight());
    throw;
  }
  // A framebuffer object has no front buffer: read its colour attachment.
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
  release();

  TBitmap32 local;
  TBitmap32& out = bitmap ? *bitmap : local;
  out.Width = w;
  out.Height = h;
  out.Data.resize(pixels.size());
  const size_t stride = static_cast<size_t>(w) * 4;
  for (int y = 0; y < h; ++y) std::memcpy(out.Row(h - 1 - y), pixels.data() + y * stride, stride);

  SetSize(ClientWidth(), ClientHeight());
  Render(false);
  return out;
}

void TGLViewerCore::LoadXFile(const std::filesystem::path& fileName, const TXProgress& progress, bool append) {
  Enabled = false;
  try {
    ReadXFile(fileName, Frame, progress, append);
  } catch (...) {
    Enabled = true;
    throw;
  }
  Enabled = true;
}

void TGLViewerCore::SaveXFile(const std::filesystem::path& fileName, const TXProgress& progress) const {
  WriteXFile(fileName, Frame, progress);
}

}  // namespace lumora
