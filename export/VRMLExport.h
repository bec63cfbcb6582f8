#pragma once
// The VRML writer: the survey as a VRML 2.0 world of two shapes, the
// passage walls and the shot lines, inside one transform, with background,
// viewpoint, materials, optional depth colours, texture and yaw animation.
// A small indented writer and a shape builder do the text; the cave part
// feeds them from the survey model and the wall builder.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "export/ExportMain.h"
#include "geometry/MappedArray.h"

namespace lumora {

struct TVRMLColor {
  double r = 0, g = 0, b = 0;
};
TVRMLColor VRMLColorOf(uint32_t rgb);  // 0x00BBGGRR, each channel / 255

// Indented text: +4 when a block opens, -4 (never below 0) after its
// closing line. Numbers are fixed-point with the current decimals.
class TVRMLWriter {
 public:
  explicit TVRMLWriter(std::string& out) : out_(out) {}

  void SetDecimals(int decimals) { decimals_ = decimals; }
  int Decimals() const { return decimals_; }
  int Indent() const { return indent_; }

  void Line(std::string_view text);
  void OpenBlock(std::string_view keyword, std::string_view bracket);
  void CloseBlock() { CloseWith("}"); }
  void CloseList() { CloseWith("]"); }
  void Def(std::string_view name);

  // Pieces for building a line.
  std::string Number(double v) const { return FixedString(v, decimals_); }
  std::string Vector(const T3DVector& v) const;
  std::string Rotation(const T3DVector& axis, double angle) const;
  static const char* Boolean(bool b) { return b ? "TRUE" : "FALSE"; }
  void ColorField(std::string_view name, const TVRMLColor& c);

  // Raw output for the long lists.
  void Break();  // a line break and the indentation
  std::string& Out() { return out_; }

 private:
  void CloseWith(std::string_view bracket);

  std::string& out_;
  int indent_ = 0;
  int decimals_ = 5;
};

// Vertices in first-seen order; a vertex whose coordinates all equal (==)
// those of one already held gets that vertex's index. Open addressing, so
// lookups stay constant time with millions of vertices.
class TVertexTable {
 public:
  int IndexOrAdd(const T3DVector& v) { return IndexOrAdd(v, Hash(v)); }
  // Room for `count` vertices without growing; a guess, not a limit.
  void Reserve(size_t count);
  int Count() const { return static_cast<int>(vertices_.size()); }
  const T3DVector& operator[](int i) const { return vertices_[static_cast<size_t>(i)]; }
  void Clear();

 private:
  struct Slot {
    uint32_t index;  // vertex index + 1; 0 is empty
    uint32_t tag;    // upper bits of the hash
  };
  friend class TVRMLShape;
  static uint64_t Hash(const T3DVector& v);
  int IndexOrAdd(const T3DVector& v, uint64_t hash);
  // The index of v when the vertices last seen hold it, else -1.
  int Recent(const T3DVector& v, uint64_t hash) const {
    const uint32_t r = recent_[RecentSlot(hash)];
    if (r == 0) return -1;
    const T3DVector& q = vertices_[r - 1];
    return q.x == v.x && q.y == v.y && q.z == v.z ? static_cast<int>(r - 1) : -1;
  }
  static size_t RecentSlot(uint64_t hash) { return (hash >> 20) & (kRecent - 1); }
  void Prefetch(uint64_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(slots_.data() + (hash & mask_));
  }
  void Grow(size_t size);

  TMappedArray<T3DVector> vertices_;
  TMappedArray<Slot> slots_;
  size_t mask_ = 0;
  // The vertices last seen, by hash: walls meet the same corners a few
  // quads apart, so most lookups end here without touching the big table.
  static constexpr size_t kRecent = 4096;
  std::vector<uint32_t> recent_ = std::vector<uint32_t>(kRecent, 0);  // index + 1
};

// One shape's data: vertices shared by exact match, in first-seen order;
// polygons as index runs ended by -1; colours and colour indexes.
class TVRMLShape {
 public:
  void Clear();
  // Expected sizes, so that millions of vertices need no regrowing.
  void Reserve(size_t vertices, size_t indexes);
  // Any number of vertices; each is looked up or added, then -1 ends the run.
  void AddPolygon(const T3DVector* points, int count);
  // Settles the corners still waiting for the big table; the vertices and
  // the indexes are complete only after it.
  void Finish();
  int VertexCount() const { return vertices_.Count(); }
  const T3DVector& Vertex(int i) const { return vertices_[i]; }
  TMappedArray<int32_t>& CoordIndex() { return coordIndex_; }
  std::vector<TVRMLColor>& Colors() { return colors_; }
  TMappedArray<int32_t>& ColorIndex() { return colorIndex_; }
  const T3DVector& Min() const { return min_; }
  const T3DVector& Max() const { return max_; }

 private:
  // A corner the recent vertices did not know: its slot of the big table
  // is fetched early and read a few corners later, so that the misses of
  // a table far bigger than the caches overlap instead of queueing.
  struct TWaiting {
    T3DVector point;
    uint64_t hash;
    size_t at;  // its place in coordIndex_
  };
  static constexpr size_t kAhead = 16;
  void SettleOldest();

  TVertexTable vertices_;
  TMappedArray<int32_t> coordIndex_;
  std::vector<TVRMLColor> colors_;
  TMappedArray<int32_t> colorIndex_;
  TWaiting waiting_[kAhead];
  size_t firstWaiting_ = 0, waitingCount_ = 0;
  T3DVector min_{1e99, 1e99, 1e99}, max_{-1e99, -1e99, -1e99};
};

// Index into the 23-colour depth palette of a point whose z relative to the
// plot centre is z; kept inside the palette.
int DepthColorIndex(const TPlotInfo& info, double z);

// Writes the loaded survey to `path` with the job's options. On failure
// throws EExport with the system's message; the target is then untouched.
void write_vrml(const std::filesystem::path& path, const TExportJob& job);

}  // namespace lumora
