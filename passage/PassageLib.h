#pragma once
// The passage wall builder: turns the lines of the survey model, with their
// passage extents, into tubes of cross-sections joined by wall quads, and
// streams every face to the caller's procedures. It stores no geometry, so
// memory stays proportional to one line whatever the size of the cave.

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>

#include "geometry/Vector.h"
#include "model/PlotArray.h"

namespace lumora {

class EPassage : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

extern const char* const kNoOutputProcMessage;  // "No output procedure assigned."

enum TPassageShapeKind : int { psSquare = 0, psDiamond = 1, psOctagon = 2 };

struct TPassageOptions {
  int PassageShape = psOctagon;   // 0 square, 1 diamond, 2 octagon
  int RoundingPasses = 1;         // 0, 1 or 2
  double CornerThreshold = 20.0;  // degrees
  bool FillDimensions = true;
  double SubstituteDiameter = 2.0;  // feet; 0 disables the last resort
  bool VerticalPrisms = true;
  double VerticalThreshold = 50.0;  // degrees
  bool SealEnds = false;
  bool IncludeHidden = false;
  bool ConvertToMetres = false;
  bool CenterModel = false;
  bool AverageJoints = true;
  // Where a survey has scraps (walls the surveyors drew) they are its walls;
  // the walls from passage dimensions are built elsewhere.
  bool ScrapWalls = true;
  bool DimensionWalls = true;
};

struct TCrossSection {
  int Count = 0;  // 4 or 8
  std::array<T3DVector, 8> Points{};
  T3DVector Centre;
};

struct TPassageSegment {
  bool Built = false;
  TCrossSection From, To;
  int32_t ShotIndex = 0;
};

// What the last build produced, and the flag that stops it.
struct TPassageState {
  int64_t FaceCount = 0;
  int64_t SegmentCount = 0;  // segments whose walls were emitted
  double PassageVolume = 0;  // in the units of the emitted points
  // Bounds of every emitted vertex, without the centring.
  T3DVector OutputMin{9.9e99, 9.9e99, 9.9e99};
  T3DVector OutputMax{-9.9e99, -9.9e99, -9.9e99};
  int CurrentPassageSurvey = -1;
  // A procedure sets it to end the walk before the next line, survey or section.
  bool AbortBuild = false;
};

// The callbacks carry no owner object: callers capture what they fill in
// the lambdas they pass. Quads come wound so that their corners run
// counter-clockwise seen from outside the passage.
using TQuadProc = std::function<void(const T3DVector& p1, const T3DVector& p2, const T3DVector& p3, const T3DVector& p4,
                                     int32_t shotIndex)>;
// Must emit (centre, b, a) when firstEnd is set and (centre, a, b) when not,
// so that both end caps face outwards.
using TTriangleProc = std::function<void(const T3DVector& centre, const T3DVector& a, const T3DVector& b,
                                         int32_t shotIndex, bool firstEnd)>;
using TPassageProgressProc = std::function<void(int64_t faceCount, int percent)>;
using TSurveyFilterProc = std::function<bool(int surveyIndex)>;
using TSegmentFilterProc = std::function<bool(const T3DVector& fromCentre, const T3DVector& toCentre)>;

// Walks sections, surveys (features skipped), lines, and emits the walls of
// every shot, or of a survey's scraps (ScrapWalls): a scrap's triangle goes
// to `triangle` as (a, b, c, -1, false), or without one as the quad
// (a, b, c, c). Throws EPassage(kNoOutputProcMessage) without a quad
// procedure.
void BuildPassages(const TPlotModel& model, const TPassageOptions& options, TPassageState& state, const TQuadProc& quad,
                   const TTriangleProc& triangle = {}, const TPassageProgressProc& progress = {},
                   const TSurveyFilterProc& surveyFilter = {}, const TSegmentFilterProc& segmentFilter = {});

// One segment as rings rather than faces, for builders that keep every
// corner once. Its faces, in the order BuildPassages hands them out: for
// each ring index i (j = i + 1, wrapping) the quad (From[i], From[j], To[j],
// To[i]); then, when SealFrom, the cap triangles (centre, From[i+1], From[i])
// and, when SealTo, (centre, To[i], To[i+1]), i running round the ring.
struct TSegmentRings {
  const TCrossSection& From;
  const TCrossSection& To;
  int32_t ShotIndex;
  // From holds the very points (to the bit) of the To of the segment handed
  // out just before it.
  bool Joined;
  bool SealFrom, SealTo;
};
using TSegmentRingsProc = std::function<void(const TSegmentRings&)>;
// One triangle of a scrap wall, wound outwards.
using TFaceProc = std::function<void(const T3DVector& a, const T3DVector& b, const T3DVector& c)>;

// The walk of BuildPassages, with the same state, progress and filters,
// handing out whole segments, and the scrap walls' triangles to `face`.
// Caps are sealed when SealEnds is set.
void BuildPassageRings(const TPlotModel& model, const TPassageOptions& options, TPassageState& state,
                       const TSegmentRingsProc& rings, const TPassageProgressProc& progress = {},
                       const TSurveyFilterProc& surveyFilter = {}, const TFaceProc& face = {});

// ---- Operations the exporters use on single lines and shots -------------

// Plan-view quad of the shot a -> b: a + left, a + right, b + left, b + right
// (left and right by each station's own extents), z of a for the first two
// and of b for the last two. Positions as stored.
using TPlanOutline = std::array<T3DVector, 4>;
TPlanOutline PlanOutline(const TPlotVector& a, const TPlotVector& b);

// Makes two consecutive outlines share their corners at the common station.
void AverageSegmentEnds(TPlanOutline& a, TPlanOutline& b);

// Copies records first..last of `source` into `target` (emptied first),
// leaving out hidden records (unless IncludeHidden) and splays, then cleans
// and fills the extents.
void PrepareLine(const TPlotArray& source, int first, int last, TPlotArray& target, const TPassageOptions& options);

// Cuts every corner sharper than CornerThreshold into two stations,
// RoundingPasses times.
void RoundCorners(TPlotArray& list, const TPassageOptions& options);

// One shot's segment with the given shape (0, 1, 2), positions as given.
TPassageSegment BuildSegment(const TPlotVector& from, const TPlotVector& to, int shape, const TPassageOptions& options);

// Extents that are negative, not a number or above 900 feet become 0 (missing).
void CleanDimensions(TPlotVector& record);

// Fills the missing extent pairs of two consecutive records, in the fixed
// order: a's left/right, b's left/right, a's up/down, b's up/down.
void FillPairDimensions(TPlotVector& a, TPlotVector& b, double substitute);

void GrowBox(T3DVector& min, T3DVector& max, double k);
void BoxToMetres(T3DVector& min, T3DVector& max);
void BoxToMetres(T3DVector& min1, T3DVector& max1, T3DVector& min2, T3DVector& max2);

// Sum of the triangle areas (centre, ring[i], ring[i+1]).
double CrossSectionArea(const TCrossSection& section);

}  // namespace lumora
