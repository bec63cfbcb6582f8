#include "passage/PassageLib.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "model/PlotReader.h"

namespace lumora {

const char* const kNoOutputProcMessage = "No output procedure assigned.";

namespace {

constexpr double kDegPerRad = 180.0 / std::numbers::pi;
constexpr double kRadPerDeg = std::numbers::pi / 180.0;

// A station with its extents widened to doubles, ready for the cross-section.
struct TStation {
  T3DVector Position;
  double Left = 0, Right = 0, Up = 0, Down = 0;
  int32_t ShotIndex = 0;
};

TStation StationOf(const TPlotVector& r) { return {r.Position, r.Left, r.Right, r.Up, r.Down, r.ShotIndex}; }

T3DVector Mid(const T3DVector& a, const T3DVector& b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2}; }

// Offsets from the centre for the four extents, by vertical mode.
void BuildCrossSection(const TStation& s, int mode, double rx, double ry, int shape, TCrossSection& out) {
  T3DVector left, right, up, down;
  switch (mode) {
    case 1:  // going up: horizontal, fixed axes
      left = {-s.Left, 0, 0};
      right = {s.Right, 0, 0};
      up = {0, -s.Down, 0};
      down = {0, s.Up, 0};
      break;
    case 2:  // going down
      left = {-s.Left, 0, 0};
      right = {s.Right, 0, 0};
      up = {0, s.Up, 0};
      down = {0, -s.Down, 0};
      break;
    default:
      left = {-s.Left * rx, -s.Left * ry, 0};
      right = {s.Right * rx, s.Right * ry, 0};
      up = {0, 0, s.Up};
      down = {0, 0, -s.Down};
      break;
  }
  const T3DVector& c = s.Position;
  const T3DVector pUp = Add(c, up), pDown = Add(c, down), pLeft = Add(c, left), pRight = Add(c, right);
  const T3DVector pUL = Add(pLeft, up), pUR = Add(pRight, up), pDR = Add(pRight, down), pDL = Add(pLeft, down);
  out.Centre = c;
  switch (shape) {
    case psSquare:
      out.Count = 4;
      out.Points[0] = pUL;
      out.Points[1] = pUR;
      out.Points[2] = pDR;
      out.Points[3] = pDL;
      break;
    case psDiamond:
      out.Count = 4;
      out.Points[0] = pUp;
      out.Points[1] = pRight;
      out.Points[2] = pDown;
      out.Points[3] = pLeft;
      break;
    default:
      out.Count = 8;
      out.Points[0] = Mid(Mid(pLeft, pUp), pUL);
      out.Points[1] = pUp;
      out.Points[2] = Mid(Mid(pUp, pRight), pUR);
      out.Points[3] = pRight;
      out.Points[4] = Mid(Mid(pRight, pDown), pDR);
      out.Points[5] = pDown;
      out.Points[6] = Mid(Mid(pDown, pLeft), pDL);
      out.Points[7] = pLeft;
      break;
  }
}

void BuildSegmentOf(const TStation& from, const TStation& to, int shape, const TPassageOptions& options,
                    TPassageSegment& seg) {
  const TBearing b = BearingAndInclination(from.Position, to.Position);
  int mode = 0;
  if (options.VerticalPrisms && std::fabs(b.inclination) >= options.VerticalThreshold)
    mode = to.Position.z > from.Position.z ? 1 : 2;
  const double a = (b.bearing + 90) * kRadPerDeg;
  const double rx = std::sin(a), ry = std::cos(a);
  BuildCrossSection(from, mode, rx, ry, shape, seg.From);
  BuildCrossSection(to, mode, rx, ry, shape, seg.To);
  seg.ShotIndex = to.ShotIndex;
  seg.Built = true;
}

bool IsMissingPair(float a, float b) { return a == 0 && b == 0; }

// Fills target's pair (t1, t2) from the other record's same pair, else from
// the target's own other pair (o1, o2), else from the substitute.
void FillPair(float& t1, float& t2, float n1, float n2, float o1, float o2, double substitute) {
  if (!IsMissingPair(t1, t2)) return;
  if (n1 != 0 || n2 != 0) {
    t1 = n1;
    t2 = n2;
  } else if (o1 != 0 || o2 != 0) {
    t1 = o1;
    t2 = o2;
  } else if (substitute != 0) {
    t1 = t2 = static_cast<float>(substitute);
  }
}

// One rounding pass from src into dst. Walking the source once and cutting
// against the last record already written gives the same records as
// inserting into the list in place, in time linear in the line.
void RoundOnce(const TPlotArray& src, TPlotArray& dst, double thresholdDeg) {
  dst.SetCount(0);
  const int n = src.Count();
  if (n == 0) return;
  dst.Add(src[0]);
  for (int j = 1; j + 1 < n; ++j) {
    const TPlotVector& cur = src[j];
    const TPlotVector& next = src[j + 1];
    const T3DVector prevPos = dst[dst.Count() - 1].Position;
    const T3DVector u = Subtract(cur.Position, prevPos);
    const T3DVector v = Subtract(next.Position, cur.Position);
    if (Angle(u, v) * kDegPerRad > thresholdDeg) {
      const double half1 = Length(u) / 2, half2 = Length(v) / 2;
      double r1 = std::max(cur.Left, cur.Right);
      double r2 = std::max(next.Left, next.Right);
      if (!(r1 > 0) || r1 > half1) r1 = half1;
      if (!(r2 > 0) || r2 > half2) r2 = half2;
      TPlotVector copy = cur;
      copy.Position = Add(cur.Position, SetLength(prevPos, cur.Position, r1));
      dst.Add(copy);
      copy.Position = Add(cur.Position, SetLength(next.Position, cur.Position, r2));
      dst.Add(copy);
    } else {
      dst.Add(cur);
    }
  }
  if (n > 1) dst.Add(src[n - 1]);
}

void RoundCornersWith(TPlotArray& list, TPlotArray& scratch, const TPassageOptions& options) {
  for (int pass = 0; pass < options.RoundingPasses; ++pass) {
    if (list.Count() < 3) return;
    RoundOnce(list, scratch, options.CornerThreshold);
    std::swap(list, scratch);
  }
}

// Emits the segments of one prepared line, face by face or as rings.
class TLineEmitter {
 public:
  TLineEmitter(const TPlotModel& model, const TPassageOptions& options, TPassageState& state, const TQuadProc& quad,
               const TTriangleProc& triangle, const TSegmentFilterProc& segmentFilter, const TSegmentRingsProc& rings)
      : options_(options),
        state_(state),
        quad_(quad),
        triangle_(triangle),
        segmentFilter_(segmentFilter),
        rings_(rings) {
    scale_ = options.ConvertToMetres ? MetresPerFoot() : 1.0;
    // The centre is in feet; it is taken off in the units of the output so
    // that a model both converted and centred lands around the origin.
    if (options.CenterModel) offset_ = Scale(model.PlotInfo.Center, scale_);
  }

  // A scrap's walls, each triangle as a face.
  void EmitScrap(const TScrapMesh& mesh, const TFaceProc& face) {
    std::vector<T3DVector> points(mesh.Points.size());
    for (size_t i = 0; i < points.size(); ++i) {
      points[i] = Scale(mesh.Points[i], scale_);
      if (options_.CenterModel) points[i] = Subtract(points[i], offset_);
    }
    for (const auto& t : mesh.Triangles) {
      const T3DVector &a = points[t[0]], &b = points[t[1]], &c = points[t[2]];
      Bound(a);
      Bound(b);
      Bound(c);
      ++state_.FaceCount;
      if (face)
        face(a, b, c);
      else if (triangle_)
        triangle_(a, b, c, -1, false);
      else if (quad_)
        quad_(a, b, c, c, -1);
    }
    state_.PassageVolume += SignedVolume6(mesh) / 6 * scale_ * scale_ * scale_;
  }

  void Emit(const TPlotArray& line) {
    const int count = line.Count();
    if (count < 2) return;
    const bool average = options_.AverageJoints;
    const bool seal = options_.SealEnds && (triangle_ || rings_);
    int prev = 0, cur = 1, next = 2;
    segs_[prev].Built = false;
    Raw(line, 0, segs_[cur]);
    if (average) Raw(line, 1, segs_[next]);
    bool emittedLast = false;
    for (int k = 0; k <= count - 2; ++k) {
      if (k > 0) {
        std::swap(prev, cur);  // prev := cur
        std::swap(cur, next);  // cur := next, next := old prev (free)
        if (average)
          Raw(line, k + 1, segs_[next]);
        else
          Raw(line, k, segs_[cur]);
      }
      const bool joined = emittedLast && average && segs_[prev].Built;
      emittedLast = false;
      const TPassageSegment& s = segs_[cur];
      if (!s.Built) continue;
      if (segmentFilter_ && !segmentFilter_(s.From.Centre, s.To.Centre)) continue;
      from_ = s.From;
      to_ = s.To;
      if (average) {
        const int n = s.From.Count;
        if (segs_[prev].Built)
          for (int i = 0; i < n; ++i) from_.Points[i] = Mid(segs_[prev].To.Points[i], s.From.Points[i]);
        if (segs_[next].Built)
          for (int i = 0; i < n; ++i) to_.Points[i] = Mid(s.To.Points[i], segs_[next].From.Points[i]);
      }
      const bool sealFrom = seal && k == 0, sealTo = seal && k == count - 2;
      CountWalls();
      if (sealFrom) CountCap(from_);
      if (sealTo) CountCap(to_);
      if (rings_) {
        rings_(TSegmentRings{from_, to_, s.ShotIndex, joined, sealFrom, sealTo});
      } else {
        Walls(s.ShotIndex);
        if (sealFrom) Fan(from_, s.ShotIndex, true);
        if (sealTo) Fan(to_, s.ShotIndex, false);
      }
      emittedLast = true;
    }
  }

 private:
  void Raw(const TPlotArray& line, int k, TPassageSegment& seg) {
    seg.Built = false;
    if (k < 0 || k >= line.Count() - 1 || line[k + 1].Code == 'M') return;
    BuildSegmentOf(Convert(line[k]), Convert(line[k + 1]), options_.PassageShape, options_, seg);
  }

  TStation Convert(const TPlotVector& r) const {
    TStation s = StationOf(r);
    if (options_.ConvertToMetres) {
      s.Position = Scale(s.Position, scale_);
      s.Left *= scale_;
      s.Right *= scale_;
      s.Up *= scale_;
      s.Down *= scale_;
    }
    if (options_.CenterModel) s.Position = Subtract(s.Position, offset_);
    return s;
  }

  void Bound(const T3DVector& p) {
    const T3DVector q = options_.CenterModel ? Add(p, offset_) : p;
    state_.OutputMin = MinVector(state_.OutputMin, q);
    state_.OutputMax = MaxVector(state_.OutputMax, q);
  }

  // The build's counts, volume and bounds for the walls of from_ and to_.
  void CountWalls() {
    const int n = from_.Count;
    // Every ring point is a corner of some quad, so bounding the rings
    // bounds exactly the points handed out.
    for (int i = 0; i < n; ++i) {
      Bound(from_.Points[i]);
      Bound(to_.Points[i]);
    }
    state_.FaceCount += n;
    ++state_.SegmentCount;
    const double distance = Length(Subtract(to_.Centre, from_.Centre));
    state_.PassageVolume += (CrossSectionArea(from_) + CrossSectionArea(to_)) / 2 * distance;
  }

  void CountCap(const TCrossSection& c) {
    Bound(c.Centre);
    for (int i = 0; i < c.Count; ++i) Bound(c.Points[i]);
    state_.FaceCount += c.Count;
  }

  void Walls(int32_t shotIndex) {
    const int n = from_.Count;
    for (int i = 0; i < n; ++i) {
      const int j = i + 1 == n ? 0 : i + 1;
      // Reversed from the ring order so that the walls face outwards like
      // the end caps; see TQuadProc.
      quad_(from_.Points[i], from_.Points[j], to_.Points[j], to_.Points[i], shotIndex);
    }
  }

  void Fan(const TCrossSection& c, int32_t shotIndex, bool firstEnd) {
    const int n = c.Count;
    for (int i = 0; i + 1 < n; ++i) triangle_(c.Centre, c.Points[i], c.Points[i + 1], shotIndex, firstEnd);
    triangle_(c.Centre, c.Points[n - 1], c.Points[0], shotIndex, firstEnd);
  }

  const TPassageOptions& options_;
  TPassageState& state_;
  const TQuadProc& quad_;
  const TTriangleProc& triangle_;
  const TSegmentFilterProc& segmentFilter_;
  const TSegmentRingsProc& rings_;
  double scale_ = 1;
  T3DVector offset_;
  TPassageSegment segs_[3];
  TCrossSection from_, to_;
};

void PrepareLineInto(const TPlotArray& source, int first, int last, TPlotArray& target,
                     const TPassageOptions& options) {
  target.SetCount(0);
  for (int i = std::max(first, 0); i <= last && i < source.Count(); ++i) {
    const TPlotVector& r = source[i];
    if ((r.Code == 'd' && !options.IncludeHidden) || r.IsSplay()) continue;
    target.Add(r);
    CleanDimensions(target[target.Count() - 1]);
  }
  if (options.FillDimensions)
    for (int i = 0; i + 1 < target.Count(); ++i)
      FillPairDimensions(target[i], target[i + 1], options.SubstituteDiameter);
}

}  // namespace

double CrossSectionArea(const TCrossSection& section) {
  const int n = section.Count;
  double area = 0;
  for (int i = 0; i < n; ++i) {
    const int j = i + 1 == n ? 0 : i + 1;
    area += TriangleArea({{section.Centre, section.Points[i], section.Points[j]}});
  }
  return area;
}

namespace {

// The walk shared by both kinds of output.
void Walk(const TPlotModel& model, const TPassageOptions& options, TPassageState& state, TLineEmitter& emitter,
          const TPassageProgressProc& progress, const TSurveyFilterProc& surveyFilter, const TFaceProc& face = {}) {
  TPlotArray line(64), scratch(64);  // reused for every line
  const int surveyCount = model.Surveys.Count();
  // Each survey's scraps; those of a survey without records come last.
  std::vector<std::vector<const TScrapMesh*>> scraps(options.ScrapWalls ? surveyCount + 1 : 0);
  for (const TScrapMesh& m : model.Meshes.Scraps)
    if (options.ScrapWalls) scraps[m.Survey >= 0 && m.Survey < surveyCount ? m.Survey : surveyCount].push_back(&m);
  for (int s = 0; s < model.Sections.Count() && !state.AbortBuild; ++s) {
    const TRange surveys = model.SectionSurveyRange(s);
    for (int sv = surveys.First; sv <= surveys.Last && !state.AbortBuild; ++sv) {
      state.CurrentPassageSurvey = sv;
      if ((!surveyFilter || surveyFilter(sv)) && model.Surveys[sv].Kind == skSurvey) {
        const bool drawn = !scraps.empty() && !scraps[sv].empty();
        const TRange lines = options.DimensionWalls && !drawn ? model.SurveyLineRange(sv) : TRange{};
        for (int l = lines.First; l <= lines.Last && !state.AbortBuild; ++l) {
          const TRange plots = model.LinePlotRange(l);
          PrepareLineInto(model.Plots, plots.First, plots.Last, line, options);
          RoundCornersWith(line, scratch, options);
          emitter.Emit(line);
        }
        if (drawn)
          for (const TScrapMesh* m : scraps[sv]) emitter.EmitScrap(*m, face);
      }
      if (progress && sv % 50 == 0)
        progress(state.FaceCount, static_cast<int>(std::nearbyint(100.0 * sv / std::max(surveyCount, 1))));
    }
  }
  if (!scraps.empty() && !scraps[surveyCount].empty() && !surveyFilter && !state.AbortBuild) {
    state.CurrentPassageSurvey = -1;
    for (const TScrapMesh* m : scraps[surveyCount]) emitter.EmitScrap(*m, face);
  }
}

}  // namespace

void BuildPassages(const TPlotModel& model, const TPassageOptions& options, TPassageState& state, const TQuadProc& quad,
                   const TTriangleProc& triangle, const TPassageProgressProc& progress,
                   const TSurveyFilterProc& surveyFilter, const TSegmentFilterProc& segmentFilter) {
  state = TPassageState{};
  if (!quad) throw EPassage(kNoOutputProcMessage);
  // Every callback is held by reference, so none may be a temporary.
  const TSegmentRingsProc noRings;
  TLineEmitter emitter(model, options, state, quad, triangle, segmentFilter, noRings);
  Walk(model, options, state, emitter, progress, surveyFilter);
}

void BuildPassageRings(const TPlotModel& model, const TPassageOptions& options, TPassageState& state,
                       const TSegmentRingsProc& rings, const TPassageProgressProc& progress,
                       const TSurveyFilterProc& surveyFilter, const TFaceProc& face) {
  state = TPassageState{};
  if (!rings) throw EPassage(kNoOutputProcMessage);
  const TQuadProc noQuad;
  const TTriangleProc noTriangle;
  const TSegmentFilterProc noFilter;
  TLineEmitter emitter(model, options, state, noQuad, noTriangle, noFilter, rings);
  Walk(model, options, state, emitter, progress, surveyFilter, face);
}

TPlanOutline PlanOutline(const TPlotVector& a, const TPlotVector& b) {
  const TBearing br = BearingAndInclination(a.Position, b.Position);
  const double t = (br.bearing + 90) * kRadPerDeg;
  const double rx = std::sin(t), ry = std::cos(t), lx = -rx, ly = -ry;
  const T3DVector& pa = a.Position;
  const T3DVector& pb = b.Position;
  return {{{pa.x + a.Left * lx, pa.y + a.Left * ly, pa.z},
           {pa.x + a.Right * rx, pa.y + a.Right * ry, pa.z},
           {pb.x + b.Left * lx, pb.y + b.Left * ly, pb.z},
           {pb.x + b.Right * rx, pb.y + b.Right * ry, pb.z}}};
}

void AverageSegmentEnds(TPlanOutline& a, TPlanOutline& b) {
  const T3DVector left = Mid(a[2], b[0]);
  const T3DVector right = Mid(a[3], b[1]);
  a[2] = b[0] = left;
  a[3] = b[1] = right;
}

void PrepareLine(const TPlotArray& source, int first, int last, TPlotArray& target, const TPassageOptions& options) {
  PrepareLineInto(source, first, last, target, options);
}

void RoundCorners(TPlotArray& list, const TPassageOptions& options) {
  TPlotArray scratch(std::max(list.Count() + 4, 16));
  RoundCornersWith(list, scratch, options);
}

TPassageSegment BuildSegment(const TPlotVector& from, const TPlotVector& to, int shape,
                             const TPassageOptions& options) {
  TPassageSegment seg;
  BuildSegmentOf(StationOf(from), StationOf(to), shape, options, seg);
  return seg;
}

void CleanDimensions(TPlotVector& r) {
  for (float* v : {&r.Left, &r.Right, &r.Up, &r.Down})
    if (!(*v >= 0 && *v <= 900)) *v = 0;  // also catches NaN
}

void FillPairDimensions(TPlotVector& a, TPlotVector& b, double substitute) {
  FillPair(a.Left, a.Right, b.Left, b.Right, a.Up, a.Down, substitute);
  FillPair(b.Left, b.Right, a.Left, a.Right, b.Up, b.Down, substitute);
  FillPair(a.Up, a.Down, b.Up, b.Down, a.Left, a.Right, substitute);
  FillPair(b.Up, b.Down, a.Up, a.Down, b.Left, b.Right, substitute);
}

void GrowBox(T3DVector& min, T3DVector& max, double k) {
  min = AddScalar(min, -k);
  max = AddScalar(max, k);
}

void BoxToMetres(T3DVector& min, T3DVector& max) {
  min = Scale(min, MetresPerFoot());
  max = Scale(max, MetresPerFoot());
}

void BoxToMetres(T3DVector& min1, T3DVector& max1, T3DVector& min2, T3DVector& max2) {
  BoxToMetres(min1, max1);
  BoxToMetres(min2, max2);
}

}  // namespace lumora
