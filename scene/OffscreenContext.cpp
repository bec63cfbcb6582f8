#include "scene/OffscreenContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <string>

#include "scene/GLHeaders.h"

namespace lumora {

namespace {

EGLDisplay SurfacelessDisplay() {
  auto getDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getDisplay) throw EGLContextError("EGL: eglGetPlatformDisplayEXT is missing");
  EGLDisplay d = getDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (d == EGL_NO_DISPLAY) throw EGLContextError("EGL: no surfaceless display");
  return d;
}

std::string Hex(unsigned v) {
  static const char* digits = "0123456789ABCDEF";
  std::string s = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) s += digits[(v >> shift) & 0xF];
  return s;
}

}  // namespace

TOffscreenContext::TOffscreenContext(int width, int height) : width_(width), height_(height) {
  if (width <= 0 || height <= 0) throw EGLContextError("EGL: empty framebuffer size");
  EGLDisplay d = SurfacelessDisplay();
  EGLint major = 0, minor = 0;
  if (!eglInitialize(d, &major, &minor)) throw EGLContextError("EGL: initialisation failed, " + Hex(eglGetError()));
  display_ = d;
  if (!eglBindAPI(EGL_OPENGL_API)) {
    eglTerminate(d);
    throw EGLContextError("EGL: desktop OpenGL is not available");
  }
  // No window: the surface type must not default to windows. Without any
  // configuration, a context with none still draws into framebuffers.
  const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (!eglChooseConfig(d, configAttribs, &config, 1, &count) || count < 1) config = EGL_NO_CONFIG_KHR;
  const EGLint contextAttribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                   EGL_NONE};
  EGLContext c = eglCreateContext(d, config, EGL_NO_CONTEXT, contextAttribs);
  if (c == EGL_NO_CONTEXT) {
    eglTerminate(d);
    throw EGLContextError("EGL: context creation failed, " + Hex(eglGetError()));
  }
  context_ = c;
  if (!eglMakeCurrent(d, EGL_NO_SURFACE, EGL_NO_SURFACE, c)) {
    eglDestroyContext(d, c);
    eglTerminate(d);
    throw EGLContextError("EGL: surfaceless make-current failed, " + Hex(eglGetError()));
  }
  MakeTarget();
}

TOffscreenContext::~TOffscreenContext() {
  MakeCurrent();
  ReleaseTarget();
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(display_, context_);
  eglTerminate(display_);
}

void TOffscreenContext::MakeCurrent() {
  if (eglGetCurrentContext() != context_) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
}

void TOffscreenContext::MakeTarget() {
  glGenFramebuffers(1, &fbo_);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
  glGenRenderbuffers(1, &colour_);
  glBindRenderbuffer(GL_RENDERBUFFER, colour_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width_, height_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
  glGenRenderbuffers(1, &depth_);
  glBindRenderbuffer(GL_RENDERBUFFER, depth_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width_, height_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  if (status != GL_FRAMEBUFFER_COMPLETE) throw EGLContextError("EGL: framebuffer incomplete, " + Hex(status));
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glViewport(0, 0, width_, height_);
}

void TOffscreenContext::ReleaseTarget() {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (colour_) glDeleteRenderbuffers(1, &colour_);
  if (depth_) glDeleteRenderbuffers(1, &depth_);
  if (fbo_) glDeleteFramebuffers(1, &fbo_);
  colour_ = depth_ = fbo_ = 0;
}

void TOffscreenContext::Resize(int width, int height) {
  if (width <= 0 || height <= 0) throw EGLContextError("EGL: empty framebuffer size");
  MakeCurrent();
  ReleaseTarget();
  width_ = width;
  height_ = height;
  MakeTarget();
}

std::vector<uint8_t> TOffscreenContext::ReadPixels() {
  MakeCurrent();
  std::vector<uint8_t> pixels(static_cast<size_t>(width_) * height_ * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

}  // namespace lumora
