#include "meshfiles/GLXFileWriter.h"

#include <array>
#include <charconv>
#include <cmath>
#include <unordered_map>

#include "platform/AtomicFile.h"
#include "scene/GLFastMesh.h"
#include "scene/GLMesh.h"

namespace lumora {

namespace {

// Meshes keep normals only once they are computed; a missing one is zero.
class TStoredNormals {
 public:
  explicit TStoredNormals(const TGLCustomMesh& mesh)
      : mesh_(mesh), soup_(dynamic_cast<const TGLMesh*>(&mesh)), fast_(dynamic_cast<const TGLFastMesh*>(&mesh)) {}

  T3DVector operator()(int i) const {
    if (soup_) return i < soup_->VertexNormals.Count() ? soup_->VertexNormals[i] : T3DVector{};
    if (fast_) return i < fast_->VertexStore.Normals.Count() ? fast_->VertexStore.Normals[i] : T3DVector{};
    return mesh_.GetVertexNormal(i);
  }

 private:
  const TGLCustomMesh& mesh_;
  const TGLMesh* soup_;
  const TGLFastMesh* fast_;
};

// Colour channels are bytes / 255; their 256 texts are made once.
std::string_view ChannelText(uint8_t byte) {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> t(256);
    for (int b = 0; b < 256; ++b) AppendReal(t[b], b / 255.0);
    return t;
  }();
  return texts[byte];
}

// Other readers take an object name as one identifier, and ours takes
// its first word; blanks and punctuation become '_' so the whole name
// survives ("Passage Mesh" is read back as "Passage_Mesh").
std::string ObjectName(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    const bool keep =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
    if (!keep) c = '_';
  }
  return out;
}

void AppendInt(std::string& out, long long v) {
  char buf[24];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// Writes the text into `out_`; with a file, every full block goes on to it,
// so memory stays a block whatever the size of the scene.
class TXWriter {
 public:
  TXWriter(const TXProgress& progress, TAtomicFile* file, bool sharedVertices)
      : progress_(progress), file_(file), shared_(sharedVertices) {}

  std::string Write(const TGLBaseFrame& frame);

 private:
  static constexpr size_t kBlock = size_t{1} << 20;

  // The line's text goes straight after the indentation.
  std::string& Begin() {
    out_.append(static_cast<size_t>(depth_), ' ');
    return out_;
  }
  void End() {
    out_ += "\r\n";
    if (file_ && out_.size() >= kBlock) Flush();
  }
  void Flush() {
    file_->Write(out_);
    out_.clear();
  }
  void Line(std::string_view text) {
    Begin() += text;
    End();
  }
  void Open(std::string_view type, const std::string& name) {
    Line("");
    std::string& o = Begin();
    o += type;
    o += ' ';
    if (!name.empty()) {
      o += name;
      o += ' ';
    }
    o += '{';
    End();
    ++depth_;
  }
  void Close() {
    --depth_;
    Line("}");
  }
  void IntField(long long v) {
    AppendInt(Begin(), v);
    out_ += ';';
    End();
  }
  void Report(double value) {
    if (progress_) progress_(static_cast<int>(std::lround(value)));
  }
  void Reals(std::initializer_list<double> values, std::string_view tail) {
    std::string& o = Begin();
    bool first = true;
    for (double v : values) {
      if (!first) o += ';';
      first = false;
      AppendReal(o, v);
    }
    o += tail;
    End();
  }
  // n vectors from vector(i), and the faces face(t), each three indices.
  template <class Vector, class Face>
  void VertexBlock(size_t n, int faces, bool gathered, Vector&& vector, Face&& face);
  void Mesh(const TGLCustomMesh& mesh, bool fast);
  void Meshes(const TGLFrame& frame, bool fast);

  TXProgress progress_;
  TAtomicFile* file_;
  bool shared_;
  std::string out_;
  int depth_ = 0;
};

template <class Vector, class Face>
void TXWriter::VertexBlock(size_t n, int faces, bool gathered, Vector&& vector, Face&& face) {
  if (progress_ && gathered) {
    // The vertices are reported as gathered, then again as written.
    for (size_t i = 0; i < n; ++i) Report(50.0 * static_cast<double>(i) / n);
    for (int t = 0; t < faces; ++t) Report(50.0 + 50.0 * t / faces);
  }
  IntField(static_cast<long long>(n));
  for (size_t i = 0; i < n; ++i) {
    const T3DVector v = vector(i);
    std::string& o = Begin();
    AppendReal(o, v.x);
    o += ';';
    AppendReal(o, v.y);
    o += ';';
    AppendReal(o, -v.z);
    o += ';';
    o += i + 1 < n ? ',' : ';';
    End();
    if (progress_) Report(50.0 * static_cast<double>(i) / n);
  }
  IntField(faces);
  for (int t = 0; t < faces; ++t) {
    const std::array<int32_t, 3> ix = face(t);
    std::string& o = Begin();
    o += "3;";
    AppendInt(o, ix[0]);
    o += ',';
    AppendInt(o, ix[1]);
    o += ',';
    AppendInt(o, ix[2]);
    o += ';';
    o += t + 1 < faces ? ',' : ';';
    End();
    if (progress_) Report(50.0 + 50.0 * t / faces);
  }
}

void TXWriter::Mesh(const TGLCustomMesh& mesh, bool fast) {
  // A fast mesh shares vertices between faces. It is written as the
  // corners of its triangles, like a soup; or, with shared vertices, each
  // vertex once and faces that name them. Faces list their corners in
  // reverse, as the z mirror turns them.
  const int triangles = mesh.ColorCount();
  const bool shared = fast && shared_;
  const int vertices = fast && !shared ? 3 * triangles : mesh.VertexCount();
  auto vertexOf = [&](size_t i) {
    const int k = static_cast<int>(i);
    return fast && !shared ? mesh.TriangleVertexIndices(k / 3)[k % 3] : k;
  };
  auto face = [&](int t) -> std::array<int32_t, 3> {
    if (!shared) return {3 * t + 2, 3 * t + 1, 3 * t};
    const std::array<int32_t, 3> ix = mesh.TriangleVertexIndices(t);
    return {ix[2], ix[1], ix[0]};
  };
  const int faces = shared ? triangles : vertices / 3;

  Open("Mesh", ObjectName(mesh.Name()));
  VertexBlock(
      static_cast<size_t>(vertices), faces, true, [&](size_t i) { return mesh.GetVertex(vertexOf(i)); }, face);

  // Materials: the distinct corner-0 colours in order of first use.
  std::unordered_map<uint32_t, int> index;
  std::vector<uint32_t> colours;
  uint32_t lastColour = 0;
  int last = -1;
  auto materialOf = [&](int t) {
    const uint32_t c = mesh.GetTriangleColors(t).c[0];
    if (last >= 0 && c == lastColour) return last;  // neighbours mostly share a colour
    auto [it, added] = index.try_emplace(c, static_cast<int>(colours.size()));
    if (added) colours.push_back(c);
    lastColour = c;
    return last = it->second;
  };
  for (int t = 0; t < triangles; ++t) materialOf(t);
  Open("MeshMaterialList", "");
  IntField(static_cast<long long>(colours.size()));
  IntField(triangles);
  for (int t = 0; t < triangles; ++t) IntField(materialOf(t));
  for (uint32_t c : colours) {
    Open("Material", "");
    const TColorBytes b = UnpackColor(c);
    Reals({b.R / 255.0, b.G / 255.0, b.B / 255.0, mesh.Alpha()}, ";;");
    Reals({mesh.Shininess}, ";");
    Reals({mesh.Specular.r, mesh.Specular.g, mesh.Specular.b}, ";;");
    Reals({mesh.Emission.r, mesh.Emission.g, mesh.Emission.b}, ";;");
    Close();
  }
  Close();

  Open("MeshNormals", "");
  const TStoredNormals normal(mesh);
  VertexBlock(
      static_cast<size_t>(vertices), faces, false, [&](size_t i) { return normal(vertexOf(i)); }, face);
  Close();

  Open("MeshVertexColors", "");
  IntField(vertices);
  auto colourLine = [&](long long i, uint32_t colour) {
    std::string& o = Begin();
    AppendInt(o, i);
    o += "; ";
    const TColorBytes v = UnpackColor(colour);
    o += ChannelText(v.R);
    o += ';';
    o += ChannelText(v.G);
    o += ';';
    o += ChannelText(v.B);
    o += ";1.000000;;";
    End();
  };
  if (shared) {
    for (int i = 0; i < vertices; ++i) {
      colourLine(i, mesh.GetVertexColor(i));
      if (progress_) Report(100.0 * i / vertices);
    }
  } else {
    for (int t = 0; t < triangles; ++t) {
      const TGLColorTriple c = mesh.GetTriangleColors(t);
      for (int j = 0; j < 3; ++j) colourLine(3LL * t + j, c.c[j]);
      if (progress_) Report(100.0 * t / triangles);
    }
  }
  Close();
  Close();
}

void TXWriter::Meshes(const TGLFrame& frame, bool fast) {
  const TGLObjectList& list = fast ? static_cast<const TGLObjectList&>(frame.FastMeshes) : frame.Meshes;
  for (int i = 0; i < list.Count(); ++i) {
    const auto* mesh = dynamic_cast<const TGLCustomMesh*>(list[i]);
    if (mesh && mesh->ColorCount() > 0) Mesh(*mesh, fast);
  }
  for (int i = 0; i < frame.Frames.Count(); ++i)
    if (const auto* child = dynamic_cast<const TGLFrame*>(frame.Frames[i])) Meshes(*child, fast);
}

std::string TXWriter::Write(const TGLBaseFrame& frame) {
  depth_ = 0;
  out_.clear();
  Line("xof 0302txt 0064");
  Open("Header", "");
  IntField(1);
  IntField(0);
  IntField(0);
  Close();
  Meshes(frame, false);
  Meshes(frame, true);
  if (file_) Flush();
  return std::move(out_);
}

}  // namespace

std::string WriteXStream(const TGLBaseFrame& frame, const TXProgress& progress, bool sharedVertices) {
  return TXWriter(progress, nullptr, sharedVertices).Write(frame);
}

void WriteXFile(const std::filesystem::path& fileName, const TGLBaseFrame& frame, const TXProgress& progress,
                bool sharedVertices) {
  TAtomicFile file(fileName);
  TXWriter(progress, &file, sharedVertices).Write(frame);
  file.Commit();
}

}  // namespace lumora
