#include "app/core/WallMesh.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "app/core/GLCave.h"
#include "geometry/ParallelFor.h"

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

// Room for the most the walls of `records` records on `lines` lines can
// take, so the arrays never grow by copying; pages past the real size are
// never touched. A closed tube has about half as many vertices as faces;
// the lookup table is sized for a ring a record, rounded corners included,
// and grows when that is short.
std::unique_ptr<TGLFastMeshFill> MakeFill(TGLFastMesh& mesh, const TPassageOptions& options, int64_t records,
                                          int64_t lines, int64_t scrapFaces) {
  const int64_t most =
      EstimateMesh(records, 2 * lines, options.PassageShape, options.RoundingPasses).MaxTriangles + scrapFaces;
  const int64_t ring = options.PassageShape == psOctagon ? 8 : 4;
  return std::make_unique<TGLFastMeshFill>(mesh, ClampCount(most), ClampCount(most / 2 + 16),
                                           ClampCount(std::min(most / 2, ring * records * 5 / 4) + 16), kWallValue);
}

void FillWalls(const TPlotModel& model, const TPassageOptions& options, TGLFastMeshFill& fill, TPassageState& state,
               const TPassageProgressProc& progress, TSurveyRuns* surveys, TSurveyRuns* shots,
               const std::atomic<bool>* stop, const TSurveyFilterProc& filter = {}) {
  TWallFill walls(fill, state, surveys, shots);
  BuildPassageRings(
      model, options, state,
      [&](const TSegmentRings& s) {
        walls.Segment(s);
        if (stop && *stop) state.AbortBuild = true;
      },
      progress, filter, [&](const T3DVector& a, const T3DVector& b, const T3DVector& c) { walls.Triangle(a, b, c); });
}

// Below this many records a cave is built on one thread.
constexpr int kRecordsPerThread = 50000;

// One part of a build split by survey ranges, each part with its own mesh
// and lookups, built at once on threads of their own and then joined in
// order into the first part's mesh, so that the walls come out as one
// build would make them, to the bit and in the same order.
struct TWallPart {
  TRange Surveys;
  TGLFastMesh Mesh;  // the first part's is the caller's
  std::unique_ptr<TGLFastMeshFill> Fill;
  TPassageState State;
  TSurveyRuns TriangleSurveys, TriangleShots;
  std::atomic<int64_t> Faces{0};
  std::atomic<int> Done{0};  // per mille of its surveys walked
  std::exception_ptr Failure;
  // Each vertex's index in the joined mesh.
  std::vector<int32_t> Joined;
};

// Survey ranges of about the same number of records, one a thread.
std::vector<TRange> SurveyRanges(const TPlotModel& model, int threads) {
  const int surveys = model.Surveys.Count(), records = model.Plots.Count();
  if (threads <= 0)
    threads = static_cast<int>(
        std::clamp<int64_t>(std::min<int64_t>(std::thread::hardware_concurrency(), records / kRecordsPerThread), 1, 8));
  std::vector<TRange> ranges;
  int first = 0;
  for (int k = 1; k < threads && first < surveys; ++k) {
    const int64_t target = int64_t{records} * k / threads;
    int last = first;
    while (last + 1 < surveys && model.Surveys[last + 1].FirstPlot < target) ++last;
    if (last + 1 >= surveys) break;
    ranges.push_back({first, last});
    first = last + 1;
  }
  ranges.push_back({first, surveys - 1});
  return ranges;
}

int RecordsOf(const TPlotModel& model, const TRange& surveys) {
  const int end =
      surveys.Last + 1 < model.Surveys.Count() ? model.Surveys[surveys.Last + 1].FirstPlot : model.Plots.Count();
  return end - model.Surveys[surveys.First].FirstPlot;
}

int LinesOf(const TPlotModel& model, const TRange& surveys) {
  const int end =
      surveys.Last + 1 < model.Surveys.Count() ? model.Surveys[surveys.Last + 1].FirstLine : model.LineStarts.Count();
  return end - model.Surveys[surveys.First].FirstLine;
}

class TSplitBuild {
 public:
  TSplitBuild(const TPlotModel& model, const TPassageOptions& options, const std::vector<TRange>& ranges)
      : model_(model), options_(options), parts_(ranges.size()) {
    for (size_t k = 0; k < ranges.size(); ++k) parts_[k].Surveys = ranges[k];
  }

  // False where the parts cannot be joined as one build would have made
  // them: the caller then builds on one thread.
  bool Build(TGLFastMesh& mesh, const TPassageProgressProc& progress, const std::atomic<bool>* stop) {
    firstMesh_ = &mesh;
    const int n = static_cast<int>(parts_.size());
    std::atomic<int> running{n - 1};
    std::vector<std::thread> threads;
    for (int k = 1; k < n; ++k)
      threads.emplace_back([this, k, stop, &running] {
        BuildPart(k, nullptr, stop, {});
        --running;
      });
    // The caller hears of every part's progress, on its own thread.
    BuildPart(0, &mesh, stop, progress);
    while (progress && running > 0) {
      Report(progress);
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    for (std::thread& t : threads) t.join();
    for (TWallPart& p : parts_)
      if (p.Failure) std::rethrow_exception(p.Failure);
    for (TWallPart& p : parts_)
      if (p.Fill->KeepsFaceNormals()) return false;
    if (!MapVertices()) return false;
    for (TWallPart& p : parts_) p.Fill->ReleaseLookups();
    Join();
    if (progress) Report(progress);
    return true;
  }

  TPassageState State;
  TSurveyRuns TriangleSurveys, TriangleShots;

 private:
  void BuildPart(int k, TGLFastMesh* mesh, const std::atomic<bool>* stop, const TPassageProgressProc& progress) {
    TWallPart& p = parts_[k];
    try {
      const TRange r = p.Surveys;
      p.Fill = mesh ? MakeFill(*mesh, options_, model_.Plots.Count(), model_.LineStarts.Count(), 0)
                    : MakeFill(p.Mesh, options_, RecordsOf(model_, r), LinesOf(model_, r), 0);
      const int surveys = model_.Surveys.Count();
      FillWalls(
          model_, options_, *p.Fill, p.State,
          [&](int64_t faces, int percent) {
            p.Faces = faces;
            const double walked = percent / 100.0 * surveys - r.First;
            p.Done = static_cast<int>(std::clamp(1000 * walked / (r.Last - r.First + 1), 0.0, 1000.0));
            if (progress) Report(progress);
          },
          &p.TriangleSurveys, &p.TriangleShots, stop, [r](int sv) { return sv >= r.First && sv <= r.Last; });
      p.Faces = p.State.FaceCount;
      p.Done = 1000;
    } catch (...) {
      p.Failure = std::current_exception();
    }
  }

  void Report(const TPassageProgressProc& progress) const {
    int64_t faces = 0, done = 0, records = 0;
    for (const TWallPart& p : parts_) {
      const int r = RecordsOf(model_, p.Surveys);
      faces += p.Faces;
      done += int64_t{p.Done} * r;
      records += r;
    }
    progress(faces, static_cast<int>(done / 10 / std::max<int64_t>(records, 1)));
  }

  // Each part's vertices in the joined mesh: those an earlier part holds
  // keep its index, the rest follow in their own order.
  bool MapVertices() {
    int32_t next = FirstMesh().VertexStore.Count();
    joinedVertices_ = next;
    for (size_t k = 1; k < parts_.size(); ++k) {
      const TVertexArray& store = parts_[k].Mesh.VertexStore;
      std::vector<int32_t>& joined = parts_[k].Joined;
      joined.assign(store.Count(), -1);
      std::atomic<bool> inexact{false};
      // The lookups only read the earlier parts, so they share the cores.
      const int blocks = static_cast<int>(parts_.size());
      ParallelFor(blocks, blocks, [&](int b) {
        const int first = static_cast<int>(int64_t{store.Count()} * b / blocks);
        const int end = static_cast<int>(int64_t{store.Count()} * (b + 1) / blocks);
        // Nearly every lookup misses a table far bigger than the caches:
        // the slots are asked for well ahead.
        constexpr int kAhead = 16;
        for (int v = first; v < end; ++v) {
          if (v + kAhead < end)
            for (size_t j = 0; j < k; ++j) parts_[j].Fill->Prefetch(store[v + kAhead]);
          const T3DVector& p = store[v];
          for (size_t j = 0; j < k; ++j) {
            const int32_t found = parts_[j].Fill->Find(p);
            if (found < 0) continue;
            const TVertexArray& earlier = j == 0 ? FirstMesh().VertexStore : parts_[j].Mesh.VertexStore;
            if (std::memcmp(&earlier[found], &p, sizeof p) != 0) inexact = true;
            joined[v] = j == 0 ? found : parts_[j].Joined[found];
            break;
          }
        }
      });
      if (inexact) return false;
      for (int32_t& v : joined)
        if (v < 0) v = next++;
    }
    return true;
  }

  // The later parts' new vertices and faces appended to the first mesh, each
  // part's store freed as soon as it is in.
  void Join() {
    TGLFastMeshFill& fill = *parts_[0].Fill;
    State = parts_[0].State;
    TriangleSurveys.Swap(parts_[0].TriangleSurveys);
    TriangleShots.Swap(parts_[0].TriangleShots);
    int32_t next = static_cast<int32_t>(joinedVertices_);
    const TVertexArray& target = FirstMesh().VertexStore;
    for (size_t k = 1; k < parts_.size(); ++k) {
      TWallPart& p = parts_[k];
      TVertexArray& store = p.Mesh.VertexStore;
      for (int v = 0; v < store.Count(); ++v)
        if (p.Joined[v] == next) next = fill.AppendVertex(store[v]) + 1;
      store.Clear();
      const TFaceList& faces = p.Mesh.Faces;
      for (int f = 0; f < faces.Count(); ++f) {
        const TFace& face = faces[f];
        const int32_t a = p.Joined[face.v[0]], b = p.Joined[face.v[1]], c = p.Joined[face.v[2]];
        fill.Face(a, b, c, target[a], target[b], target[c]);
      }
      p.Mesh.Clear();
      p.Fill.reset();
      std::vector<int32_t>().swap(p.Joined);
      TriangleSurveys.Append(p.TriangleSurveys);
      TriangleShots.Append(p.TriangleShots);
      Merge(p.State);
    }
    parts_[0].Fill.reset();
  }

  void Merge(const TPassageState& s) {
    State.FaceCount += s.FaceCount;
    State.SegmentCount += s.SegmentCount;
    State.PassageVolume += s.PassageVolume;
    State.OutputMin = MinVector(State.OutputMin, s.OutputMin);
    State.OutputMax = MaxVector(State.OutputMax, s.OutputMax);
    State.CurrentPassageSurvey = s.CurrentPassageSurvey;
    State.AbortBuild = State.AbortBuild || s.AbortBuild;
  }

  const TGLFastMesh& FirstMesh() const { return *firstMesh_; }

  const TPlotModel& model_;
  const TPassageOptions& options_;
  std::vector<TWallPart> parts_;
  const TGLFastMesh* firstMesh_ = nullptr;
  int64_t joinedVertices_ = 0;
};

}  // namespace

void AddPassageWalls(const TPlotModel& model, const TPassageOptions& options, TGLFastMesh& mesh, TPassageState& state,
                     const TPassageProgressProc& progress, TSurveyRuns* triangleSurveys, const std::atomic<bool>* stop,
                     TSurveyRuns* triangleShots, int threads) {
  if (triangleSurveys) triangleSurveys->Clear();
  if (triangleShots) triangleShots->Clear();
  // Scrap walls come from a model's meshes, not its surveys' records, and
  // a split build is for big plots: such models are built on one thread.
  const bool scraps = options.ScrapWalls && !model.Meshes.Scraps.empty();
  const std::vector<TRange> ranges = scraps ? std::vector<TRange>{} : SurveyRanges(model, threads);
  if (ranges.size() > 1 && mesh.VertexCount() == 0 && mesh.ColorCount() == 0) {
    {
      TSplitBuild split(model, options, ranges);
      if (split.Build(mesh, progress, stop)) {
        state = split.State;
        if (triangleSurveys) triangleSurveys->Swap(split.TriangleSurveys);
        if (triangleShots) triangleShots->Swap(split.TriangleShots);
        return;
      }
    }
    // Parts that cannot be joined as one build makes them (each part gone
    // now): built again on this thread.
    mesh.Clear();
  }
  const int64_t scrapFaces = options.ScrapWalls ? static_cast<int64_t>(model.Meshes.TriangleCount()) : 0;
  const auto fill = MakeFill(mesh, options, model.Plots.Count(), model.LineStarts.Count(), scrapFaces);
  FillWalls(model, options, *fill, state, progress, triangleSurveys, triangleShots, stop);
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
