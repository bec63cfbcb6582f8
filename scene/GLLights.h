#pragma once
// The eight GL lights, placed in eye coordinates so they stay fixed to the
// viewer while the scene turns, and the fog state.

#include <array>
#include <cstdint>

#include "geometry/Vector.h"

namespace lumora {

class TGLLightSource {
 public:
  explicit TGLLightSource(uint32_t lightId = 0x4000 /* GL_LIGHT0 */) : LightId(lightId) {}

  void SetLightDefaults();
  void ApplyLight();

  bool LightEnabled = false;
  TGLColor Ambient{0, 0, 0, 1};
  TGLColor Diffuse{1, 1, 1, 1};
  TGLColor LightSpecular{1, 1, 1, 1};
  float SpotCutoff = 15;
  float LightPosition[4] = {8, 8, 16, 1};
  float SpotDirection[3] = {0, 0, -1};
  float LightDirection[4] = {0, 0, 1, 0};
  uint32_t LightId;
  uint8_t LightType = 0;  // 0 point, 1 spot, 2 directional
  float ConstantAttenuation = 1, LinearAttenuation = 0, QuadraticAttenuation = 0;
};

class TGLLightArray {
 public:
  static constexpr int kLights = 8;

  TGLLightArray();

  TGLLightSource& Lights(int i) { return lights_.at(i); }
  const TGLLightSource& Lights(int i) const { return lights_.at(i); }
  void ApplyLights();
  void ResetLights();

 private:
  std::array<TGLLightSource, kLights> lights_;
};

class TGLFog {
 public:
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  uint8_t Mode() const { return mode_; }
  void SetMode(uint8_t v);  // 0 linear, 1 exponential, 2 squared exponential
  float Density() const { return density_; }
  void SetDensity(float v);
  float Start() const { return start_; }
  void SetStart(float v);
  float End() const { return end_; }
  void SetEnd(float v);
  uint32_t Color() const { return color_; }
  void SetColor(uint32_t v);
  uint8_t Hint() const { return hint_; }
  void SetHint(uint8_t v);  // 0 fastest, 1 nicest

  // Sends the whole state to GL.
  void Apply() const;

 private:
  template <class T>
  void Store(T& field, T value) {
    if (field == value) return;
    field = value;
    Apply();
  }

  bool enabled_ = false;
  uint8_t mode_ = 2;
  float density_ = 0.1f;
  float start_ = 0, end_ = 1;
  uint32_t color_ = 0xFFFFFF;
  uint8_t hint_ = 1;
};

}  // namespace lumora
