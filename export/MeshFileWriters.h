#pragma once
// Passage walls as triangle mesh files for 3D printing and other viewers:
// binary STL and Wavefront OBJ. The collector takes exactly the faces the
// wall builder emits, each quad as two triangles, in the builder's outward
// winding, and shares vertices that are bitwise equal.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "passage/PassageLib.h"

namespace lumora {

class TMeshCollector {
 public:
  using TTriangleIndices = std::array<uint32_t, 3>;

  void AddTriangle(const T3DVector& a, const T3DVector& b, const T3DVector& c);
  // Split along p1-p3; the winding of the quad is kept.
  void AddQuad(const T3DVector& p1, const T3DVector& p2, const T3DVector& p3, const T3DVector& p4);

  // Procedures for BuildPassages that add to this collector; the triangle
  // procedure reverses the first end's cap as the builder requires.
  TQuadProc QuadProc();
  TTriangleProc TriangleProc();

  const std::vector<T3DVector>& Vertices() const { return vertices_; }
  const std::vector<TTriangleIndices>& Triangles() const { return triangles_; }

  // Volume enclosed by the triangles, positive when they face outwards.
  double SignedVolume() const;

 private:
  struct KeyHash {
    size_t operator()(const std::array<uint64_t, 3>& k) const;
  };
  uint32_t VertexIndex(const T3DVector& p);

  std::vector<T3DVector> vertices_;
  std::vector<TTriangleIndices> triangles_;
  std::unordered_map<std::array<uint64_t, 3>, uint32_t, KeyHash> index_;
};

// The file images. Binary STL holds single-precision little-endian values.
std::string StlBytes(const TMeshCollector& mesh, const std::string& title);
std::string ObjText(const TMeshCollector& mesh, const std::string& title);

// Written to a temporary file beside the target, then renamed over it.
// Throw std::runtime_error naming the file on failure.
void WriteStlFile(const std::filesystem::path& path, const TMeshCollector& mesh, const std::string& title);
void WriteObjFile(const std::filesystem::path& path, const TMeshCollector& mesh, const std::string& title);

}  // namespace lumora
