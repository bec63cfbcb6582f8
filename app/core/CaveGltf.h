#pragma once
// Caves as glTF files: the walls, centreline, splays and stations of a cave
// scene become the file's meshes and nodes, in the colours the view gives
// them. The window saves the scene it shows; the exporter and the command
// line build the scene of a loaded model with their own options.

#include <filesystem>
#include <optional>
#include <vector>

#include "app/core/CaveColors.h"
#include "app/core/GLCave.h"
#include "export/ExportMain.h"
#include "export/GltfFile.h"

namespace lumora {

// What of a scene goes into the file; objects left null stay out. Colours
// are 0x00BBGGRR; an object without its own colours is drawn in one.
struct TGltfParts {
  const TGLFastMesh* Walls = nullptr;
  const TSurveyRuns* WallSurveys = nullptr;  // the survey of each wall triangle
  bool WallVertexColors = false;
  uint32_t WallColor = 0x0000FF;
  double WallAlpha = 1;
  const TGLLines* Centreline = nullptr;
  bool LineVertexColors = false;
  uint32_t LineColor = 0xFFFF00;
  const TGLLines* Splays = nullptr;
  uint32_t SplayColor = 0x00FFFF;
  bool Stations = true;
};

// The passage walls as one triangle mesh per survey, in the order the
// surveys' walls come, with the material index given; the one source of
// the file's wall meshes. `options` are those the scene was built with.
std::vector<TGltfMesh> GltfWallMeshes(const TGltfParts& parts, const TPlotModel& model, const TPassageOptions& options,
                                      int material);

TGltfCave GltfCaveOf(const TGltfParts& parts, const TPlotModel& model, const TPassageOptions& options);

struct TGltfRequest {
  TGltfFormat Format = TGltfFormat::Binary;
  // One colouring for walls and centreline; none: the exporter's options
  // (by depth where its boxes say, else the passage and line colours).
  std::optional<TWallColoring> Coloring;
};

// The exporter's glTF of the job's model: walls built with its wall
// settings, the passage and shot-line options of its VRML tab, splays
// when GLTFSplayChk is on, and the stations.
TGltfCounts write_gltf(const std::filesystem::path& path, const TExportJob& job, const TGltfRequest& request);

// The scene as the window shows it: the objects that are visible, in their
// colours; `coloring` tells whether the walls' colours vary.
TGltfCounts SaveSceneGltf(const std::filesystem::path& path, const TCaveScene& scene, const TPlotModel& model,
                          const TPassageOptions& options, TWallColoring coloring);

}  // namespace lumora
