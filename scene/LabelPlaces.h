#pragma once
// Where each frame puts the labels anchored at scene points. What that
// needs of a label (its point, the width of its line) is gathered once,
// in blocks of neighbouring labels that a view passes over whole when
// they all lie outside it, and the rest are projected on every core.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/GLMatrix.h"
#include "geometry/Vector.h"
#include "scene/LabelThinning.h"

namespace lumora {

class TGLStringInfo {
 public:
  T3DVector Position;
  uint8_t Mode = 0;  // 0 window point, 1 and 2 scene point
};

// A big cave has a label a station: the lines are found at each draw
// rather than kept, and the info is held inline.
struct TGLLabel {
  std::string Text;
  TGLStringInfo Info;
  uint8_t Rank = 0;  // thinning keeps lower ranks first
};

// Calls f(index, line) for each line of a text, split at CR, LF or CR LF;
// a final break ends the last line rather than starting an empty one.
template <class F>
void ForEachLine(std::string_view text, F&& f) {
  size_t start = 0, index = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    f(index++, text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) f(index, text.substr(start));
}

// Clip coordinates of p under projection * modelview (column-major).
inline void ClipPoint(const TMatrix4& mv, const TMatrix4& pr, const T3DVector& p, double out[4]) {
  const double v[4] = {p.x, p.y, p.z, 1};
  double e[4];
  for (int r = 0; r < 4; ++r) e[r] = mv[r] * v[0] + mv[4 + r] * v[1] + mv[8 + r] * v[2] + mv[12 + r] * v[3];
  for (int r = 0; r < 4; ++r) out[r] = pr[r] * e[0] + pr[4 + r] * e[1] + pr[8 + r] * e[2] + pr[12 + r] * e[3];
}

// The frame the labels are placed in: its matrices, its viewport and the
// height of a line in pixels.
struct TLabelView {
  TMatrix4 Modelview, Projection;
  double X = 0, Y = 0, Width = 0, Height = 0;
  double LineHeight = 0;
};

// Which line of which label a spot holds.
struct TLabelLine {
  uint32_t Label = 0, Line = 0;
};

class TLabelPlaces {
 public:
  // The labels or their glyphs changed.
  void Invalidate() { ready_ = false; }
  // Gathers the labels at points (mode 2) unless that is done; by rank,
  // each group holds the labels of one rank, lowest first, else one
  // group holds all.
  void Prepare(const std::vector<TGLLabel>& labels, const std::array<float, 256>& advances, bool byRank);
  size_t Groups() const { return groups_.size() - 1; }
  // The labels at window points (modes 0 and 1), in order.
  const std::vector<uint32_t>& WindowLabels() const { return windowLabels_; }
  // The lines of a group's labels that lie in the view, in label order,
  // less those whose box overlaps one `kept` holds, when given: each the
  // spot, and its label and line in `lines`.
  void Place(size_t group, const std::vector<TGLLabel>& labels, const TLabelView& view, const TLabelThinning* kept,
             std::vector<TLabelSpot>& spots, std::vector<TLabelLine>& lines);

 private:
  struct TPlace {
    T3DVector Point;
    double Width = 0;  // of the one line
    uint32_t Label = 0;
    uint8_t Rank = 0;
    bool MultiLine = false;
  };
  struct TBlock {
    uint32_t Begin = 0, End = 0;  // places
    T3DVector Low, High;
    double Lines = 1;       // the most of any of its labels
    double LeastWidth = 0;  // of its one-line labels
    bool Bounded = true;
  };
  struct TPart {
    std::vector<TLabelSpot> Spots;
    std::vector<TLabelLine> Lines;
  };
  // Bounds on how far the projection of a point of the view may be off,
  // in clip coordinates.
  double Slack(const TLabelView& view) const;
  // The least and the most of a sum of clip coordinates, weights w, over
  // a block: the clip coordinates are affine in the point.
  struct TClipRange {
    double Least, Most;
  };
  using TClipRow = std::array<double, 4>;  // weights of x, y, z and 1
  // The view's clip coordinates x, y, z, w and the sums the view volume's
  // sides are bounded by.
  struct TClipRows {
    TClipRow X, Y, Z, W, Left, Right, Nearer, Farther, Below;
  };
  static TClipRow Weighed(const TMatrix4& clip, const std::array<double, 4>& w);
  static TClipRange Range(const TClipRow& row, const TBlock& b);
  bool Outside(const TBlock& b, const TLabelView& view, const TClipRows& rows, double slack) const;
  bool Covered(const TBlock& b, const TLabelView& view, const TClipRows& rows, double slack, const TLabelThinning& kept,
               size_t& hint) const;
  void PlaceBlocks(size_t first, size_t end, const std::vector<TGLLabel>& labels, const TLabelView& view,
                   const TLabelThinning* kept, std::vector<TLabelSpot>& spots, std::vector<TLabelLine>& lines) const;
  double LineWidth(std::string_view line) const;

  bool ready_ = false, byRank_ = false;
  std::array<float, 256> advances_{};
  std::vector<TPlace> places_;
  std::vector<uint32_t> windowLabels_;
  std::vector<TBlock> blocks_;
  std::vector<size_t> groups_{0};  // group g holds blocks groups_[g] to groups_[g + 1]
  double farthest_ = 1;            // the largest coordinate of any place, at least 1
  std::vector<TPart> parts_;       // the threads' after the first
};

}  // namespace lumora
