#pragma once
// Caves as glTF files: the walls, centreline, splays and stations of a cave
// scene become the file's meshes and nodes, in the colours the view gives
// them. The window saves the scene it shows; the exporter and the command
// line build the scene of a loaded model with their own options.

#include <filesystem>
#include <optional>

#include "app/core/CaveColors.h"
#include "app/core/GLCave.h"
#include "export/ExportMain.h"
#include "export/GltfFile.h"

namespace lumora {

struct TGltfRequest {
  TGltfFormat Format = TGltfFormat::Binary;
  // One colouring for walls and centreline; none: the exporter's options
  // (by depth where its boxes say, else the passage and line colours).
  std::optional<TWallColoring> Coloring;
};

// The exporter's glTF of the job's model: walls built with its wall
// settings, the passage and shot-line options of its VRML tab, splays
// when GLTFSplayChk is on, and the stations. The walls are the wall
// builder's faces, one mesh per survey; the colours those of the view. The
// job's passage options and state are left as they are.
TGltfCounts write_gltf(const std::filesystem::path& path, const TExportJob& job, const TGltfRequest& request);

// The scene as the window shows it: the objects that are visible, in their
// colours; `coloring` tells whether the walls' colours vary.
TGltfCounts SaveSceneGltf(const std::filesystem::path& path, const TCaveScene& scene, const TPlotModel& model,
                          const TPassageOptions& options, TWallColoring coloring);

}  // namespace lumora
