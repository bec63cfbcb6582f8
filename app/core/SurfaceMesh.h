#pragma once
// The terrain surfaces of a Therion model as textured meshes of the scene,
// so that the cave can be seen under the hill.

#include <functional>
#include <string_view>

#include "images/Bitmap32.h"
#include "model/PlotArray.h"
#include "passage/PassageLib.h"
#include "scene/GLMesh.h"

namespace lumora {

// Turns an image file's bytes into a bitmap; false when it cannot.
using TImageDecodeProc = std::function<bool(std::string_view bytes, TBitmap32& image)>;

// Fills the cleared mesh with the grid's triangles in scene coordinates,
// each facing up. With an image of pixels, the image becomes the mesh's
// texture, placed by the grid's calibrated pixels; the colour is then white
// so that the map shows as it is.
void BuildSurfaceMesh(const TSurfaceGrid& grid, const TPlotModel& model, const TPassageOptions& options,
                      const TBitmap32* image, TGLMesh& mesh);

struct TCaveScene;
// One mesh per grid of the model into the scene's surface frame, which
// keeps its visibility; images are decoded by `decode`.
void SetSurfaces(const TPlotModel& model, const TPassageOptions& options, const TCaveScene& scene,
                 const TImageDecodeProc& decode);
// Transparency of every surface, in percent; blended when above 0.
void SetSurfaceTransparency(const TCaveScene& scene, double percent);

}  // namespace lumora
