#include "scene/LabelPlaces.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "geometry/ParallelFor.h"

namespace lumora {

double TLabelPlaces::LineWidth(std::string_view line) const {
  double w = 0;
  for (const char ch : line) w += advances_[static_cast<uint8_t>(ch)];
  return w;
}

void TLabelPlaces::Prepare(const std::vector<TGLLabel>& labels, const std::array<float, 256>& advances, bool byRank) {
  if (ready_ && byRank == byRank_ && advances == advances_) return;
  advances_ = advances;
  byRank_ = byRank;
  places_.clear();
  windowLabels_.clear();
  blocks_.clear();
  groups_.assign(1, 0);
  farthest_ = 1;
  // An empty label has no line to place.
  std::array<size_t, 257> start{};
  for (const TGLLabel& label : labels)
    if (label.Info.Mode == 2 && !label.Text.empty()) ++start[(byRank ? label.Rank : 0) + 1];
  for (size_t r = 1; r < start.size(); ++r) start[r] += start[r - 1];
  places_.resize(start[256]);
  std::array<size_t, 256> next{};
  std::copy(start.begin(), start.end() - 1, next.begin());
  std::vector<double> lines(places_.size(), 1);
  for (size_t i = 0; i < labels.size(); ++i) {
    const TGLLabel& label = labels[i];
    if (label.Info.Mode != 2) windowLabels_.push_back(static_cast<uint32_t>(i));
    if (label.Info.Mode != 2 || label.Text.empty()) continue;
    const size_t k = next[byRank ? label.Rank : 0]++;
    TPlace& p = places_[k];
    p.Point = label.Info.Position;
    p.Label = static_cast<uint32_t>(i);
    p.Rank = label.Rank;
    p.MultiLine = label.Text.find_first_of("\r\n") != std::string::npos;
    if (p.MultiLine) {
      double n = 0;
      ForEachLine(label.Text, [&](size_t, std::string_view) { ++n; });
      lines[k] = n;
    } else {
      p.Width = LineWidth(label.Text);
    }
  }
  // Blocks of neighbours in label order, which for a cave's stations are
  // near one another.
  constexpr size_t kBlock = 16;
  for (size_t r = 0; r < 256; ++r) {
    if (start[r] == start[r + 1]) continue;
    for (size_t b = start[r]; b < start[r + 1]; b += kBlock) {
      TBlock block;
      block.Begin = static_cast<uint32_t>(b);
      block.End = static_cast<uint32_t>(std::min(b + kBlock, start[r + 1]));
      block.Low = block.High = places_[b].Point;
      block.LeastWidth = HUGE_VAL;
      for (size_t i = block.Begin; i < block.End; ++i) {
        const T3DVector& p = places_[i].Point;
        block.Low = MinVector(block.Low, p);
        block.High = MaxVector(block.High, p);
        block.Lines = std::max(block.Lines, lines[i]);
        if (!places_[i].MultiLine) block.LeastWidth = std::min(block.LeastWidth, places_[i].Width);
        block.Bounded = block.Bounded && std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
      }
      if (block.Bounded)
        farthest_ = std::max({farthest_, std::abs(block.Low.x), std::abs(block.Low.y), std::abs(block.Low.z),
                              std::abs(block.High.x), std::abs(block.High.y), std::abs(block.High.z)});
      blocks_.push_back(block);
    }
    groups_.push_back(blocks_.size());
  }
  ready_ = true;
}

double TLabelPlaces::Slack(const TLabelView& view) const {
  auto rows = [](const TMatrix4& m) {
    double most = 0;
    for (int r = 0; r < 4; ++r)
      most = std::max(most, std::abs(m[r]) + std::abs(m[4 + r]) + std::abs(m[8 + r]) + std::abs(m[12 + r]));
    return most;
  };
  // Far wider than the rounding of any one label's projection.
  return 1e-9 * rows(view.Projection) * rows(view.Modelview) * farthest_;
}

TLabelPlaces::TClipRow TLabelPlaces::Weighed(const TMatrix4& clip, const std::array<double, 4>& w) {
  TClipRow row{};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) row[c] += w[r] * clip[4 * c + r];
  return row;
}

TLabelPlaces::TClipRange TLabelPlaces::Range(const TClipRow& row, const TBlock& b) {
  const double centre = row[0] * (b.Low.x + b.High.x) / 2 + row[1] * (b.Low.y + b.High.y) / 2 +
                        row[2] * (b.Low.z + b.High.z) / 2 + row[3];
  const double spread = std::abs(row[0]) * (b.High.x - b.Low.x) / 2 + std::abs(row[1]) * (b.High.y - b.Low.y) / 2 +
                        std::abs(row[2]) * (b.High.z - b.Low.z) / 2;
  return {centre - spread, centre + spread};
}

// True only when no label of the block can have a line in the view: the
// whole block lies beyond one side of the view volume.
bool TLabelPlaces::Outside(const TBlock& b, const TLabelView& view, const TClipRows& rows, double m) const {
  const double vx = view.X, vy = view.Y, vw = view.Width, vh = view.Height, h = view.LineHeight;
  if (!(std::abs(vx) + std::abs(vy) + h * b.Lines < 1e5 * std::min(vw, vh))) return false;
  // Below the view when the first line is; above when the last is.
  const double top = 1 + 2 * h * b.Lines / vh;
  TClipRow above;
  for (int c = 0; c < 4; ++c) above[c] = rows.Y[c] - top * rows.W[c];
  return Range(rows.W, b).Most < -m ||                                           // behind the eye
         Range(rows.Left, b).Most < -m || Range(rows.Right, b).Least > m ||      // left, right
         Range(rows.Nearer, b).Most < -m || Range(rows.Farther, b).Least > m ||  // nearer, farther
         Range(rows.Below, b).Most < -m || Range(above, b).Least > m;            // below, above
}

// True only when every label of the block, all of one line, would be
// turned away by one box kept.
bool TLabelPlaces::Covered(const TBlock& b, const TLabelView& view, const TClipRows& rows, double m,
                           const TLabelThinning& kept, size_t& hint) const {
  if (b.Lines != 1) return false;
  const double vx = view.X, vy = view.Y, vw = view.Width, vh = view.Height, h = view.LineHeight;
  const TClipRange w = Range(rows.W, b);
  if (!(w.Least > m)) return false;
  const TClipRange cx = Range(rows.X, b), cy = Range(rows.Y, b);
  const double qx0 = std::min(cx.Least / w.Least, cx.Least / w.Most),
               qx1 = std::max(cx.Most / w.Least, cx.Most / w.Most);
  const double qy0 = std::min(cy.Least / w.Least, cy.Least / w.Most),
               qy1 = std::max(cy.Most / w.Least, cy.Most / w.Most);
  const double most = std::max({std::abs(qx0), std::abs(qx1), std::abs(qy0), std::abs(qy1)});
  const double pad = m / w.Least * (1 + most) * (vw + vh) + 1e-9 * (std::abs(vx) + std::abs(vy) + vw + vh + h);
  if (!std::isfinite(pad)) return false;
  const double x0 = vx + (qx0 + 1) * vw / 2, x1 = vx + (qx1 + 1) * vw / 2;
  const double y0 = vy + (qy0 + 1) * vh / 2 - h, y1 = vy + (qy1 + 1) * vh / 2 - h;
  return kept.CoveredAll({x0 - pad, y0 - pad, x1 + pad, y1 + pad}, b.LeastWidth, hint);
}

void TLabelPlaces::PlaceBlocks(size_t first, size_t end, const std::vector<TGLLabel>& labels, const TLabelView& view,
                               const TLabelThinning* kept, std::vector<TLabelSpot>& spots,
                               std::vector<TLabelLine>& lines) const {
  const double vx = view.X, vy = view.Y, vw = view.Width, vh = view.Height, h = view.LineHeight;
  const double slack = Slack(view);
  // Projection times modelview: coarser than the two steps a label takes,
  // by far less than the slack.
  TMatrix4 clip;
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k) clip[4 * c + r] += view.Projection[4 * k + r] * view.Modelview[4 * c + k];
  const TClipRows rows{Weighed(clip, {1, 0, 0, 0}), Weighed(clip, {0, 1, 0, 0}),  Weighed(clip, {0, 0, 1, 0}),
                       Weighed(clip, {0, 0, 0, 1}), Weighed(clip, {1, 0, 0, 1}),  Weighed(clip, {1, 0, 0, -1}),
                       Weighed(clip, {0, 0, 1, 1}), Weighed(clip, {0, 0, 1, -1}), Weighed(clip, {0, 1, 0, 1})};
  const bool culling = vw > 0 && vh > 0 && std::isfinite(slack);
  size_t hint = 0, blockHint = 0;
  auto add = [&](const TLabelSpot& s, uint32_t label, uint32_t line) {
    if (kept && kept->Covered(s, hint)) return;
    spots.push_back(s);
    lines.push_back({label, line});
  };
  for (size_t b = first; b < end; ++b) {
    const TBlock& block = blocks_[b];
    if (culling && block.Bounded) {
      if (Outside(block, view, rows, slack)) continue;
      if (kept && Covered(block, view, rows, slack, *kept, blockHint)) continue;
    }
    for (uint32_t i = block.Begin; i < block.End; ++i) {
      const TPlace& p = places_[i];
      double c[4];
      ClipPoint(view.Modelview, view.Projection, p.Point, c);
      // Behind the eye a projection mirrors the point: no label there.
      if (!(c[3] > 0)) continue;
      const double x = vx + (c[0] / c[3] + 1) * vw / 2;
      const double wy = vy + (c[1] / c[3] + 1) * vh / 2;
      const double z = (c[2] / c[3] + 1) / 2;
      // No line of a label beside or behind the view is placed.
      if (!(x >= vx && x <= vx + vw && z >= 0 && z <= 1)) continue;
      if (!p.MultiLine) {
        const double by = wy - h;
        if (by >= vy && by <= vy + vh) add({x, by, p.Width, z, p.Rank}, p.Label, 0);
        continue;
      }
      ForEachLine(labels[p.Label].Text, [&](size_t k, std::string_view line) {
        // The baseline's window point; the line is not placed when it lies
        // outside the view volume, as a 3D raster position would not be.
        const double by = wy - h * static_cast<double>(k + 1);
        if (!(by >= vy && by <= vy + vh)) return;
        add({x, by, LineWidth(line), z, p.Rank}, p.Label, static_cast<uint32_t>(k));
      });
    }
  }
}

void TLabelPlaces::Place(size_t group, const std::vector<TGLLabel>& labels, const TLabelView& view,
                         const TLabelThinning* kept, std::vector<TLabelSpot>& spots, std::vector<TLabelLine>& lines) {
  spots.clear();
  lines.clear();
  const size_t first = groups_[group], end = groups_[group + 1];
  if (first == end) return;
  constexpr size_t kPlacesPerThread = 1 << 14;
  const size_t count = blocks_[end - 1].End - blocks_[first].Begin;
  const size_t threads =
      std::clamp<size_t>(std::min<size_t>(std::thread::hardware_concurrency(), count / kPlacesPerThread), 1, 8);
  // Each thread takes a run of blocks; their spots follow one another in
  // the threads' order, which is label order.
  auto from = [&](size_t t) { return first + (end - first) * t / threads; };
  if (parts_.size() < threads) parts_.resize(threads);
  ParallelFor(static_cast<int>(threads), static_cast<int>(threads), [&](int t) {
    TPart& mine = parts_[t];
    mine.Spots.clear();
    mine.Lines.clear();
    PlaceBlocks(from(t), from(t + 1), labels, view, kept, t ? mine.Spots : spots, t ? mine.Lines : lines);
  });
  for (size_t t = 1; t < threads; ++t) {
    spots.insert(spots.end(), parts_[t].Spots.begin(), parts_[t].Spots.end());
    lines.insert(lines.end(), parts_[t].Lines.begin(), parts_[t].Lines.end());
  }
}

}  // namespace lumora
