#pragma once
// The passage walls as the scene's fast mesh: the wall builder's rings
// become shared vertices and faces, each corner looked up once, with the
// faces, vertices and normals that adding the walls face by face gives.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "app/core/SurveyRuns.h"
#include "model/PlotArray.h"
#include "passage/PassageLib.h"
#include "scene/GLFastMesh.h"

namespace lumora {

// The colour of every wall corner as built.
constexpr uint32_t kWallValue = 255;

// Plot axes to scene axes: y up, z south. The elevation goes through
// single precision as the GL data it ends in does.
inline T3DVector AxisChange(const T3DVector& p) { return {p.x, static_cast<double>(static_cast<float>(p.z)), -p.y}; }

// Adds the walls of the model to the mesh in scene coordinates, wound
// outwards; the build's counts and bounds go to `state`. The survey of
// each triangle added goes to `triangleSurveys` when given, its leg (the
// shot index of the leg's records) to `triangleShots`. Setting `stop` ends
// the build before its next line. A big cave is built on `threads` threads
// (0: one a core, where the cave is big enough to gain), split by survey
// ranges, into the very mesh one thread makes; `progress` is called on
// the caller's thread either way.
void AddPassageWalls(const TPlotModel& model, const TPassageOptions& options, TGLFastMesh& mesh, TPassageState& state,
                     const TPassageProgressProc& progress = {}, TSurveyRuns* triangleSurveys = nullptr,
                     const std::atomic<bool>* stop = nullptr, TSurveyRuns* triangleShots = nullptr, int threads = 0);

// The walls built by AddPassageWalls on a thread of their own, into a mesh
// of their own (outside any scene, so that nothing the build does reaches
// the window), while the caller builds the rest of the scene.
class TWallBuild {
 public:
  // Starts at once; the model and options must stay as they are until Wait
  // returns or the build is destroyed.
  TWallBuild(const TPlotModel& model, const TPassageOptions& options);
  // Stops the build at its next line and waits for it.
  ~TWallBuild();
  TWallBuild(const TWallBuild&) = delete;
  TWallBuild& operator=(const TWallBuild&) = delete;

  // Waits for the walls. Every so often, and whenever the build reports,
  // `report` gets its latest count of faces and percent, so the caller can
  // show them and let events run. Rethrows what the build threw.
  void Wait(const TPassageProgressProc& report);

  TGLFastMesh Mesh;
  TPassageState State;
  TSurveyRuns TriangleSurveys;
  TSurveyRuns TriangleShots;

 private:
  void Run(const TPlotModel& model, const TPassageOptions& options);

  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
  int64_t faces_ = 0;
  int percent_ = 0;
  std::exception_ptr failure_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace lumora
