#pragma once
// glTF 2.0 files of a cave: groups of triangle and line meshes, stations as
// empty nodes, the georeference in the asset's extras; written as one
// binary .glb, or as JSON .gltf beside one .bin. Coordinates are glTF's:
// metres, +Y up, x east and z south, relative to the cave's centre.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Vector.h"

namespace lumora {

enum class TGltfFormat { Binary, Json };

// .gltf is JSON; anything else is binary.
TGltfFormat GltfFormatOf(const std::filesystem::path& path);

struct TGltfMaterial {
  std::string Name;
  uint32_t Color = 0xFFFFFF;  // 0x00BBGGRR in sRGB, as the program's colours
  double Alpha = 1;           // below 1 blends
  bool Unlit = false;         // lines: no light, as the view draws them
};

// One node with one mesh of one primitive.
struct TGltfMesh {
  std::string Name;
  bool Lines = false;            // line segments, else triangles
  std::vector<float> Positions;  // x, y, z of each vertex
  std::vector<float> Normals;    // unit, one per vertex; empty for lines
  // One per vertex, linear RGBA with red in the lowest byte; empty where
  // the material's colour holds.
  std::vector<uint32_t> Colors;
  std::vector<uint32_t> Indices;  // empty: the vertices in order
  int Material = 0;

  size_t VertexCount() const { return Positions.size() / 3; }
  size_t ElementCount() const { return Indices.empty() ? VertexCount() : Indices.size(); }
};

// A node whose children are the meshes, so a viewer can hide all at once.
struct TGltfGroup {
  std::string Name;
  std::vector<TGltfMesh> Meshes;
};

struct TGltfStation {
  std::string Name;
  T3DVector Position;  // glTF axes, metres from the centre
  double Depth = 0;    // metres below the highest station
};

struct TGltfCave {
  std::string Name;
  std::vector<TGltfMaterial> Materials;
  std::vector<TGltfGroup> Groups;
  std::vector<TGltfStation> Stations;
  // Where the origin lies in the cave's own coordinates: a coordinate
  // system (empty when the cave has none) and the offset taken out, east,
  // north and up in metres.
  std::string Crs;
  std::string CrsDescription;
  T3DVector Offset;
};

// Linear RGBA of a program colour (0x00BBGGRR in sRGB), alpha 255.
uint32_t GltfLinearColor(uint32_t srgb);

struct TGltfCounts {
  int64_t Meshes = 0;  // triangle meshes
  int64_t Triangles = 0;
  int64_t Segments = 0;  // line segments
  int64_t Bytes = 0;     // of every file written
};

// Writes the cave to `path` (and, as JSON, the .bin beside it) through
// temporary files renamed over the targets when whole. `progress` gets
// the percentage written. Throws EExport with the system's message.
TGltfCounts WriteGltf(const std::filesystem::path& path, const TGltfCave& cave, TGltfFormat format,
                      const std::function<void(int percent)>& progress = {});

// A JSON string: valid UTF-8 as it is, other bytes taken as Latin-1.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace lumora
