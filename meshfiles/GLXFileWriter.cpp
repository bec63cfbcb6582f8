#include "meshfiles/GLXFileWriter.h"

#include <charconv>
#include <cmath>
#include <unordered_map>

#include "platform/AtomicFile.h"
#include "scene/GLFastMesh.h"
#include "scene/GLMesh.h"

namespace lumora {

namespace {

// Meshes keep normals only once they are computed; a missing one is zero.
T3DVector StoredNormal(const TGLCustomMesh& mesh, int i) {
  if (const auto* soup = dynamic_cast<const TGLMesh*>(&mesh))
    return i < soup->VertexNormals.Count() ? soup->VertexNormals[i] : T3DVector{};
  if (const auto* fast = dynamic_cast<const TGLFastMesh*>(&mesh))
    return i < fast->VertexStore.Normals.Count() ? fast->VertexStore.Normals[i] : T3DVector{};
  return mesh.GetVertexNormal(i);
}

// Other readers take an object name as one identifier, and ours takes
// its first word; blanks and punctuation become '_' so the whole name
// survives ("Passage Mesh" is read back as "Passage_Mesh").
std::string ObjectName(const std::string& name) {
  std::string out = name;
  for (char& c : out) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                      c == '-' || c == '.';
    if (!keep) c = '_';
  }
  return out;
}

void AppendInt(std::string& out, long long v) {
  char buf[24];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

class TXWriter {
 public:
  explicit TXWriter(const TXProgress& progress) : progress_(progress) {}

  std::string Write(const TGLBaseFrame& frame);

 private:
  // The line's text goes straight after the indentation.
  std::string& Begin() {
    out_.append(static_cast<size_t>(depth_), ' ');
    return out_;
  }
  void End() { out_ += "\r\n"; }
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
  void VertexBlock(const std::vector<T3DVector>& v, int faces, bool gathered);
  void Mesh(const TGLCustomMesh& mesh, bool fast);
  void Meshes(const TGLFrame& frame, bool fast);

  TXProgress progress_;
  std::string out_;
  int depth_ = 0;
  std::vector<T3DVector> scratch_;
};

void TXWriter::VertexBlock(const std::vector<T3DVector>& v, int faces, bool gathered) {
  const size_t n = v.size();
  if (progress_ && gathered) {
    // The scratch copy was gathered before; it reports as it is written.
    for (size_t i = 0; i < n; ++i) Report(50.0 * static_cast<double>(i) / n);
    for (int t = 0; t < faces; ++t) Report(50.0 + 50.0 * t / faces);
  }
  IntField(static_cast<long long>(n));
  for (size_t i = 0; i < n; ++i) {
    std::string& o = Begin();
    AppendReal(o, v[i].x);
    o += ';';
    AppendReal(o, v[i].y);
    o += ';';
    AppendReal(o, v[i].z);
    o += ';';
    o += i + 1 < n ? ',' : ';';
    End();
    if (progress_) Report(50.0 * static_cast<double>(i) / n);
  }
  IntField(faces);
  for (int t = 0; t < faces; ++t) {
    std::string& o = Begin();
    o += "3;";
    AppendInt(o, 3LL * t + 2);
    o += ',';
    AppendInt(o, 3LL * t + 1);
    o += ',';
    AppendInt(o, 3LL * t);
    o += ';';
    o += t + 1 < faces ? ',' : ';';
    End();
    if (progress_) Report(50.0 + 50.0 * t / faces);
  }
}

void TXWriter::Mesh(const TGLCustomMesh& mesh, bool fast) {
  // A fast mesh shares vertices between faces; it is written as the
  // corners of its triangles, like a soup.
  const int triangles = mesh.ColorCount();
  const int vertices = fast ? 3 * triangles : mesh.VertexCount();
  auto corner = [&](int i) {
    if (!fast) return mesh.GetVertex(i);
    return mesh.GetVertex(mesh.TriangleVertexIndices(i / 3)[i % 3]);
  };
  auto normal = [&](int i) {
    if (!fast) return StoredNormal(mesh, i);
    return StoredNormal(mesh, mesh.TriangleVertexIndices(i / 3)[i % 3]);
  };

  Open("Mesh", ObjectName(mesh.Name()));
  scratch_.resize(static_cast<size_t>(vertices));
  for (int i = 0; i < vertices; ++i) {
    T3DVector v = corner(i);
    v.z = -v.z;
    scratch_[i] = v;
  }
  VertexBlock(scratch_, vertices / 3, true);

  // Materials: the distinct corner-0 colours in order of first use.
  std::unordered_map<uint32_t, int> index;
  std::vector<uint32_t> colours;
  std::vector<int> faceIndexes;
  faceIndexes.reserve(static_cast<size_t>(triangles));
  for (int t = 0; t < triangles; ++t) {
    const uint32_t c = mesh.GetTriangleColors(t).c[0];
    auto [it, added] = index.try_emplace(c, static_cast<int>(colours.size()));
    if (added) colours.push_back(c);
    faceIndexes.push_back(it->second);
  }
  Open("MeshMaterialList", "");
  IntField(static_cast<long long>(colours.size()));
  IntField(static_cast<long long>(faceIndexes.size()));
  for (int k : faceIndexes) IntField(k);
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
  for (int i = 0; i < vertices; ++i) {
    T3DVector n = normal(i);
    n.z = -n.z;
    scratch_[i] = n;
  }
  VertexBlock(scratch_, vertices / 3, false);
  Close();

  Open("MeshVertexColors", "");
  IntField(vertices);
  for (int t = 0; t < triangles; ++t) {
    const TGLColorTriple c = mesh.GetTriangleColors(t);
    for (int j = 0; j < 3; ++j) {
      std::string& o = Begin();
      AppendInt(o, 3LL * t + j);
      o += "; ";
      const TColorBytes v = UnpackColor(c.c[j]);
      AppendReal(o, v.R / 255.0);
      o += ';';
      AppendReal(o, v.G / 255.0);
      o += ';';
      AppendReal(o, v.B / 255.0);
      o += ';';
      AppendReal(o, 1.0);
      o += ";;";
      End();
    }
    if (progress_) Report(100.0 * t / triangles);
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
  return std::move(out_);
}

}  // namespace

std::string WriteXStream(const TGLBaseFrame& frame, const TXProgress& progress) {
  return TXWriter(progress).Write(frame);
}

void WriteXFile(const std::filesystem::path& fileName, const TGLBaseFrame& frame, const TXProgress& progress) {
  WriteFileAtomically(fileName, WriteXStream(frame, progress));
}

}  // namespace lumora
