#pragma once
// The scene builder: turns a plot file into the cave scene the viewer
// shows (shots, splays, stations, labels, walls, boxes) and colours the
// walls. Qt-free, so the window and `lumora-cli render` build the same
// scene; each passes its own progress fields.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/WallMesh.h"
#include "document/CaveDocument.h"
#include "model/PlotArray.h"
#include "model/PlotReader.h"
#include "passage/PassageLib.h"
#include "scene/GLFastMesh.h"
#include "scene/GLFonts.h"
#include "scene/GLLines.h"
#include "scene/GLMesh.h"
#include "scene/GLPoints.h"
#include "viewer/GLViewerCore.h"

namespace lumora {

// The named objects of the scene, owned by the viewer's frames.
struct TCaveScene {
  TGLFrame* CaveFrame = nullptr;
  TGLFastMesh* PassageMesh = nullptr;  // "Passage Mesh"
  TGLPoints* Stations = nullptr;       // "Stations"
  TGLMesh* Hull = nullptr;             // "Hull"
  TGLLines* Shots = nullptr;           // "Shots"
  TGLLines* Splays = nullptr;          // "Splays"
  TGLLines* LineBox = nullptr;         // "Line Box"
  TGLLines* PassageBox = nullptr;      // "Passage Box"
  TGL2DString* Labels = nullptr;       // "Station Labels"
  TGLFrame* RoseFrame = nullptr;
  TGLMesh* Rose = nullptr;       // "Rose Diagram"
  TGLMesh* RoseBase = nullptr;   // "Rose Base"
  TGLLines* RoseGrid = nullptr;  // "Rose Grid"
  // The walls' centreline in the wall colours, shown with the walls: where
  // a passage is narrower than a pixel the line keeps it drawn and joined.
  TGLLines* Centreline = nullptr;  // "Passage Centreline"
  // The terrain of a Therion model, one mesh per grid; hidden until asked for.
  TGLFrame* SurfaceFrame = nullptr;  // "Surface"
  // The survey of each wall triangle and of each centreline segment, for
  // colouring by survey or date; -1 where none.
  std::shared_ptr<TSurveyRuns> TriangleSurveys = std::make_shared<TSurveyRuns>();
  std::shared_ptr<std::vector<int32_t>> CentrelineSurveys = std::make_shared<std::vector<int32_t>>();
  // The leg (shot index) of each, for colouring by gradient, length or
  // loop error.
  std::shared_ptr<TSurveyRuns> TriangleShots = std::make_shared<TSurveyRuns>();
  std::shared_ptr<std::vector<int32_t>> CentrelineShots = std::make_shared<std::vector<int32_t>>();
  // The wall faces as built, kept while some survey's walls are hidden.
  std::shared_ptr<std::vector<TFace>> AllWallFaces = std::make_shared<std::vector<TFace>>();
};

// The values of the "Cave Mesh Settings" dialog.
struct TCaveMeshSettings {
  int PassageShape = psOctagon;  // "Square", "Diamond", "Octagon"
  int RoundingDepth = 1;         // "None", "One Pass", "Two Pass"
  double CornerThreshold = 20.0;
  double SubstituteDiameter = 2.0;
  bool SubstituteMissing = true;
  bool ExpandPassages = true;
  bool VerticalPrisms = true;
  double VerticalThreshold = 50.0;
  bool SealEnds = true;
  bool ShowHidden = false;
};

// Copies the dialog into the passage options; ConvertToMetres and
// AverageJoints stay as they are, CenterModel is set.
void ApplyMeshOptions(const TCaveMeshSettings& settings, TPassageOptions& options);

// The dialog's "File Analysis" for d 'D' and m 'M' lines.
struct TMeshEstimate {
  int64_t Shots = 0;
  int64_t MaxTriangles = 0;
  double MemoryMB = 0;
};
TMeshEstimate EstimateMesh(int64_t dLines, int64_t mLines, int passageShape, int roundingDepth);
// Nothing when the file does not exist.
std::optional<TMeshEstimate> EstimateMeshForFile(const std::filesystem::path& plotFile,
                                                 const TCaveMeshSettings& settings);

// The colours and sizes the main window's options give a load.
struct TCaveStyle {
  uint32_t ShotColor = 0xFF0000;     // blue
  uint32_t SplayColor = 0x00FFFF;    // yellow
  uint32_t StationColor = 0x00FFFF;  // yellow
  int PointSize = 1;
  uint32_t WallColor = 0x0000FF;  // red
  // Stations without a name (splay ends, unnamed points) are marked and
  // labelled only when asked.
  bool LabelAnonymous = false;
  // Surface legs (of a .3d file) among the shots and the centreline, and
  // legs surveyed twice.
  bool ShowSurfaceLegs = false, ShowDuplicateLegs = true;
  // Stations a .3d file flags, marked in their own colours (a size larger)
  // when asked; the first flag of entrance, fixed, exported wins.
  bool MarkEntrances = false, MarkFixed = false, MarkExported = false;
  uint32_t EntranceColor = 0x00FF00;  // green
  uint32_t FixedColor = 0xFF00FF;     // magenta
  uint32_t ExportedColor = 0x0080FF;  // orange
};

// A colour at a quarter of its brightness: what is not highlighted.
constexpr uint32_t DimColor(uint32_t c) { return ((c >> 2) & 0x3F3F3F) | (c & 0xFF000000); }
// Whether a survey is dimmed while those of `bright` (empty: none) are
// highlighted.
inline bool Dimmed(const std::vector<uint8_t>& bright, int survey) {
  return !bright.empty() && !(survey >= 0 && static_cast<size_t>(survey) < bright.size() && bright[survey]);
}

// The order of importance in which thinning keeps labels.
enum TLabelRank : uint8_t { lrEntrance = 0, lrFixed = 1, lrSurveyEnd = 2, lrOther = 3 };

// The fields of the "Converting Cave Data To 3D Mesh" window; an unset
// field is skipped. The window's fields also let pending events run, and
// Cancelled, asked after every field, stops the load when it says so.
struct TCaveLoadProgress {
  std::function<void(const std::string&)> Action, Shots, Surveys, Polygons;
  std::function<void(int percent)> Progress;
  std::function<bool()> Cancelled;
  // Called once while the walls still build, with the view fitted to the
  // new cave's centreline and only that shown, for a picture of it.
  std::function<void()> CentrelineReady;
};

// Thrown by LoadCave when its progress says the load is cancelled, after
// dropping what the load had built. Not a std::exception, so that no
// reader or builder on the way takes it for a fault of its own.
class ELoadCancelled {};

// Which cave objects are shown; the window derives it from its check boxes
// (a box counts only when enabled), the command line from its options.
enum class TBoxMode { Line, Passage, Both };
struct TCaveVisibility {
  bool Walls = true, Shots = false, Splays = false, Stations = false, Labels = false;
  bool Box = false;
  TBoxMode BoxMode = TBoxMode::Line;
  bool Hull = false;
};
void SyncVisibility(const TCaveScene& scene, const TCaveVisibility& visibility);

// What a load found that the window acts on.
struct TCaveLoadResult {
  std::string Error;                // the plot reader's message; empty on success
  std::string Warning;              // the reader's note of a read cut short
  bool TooManyForPassDims = false;  // more than 15000 records
};

// An empty scene and document, as after a file that could not be read.
void ClearCave(const TCaveScene& scene, TCaveDocument& document);

// Walls in the wall colour, half transparent without blending, no texture,
// everything else hidden: the view after a load.
void ApplyDisplayDefaults(const TCaveScene& scene, uint32_t wallColor);

// The starting render state of every load.
void SetDefaultRendering(TGLRenderer& renderer, TGLViewerCore& viewer, bool flat);

// Creates the scene objects in the viewer's root frame (once), applies the
// display defaults (walls only) and the smooth style.
TCaveScene CreateSceneObjects(TGLViewerCore& viewer);

// The part of a load that the window and `lumora-cli render` share: the
// plot read into the document's model, then shots, stations, labels and
// walls built into the scene (the window adds the caption, the recent files,
// the cursor and the display defaults around it); then the cave frame is
// set back so the whole cave fits the view, as its home position. A plot
// reader error goes to `warn` and into the result, and the scene is built
// from what was read; anything else the scene or the wall builder throws
// passes through, leaving no reporter installed. The walls are built on a
// second thread while the shots, stations and labels are made on this one;
// the progress fields are only called on this thread.
TCaveLoadResult LoadCave(const std::filesystem::path& plotFile, TGLViewerCore& viewer, const TCaveScene& scene,
                         TCaveDocument& document, const TCaveMeshSettings& settings, const TCaveStyle& style,
                         const TCaveLoadProgress& progress, const TMessageProc& warn = {});
// The two halves of LoadCave, for a caller that looks at what was read
// before it replaces the cave shown: the read into a model of the caller's,
// then the rest of the load from it (the model becomes the document's).
TCaveLoadResult ReadCaveFile(const std::filesystem::path& plotFile, TPlotModel& model,
                             const TCaveLoadProgress& progress, const TMessageProc& warn = {});
TCaveLoadResult LoadReadCave(TPlotModel&& model, const TCaveLoadResult& read, TGLViewerCore& viewer,
                             const TCaveScene& scene, TCaveDocument& document, const TCaveMeshSettings& settings,
                             const TCaveStyle& style, const TCaveLoadProgress& progress);
// The same load from what the document's model already holds, read by
// someone else: everything but the read.
TCaveLoadResult RebuildCave(TGLViewerCore& viewer, const TCaveScene& scene, TCaveDocument& document,
                            const TCaveMeshSettings& settings, const TCaveStyle& style,
                            const TCaveLoadProgress& progress);

// The shots, splays and centreline of a loaded model as a load makes them,
// with the survey of each centreline segment; for builders outside a load.
void SetShotLines(const TPlotModel& model, const TPassageOptions& options, const TCaveScene& scene,
                  const TCaveStyle& style);

// After a change of the document's shown surveys or of the style's station
// options: shots, splays, centreline, stations and labels made again for
// the shown surveys, and the walls of hidden surveys left out of the
// drawing. The walls' colouring is the caller's to apply again.
void RestyleCave(const TCaveScene& scene, const TCaveDocument& document, const TCaveStyle& style);

// Colours every wall corner by its depth: red at the top to violet at the
// bottom (the 24-colour table).
void ColorByDepth(TGLCustomMesh& mesh);
void SetWallColor(TGLCustomMesh& mesh, uint32_t colour);
uint32_t DepthColor(int index);  // 0..23
// The depth colour index (1 at the top to 23 at the bottom) of a height.
int DepthIndex(double y, double top, double bottom);

// Plot coordinates (feet, x east, y north, z up) to scene coordinates.
T3DVector SceneCoordinates(const T3DVector& plotPoint, const TPlotModel& model, const TPassageOptions& options);

}  // namespace lumora
