#include "app/core/CaveGltf.h"

#include <array>
#include <cmath>
#include <memory>

#include "app/core/WallMesh.h"
#include "model/PlotReader.h"
#include "model/StationIndex.h"

namespace lumora {
namespace {

// Scene coordinates to the file's: metres from the cave's centre. The
// scene's axes are glTF's already.
struct TFrame {
  double Metres;
  T3DVector Origin;
  T3DVector operator()(const T3DVector& p) const { return Scale(Subtract(p, Origin), Metres); }
};

TFrame FrameOf(const TPlotModel& model, const TPassageOptions& options) {
  return {options.ConvertToMetres ? 1.0 : MetresPerFoot(), SceneCoordinates(model.PlotInfo.Center, model, options)};
}

void Put(std::vector<float>& out, const T3DVector& p) {
  for (double v : {p.x, p.y, p.z}) out.push_back(static_cast<float>(Finite(v)));
}

// A corner whose faces cancel out (or have no area) takes the face's
// normal, and a face without area points up: every normal is a unit one.
T3DVector UnitNormal(const T3DVector& n, const T3DVector& face) {
  for (const T3DVector& v : {n, face}) {
    const double l = Length(v);
    if (l > 1e-12 && std::isfinite(l)) return Scale(v, 1 / l);
  }
  return {0, 1, 0};
}

// The file's linear colours of the scene's sRGB ones, a channel at a time.
class TLinearColors {
 public:
  TLinearColors() {
    for (uint32_t c = 0; c < 256; ++c) table_[c] = GltfLinearColor(c) & 0xFF;
  }
  uint32_t operator()(uint32_t srgb) const {
    return 0xFF000000u | table_[srgb & 0xFF] | table_[(srgb >> 8) & 0xFF] << 8 | table_[(srgb >> 16) & 0xFF] << 16;
  }

 private:
  std::array<uint32_t, 256> table_;
};

TGltfMesh LineMesh(const TGLLines& lines, const TFrame& frame, const char* name, bool colours, int material) {
  TGltfMesh m;
  m.Name = name;
  m.Lines = true;
  m.Material = material;
  const int n = lines.SegmentCount();
  m.Positions.reserve(static_cast<size_t>(n) * 6);
  const TLinearColors linear;
  for (int i = 0; i < n; ++i) {
    T3DVector a, b;
    lines.Segments.GetSegment(i, a, b);
    Put(m.Positions, frame(a));
    Put(m.Positions, frame(b));
    if (colours) m.Colors.insert(m.Colors.end(), 2, linear(lines.SegmentColors[i]));
  }
  return m;
}

std::vector<TGltfStation> Stations(const TPlotModel& model, const TPassageOptions& options, const TFrame& frame) {
  TStationIndex index;
  index.Build(model);
  std::vector<TGltfStation> out;
  out.reserve(static_cast<size_t>(index.Count()));
  const double metres = MetresPerFoot();
  for (int i = 0; i < index.Count(); ++i)
    out.push_back({std::string(index.Name(i)), frame(SceneCoordinates(index.Entry(i).Position, model, options)),
                   index.Depth(i) * metres});
  return out;
}

// The coordinate system the cave's positions are in, and its centre there.
void Georeference(const TPlotInfo& info, TGltfCave& cave) {
  cave.Offset = Scale(info.Center, MetresPerFoot());
  if (!info.CoordinateSystem.empty()) {
    cave.Crs = info.CoordinateSystem;
    return;
  }
  if (!info.HasZone || info.Zone == 0) return;
  const int zone = std::abs(info.Zone);
  const bool north = info.Zone > 0;
  const std::string datum = info.Datum.Str();
  cave.CrsDescription = "UTM zone " + std::to_string(zone) + (north ? " north" : " south");
  if (!datum.empty()) cave.CrsDescription += ", " + datum;
  int epsg = 0;
  if (datum.empty() || datum == "WGS 1984")
    epsg = (north ? 32600 : 32700) + zone;
  else if (datum == "WGS 1972")
    epsg = (north ? 32200 : 32300) + zone;
  else if (datum == "North American 1983" && north && zone <= 23)
    epsg = 26900 + zone;
  else if (datum == "North American 1927" && north && zone >= 3 && zone <= 22)
    epsg = 26700 + zone;
  if (epsg > 0) cave.Crs = "EPSG:" + std::to_string(epsg);
}

std::string CaveName(const TPlotInfo& info) {
  if (!info.Title.empty()) return info.Title;
  const std::string stem = std::filesystem::path(info.FileName).stem().string();
  return stem.empty() ? "Cave" : stem;
}

}  // namespace

std::vector<TGltfMesh> GltfWallMeshes(const TGltfParts& parts, const TPlotModel& model, const TPassageOptions& options,
                                      int material) {
  std::vector<TGltfMesh> meshes;
  if (!parts.Walls) return meshes;
  const TGLFastMesh& mesh = *parts.Walls;
  const int faces = mesh.Faces.Count();
  // The runs of each survey's triangles; those of no survey come last.
  const int surveys = model.Surveys.Count();
  std::vector<std::vector<std::pair<int, int>>> runs(static_cast<size_t>(surveys) + 1);
  std::vector<int> order;
  const auto add = [&](int first, int end, int32_t survey) {
    end = std::min(end, faces);
    if (first >= end) return;
    const int slot = survey >= 0 && survey < surveys ? survey : surveys;
    if (runs[slot].empty()) order.push_back(slot);
    runs[slot].push_back({first, end});
  };
  const int covered = parts.WallSurveys ? std::min(parts.WallSurveys->Count(), faces) : 0;
  if (parts.WallSurveys) parts.WallSurveys->ForEachRun(add);
  add(covered, faces, -1);

  const TFrame frame = FrameOf(model, options);
  const TLinearColors linear;
  const int vertices = mesh.VertexCount();
  const int normals = mesh.VertexStore.Normals.Count();
  // Each mesh numbers its own vertices, in the order its faces meet them.
  std::vector<uint32_t> seen(static_cast<size_t>(vertices), 0), local(static_cast<size_t>(vertices));
  uint32_t mark = 0;
  for (int slot : order) {
    ++mark;
    TGltfMesh m;
    m.Name = slot < surveys ? std::string(model.Surveys[slot].Name.View()) : "Walls";
    m.Material = material;
    size_t triangles = 0;
    for (const auto& [first, end] : runs[slot]) triangles += static_cast<size_t>(end - first);
    m.Indices.reserve(3 * triangles);
    m.Positions.reserve(3 * (triangles / 2 + 16));
    m.Normals.reserve(3 * (triangles / 2 + 16));
    uint32_t count = 0;
    for (const auto& [first, end] : runs[slot]) {
      for (int f = first; f < end; ++f) {
        const TFace& face = mesh.Faces[f];
        for (int32_t v : face.v) {
          if (seen[v] != mark) {
            seen[v] = mark;
            local[v] = count++;
            Put(m.Positions, frame(mesh.VertexStore[v]));
            const T3DVector n = v < normals ? mesh.VertexStore.Normals[v] : mesh.VertexNormal(v);
            Put(m.Normals, UnitNormal(n, mesh.FaceNormal(f)));
            if (parts.WallVertexColors) m.Colors.push_back(linear(mesh.VertexStore.Colors[v]));
          }
          m.Indices.push_back(local[v]);
        }
      }
    }
    meshes.push_back(std::move(m));
  }
  return meshes;
}

TGltfCave GltfCaveOf(const TGltfParts& parts, const TPlotModel& model, const TPassageOptions& options) {
  TGltfCave cave;
  cave.Name = CaveName(model.PlotInfo);
  const TFrame frame = FrameOf(model, options);
  const auto material = [&](const char* name, bool ownColors, uint32_t colour, double alpha, bool unlit) {
    cave.Materials.push_back({name, ownColors ? 0xFFFFFFu : colour, alpha, unlit});
    return static_cast<int>(cave.Materials.size() - 1);
  };
  if (parts.Walls && parts.Walls->Faces.Count() > 0) {
    const int m = material("Walls", parts.WallVertexColors, parts.WallColor, parts.WallAlpha, false);
    cave.Groups.push_back({"Walls", GltfWallMeshes(parts, model, options, m)});
  }
  if (parts.Centreline && parts.Centreline->SegmentCount() > 0) {
    const int m = material("Centreline", parts.LineVertexColors, parts.LineColor, 1, true);
    cave.Groups.push_back({"Centreline", {LineMesh(*parts.Centreline, frame, "Centreline", parts.LineVertexColors, m)}});
  }
  if (parts.Splays && parts.Splays->SegmentCount() > 0) {
    const int m = material("Splays", false, parts.SplayColor, 1, true);
    cave.Groups.push_back({"Splays", {LineMesh(*parts.Splays, frame, "Splays", false, m)}});
  }
  if (parts.Stations) cave.Stations = Stations(model, options, frame);
  Georeference(model.PlotInfo, cave);
  return cave;
}

TGltfCounts write_gltf(const std::filesystem::path& path, const TExportJob& job, const TGltfRequest& request) {
  const TExportOptions& o = job.Options;
  const TPlotModel& model = job.Model;
  TExportProgress& progress = job.Progress;
  progress.show_status("Saving glTF File");
  CopyWallSettings(o, TExportWriter::glTF, job.Passage);

  // The scene objects of this export alone, made as a load makes them: the
  // walls on a thread of their own while the lines are made here.
  TWallBuild walls(model, job.Passage);
  TGLLines shots, splays, centreline;
  TCaveScene scene;
  scene.Shots = &shots;
  scene.Splays = &splays;
  scene.Centreline = &centreline;
  const TCaveStyle style;
  SetShotLines(model, job.Passage, scene, style);
  walls.Wait([&](int64_t, int percent) { progress.set_all_progress(percent / 2); });
  job.State = walls.State;
  TGLFastMesh& mesh = walls.Mesh;
  // Bounds for the depth colours, from the walls alone.
  if (mesh.Faces.Count() > 0) mesh.RecomputeBounds();
  mesh.ComputeAllNormals();
  scene.PassageMesh = &mesh;
  // Borrowed, not owned: the build keeps the runs.
  scene.TriangleSurveys = std::shared_ptr<TSurveyRuns>(std::shared_ptr<void>(), &walls.TriangleSurveys);

  // The colourings of the view, by the same functions.
  const TWallColoring wallColoring =
      request.Coloring.value_or(o.PassDepthColorChk ? TWallColoring::Depth : TWallColoring::Plain);
  const TWallColoring lineColoring =
      request.Coloring.value_or(o.LineDepthColorChk ? TWallColoring::Depth : TWallColoring::Plain);
  ColorWallMesh(scene, model, wallColoring, o.PassColorDis);
  ColorCentreline(scene, model, lineColoring, o.LineColorDis);

  TGltfParts parts;
  if (o.DoPassageChk) {
    parts.Walls = &mesh;
    parts.WallSurveys = &walls.TriangleSurveys;
    parts.WallVertexColors = wallColoring != TWallColoring::Plain;
    parts.WallColor = o.PassColorDis;
    parts.WallAlpha = o.TransparencyChk ? 1 - o.TransparencySpin / 100 : 1;
  }
  if (o.DoLineChk) {
    parts.Centreline = &centreline;
    parts.LineVertexColors = lineColoring != TWallColoring::Plain;
    parts.LineColor = o.LineColorDis;
  }
  if (o.GLTFSplayChk) {
    parts.Splays = &splays;
    parts.SplayColor = style.SplayColor;
  }
  const TGltfCave cave = GltfCaveOf(parts, model, job.Passage);
  progress.set_all_progress(50);
  const TGltfCounts counts =
      WriteGltf(path, cave, request.Format, [&](int percent) { progress.set_all_progress(50 + percent / 2); });
  progress.set_all_progress(100);
  progress.show_status("Done");
  return counts;
}

TGltfCounts SaveSceneGltf(const std::filesystem::path& path, const TCaveScene& scene, const TPlotModel& model,
                          const TPassageOptions& options, TWallColoring coloring) {
  TGltfParts parts;
  const bool ownColors = coloring != TWallColoring::Plain;
  if (scene.PassageMesh->Visible) {
    parts.Walls = scene.PassageMesh;
    parts.WallSurveys = scene.TriangleSurveys.get();
    parts.WallVertexColors = ownColors;
    parts.WallColor = scene.PassageMesh->GetColor() & 0xFFFFFF;
  }
  // The shot lines where they are shown, else the walls' centreline.
  const TGLLines* lines = scene.Shots->Visible        ? scene.Shots
                          : scene.Centreline->Visible ? scene.Centreline
                                                      : nullptr;
  if (lines) {
    parts.Centreline = lines;
    parts.LineVertexColors = lines == scene.Centreline && ownColors;
    parts.LineColor = lines->GetColor() & 0xFFFFFF;
  }
  if (scene.Splays->Visible) {
    parts.Splays = scene.Splays;
    parts.SplayColor = scene.Splays->GetColor() & 0xFFFFFF;
  }
  return WriteGltf(path, GltfCaveOf(parts, model, options), GltfFormatOf(path));
}

}  // namespace lumora
