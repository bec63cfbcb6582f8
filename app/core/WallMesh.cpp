#include "app/core/WallMesh.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>

#include "app/core/GLCave.h"

namespace lumora {
namespace {

// The vertex indices of one ring, each looked up when a face first uses it,
// so that new vertices are numbered in the order faces meet them.
class TRing {
 public:
  void Start(const TCrossSection& c, TGLFastMeshFill& fill) {
    n_ = c.Count;
    for (int i = 0; i < n_; ++i) {
      points_[i] = AxisChange(c.Points[i]);
      hashes_[i] = TGLFastMeshFill::Hash(points_[i]);
      fill.Prefetch(hashes_[i]);
      index_[i] = -1;
    }
  }
  // The ring of the segment before, whose points these are.
  void TakeOver(TRing& other) { *this = other; }

  int32_t Index(int i, TGLFastMeshFill& fill) {
    if (index_[i] < 0) index_[i] = fill.Vertex(points_[i], hashes_[i]);
    return index_[i];
  }
  const T3DVector& Point(int i) const { return points_[i]; }
  int Count() const { return n_; }

 private:
  int n_ = 0;
  std::array<T3DVector, 8> points_;
  std::array<uint32_t, 8> hashes_;
  std::array<int32_t, 8> index_;
};

class TWallFill {
 public:
  TWallFill(TGLFastMeshFill& fill, const TPassageState& state, TSurveyRuns* surveys, TSurveyRuns* shots)
      : fill_(fill), state_(state), surveys_(surveys), shots_(shots) {}

  void Segment(const TSegmentRings& s) {
    shot_ = s.ShotIndex;
    if (s.Joined)
      from_.TakeOver(to_);
    else
      from_.Start(s.From, fill_);
    to_.Start(s.To, fill_);
    const int n = from_.Count();
    for (int i = 0; i < n; ++i) {
      const int j = i + 1 == n ? 0 : i + 1;
      // The quad (from i, from j, to j, to i) split as AddQuad splits the
      // corners (from j, to j, to i, from i): outward, along one diagonal.
      Face(from_, j, to_, j, from_, i);
      Face(to_, j, to_, i, from_, i);
    }
    if (s.SealFrom) Cap(s.From.Centre, from_, true);
    if (s.SealTo) Cap(s.To.Centre, to_, false);
  }

  // A scrap wall's face, already wound outwards.
  void Triangle(const T3DVector& a, const T3DVector& b, const T3DVector& c) {
    const T3DVector p[3] = {AxisChange(a), AxisChange(b), AxisChange(c)};
    fill_.Face(fill_.Vertex(p[0]), fill_.Vertex(p[1]), fill_.Vertex(p[2]), p[0], p[1], p[2]);
    if (surveys_) surveys_->Add(state_.CurrentPassageSurvey);
  }

 private:
  void Face(TRing& ra, int a, TRing& rb, int b, TRing& rc, int c) {
    const int32_t ia = ra.Index(a, fill_), ib = rb.Index(b, fill_), ic = rc.Index(c, fill_);
    fill_.Face(ia, ib, ic, ra.Point(a), rb.Point(b), rc.Point(c));
    Added();
  }

  void Added() {
    if (surveys_) surveys_->Add(state_.CurrentPassageSurvey);
    if (shots_) shots_->Add(shot_);
  }

  // The fan (centre, a, b) round the ring, b before a at the first end so
  // that both ends face outwards.
  void Cap(const T3DVector& centre, TRing& ring, bool firstEnd) {
    const T3DVector c = AxisChange(centre);
    const int n = ring.Count();
    int32_t ic = -1;
    for (int i = 0; i < n; ++i) {
      const int j = i + 1 == n ? 0 : i + 1;
      if (ic < 0) ic = fill_.Vertex(c);
      const int a = firstEnd ? j : i, b = firstEnd ? i : j;
      fill_.Face(ic, ring.Index(a, fill_), ring.Index(b, fill_), c, ring.Point(a), ring.Point(b));
      Added();
    }
  }

  TGLFastMeshFill& fill_;
  const TPassageState& state_;
  TSurveyRuns* surveys_;
  TSurveyRuns* shots_;
  int32_t shot_ = -1;
  TRing from_, to_;
};

int ClampCount(int64_t n) { return static_cast<int>(std::clamp<int64_t>(n, 1, INT_MAX / 4)); }

}  // namespace

void AddPassageWalls(const TPlotModel& model, const TPassageOptions& options, TGLFastMesh& mesh, TPassageState& state,
                     const TPassageProgressProc& progress, TSurveyRuns* triangleSurveys, const std::atomic<bool>* stop,
                     TSurveyRuns* triangleShots) {
  if (triangleSurveys) triangleSurveys->Clear();
  if (triangleShots) triangleShots->Clear();
  // Room for the most the walls can take, so the arrays never grow by
  // copying; pages past the real size are never touched. A closed tube has
  // about half as many vertices as faces; the lookup table is sized for a
  // ring a record, rounded corners included, and grows when that is short.
  const int64_t records = model.Plots.Count(), lines = model.LineStarts.Count();
  const int64_t scrapFaces = options.ScrapWalls ? static_cast<int64_t>(model.Meshes.TriangleCount()) : 0;
  const int64_t most =
      EstimateMesh(records, 2 * lines, options.PassageShape, options.RoundingPasses).MaxTriangles + scrapFaces;
  const int64_t ring = options.PassageShape == psOctagon ? 8 : 4;
  TGLFastMeshFill fill(mesh, ClampCount(most), ClampCount(most / 2 + 16),
                       ClampCount(std::min(most / 2, ring * records * 5 / 4) + 16), kWallValue);
  TWallFill walls(fill, state, triangleSurveys, triangleShots);
  BuildPassageRings(
      model, options, state,
      [&](const TSegmentRings& s) {
        walls.Segment(s);
        if (stop && *stop) state.AbortBuild = true;
      },
      progress, {}, [&](const T3DVector& a, const T3DVector& b, const T3DVector& c) { walls.Triangle(a, b, c); });
}

TWallBuild::TWallBuild(const TPlotModel& model, const TPassageOptions& options)
    : thread_([this, &model, &options] { Run(model, options); }) {}

TWallBuild::~TWallBuild() {
  stop_ = true;
  thread_.join();
}

void TWallBuild::Run(const TPlotModel& model, const TPassageOptions& options) {
  try {
    AddPassageWalls(
        model, options, Mesh, State,
        [this](int64_t faces, int percent) {
          const std::lock_guard lock(mutex_);
          faces_ = faces;
          percent_ = percent;
          changed_.notify_one();
        },
        &TriangleSurveys, &stop_, &TriangleShots);
  } catch (...) {
    const std::lock_guard lock(mutex_);
    failure_ = std::current_exception();
  }
  const std::lock_guard lock(mutex_);
  done_ = true;
  changed_.notify_one();
}

void TWallBuild::Wait(const TPassageProgressProc& report) {
  std::unique_lock lock(mutex_);
  // At least once, so that the last count is shown however quick the build.
  for (bool last = false; !last;) {
    if (!done_) changed_.wait_for(lock, std::chrono::milliseconds(40));
    last = done_;
    const int64_t faces = faces_;
    const int percent = percent_;
    lock.unlock();
    report(faces, percent);
    lock.lock();
  }
  if (failure_) std::rethrow_exception(failure_);
}

}  // namespace lumora
