#include "export/VRMLExport.h"
#include "geometry/GLMatrix.h"
#include "geometry/NumberText.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <numbers>

namespace lumora {

TVRMLColor VRMLColorOf(uint32_t rgb) {
  const TColorBytes b = UnpackColor(rgb);
  return {b.R / 255.0, b.G / 255.0, b.B / 255.0};
}

// ---- TVRMLWriter ----

void TVRMLWriter::Line(std::string_view text) {
  out_.append(static_cast<size_t>(indent_), ' ');
  out_ += text;
  out_ += "\r\n";
}

void TVRMLWriter::OpenBlock(std::string_view keyword, std::string_view bracket) {
  Line(keyword);
  indent_ += 4;
  Line(bracket);
}

void TVRMLWriter::CloseWith(std::string_view bracket) {
  Line(bracket);
  indent_ = std::max(indent_ - 4, 0);
}

void TVRMLWriter::Def(std::string_view name) {
  std::string s = "DEF ";
  s += name;
  Line(s);
}

std::string TVRMLWriter::Vector(const T3DVector& v) const {
  std::string s;
  AppendFixed(s, v.x, decimals_);
  s += ' ';
  AppendFixed(s, v.y, decimals_);
  s += ' ';
  AppendFixed(s, v.z, decimals_);
  return s;
}

std::string TVRMLWriter::Rotation(const T3DVector& axis, double angle) const {
  std::string s = Vector(axis);
  s += ' ';
  AppendFixed(s, angle, decimals_);
  return s;
}

void TVRMLWriter::ColorField(std::string_view name, const TVRMLColor& c) {
  std::string s(name);
  s += ' ';
  s += Vector({c.r, c.g, c.b});
  Line(s);
}

void TVRMLWriter::Break() {
  out_ += "\r\n";
  out_.append(static_cast<size_t>(indent_), ' ');
}

// ---- TVertexTable ----

uint64_t TVertexTable::Hash(const T3DVector& v) {
  // -0 and 0 are equal, so they must hash alike.
  auto bits = [](double c) { return std::bit_cast<uint64_t>(c == 0 ? 0.0 : c); };
  uint64_t h = bits(v.x) * 0x9E3779B97F4A7C15ull;
  h = (h ^ (h >> 31) ^ bits(v.y)) * 0xBF58476D1CE4E5B9ull;
  h = (h ^ (h >> 29) ^ bits(v.z)) * 0x94D049BB133111EBull;
  return h ^ (h >> 32);
}

void TVertexTable::Reserve(size_t count) {
  vertices_.reserve(count);
  size_t size = 1024;
  while (size * 7 < count * 10) size *= 2;  // at most 70 % full
  if (size > slots_.size()) Grow(size);
}

void TVertexTable::Grow(size_t size) {
  TMappedArray<Slot> slots;
  slots.resize(size);
  slots_ = std::move(slots);
  mask_ = size - 1;
  for (size_t i = 0; i < vertices_.size(); ++i) {
    const uint64_t h = Hash(vertices_[i]);
    size_t at = h & mask_;
    while (slots_[at].index != 0) at = (at + 1) & mask_;
    slots_[at] = {static_cast<uint32_t>(i + 1), static_cast<uint32_t>(h >> 32)};
  }
}

int TVertexTable::IndexOrAdd(const T3DVector& v, uint64_t h) {
  if (10 * (vertices_.size() + 1) > 7 * slots_.size()) Grow(slots_.empty() ? 1024 : slots_.size() * 2);
  if (const int k = Recent(v, h); k >= 0) return k;
  uint32_t& recent = recent_[RecentSlot(h)];
  const uint32_t tag = static_cast<uint32_t>(h >> 32);
  size_t at = h & mask_;
  for (;; at = (at + 1) & mask_) {
    const Slot s = slots_[at];
    if (s.index == 0) break;
    if (s.tag != tag) continue;
    const T3DVector& q = vertices_[s.index - 1];
    if (q.x == v.x && q.y == v.y && q.z == v.z) {
      recent = s.index;
      return static_cast<int>(s.index - 1);
    }
  }
  vertices_.push_back(v);
  slots_[at] = {static_cast<uint32_t>(vertices_.size()), tag};
  recent = static_cast<uint32_t>(vertices_.size());
  return static_cast<int>(vertices_.size() - 1);
}

void TVertexTable::Clear() {
  vertices_ = {};
  slots_ = {};
  mask_ = 0;
  std::fill(recent_.begin(), recent_.end(), 0);
}

// ---- TVRMLShape ----

void TVRMLShape::Clear() {
  vertices_.Clear();
  coordIndex_ = {};
  std::vector<TVRMLColor>().swap(colors_);
  colorIndex_ = {};
  firstWaiting_ = waitingCount_ = 0;
  min_ = {1e99, 1e99, 1e99};
  max_ = {-1e99, -1e99, -1e99};
}

void TVRMLShape::Reserve(size_t vertices, size_t indexes) {
  vertices_.Reserve(vertices);
  coordIndex_.reserve(indexes);
}

void TVRMLShape::SettleOldest() {
  const TWaiting& w = waiting_[firstWaiting_];
  coordIndex_[w.at] = vertices_.IndexOrAdd(w.point, w.hash);
  firstWaiting_ = (firstWaiting_ + 1) % kAhead;
  --waitingCount_;
}

// Corners settle in their own order, so vertices are added in first-seen
// order whichever way each was found; a corner equal to one still waiting
// also waits, and then finds it added.
void TVRMLShape::AddPolygon(const T3DVector* points, int count) {
  for (int i = 0; i < count; ++i) {
    const T3DVector& p = points[i];
    min_ = {std::min(min_.x, p.x), std::min(min_.y, p.y), std::min(min_.z, p.z)};
    max_ = {std::max(max_.x, p.x), std::max(max_.y, p.y), std::max(max_.z, p.z)};
    const uint64_t h = TVertexTable::Hash(p);
    if (const int k = vertices_.Recent(p, h); k >= 0) {
      coordIndex_.push_back(k);
      continue;
    }
    if (waitingCount_ == kAhead) SettleOldest();
    vertices_.Prefetch(h);
    waiting_[(firstWaiting_ + waitingCount_++) % kAhead] = {p, h, coordIndex_.size()};
    coordIndex_.push_back(-1);
  }
  coordIndex_.push_back(-1);
}

void TVRMLShape::Finish() {
  while (waitingCount_ > 0) SettleOldest();
}

// ---- Depth colours ----

namespace {

// A quoted string field, its quotes and backslashes escaped.
std::string VrmlString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

constexpr uint8_t kDepthPalette[23][3] = {
    {255, 0, 0}, {255, 63, 0}, {255, 127, 0}, {255, 191, 0}, {255, 255, 0}, {191, 255, 0}, {127, 255, 0}, {63, 255, 0},
    {0, 255, 0}, {0, 255, 63}, {0, 255, 127}, {0, 255, 191}, {0, 255, 255}, {0, 191, 255}, {0, 127, 255}, {0, 63, 255},
    {0, 0, 255}, {63, 0, 255}, {127, 0, 255}, {191, 0, 255}, {255, 0, 255}, {255, 0, 191}, {255, 0, 127}};

}  // namespace

int DepthColorIndex(const TPlotInfo& info, double z) {
  const double step = (info.Top - info.Bottom) / 22;
  // A flat plot, or a wall point beyond the ceiling or the floor, must
  // still name a palette entry.
  if (!(step > 0)) return 0;
  const double top = info.Top - info.Center.z;
  const double k = std::trunc((top - z) / step);
  if (!(k >= 0)) return 0;
  return k > 22 ? 22 : static_cast<int>(k);
}

namespace {

class TVRMLExporter {
 public:
  TVRMLExporter(const TExportJob& job, TExportFile& file)
      : job_(job), model_(job.Model), o_(job.Options), file_(file), w_(file.Buffer()) {}

  void Write() {
    const TExportOptions& o = o_;
    background_ = VRMLColorOf(o.BackColorDis);
    perVertex_ = o.VertColorChk;
    transparent_ = o.TransparencyChk;
    transparency_ = o.TransparencySpin / 100;
    texture_ = o.TextureChk;
    yaw_ = o.YawRotateChk;
    spline_ = o.SplineSurfaceChk;
    centre_ = model_.PlotInfo.Center;
    CopyWallSettings(o_, TExportWriter::VRML, job_.Passage);
    if (o.DoPassageChk) PassageShape();
    if (o.DoLineChk) LineShape();
    // With neither shape the world is still whole: the opening with an
    // empty children list.
    if (!opened_) Opening(0);
    w_.CloseList();
    w_.CloseBlock();
    if (yaw_) {
      w_.Out() += "\r\n";
      Animation();
    }
  }

 private:
  T3DVector Axes(const T3DVector& p) const { return {p.x, static_cast<double>(static_cast<float>(p.z)), -p.y}; }

  void LoadPalette() {
    for (const auto& c : kDepthPalette) shape_.Colors().push_back({c[0] / 255.0, c[1] / 255.0, c[2] / 255.0});
  }

  // Points are relative to the plot centre, in survey axes.
  void AddColoured(const T3DVector* centred, int n) {
    T3DVector converted[4];
    for (int i = 0; i < n; ++i) converted[i] = Axes(centred[i]);
    shape_.AddPolygon(converted, n);
    if (!colorsOn_) return;
    auto& index = shape_.ColorIndex();
    if (perVertex_) {
      for (int i = 0; i < n; ++i) index.push_back(DepthColorIndex(model_.PlotInfo, centred[i].z));
      index.push_back(-1);
    } else {
      index.push_back(DepthColorIndex(model_.PlotInfo, centred[0].z));
    }
  }

  void PassageShape() {
    faces_ = true;
    shape_.Clear();
    diffuse_ = VRMLColorOf(o_.PassColorDis);
    colorsOn_ = o_.PassDepthColorChk;
    if (colorsOn_) LoadPalette();
    // About one cross-section (and a cap centre) of new corners per
    // record; five indexes per quad.
    const size_t records = static_cast<size_t>(model_.Plots.Count());
    const size_t ring = job_.Passage.PassageShape == psOctagon ? 8 : 4;
    shape_.Reserve(records * (ring + 1), records * ring * 5);
    TExportProgress& progress = job_.Progress;
    BuildPassages(
        model_, job_.Passage, job_.State,
        [&](const T3DVector& q1, const T3DVector& q2, const T3DVector& q3, const T3DVector& q4, int32_t) {
          // Our quads come as (from i, from j, to j, to i), already wound
          // outwards; the world takes them from (from j), which is the
          // corner order P4, P3, P2, P1 of the quads this writer reverses.
          const T3DVector poly[4] = {q2, q3, q4, q1};
          AddColouredFirst(poly, 4, q1);
        },
        [&](const T3DVector& centre, const T3DVector& a, const T3DVector& b, int32_t, bool firstEnd) {
          const T3DVector poly[3] = {centre, firstEnd ? b : a, firstEnd ? a : b};
          AddColouredFirst(poly, 3, centre);
        },
        [&](int64_t, int percent) { progress.set_all_progress(percent / 2); });
    WriteShape();
  }

  // Per-face colours take the depth of `first`, the quad's first corner.
  void AddColouredFirst(const T3DVector* poly, int n, const T3DVector& first) {
    if (colorsOn_ && !perVertex_) {
      T3DVector converted[4];
      for (int i = 0; i < n; ++i) converted[i] = Axes(poly[i]);
      shape_.AddPolygon(converted, n);
      shape_.ColorIndex().push_back(DepthColorIndex(model_.PlotInfo, first.z));
      return;
    }
    AddColoured(poly, n);
  }

  void LineShape() {
    faces_ = false;
    shape_.Clear();
    diffuse_ = VRMLColorOf(o_.LineColorDis);
    const TVRMLColor savedEmissive = emissive_;
    emissive_ = diffuse_;
    colorsOn_ = o_.LineDepthColorChk;
    const bool savedPerVertex = perVertex_;
    perVertex_ = true;
    if (colorsOn_) LoadPalette();
    std::vector<T3DVector> converted;
    auto& colorIndex = shape_.ColorIndex();
    for (int s = 0; s < model_.Sections.Count(); ++s) {
      const TRange surveys = model_.SectionSurveyRange(s);
      for (int sv = surveys.First; sv <= surveys.Last; ++sv) {
        if (model_.Surveys[sv].Kind != skSurvey) continue;
        const TRange lines = model_.SurveyLineRange(sv);
        for (int l = lines.First; l <= lines.Last; ++l) {
          const TRange plots = model_.LinePlotRange(l);
          converted.clear();
          for (int i = plots.First; i <= plots.Last; ++i) {
            const T3DVector p = Subtract(model_.Plots[i].Position, centre_);
            converted.push_back(Axes(p));
            if (colorsOn_) colorIndex.push_back(DepthColorIndex(model_.PlotInfo, p.z));
          }
          if (colorsOn_) colorIndex.push_back(-1);
          shape_.AddPolygon(converted.data(), static_cast<int>(converted.size()));
        }
      }
    }
    WriteShape();
    emissive_ = savedEmissive;
    perVertex_ = savedPerVertex;
  }

  void Opening(double xExtent) {
    w_.SetDecimals(5);
    w_.Line("#VRML V2.0 utf8");
    w_.Line("# Bramble");
    w_.Line("# Brookfen");
    w_.OpenBlock("Background", "{");
    w_.ColorField("skyColor", background_);
    w_.CloseBlock();
    w_.Def("ViewPoint1");
    w_.OpenBlock("Viewpoint", "{");
    w_.Line("position " + w_.Vector({0, 0, 1.5 * xExtent}));
    w_.Line("orientation " + w_.Rotation({0, 0, 0}, 0));
    w_.CloseBlock();
    w_.Def("Frame1");
    w_.OpenBlock("Transform", "{");
    w_.Line("translation " + w_.Vector({-5, -5, 0}));
    w_.Line("scale " + w_.Vector({1, 1, 1}));
    w_.OpenBlock("children", "[");
    opened_ = true;
  }

  // x y z with the writer's decimals, the world's axes already applied.
  char* WritePoint(char* p, const T3DVector& v) const {
    p = WriteFixed(p, Finite(v.x), w_.Decimals());
    *p++ = ' ';
    p = WriteFixed(p, Finite(v.y), w_.Decimals());
    *p++ = ' ';
    return WriteFixed(p, Finite(v.z), w_.Decimals());
  }

  void Progress(size_t done, size_t total) {
    if (done % 100 == 0 && total > 0)
      job_.Progress.set_all_progress(50 + static_cast<int>(50 * static_cast<double>(done) / total));
  }

  void WriteShape() {
    shape_.Finish();
    if (!opened_) {
      // An empty shape has no extent; its viewpoint stays at the origin.
      const double extent = shape_.VertexCount() > 0 ? shape_.Max().x - shape_.Min().x : 0;
      Opening(extent);
    }
    w_.SetDecimals(5);
    w_.OpenBlock("Shape", "{");
    w_.OpenBlock("appearance Appearance", "{");
    w_.OpenBlock("material Material", "{");
    w_.ColorField("diffuseColor", diffuse_);
    w_.ColorField("emissiveColor", emissive_);
    w_.ColorField("specularColor", VRMLColorOf(0x808080));
    w_.Line("ambientIntensity " + w_.Number(0.2));
    w_.Line("shininess " + w_.Number(0.2));
    if (transparent_) w_.Line("transparency  " + w_.Number(transparency_));
    w_.CloseBlock();
    if (texture_ && !o_.TextureEdit.empty()) {
      w_.OpenBlock("texture ImageTexture", "{");
      w_.Line("url " + VrmlString(o_.TextureEdit));
      w_.CloseBlock();
    }
    w_.CloseBlock();

    w_.SetDecimals(2);
    w_.OpenBlock(!faces_   ? "geometry IndexedLineSet"
                 : spline_ ? "geometry SplineFaceSet"
                           : "geometry IndexedFaceSet",
                 "{");
    if (faces_) w_.Line("creaseAngle 1.571");
    w_.OpenBlock("coord Coordinate", "{");
    w_.OpenBlock("point", "[");
    const size_t vertices = static_cast<size_t>(shape_.VertexCount());
    const TMappedArray<int32_t>& coordIndex = shape_.CoordIndex();
    const size_t total = vertices + coordIndex.size();
    std::string& out = w_.Out();
    // A line at a time: ten points or fifty indexes.
    char line[10 * (3 * kFixedTextMax + 4)];
    for (size_t i = 0; i < vertices; i += 10) {
      char* p = line;
      for (size_t k = i; k < std::min(vertices, i + 10); ++k) {
        p = WritePoint(p, shape_.Vertex(static_cast<int>(k)));
        *p++ = ',';
        *p++ = ' ';
        Progress(k, total);
      }
      w_.Break();
      out.append(line, p);
      file_.MaybeFlush();
    }
    out += "\r\n";
    w_.CloseList();
    w_.CloseBlock();
    w_.OpenBlock("coordIndex", "[");
    for (size_t i = 0; i < coordIndex.size(); i += 50) {
      char* p = line;
      for (size_t k = i; k < std::min(coordIndex.size(), i + 50); ++k) {
        p = std::to_chars(p, p + 12, coordIndex[k]).ptr;
        *p++ = ',';
        *p++ = ' ';
        Progress(vertices + k, total);
      }
      w_.Break();
      out.append(line, p);
      file_.MaybeFlush();
    }
    out += "\r\n";
    w_.CloseList();

    if (!shape_.Colors().empty() && colorsOn_) {
      w_.Line(std::string("colorPerVertex ") + TVRMLWriter::Boolean(perVertex_));
      w_.OpenBlock("color Color", "{");
      w_.OpenBlock("color", "[");
      for (const TVRMLColor& c : shape_.Colors()) w_.Line(w_.Vector({c.r, c.g, c.b}));
      w_.CloseList();
      w_.CloseBlock();
      w_.OpenBlock("colorIndex", "[");
      const TMappedArray<int32_t>& colorIndex = shape_.ColorIndex();
      char buf[16];
      for (size_t i = 0; i < colorIndex.size(); ++i) {
        if (i % 50 == 0) w_.Break();
        out.append(buf, std::to_chars(buf, buf + sizeof buf, colorIndex[i]).ptr);
        out += ' ';
        file_.MaybeFlush();
      }
      out += "\r\n";
      w_.CloseList();
    }
    w_.CloseBlock();
    w_.CloseBlock();
    file_.MaybeFlush();
  }

  void Animation() {
    w_.SetDecimals(2);
    w_.Def("Timer1");
    w_.OpenBlock("TimeSensor", "{");
    w_.Line("cycleInterval " + w_.Number(18));
    w_.Line(std::string("loop ") + TVRMLWriter::Boolean(false));
    w_.Line("startTime " + w_.Number(0));
    w_.Line("stopTime " + w_.Number(-1));
    w_.CloseBlock();
    w_.Def("Sensor1");
    w_.OpenBlock("TouchSensor", "{");
    w_.CloseBlock();
    w_.Def("Rotator1");
    w_.OpenBlock("OrientationInterpolator", "{");
    w_.Line("key [" + w_.Vector({0, 0.5, 1}) + "]");
    const double pi = std::numbers::pi;
    w_.Line("keyValue [" + w_.Rotation({0, 1, 0}, 0) + ", " + w_.Rotation({0, 1, 0}, pi) + ", " +
            w_.Rotation({0, 1, 0}, 2 * pi) + "]");
    w_.CloseBlock();
    std::string& out = w_.Out();
    out += "ROUTE Sensor1.isActive TO Timer1.loop\r\n";
    out += "ROUTE Timer1.fraction_changed TO Rotator1.set_fraction\r\n";
    out += "ROUTE Rotator1.value_changed TO Frame1.set_rotation\r\n";
  }

  const TExportJob& job_;
  TPlotModel& model_;
  const TExportOptions& o_;
  TExportFile& file_;
  TVRMLWriter w_;
  TVRMLShape shape_;
  T3DVector centre_;
  bool opened_ = false;
  bool faces_ = true, spline_ = false, colorsOn_ = false, perVertex_ = false;
  bool transparent_ = false, texture_ = false, yaw_ = false;
  double transparency_ = 0.5;
  TVRMLColor background_, diffuse_, emissive_;
};

}  // namespace

void write_vrml(const std::filesystem::path& path, const TExportJob& job) {
  WriteTextExport(path, job, "Saving VRL File", [&](TExportFile& file) { TVRMLExporter(job, file).Write(); });
}

}  // namespace lumora
