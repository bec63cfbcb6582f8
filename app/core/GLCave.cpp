#include "app/core/GLCave.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <unordered_map>
#include <utility>

#include "geometry/NumberText.h"
#include "model/SurveyFile.h"

namespace lumora {

namespace {

// A label longer than this keeps its end: the view has no room for more.
constexpr size_t kLongestLabel = 255;
constexpr uint32_t kLineBoxColor = 0x00FF00;
constexpr uint32_t kPassageBoxColor = 0xFF0000;
constexpr uint32_t kLabelColor = 0x00FF00;
constexpr int kPassDimsLimit = 15000;
const TLineProperties kSplayLine{2, true, 0xAAAAAAAA, 2};

constexpr uint32_t kDepthColors[24] = {
    0x000000, 0x0000FF, 0x003FFF, 0x007FFF, 0x00BFFF, 0x00FFFF, 0x00FFBF, 0x00FF7F,
    0x00FF3F, 0x00FF00, 0x3FFF00, 0x7FFF00, 0xBFFF00, 0xFFFF00, 0xFFBF00, 0xFF7F00,
    0xFF3F00, 0xFF0000, 0xFF003F, 0xFF007F, 0xFF00BF, 0xFF00FF, 0xBF00FF, 0x7F00FF,
};

bool Drawn(char code, bool includeHidden) { return code == 'D' || (code == 'd' && includeHidden); }

// Which surveys are drawn; everything when no document says.
struct TShown {
  const TCaveDocument* Document = nullptr;
  bool operator()(int survey) const { return !Document || Document->SurveyShown(survey); }
};

// Follows the survey of record i as i counts up from 0.
struct TSurveyCursor {
  const TPlotModel& Model;
  int Survey = -1;
  int At(int i) {
    while (Survey + 1 < Model.Surveys.Count() && Model.Surveys[Survey + 1].FirstPlot <= i) ++Survey;
    return Survey;
  }
  // Whether record i is the first or last of its survey.
  bool AtEnd(int i) const {
    if (Survey < 0) return false;
    const int end = Survey + 1 < Model.Surveys.Count() ? Model.Surveys[Survey + 1].FirstPlot : Model.Plots.Count();
    return i == Model.Surveys[Survey].FirstPlot || i + 1 == end;
  }
};

// Whether a record's station gets a mark and a label.
bool Marked(const TPlotVector& r, const TCaveStyle& style) {
  return style.LabelAnonymous || r.NameId != TStationNames::kUnnamed;
}
bool Station(char code, bool includeHidden) { return code == 'M' || Drawn(code, includeHidden); }

int ClampCount(int64_t n) { return static_cast<int>(std::clamp<int64_t>(n, 1, INT_MAX / 4)); }

// The twelve edges of the box spanned by two scene corners.
void DrawBox(TGLLines& lines, const T3DVector& a, const T3DVector& b, uint32_t colour) {
  auto face = [&](double z) {
    const T3DVector p[4] = {{a.x, a.y, z}, {b.x, a.y, z}, {b.x, b.y, z}, {a.x, b.y, z}};
    for (int i = 0; i < 4; ++i) lines.AddSegment(p[i], p[(i + 1) % 4], colour);
  };
  face(a.z);
  face(b.z);
  for (const auto& [x, y] : {std::pair{a.x, a.y}, {b.x, a.y}, {b.x, b.y}, {a.x, b.y}})
    lines.AddSegment({x, y, a.z}, {x, y, b.z}, colour);
}

bool ValidBox(const T3DVector& lo, const T3DVector& hi) { return lo.x <= hi.x && lo.y <= hi.y && lo.z <= hi.z; }

// Calls the unset-safe fields of the progress window, each a point where
// the load may be cancelled.
struct TFields {
  const TCaveLoadProgress& p;
  void Action(const std::string& s) const { Call(p.Action, s); }
  void Shots(const std::string& s) const { Call(p.Shots, s); }
  void Surveys(const std::string& s) const { Call(p.Surveys, s); }
  void Polygons(const std::string& s) const { Call(p.Polygons, s); }
  void Progress(int percent) const { Call(p.Progress, percent); }

 private:
  template <class F, class V>
  void Call(const F& field, const V& value) const {
    if (field) field(value);
    if (p.Cancelled && p.Cancelled()) throw ELoadCancelled();
  }
};

// The mesh's reporter is the load's only while the load runs.
class TMeshProgressGuard {
 public:
  TMeshProgressGuard(TGLCustomMesh& mesh, TMeshProgress progress) : mesh_(mesh) {
    mesh_.OnProgress = std::move(progress);
  }
  ~TMeshProgressGuard() { mesh_.OnProgress = nullptr; }
  TMeshProgressGuard(const TMeshProgressGuard&) = delete;
  TMeshProgressGuard& operator=(const TMeshProgressGuard&) = delete;

 private:
  TGLCustomMesh& mesh_;
};

void SetShots(const TPlotModel& model, const TPassageOptions& options, const TCaveScene& scene, const TCaveStyle& style,
              int64_t drawn, const TFields& fields, TShown shown = {}) {
  TGLLines& shots = *scene.Shots;
  TGLLines& splays = *scene.Splays;
  TGLLines& centre = *scene.Centreline;
  std::vector<int32_t>& centreSurveys = *scene.CentrelineSurveys;
  std::vector<int32_t>& centreShots = *scene.CentrelineShots;
  shots.Clear();
  splays.Clear();
  centre.Clear();
  centreSurveys.clear();
  centreShots.clear();
  const std::vector<uint8_t> none;
  const std::vector<uint8_t>& bright = shown.Document ? shown.Document->HighlightedSurveys : none;
  const int64_t splayShots = model.Splays.ShotCount();
  for (TGLLines* l : {&shots, &splays, &centre}) {
    const int n = ClampCount(l == &splays ? drawn + splayShots : drawn);
    l->Segments.SetCapacity(2 * n);
    l->SegmentColors.SetCapacity(n);
    l->LineProperties.SetCapacity(n);
  }
  centreSurveys.reserve(static_cast<size_t>(ClampCount(drawn)));
  centreShots.reserve(static_cast<size_t>(ClampCount(drawn)));
  const bool hidden = options.IncludeHidden;
  const TPlotArray& plots = model.Plots;
  T3DVector previous{};
  bool havePrevious = false;
  TSurveyCursor cursor{model};
  // Splays kept by from-station: the survey of each station name, only
  // when some survey is hidden.
  std::unordered_map<std::string, int> surveyOfName;
  for (int i = 0; i < plots.Count(); ++i) {
    const TPlotVector& r = plots[i];
    const int survey = cursor.At(i);
    if (model.Splays.Count() > 0 && shown.Document && !shown.Document->AllSurveysShown() &&
        r.NameId != TStationNames::kUnnamed)
      surveyOfName.emplace(model.Name(r), survey);
    if (i % 100 == 0) fields.Action("Shots: " + std::to_string(i));
    if (r.Code == 'M') {
      previous = SceneCoordinates(r.Position, model, options);
      havePrevious = true;
    } else if (Drawn(r.Code, hidden || (style.ShowSurfaceLegs && r.Code == 'd'))) {
      const T3DVector p = SceneCoordinates(r.Position, model, options);
      // A file whose first record draws has nowhere to draw from.
      if (havePrevious && shown(survey) && (style.ShowDuplicateLegs || !r.IsDuplicate())) {
        const bool dim = Dimmed(bright, survey);
        if (r.IsSplay())
          splays.AddSegmentEx(previous, p, dim ? DimColor(style.SplayColor) : style.SplayColor, kSplayLine);
        else {
          shots.AddSegment(previous, p, dim ? DimColor(style.ShotColor) : style.ShotColor);
          centre.AddSegment(previous, p, style.WallColor);
          centreSurveys.push_back(survey);
          centreShots.push_back(r.ShotIndex);
        }
      }
      previous = p;
      havePrevious = true;
    }
  }
  for (int i = 0; i < model.Splays.Count(); ++i) {
    if (i % 100 == 0) fields.Action("Splays: " + std::to_string(i));
    if (!surveyOfName.empty()) {
      const auto at = surveyOfName.find(std::string(model.Splays.Key(i)));
      if (at != surveyOfName.end() && !shown(at->second)) continue;
    }
    for (const TSplayShot& s : model.Splays.Item(i).Shots)
      splays.AddSegmentEx(SceneCoordinates(s.From, model, options), SceneCoordinates(s.To, model, options),
                          style.SplayColor, kSplayLine);
  }
  shots.ResetOrientation();
  splays.ResetOrientation();
  centre.ResetOrientation();
}

// The mark colour and size of a station by its .3d flags, as asked.
std::pair<uint32_t, int> StationMark(uint8_t flags, const TCaveStyle& style) {
  if (style.MarkEntrances && (flags & TPlotModel::kStationEntrance)) return {style.EntranceColor, style.PointSize + 2};
  if (style.MarkFixed && (flags & TPlotModel::kStationFixed)) return {style.FixedColor, style.PointSize + 2};
  if (style.MarkExported && (flags & TPlotModel::kStationExported)) return {style.ExportedColor, style.PointSize + 2};
  return {style.StationColor, style.PointSize};
}

void SetStations(const TPlotModel& model, const TPassageOptions& options, TGLPoints& stations, const TCaveStyle& style,
                 int64_t count, const TFields& fields, TShown shown = {}) {
  stations.Clear();
  const int n = ClampCount(count);
  stations.Points.SetCapacity(n);
  stations.PointColors.SetCapacity(n);
  stations.PointProperties.SetCapacity(n);
  const TPlotArray& plots = model.Plots;
  TSurveyCursor cursor{model};
  for (int i = 0; i < plots.Count(); ++i) {
    if (i % 10 == 0) fields.Action("Station: " + std::to_string(i));
    const TPlotVector& r = plots[i];
    if (!shown(cursor.At(i)) || !Station(r.Code, options.IncludeHidden) || !Marked(r, style)) continue;
    const auto [colour, size] = StationMark(model.StationFlagsOf(r), style);
    stations.AddPoint(SceneCoordinates(r.Position, model, options), colour, size);
  }
  stations.ResetOrientation();
}

void SetLabels(const TPlotModel& model, const TPassageOptions& options, TGL2DString& labels, const TCaveStyle& style,
               int64_t stations, const TFields& fields, TShown shown = {}) {
  labels.ClearStrings();
  labels.ReserveStrings(ClampCount(stations));
  TFontDescription font = labels.Font();
  font.Color = kLabelColor;
  font.Height = 12;
  // The glyphs are made again at the next draw, where a context is current.
  labels.SetFont(font);
  const TPlotArray& plots = model.Plots;
  TSurveyCursor cursor{model};
  for (int i = 0; i < plots.Count(); ++i) {
    if (i % 10 == 0) fields.Action("Labels: " + std::to_string(i));
    const TPlotVector& r = plots[i];
    if (!shown(cursor.At(i)) || !Station(r.Code, options.IncludeHidden) || !Marked(r, style)) continue;
    const uint8_t flags = model.StationFlagsOf(r);
    const TLabelRank rank = (flags & TPlotModel::kStationEntrance) ? lrEntrance
                            : (flags & TPlotModel::kStationFixed)  ? lrFixed
                            : cursor.AtEnd(i)                      ? lrSurveyEnd
                                                                   : lrOther;
    labels.AddString(model.CutName(r, kLongestLabel),
                     Add(SceneCoordinates(r.Position, model, options), T3DVector{0.5, 0.5, 0}), 2, rank);
  }
  labels.ResetOrientation();
}

// Hidden surveys' wall faces become single points, which draw nothing; the
// faces as built are kept to bring them back.
void HideWalls(const TCaveScene& scene, const TCaveDocument& document) {
  TGLFastMesh& mesh = *scene.PassageMesh;
  std::vector<TFace>& all = *scene.AllWallFaces;
  const bool allShown = document.AllSurveysShown();
  if (all.empty() && allShown) return;
  if (all.empty()) all.assign(mesh.Faces.Data(), mesh.Faces.Data() + mesh.Faces.Count());
  if (static_cast<size_t>(mesh.Faces.Count()) != all.size()) return;  // the mesh was replaced
  const int faces = mesh.Faces.Count();
  for (int i = 0; i < faces; ++i) mesh.Faces[i] = all[i];
  if (!allShown)
    scene.TriangleSurveys->ForEachRun([&](int first, int end, int32_t survey) {
      if (document.SurveyShown(survey)) return;
      for (int i = first; i < std::min(end, faces); ++i) mesh.Faces[i] = TFace{{all[i].v[0], all[i].v[0], all[i].v[0]}};
    });
  else
    all.clear();
  mesh.Invalidate();
  mesh.Changed();
}

}  // namespace

void ApplyMeshOptions(const TCaveMeshSettings& s, TPassageOptions& o) {
  o.SubstituteDiameter = s.SubstituteMissing ? s.SubstituteDiameter : 0;
  o.CornerThreshold = s.CornerThreshold;
  o.RoundingPasses = s.RoundingDepth;
  o.VerticalPrisms = s.VerticalPrisms;
  o.VerticalThreshold = s.VerticalThreshold;
  o.FillDimensions = s.ExpandPassages;
  o.SealEnds = s.SealEnds;
  o.IncludeHidden = s.ShowHidden;
  o.PassageShape = s.PassageShape;
  o.CenterModel = true;
}

TMeshEstimate EstimateMesh(int64_t dLines, int64_t mLines, int passageShape, int roundingDepth) {
  const int64_t s = passageShape == psOctagon ? 8 : 4;
  int64_t d = dLines;
  for (int i = 0; i < roundingDepth; ++i) d = 2 * d - 1;
  const int64_t v = 4 * s * d + 3 * s * mLines;
  const int64_t e = 2 * v;
  const int64_t t = 2 * s * d + s * mLines;
  return {dLines, t, (41.0 * v + 17.0 * e + 91.0 * t) / 1048576.0};
}

std::optional<TMeshEstimate> EstimateMeshForFile(const std::filesystem::path& plotFile,
                                                 const TCaveMeshSettings& settings) {
  std::error_code ec;
  if (plotFile.empty() || !std::filesystem::is_regular_file(plotFile, ec)) return std::nullopt;
  const TPlotLineCounts counts = CountSurveyLines(plotFile.string());
  return EstimateMesh(counts.DrawCount, counts.MoveCount, settings.PassageShape, settings.RoundingDepth);
}

void SyncVisibility(const TCaveScene& scene, const TCaveVisibility& v) {
  scene.PassageMesh->Visible = v.Walls;
  scene.Centreline->Visible = v.Walls;
  scene.Shots->Visible = v.Shots;
  scene.Splays->Visible = v.Splays;
  scene.Stations->Visible = v.Stations;
  scene.Labels->Visible = v.Labels;
  scene.LineBox->Visible = v.Box && v.BoxMode != TBoxMode::Passage;
  scene.PassageBox->Visible = v.Box && v.BoxMode != TBoxMode::Line;
  scene.Hull->Visible = v.Hull;
  scene.CaveFrame->Changed();
}

void SetDefaultRendering(TGLRenderer& renderer, TGLViewerCore& viewer, bool flat) {
  renderer.SetRenderStyle(flat ? 1 : 2);
  viewer.SetCullFaces(true);
  renderer.SetTwoSided(false);
  viewer.SetWireFrameLight(false);
}

void ApplyDisplayDefaults(const TCaveScene& scene, uint32_t wallColor) {
  for (TGLRenderer* r : {static_cast<TGLRenderer*>(scene.PassageMesh), static_cast<TGLRenderer*>(scene.Rose),
                         static_cast<TGLRenderer*>(scene.RoseBase)}) {
    r->SetTransparency(50);
    r->Blend = false;
    if (r->Texture) r->Texture->TextureEnabled = false;
  }
  SetWallColor(*scene.PassageMesh, wallColor);
  scene.Centreline->SetColor(wallColor);
  SyncVisibility(scene, TCaveVisibility{});
}

TCaveScene CreateSceneObjects(TGLViewerCore& viewer) {
  TCaveScene s;
  s.CaveFrame = static_cast<TGLFrame*>(viewer.Frame.Frames.AddNew());
  TGLFrame& cave = *s.CaveFrame;
  s.PassageMesh = static_cast<TGLFastMesh*>(cave.FastMeshes.AddNew());
  s.PassageMesh->SetName("Passage Mesh");
  s.Stations = static_cast<TGLPoints*>(cave.Points.AddNew());
  s.Stations->SetName("Stations");
  s.Hull = static_cast<TGLMesh*>(cave.Meshes.AddNew());
  s.Hull->SetName("Hull");
  auto addLines = [](TGLFrame& frame, const char* name) {
    auto* l = static_cast<TGLLines*>(frame.Lines.AddNew());
    l->SetName(name);
    return l;
  };
  s.Shots = addLines(cave, "Shots");
  s.Splays = addLines(cave, "Splays");
  s.LineBox = addLines(cave, "Line Box");
  s.PassageBox = addLines(cave, "Passage Box");
  s.Centreline = addLines(cave, "Passage Centreline");
  s.Labels = static_cast<TGL2DString*>(cave.Strings2D[cave.Strings2D.AddString()]);
  s.Labels->SetName("Station Labels");
  s.Labels->HideOverlapping = true;
  s.SurfaceFrame = static_cast<TGLFrame*>(cave.Frames.AddNew());
  s.SurfaceFrame->SetName("Surface");
  s.SurfaceFrame->Position = s.SurfaceFrame->HomePosition = T3DVector{};
  s.SurfaceFrame->Visible = false;

  s.RoseFrame = static_cast<TGLFrame*>(viewer.Frame.Frames.AddNew());
  s.RoseFrame->Position = s.RoseFrame->HomePosition = T3DVector{};
  s.RoseFrame->Visible = false;
  s.Rose = static_cast<TGLMesh*>(s.RoseFrame->Meshes.AddNew());
  s.Rose->SetName("Rose Diagram");
  s.RoseBase = static_cast<TGLMesh*>(s.RoseFrame->Meshes.AddNew());
  s.RoseBase->SetName("Rose Base");
  s.RoseGrid = addLines(*s.RoseFrame, "Rose Grid");
  // No rose exists yet: its objects stay hidden until the rose tool builds one.
  s.Rose->Visible = s.RoseBase->Visible = s.RoseGrid->Visible = false;

  SyncVisibility(s, TCaveVisibility{});
  s.PassageMesh->SetRenderStyle(2);
  return s;
}

T3DVector SceneCoordinates(const T3DVector& p, const TPlotModel& model, const TPassageOptions& options) {
  const double k = options.ConvertToMetres ? MetresPerFoot() : 1.0;
  T3DVector q = Scale(p, k);
  if (options.CenterModel) q = Subtract(q, Scale(model.PlotInfo.Center, k));
  return AxisChange(q);
}

void ClearCave(const TCaveScene& scene, TCaveDocument& document) {
  document.Model.ClearPlotModel();
  document.PassageState = TPassageState{};
  scene.PassageMesh->Clear();
  scene.Hull->Clear();
  scene.SurfaceFrame->Meshes.Clear();
  for (TGLLines* l : {scene.Shots, scene.Splays, scene.Centreline, scene.LineBox, scene.PassageBox}) l->Clear();
  scene.Stations->Clear();
  scene.Labels->ClearStrings();
  scene.TriangleSurveys->Clear();
  scene.CentrelineSurveys->clear();
  scene.TriangleShots->Clear();
  scene.CentrelineShots->clear();
  scene.AllWallFaces->clear();
  document.ShowAllSurveys();
}

namespace {

// What every load does before the model is read.
void ResetScene(TGLViewerCore& viewer, const TCaveScene& scene, TPassageOptions& options,
                const TCaveMeshSettings& settings) {
  TGLFastMesh& mesh = *scene.PassageMesh;
  SetDefaultRendering(mesh, viewer, false);
  SetDefaultRendering(*scene.Rose, viewer, true);
  SetDefaultRendering(*scene.RoseBase, viewer, true);
  scene.Hull->Clear();
  scene.SurfaceFrame->Meshes.Clear();
  mesh.Clear();
  ApplyMeshOptions(settings, options);
  mesh.ResetOrientation();
  scene.CaveFrame->ResetOrientation();
}

TCaveLoadResult ReadCave(const std::filesystem::path& plotFile, TPlotModel& model, const TFields& fields,
                         const TMessageProc& warn) {
  TCaveLoadResult result;
  fields.Action("Reading File");
  const TPlotLoadResult loaded = LoadSurveyFile(
      model, plotFile.string(),
      [&](int surveys, int plots) {
        fields.Shots(GroupedNumber(plots));
        fields.Surveys(GroupedNumber(surveys));
      },
      warn);
  if (!loaded.Ok) result.Error = loaded.Message;
  result.Warning = loaded.Warning;
  return result;
}

// The scene from the model, after ResetScene.
void BuildCave(TGLViewerCore& viewer, const TCaveScene& scene, TCaveDocument& document, const TCaveStyle& style,
               const TFields& fields, TCaveLoadResult& result) {
  const TPlotModel& model = document.Model;
  const TPassageOptions& options = document.PassageOptions;
  TGLFastMesh& mesh = *scene.PassageMesh;
  if (model.Plots.Count() > kPassDimsLimit) {
    document.UsePassDims = false;
    result.TooManyForPassDims = true;
  }

  int64_t drawn = 0, stations = 0;
  for (int i = 0; i < model.Plots.Count(); ++i) {
    const char c = model.Plots[i].Code;
    drawn += Drawn(c, options.IncludeHidden);
    stations += Station(c, options.IncludeHidden);
  }

  TWallBuild walls(model, options);
  fields.Action("Setting Shots");
  SetShots(model, options, scene, style, drawn, fields);
  if (fields.p.CentrelineReady) {
    SyncVisibility(scene, TCaveVisibility{});
    viewer.FitObject(*scene.CaveFrame);
    fields.p.CentrelineReady();
  }
  fields.Action("Setting Stations");
  SetStations(model, options, *scene.Stations, style, stations, fields);
  fields.Action("Setting Labels");
  SetLabels(model, options, *scene.Labels, style, stations, fields);

  fields.Action("Building Mesh");
  walls.Wait([&](int64_t faces, int percent) {
    fields.Action("Passage - Prisms");
    fields.Progress(percent);
    fields.Polygons(GroupedNumber(faces));
  });
  TPassageState& state = document.PassageState;
  state = walls.State;
  mesh.SwapGeometry(walls.Mesh);
  scene.TriangleSurveys->Swap(walls.TriangleSurveys);
  scene.TriangleShots->Swap(walls.TriangleShots);
  scene.AllWallFaces->clear();

  // Bounds only grow while vertices come, from the cleared mesh's origin:
  // fit them to the walls, for the depth colours and the fitted view.
  if (mesh.ColorCount() > 0) mesh.RecomputeBounds();

  fields.Action("Setting bounding box");
  scene.LineBox->Clear();
  if (ValidBox(model.PlotInfo.Min, model.PlotInfo.Max))
    DrawBox(*scene.LineBox, SceneCoordinates(model.PlotInfo.Min, model, options),
            SceneCoordinates(model.PlotInfo.Max, model, options), kLineBoxColor);
  scene.PassageBox->Clear();
  if (ValidBox(state.OutputMin, state.OutputMax)) {
    // The build's bounds are in its own units, without the centring.
    const double k = options.ConvertToMetres ? MetresPerFoot() : 1.0;
    const T3DVector offset = options.CenterModel ? Scale(model.PlotInfo.Center, k) : T3DVector{};
    DrawBox(*scene.PassageBox, AxisChange(Subtract(state.OutputMin, offset)),
            AxisChange(Subtract(state.OutputMax, offset)), kPassageBoxColor);
  }

  {
    std::string prefix = "Passage - ";
    TMeshProgressGuard guard(mesh, [&](TGLCustomMesh&, const std::string& text, int percent) {
      fields.Action(prefix + text);
      fields.Progress(percent);
    });
    mesh.ComputeAllNormals();
    prefix = "Stations - ";
  }

  scene.Stations->Emission = TGLColor{1, 0, 0, 1};

  // The camera never moves: the cave frame is set back so the whole cave
  // fits the view's width, which makes the home view of this load.
  viewer.FitObject(*scene.CaveFrame);
  fields.Action("Rendering Image");
}

// A load from `read` (replacing the document's model) or, without one,
// from the document's model as it is.
TCaveLoadResult RunLoad(TPlotModel* read, TCaveLoadResult result, TGLViewerCore& viewer, const TCaveScene& scene,
                        TCaveDocument& document, const TCaveMeshSettings& settings, const TCaveStyle& style,
                        const TCaveLoadProgress& progress) {
  const TFields fields{progress};
  try {
    document.ShowAllSurveys();
    ResetScene(viewer, scene, document.PassageOptions, settings);
    if (read) document.Model = std::move(*read);
    BuildCave(viewer, scene, document, style, fields, result);
    return result;
  } catch (const ELoadCancelled&) {
    ClearCave(scene, document);
    throw;
  }
}

}  // namespace

TCaveLoadResult ReadCaveFile(const std::filesystem::path& plotFile, TPlotModel& model,
                             const TCaveLoadProgress& progress, const TMessageProc& warn) {
  return ReadCave(plotFile, model, TFields{progress}, warn);
}

TCaveLoadResult LoadReadCave(TPlotModel&& model, const TCaveLoadResult& read, TGLViewerCore& viewer,
                             const TCaveScene& scene, TCaveDocument& document, const TCaveMeshSettings& settings,
                             const TCaveStyle& style, const TCaveLoadProgress& progress) {
  return RunLoad(&model, read, viewer, scene, document, settings, style, progress);
}

TCaveLoadResult LoadCave(const std::filesystem::path& plotFile, TGLViewerCore& viewer, const TCaveScene& scene,
                         TCaveDocument& document, const TCaveMeshSettings& settings, const TCaveStyle& style,
                         const TCaveLoadProgress& progress, const TMessageProc& warn) {
  TPlotModel model;
  TCaveLoadResult read;
  try {
    read = ReadCaveFile(plotFile, model, progress, warn);
  } catch (const ELoadCancelled&) {
    ClearCave(scene, document);
    throw;
  }
  return LoadReadCave(std::move(model), read, viewer, scene, document, settings, style, progress);
}

TCaveLoadResult RebuildCave(TGLViewerCore& viewer, const TCaveScene& scene, TCaveDocument& document,
                            const TCaveMeshSettings& settings, const TCaveStyle& style,
                            const TCaveLoadProgress& progress) {
  return RunLoad(nullptr, {}, viewer, scene, document, settings, style, progress);
}

void SetShotLines(const TPlotModel& model, const TPassageOptions& options, const TCaveScene& scene,
                  const TCaveStyle& style) {
  int64_t drawn = 0;
  for (int i = 0; i < model.Plots.Count(); ++i) drawn += Drawn(model.Plots[i].Code, options.IncludeHidden);
  const TCaveLoadProgress none;
  SetShots(model, options, scene, style, drawn, TFields{none});
}

void RestyleCave(const TCaveScene& scene, const TCaveDocument& document, const TCaveStyle& style) {
  const TPlotModel& model = document.Model;
  const TPassageOptions& options = document.PassageOptions;
  int64_t drawn = 0, stations = 0;
  for (int i = 0; i < model.Plots.Count(); ++i) {
    drawn += Drawn(model.Plots[i].Code, options.IncludeHidden);
    stations += Station(model.Plots[i].Code, options.IncludeHidden);
  }
  const TCaveLoadProgress none;
  const TFields fields{none};
  const TShown shown{&document};
  SetShots(model, options, scene, style, drawn, fields, shown);
  SetStations(model, options, *scene.Stations, style, stations, fields, shown);
  SetLabels(model, options, *scene.Labels, style, stations, fields, shown);
  HideWalls(scene, document);
  scene.CaveFrame->Changed();
}

uint32_t DepthColor(int index) { return index >= 0 && index < 24 ? kDepthColors[index] : kDepthColors[0]; }

int DepthIndex(double y, double top, double bottom) {
  const double bin = (bottom - top) / 22;
  const double q = (y - top) / bin;
  // A mesh without height (or bounds that are not numbers) has no bins:
  // everything is at the top.
  if (!(bin < 0) || !std::isfinite(q)) return 1;
  return static_cast<int>(std::clamp(std::trunc(q), 0.0, 22.0)) + 1;
}

void ColorByDepth(TGLCustomMesh& mesh) {
  const double top = mesh.GetMax().y, bottom = mesh.GetMin().y;
  const int n = mesh.ColorCount();
  for (int i = 0; i < n; ++i) {
    const TTriangle3 t = mesh.GetTriangle(i);
    mesh.SetTriangleColors3(i, kDepthColors[DepthIndex(t.p[0].y, top, bottom)],
                            kDepthColors[DepthIndex(t.p[1].y, top, bottom)],
                            kDepthColors[DepthIndex(t.p[2].y, top, bottom)]);
  }
  mesh.Changed();
}

void SetWallColor(TGLCustomMesh& mesh, uint32_t colour) {
  mesh.SetColor(colour);
  mesh.Changed();
}

}  // namespace lumora
