#pragma once
// What a Therion model adds to the survey model: the walls the surveyors drew
// (one closed triangle mesh per scrap), terrain grids with their map images,
// and the flags of its stations. Lengths are in feet, like the records.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Vector.h"
#include "model/StationNames.h"

namespace lumora {

struct TScrapMesh {
  int32_t Survey = -1;     // in TPlotModel::Surveys; -1 when that survey holds no records
  std::string SurveyName;  // the whole dotted name of the scrap's survey
  std::vector<T3DVector> Points;
  std::vector<std::array<uint32_t, 3>> Triangles;
};

// Each edge used once each way wherever the mesh is closed, and the volume
// positive: the triangles turn so that their normals point out of the cave.
// Triangles that repeat a point are dropped. One orienter reused over many
// meshes allocates only for the biggest.
class TMeshOrienter {
 public:
  void Orient(TScrapMesh& mesh);

 private:
  struct TSlot {
    uint64_t Key;  // the edge's two points, lower first; all ones when empty
    uint32_t Id;   // its first half-edge: triangle * 3 + corner
  };
  std::vector<TSlot> table_;
  std::vector<uint32_t> across_, stack_, component_;
  std::vector<int8_t> flip_;
};
inline void OrientScrapMesh(TScrapMesh& mesh) { TMeshOrienter().Orient(mesh); }
// Six times the signed volume enclosed, in cubic feet.
double SignedVolume6(const TScrapMesh& mesh);

enum class TImageKind : uint8_t { None, Jpeg, Png };
// Told from the image's first bytes, whatever a file says it is.
TImageKind ImageKindOf(std::string_view bytes);

struct TSurfaceGrid {
  uint32_t Width = 0, Height = 0;  // nodes in a row, rows
  std::vector<T3DVector> Nodes;    // row-major, row 0 at the grid's origin
  // The map image's bytes, and each node's pixel in it (origin at the lower
  // left, Y up); empty when the grid has no usable image.
  std::string Image;
  TImageKind Kind = TImageKind::None;
  std::vector<std::array<float, 2>> Pixels;
};

struct TSurveyMeshes {
  std::vector<TScrapMesh> Scraps;
  std::vector<TSurfaceGrid> Surfaces;

  void Clear() {
    Scraps.clear();
    Surfaces.clear();
  }
  size_t TriangleCount() const {
    size_t n = 0;
    for (const TScrapMesh& s : Scraps) n += s.Triangles.size();
    return n;
  }
};

}  // namespace lumora
