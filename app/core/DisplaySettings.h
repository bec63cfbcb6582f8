#pragma once
// What the display dialogs stand for in the scene: the track laws of the
// materials and lighting dialogs, the blend factors behind their radio
// items, and the draw style the rendering dialog applies.

#include <array>
#include <cstdint>

#include "scene/GLRenderer.h"
#include "viewer/GLViewerCore.h"

namespace lumora {

// Track positions run from 0 to 100.
double ShininessOfTrack(int position);  // 128^(p/100) − 1: 0 to 127
double SpecularOfTrack(int position);   // 256^(p/100) − 1: 0 to 255
// The position that shows a shininess or a specular component. Both load
// in base 128, the specular too, so a loaded specular track does not give
// back the value it came from.
int MaterialTrack(double value);
// The scene ambient of an ambient track position, p/25 − 2: −2 to 2.
float AmbientOfTrack(int position);
int AmbientTrack(float ambient);

// GL blend values in the order of the "Source Pixels", "Destination
// Pixels" and "Operator" radio items.
extern const std::array<uint32_t, 9> kBlendSources;
extern const std::array<uint32_t, 8> kBlendDestinations;
extern const std::array<uint32_t, 5> kBlendEquations;

// Draw style (0 wire frame, 1 flat, 2 smooth), back-face culling and
// interior (two-sided) lighting for one object; a forced-flat object takes
// flat for smooth. A wire frame lights the whole view evenly.
void ApplyDrawStyle(TGLViewerCore& viewer, TGLRenderer& object, int style, bool cullFaces, bool interiorLighting,
                    bool forceFlat);

}  // namespace lumora
