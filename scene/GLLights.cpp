#include "scene/GLLights.h"

#include "geometry/GLMatrix.h"
#include "scene/GLHeaders.h"

namespace lumora {

void TGLLightSource::SetLightDefaults() {
  const uint32_t id = LightId;
  const bool enabled = LightEnabled;
  *this = TGLLightSource(id);
  LightEnabled = enabled;
}

void TGLLightSource::ApplyLight() {
  if (!LightEnabled) {
    glDisable(LightId);
    return;
  }
  glEnable(LightId);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glLightfv(LightId, GL_AMBIENT, &Ambient.r);
  glLightfv(LightId, GL_DIFFUSE, &Diffuse.r);
  glLightfv(LightId, GL_SPECULAR, &LightSpecular.r);
  glLightf(LightId, GL_CONSTANT_ATTENUATION, ConstantAttenuation);
  glLightf(LightId, GL_LINEAR_ATTENUATION, LinearAttenuation);
  glLightf(LightId, GL_QUADRATIC_ATTENUATION, QuadraticAttenuation);
  switch (LightType) {
    case 1:
      glLightf(LightId, GL_SPOT_CUTOFF, SpotCutoff);
      glLightfv(LightId, GL_SPOT_DIRECTION, SpotDirection);
      glLightfv(LightId, GL_POSITION, LightPosition);
      break;
    case 2:
      glLightf(LightId, GL_SPOT_CUTOFF, 180);
      LightDirection[3] = 0;
      glLightfv(LightId, GL_POSITION, LightDirection);
      break;
    default:
      glLightf(LightId, GL_SPOT_CUTOFF, 180);
      LightPosition[3] = 1;
      glLightfv(LightId, GL_POSITION, LightPosition);
      break;
  }
}

TGLLightArray::TGLLightArray() {
  for (int i = 0; i < kLights; ++i) lights_[i] = TGLLightSource(GL_LIGHT0 + i);
}

void TGLLightArray::ApplyLights() {
  for (TGLLightSource& l : lights_) l.ApplyLight();
}

void TGLLightArray::ResetLights() {
  for (TGLLightSource& l : lights_) l.SetLightDefaults();
}

void TGLFog::SetEnabled(bool v) { Store(enabled_, v); }
void TGLFog::SetMode(uint8_t v) { Store(mode_, v); }
void TGLFog::SetDensity(float v) { Store(density_, v); }
void TGLFog::SetStart(float v) { Store(start_, v); }
void TGLFog::SetEnd(float v) { Store(end_, v); }
void TGLFog::SetColor(uint32_t v) { Store(color_, v); }
void TGLFog::SetHint(uint8_t v) { Store(hint_, v); }

void TGLFog::Apply() const {
  if (enabled_)
    glEnable(GL_FOG);
  else
    glDisable(GL_FOG);
  static constexpr GLint kModes[3] = {GL_LINEAR, GL_EXP, GL_EXP2};
  glFogi(GL_FOG_MODE, kModes[mode_ < 3 ? mode_ : 2]);
  glFogf(GL_FOG_DENSITY, density_);
  const TGLColor c = ColorToGL(color_, 1);
  glFogfv(GL_FOG_COLOR, &c.r);
  glFogf(GL_FOG_START, start_);
  glFogf(GL_FOG_END, end_);
  glHint(GL_FOG_HINT, hint_ == 0 ? GL_FASTEST : GL_NICEST);
}

}  // namespace lumora
