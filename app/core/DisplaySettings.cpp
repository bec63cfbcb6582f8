#include "app/core/DisplaySettings.h"

#include <algorithm>
#include <cmath>

#include "scene/GLHeaders.h"

namespace lumora {
namespace {

// Nearest, halves to even, held in the track; no number sits at 0.
int TrackPosition(double p) {
  if (std::isnan(p)) return 0;
  return static_cast<int>(std::nearbyint(std::clamp(p, 0.0, 100.0)));
}

}  // namespace

double ShininessOfTrack(int position) { return std::pow(128.0, position / 100.0) - 1; }

double SpecularOfTrack(int position) { return std::pow(256.0, position / 100.0) - 1; }

int MaterialTrack(double value) { return TrackPosition(100 * std::log(value + 1) / std::log(128.0)); }

float AmbientOfTrack(int position) { return static_cast<float>(position / 25.0 - 2); }

int AmbientTrack(float ambient) { return TrackPosition((static_cast<double>(ambient) + 2) * 25); }

const std::array<uint32_t, 9> kBlendSources = {GL_ZERO,
                                               GL_ONE,
                                               GL_DST_COLOR,
                                               GL_ONE_MINUS_DST_COLOR,
                                               GL_SRC_ALPHA,
                                               GL_ONE_MINUS_SRC_ALPHA,
                                               GL_DST_ALPHA,
                                               GL_ONE_MINUS_DST_ALPHA,
                                               GL_SRC_ALPHA_SATURATE};
const std::array<uint32_t, 8> kBlendDestinations = {GL_ZERO,      GL_ONE,
                                                    GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR,
                                                    GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                                                    GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA};
const std::array<uint32_t, 5> kBlendEquations = {GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT, GL_MIN,
                                                 GL_MAX};

void ApplyDrawStyle(TGLViewerCore& viewer, TGLRenderer& object, int style, bool cullFaces, bool interiorLighting,
                    bool forceFlat) {
  object.SetRenderStyle(static_cast<uint8_t>(style));
  if (forceFlat && object.RenderStyle() == 2) object.SetRenderStyle(1);
  viewer.SetCullFaces(cullFaces);
  object.SetTwoSided(interiorLighting);
  viewer.SetWireFrameLight(style == 0);
}

}  // namespace lumora
