#include "app/core/CaveGltf.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <limits>
#include <unordered_map>

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
  double SceneHeight(float y) const { return y / Metres + Origin.y; }
};

TFrame FrameOf(const TPlotModel& model, const TPassageOptions& options) {
  return {options.ConvertToMetres ? 1.0 : MetresPerFoot(), SceneCoordinates(model.PlotInfo.Center, model, options)};
}

void Put(std::vector<float>& out, const T3DVector& p) {
  for (double v : {p.x, p.y, p.z}) out.push_back(static_cast<float>(Finite(v)));
}

// A corner whose faces cancel out, or have no area, takes the fallback:
// every normal in the file is a unit one.
T3DVector UnitNormal(const T3DVector& n, const T3DVector& fallback = {0, 1, 0}) {
  for (const T3DVector& v : {n, fallback}) {
    const double l = Length(v);
    if (l > 1e-12 && std::isfinite(l)) return Scale(v, 1 / l);
  }
  return {0, 1, 0};
}

// The file's linear colours of the program's sRGB ones.
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

std::string SurveyName(const TPlotModel& model, int32_t survey) {
  return survey >= 0 && survey < model.Surveys.Count() ? std::string(model.Surveys[survey].Name.View()) : "Walls";
}

// The walls of a model, one mesh per survey, as the wall builder hands out
// their rings: each ring's corners once, shared with the next segment where
// the line goes on, with smooth normals from the faces round each corner.
// The one source of the exported walls; other wall sources (scraps) add
// their meshes beside these.
class TWallMeshes {
 public:
  TWallMeshes(const TPlotModel& model, const TFrame& frame) : model_(model), frame_(frame) {}

  void Segment(const TSegmentRings& s, int32_t survey) {
    const bool sameMesh = Use(survey);
    if (s.Joined && sameMesh && to_.Count > 0)
      from_ = to_;
    else
      from_ = Ring(s.From);
    to_ = Ring(s.To);
    const int n = from_.Count;
    for (int i = 0; i < n; ++i) {
      const int j = i + 1 == n ? 0 : i + 1;
      // The quad (from i, from j, to j, to i) along the diagonal the view
      // takes, wound outwards.
      Face(from_, j, to_, j, from_, i);
      Face(to_, j, to_, i, from_, i);
    }
    if (s.SealFrom) Cap(s.From.Centre, from_, true);
    if (s.SealTo) Cap(s.To.Centre, to_, false);
  }

  // A scrap wall's face, wound outwards.
  void ScrapFace(const T3DVector& a, const T3DVector& b, const T3DVector& c, int32_t survey) {
    Use(survey);
    to_.Count = 0;  // the next segment starts a ring of its own
    const T3DVector sa = AxisChange(a), sb = AxisChange(b), sc = AxisChange(c);
    const uint32_t ia = Point(sa), ib = Point(sb), ic = Point(sc);
    Triangle(ia, frame_(sa), ib, frame_(sb), ic, frame_(sc));
  }

  // Normals made unit; the meshes and the survey of each handed over.
  void Finish() {
    for (TGltfMesh& m : meshes_)
      for (size_t v = 0; v < m.Normals.size(); v += 3) {
        const T3DVector n = UnitNormal({m.Normals[v], m.Normals[v + 1], m.Normals[v + 2]});
        m.Normals[v] = static_cast<float>(n.x);
        m.Normals[v + 1] = static_cast<float>(n.y);
        m.Normals[v + 2] = static_cast<float>(n.z);
      }
  }

  std::vector<TGltfMesh>& Meshes() { return meshes_; }
  const std::vector<int32_t>& Surveys() const { return surveys_; }
  // The walls' highest and lowest scene heights.
  double Top() const { return top_; }
  double Bottom() const { return bottom_; }

 private:
  struct TRing {
    int Count = 0;
    uint32_t First = 0;  // index of its first corner in the mesh
    std::array<T3DVector, 8> Points;
  };

  // False when the survey's mesh is not the one the last segment went to.
  bool Use(int32_t survey) {
    if (current_ >= 0 && surveys_[current_] == survey) return true;
    const auto [at, added] = meshOf_.try_emplace(survey, static_cast<int>(meshes_.size()));
    if (added) {
      meshes_.emplace_back().Name = SurveyName(model_, survey);
      surveys_.push_back(survey);
    }
    current_ = at->second;
    return false;
  }

  uint32_t Point(const T3DVector& scene) {
    TGltfMesh& m = meshes_[current_];
    top_ = std::max(top_, scene.y);
    bottom_ = std::min(bottom_, scene.y);
    Put(m.Positions, frame_(scene));
    m.Normals.insert(m.Normals.end(), 3, 0.0f);
    return static_cast<uint32_t>(m.Positions.size() / 3 - 1);
  }

  TRing Ring(const TCrossSection& c) {
    TRing r;
    r.Count = c.Count;
    for (int i = 0; i < c.Count; ++i) {
      const T3DVector scene = AxisChange(c.Points[i]);
      r.Points[i] = frame_(scene);
      const uint32_t k = Point(scene);
      if (i == 0) r.First = k;
    }
    return r;
  }

  void Face(const TRing& ra, int a, const TRing& rb, int b, const TRing& rc, int c) {
    Triangle(ra.First + a, ra.Points[a], rb.First + b, rb.Points[b], rc.First + c, rc.Points[c]);
  }

  // The fan round the ring, the first end's turned so both face outwards.
  void Cap(const T3DVector& centre, const TRing& ring, bool firstEnd) {
    const T3DVector scene = AxisChange(centre);
    const T3DVector p = frame_(scene);
    const uint32_t ic = Point(scene);
    const int n = ring.Count;
    for (int i = 0; i < n; ++i) {
      const int j = i + 1 == n ? 0 : i + 1;
      const int a = firstEnd ? j : i, b = firstEnd ? i : j;
      Triangle(ic, p, ring.First + a, ring.Points[a], ring.First + b, ring.Points[b]);
    }
  }

  // The face's area-weighted normal goes to each of its corners.
  void Triangle(uint32_t ia, const T3DVector& a, uint32_t ib, const T3DVector& b, uint32_t ic, const T3DVector& c) {
    TGltfMesh& m = meshes_[current_];
    const T3DVector n = Cross(Subtract(b, a), Subtract(c, a));
    for (uint32_t v : {ia, ib, ic}) {
      m.Normals[3 * v] += static_cast<float>(n.x);
      m.Normals[3 * v + 1] += static_cast<float>(n.y);
      m.Normals[3 * v + 2] += static_cast<float>(n.z);
      m.Indices.push_back(v);
    }
  }

  const TPlotModel& model_;
  const TFrame& frame_;
  std::vector<TGltfMesh> meshes_;
  std::vector<int32_t> surveys_;
  std::unordered_map<int32_t, int> meshOf_;
  int current_ = -1;
  TRing from_, to_;
  double top_ = -std::numeric_limits<double>::infinity(), bottom_ = std::numeric_limits<double>::infinity();
};

// The walls of a scene's passage mesh, one mesh per survey in the order
// their triangles come, with the colours painted on the mesh.
std::vector<TGltfMesh> SceneWallMeshes(const TGLFastMesh& mesh, const TSurveyRuns& surveys, const TPlotModel& model,
                                       const TFrame& frame, bool colours) {
  const int faces = mesh.Faces.Count();
  const int surveyCount = model.Surveys.Count();
  std::vector<std::vector<std::pair<int, int>>> runs(static_cast<size_t>(surveyCount) + 1);
  std::vector<int> order;
  const auto add = [&](int first, int end, int32_t survey) {
    end = std::min(end, faces);
    if (first >= end) return;
    const int slot = survey >= 0 && survey < surveyCount ? survey : surveyCount;
    if (runs[slot].empty()) order.push_back(slot);
    runs[slot].push_back({first, end});
  };
  surveys.ForEachRun(add);
  add(std::min(surveys.Count(), faces), faces, -1);

  const TLinearColors linear;
  const int vertices = mesh.VertexCount();
  const int normals = mesh.VertexStore.Normals.Count();
  // Each mesh numbers its own vertices, in the order its faces meet them.
  std::vector<uint32_t> seen(static_cast<size_t>(vertices), 0), local(static_cast<size_t>(vertices));
  uint32_t mark = 0;
  std::vector<TGltfMesh> meshes;
  for (int slot : order) {
    ++mark;
    TGltfMesh m;
    m.Name = SurveyName(model, slot);
    uint32_t count = 0;
    for (const auto& [first, end] : runs[slot]) {
      for (int f = first; f < end; ++f) {
        const TFace& face = mesh.Faces[f];
        // Faces folded to one point are the walls of hidden surveys.
        if (face.v[0] == face.v[1] && face.v[1] == face.v[2]) continue;
        for (int32_t v : face.v) {
          if (seen[v] != mark) {
            seen[v] = mark;
            local[v] = count++;
            Put(m.Positions, frame(mesh.VertexStore[v]));
            const T3DVector n = v < normals ? mesh.VertexStore.Normals[v] : mesh.VertexNormal(v);
            Put(m.Normals, UnitNormal(n, UnitNormal(mesh.FaceNormal(f))));
            if (colours) m.Colors.push_back(linear(mesh.VertexStore.Colors[v]));
          }
          m.Indices.push_back(local[v]);
        }
      }
    }
    if (!m.Indices.empty()) meshes.push_back(std::move(m));
  }
  return meshes;
}

TGltfMesh LineMesh(const TGLLines& lines, const TFrame& frame, const char* name, bool colours) {
  TGltfMesh m;
  m.Name = name;
  m.Lines = true;
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
    cave.CrsDescription = info.CoordinateSystemName;
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

// What goes into the file, each part already in the file's frame but lines.
struct TGltfParts {
  std::vector<TGltfMesh> Walls;
  bool WallVertexColors = false;
  uint32_t WallColor = 0;
  double WallAlpha = 1;
  const TGLLines* Centreline = nullptr;
  bool LineVertexColors = false;
  uint32_t LineColor = 0;
  const TGLLines* Splays = nullptr;
  uint32_t SplayColor = 0;
  std::vector<TGltfStation> Stations;
};

TGltfCave CaveOf(TGltfParts&& parts, const TPlotModel& model, const TFrame& frame) {
  TGltfCave cave;
  cave.Name = CaveName(model.PlotInfo);
  const auto material = [&](const char* name, bool ownColors, uint32_t colour, double alpha, bool unlit) {
    cave.Materials.push_back({name, ownColors ? 0xFFFFFFu : colour, alpha, unlit});
    return static_cast<int>(cave.Materials.size() - 1);
  };
  if (!parts.Walls.empty()) {
    const int m = material("Walls", parts.WallVertexColors, parts.WallColor, parts.WallAlpha, false);
    for (TGltfMesh& mesh : parts.Walls) mesh.Material = m;
    cave.Groups.push_back({"Walls", std::move(parts.Walls)});
  }
  if (parts.Centreline && parts.Centreline->SegmentCount() > 0) {
    TGltfMesh lines = LineMesh(*parts.Centreline, frame, "Centreline", parts.LineVertexColors);
    lines.Material = material("Centreline", parts.LineVertexColors, parts.LineColor, 1, true);
    cave.Groups.push_back({"Centreline", {}});
    cave.Groups.back().Meshes.push_back(std::move(lines));
  }
  if (parts.Splays && parts.Splays->SegmentCount() > 0) {
    TGltfMesh lines = LineMesh(*parts.Splays, frame, "Splays", false);
    lines.Material = material("Splays", false, parts.SplayColor, 1, true);
    cave.Groups.push_back({"Splays", {}});
    cave.Groups.back().Meshes.push_back(std::move(lines));
  }
  cave.Stations = std::move(parts.Stations);
  Georeference(model.PlotInfo, cave);
  return cave;
}

}  // namespace

TGltfCounts write_gltf(const std::filesystem::path& path, const TExportJob& job, const TGltfRequest& request) {
  const TExportOptions& o = job.Options;
  const TPlotModel& model = job.Model;
  TExportProgress& progress = job.Progress;
  progress.show_status("Saving glTF File");
  // The job's options and state describe the walls the view shows, in its
  // units, and stay so: this build, in metres, works on copies.
  TPassageOptions passage = job.Passage;
  CopyWallSettings(o, TExportWriter::glTF, passage);
  const TFrame frame = FrameOf(model, passage);

  // The walls on a thread of their own while the lines and stations are
  // made here; only this thread reports.
  TWallMeshes walls(model, frame);
  TPassageState state;
  std::atomic<int> percent{0};
  std::atomic<bool> stop{false};
  auto build = std::async(std::launch::async, [&] {
    BuildPassageRings(
        model, passage, state,
        [&](const TSegmentRings& s) {
          walls.Segment(s, state.CurrentPassageSurvey);
          if (stop) state.AbortBuild = true;
        },
        [&](int64_t, int p) { percent = p; }, {},
        [&](const T3DVector& a, const T3DVector& b, const T3DVector& c) {
          walls.ScrapFace(a, b, c, state.CurrentPassageSurvey);
        });
    walls.Finish();
  });
  struct TStop {
    std::atomic<bool>& stop;
    ~TStop() { stop = true; }
  } stopOnFailure{stop};

  TGLLines shots, splays, centreline;
  TCaveScene scene;
  scene.Shots = &shots;
  scene.Splays = &splays;
  scene.Centreline = &centreline;
  const TCaveStyle style;
  SetShotLines(model, passage, scene, style);
  TGltfParts parts;
  parts.Stations = Stations(model, passage, frame);
  while (build.wait_for(std::chrono::milliseconds(40)) != std::future_status::ready)
    progress.set_all_progress(percent / 2);
  build.get();

  // The colourings of the view, by its own palette.
  const auto coloring = [&](bool depth) {
    return request.Coloring.value_or(depth ? TWallColoring::Depth : TWallColoring::Plain);
  };
  // The glTF walls are meshes per survey without legs: a colouring by leg
  // paints their centreline only.
  const TWallColoring lineColoring = coloring(o.LineDepthColorChk);
  const TWallColoring wallColoring =
      ByLeg(coloring(o.PassDepthColorChk)) ? TWallColoring::Plain : coloring(o.PassDepthColorChk);
  if (o.DoPassageChk) {
    parts.Walls = std::move(walls.Meshes());
    parts.WallVertexColors = wallColoring != TWallColoring::Plain;
    parts.WallColor = o.PassColorDis;
    parts.WallAlpha = o.TransparencyChk ? 1 - o.TransparencySpin / 100 : 1;
    if (parts.WallVertexColors) {
      const TWallPalette palette(model, wallColoring, o.PassColorDis, walls.Top(), walls.Bottom());
      const TLinearColors linear;
      for (size_t k = 0; k < parts.Walls.size(); ++k) {
        TGltfMesh& m = parts.Walls[k];
        m.Colors.resize(m.VertexCount());
        for (size_t v = 0; v < m.Colors.size(); ++v)
          m.Colors[v] = linear(palette(walls.Surveys()[k], frame.SceneHeight(m.Positions[3 * v + 1])));
      }
    }
  }
  if (o.DoLineChk) {
    PaintCentreline(centreline, *scene.CentrelineSurveys, *scene.CentrelineShots,
                    TWallPalette(model, lineColoring, o.LineColorDis, walls.Top(), walls.Bottom()));
    parts.Centreline = &centreline;
    parts.LineVertexColors = lineColoring != TWallColoring::Plain;
    parts.LineColor = o.LineColorDis;
  }
  if (o.GLTFSplayChk) {
    parts.Splays = &splays;
    parts.SplayColor = style.SplayColor;
  }
  const TGltfCave cave = CaveOf(std::move(parts), model, frame);
  progress.set_all_progress(50);
  const TGltfCounts counts =
      WriteGltf(path, cave, request.Format, [&](int p) { progress.set_all_progress(50 + p / 2); });
  progress.set_all_progress(100);
  progress.show_status("Done");
  return counts;
}

TGltfCounts SaveSceneGltf(const std::filesystem::path& path, const TCaveScene& scene, const TPlotModel& model,
                          const TPassageOptions& options, TWallColoring coloring) {
  const TFrame frame = FrameOf(model, options);
  TGltfParts parts;
  const bool ownColors = coloring != TWallColoring::Plain;
  if (scene.PassageMesh->Visible) {
    parts.Walls = SceneWallMeshes(*scene.PassageMesh, *scene.TriangleSurveys, model, frame, ownColors);
    parts.WallVertexColors = ownColors;
    parts.WallColor = scene.PassageMesh->GetColor() & 0xFFFFFF;
  }
  // The shot lines where they are shown, else the walls' centreline.
  const TGLLines* lines = scene.Shots->Visible ? scene.Shots : scene.Centreline->Visible ? scene.Centreline : nullptr;
  if (lines) {
    parts.Centreline = lines;
    parts.LineVertexColors = lines == scene.Centreline && ownColors;
    parts.LineColor = lines->GetColor() & 0xFFFFFF;
  }
  if (scene.Splays->Visible) {
    parts.Splays = scene.Splays;
    parts.SplayColor = scene.Splays->GetColor() & 0xFFFFFF;
  }
  parts.Stations = Stations(model, options, frame);
  return WriteGltf(path, CaveOf(std::move(parts), model, frame), GltfFormatOf(path));
}

}  // namespace lumora
