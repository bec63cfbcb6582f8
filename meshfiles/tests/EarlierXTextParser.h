#pragma once
// The text parser of X files as it was before it read through a window:
// the parse of a whole file held in memory, kept verbatim as the oracle
// for the streamed one.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "meshfiles/format/XFileFormat.h"

namespace lumora::testing::earlier {
namespace {

struct TMaterialList {
  int MaterialCount = 0;
  int FaceIndexCount = 0;
  std::vector<int32_t> FaceIndexes;
  std::vector<TMaterial> Materials;
};

struct TVertexList {
  std::vector<T3DVector> Vertices;
  std::vector<int32_t> Faces;
  int FaceCount = 0;
};

struct TMeshData {
  std::string Name;
  std::vector<T3DVector> Corners;
  std::vector<uint32_t> CornerColors;
  std::vector<T3DVector> CornerNormals;
  bool UniformColor = false;
  uint32_t Color = 0xFFFFFF;
  bool HasMaterial = false;
  TMaterial Material;
  float Shininess = 10.0f;
  int FileVertexCount = 0;
  int MaterialCount = 0;
};

class TMeshSink {
 public:
  virtual ~TMeshSink() = default;
  virtual std::string BeginMesh(const std::string& name) = 0;
  virtual void EndMesh(const TMeshData& mesh) = 0;
};

enum Code {
  kWord = 5,
  kTemplate = 6,
  kFrameTransformMatrix,
  kFrame,
  kXSkinMeshHeader,
  kMeshTextureCoords,
  kMeshMaterialList,
  kMeshNormals,
  kMesh,
  kMeshVertexColors,
  kMaterial,
  kSkinWeights,
  kTextureFilename,
  kAnimationSet,
  kAnimationKey,
  kAnimation,
  kHeader,
  kBlank = 100,
  kComment,
  kOpen,
  kClose,
  kEnd
};

const char* const kTemplateNames[] = {"template",
                                      "FrameTransformMatrix",
                                      "Frame",
                                      "XSkinMeshHeader",
                                      "MeshTextureCoords",
                                      "MeshMaterialList",
                                      "MeshNormals",
                                      "Mesh",
                                      "MeshVertexColors",
                                      "Material",
                                      "SkinWeights",
                                      "TextureFilename",
                                      "AnimationSet",
                                      "AnimationKey",
                                      "Animation",
                                      "Header"};

bool SameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

int LookUp(std::string_view word) {
  for (int i = 0; i < 16; ++i)
    if (SameNoCase(word, kTemplateNames[i])) return kTemplate + i;
  return kWord;
}

bool IsBlank(unsigned char c) { return c <= 32; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && IsBlank(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

class TTextParser {
 public:
  TTextParser(std::string_view data, TMeshSink& sink, const TStreamProgress& progress)
      : d_(data), sink_(sink), progress_(progress) {}

  void Run();

 private:
  bool AtEnd() const { return p_ >= d_.size(); }
  int Peek() const { return AtEnd() ? -1 : static_cast<unsigned char>(d_[p_]); }
  void SkipLine() {
    while (!AtEnd() && d_[p_] != '\n') ++p_;
  }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(static_cast<unsigned char>(d_[p_]))) ++p_;
  }
  std::string ReadWord();
  int NextToken();
  bool MoveTo(char c);
  // After the word that opens an object: true when its '{' is already
  // taken (the word swallowed it), else moves to the next '{'.
  bool OpenBrace(bool swallowed) { return swallowed || MoveTo('{'); }
  void SkipBlock(bool alreadyOpen);
  // The optional name before an object's brace; false when no '{' follows.
  bool ReadNameAndOpen(std::string& name);

  std::string_view ReadField();
  int32_t ReadInt();
  double ReadReal();
  T3DVector ReadVector() {
    T3DVector v{ReadReal(), ReadReal(), ReadReal()};
    Take();
    return v;
  }
  void ReadColor(float (&c)[4]) {
    for (float& x : c) x = static_cast<float>(ReadReal());
    Take();
  }
  void Take() {
    if (!AtEnd()) ++p_;
  }
  void ReadVertexBlock(TVertexList& list, bool transform);
  int32_t Count();
  // The 1-based line of the parser's position, for messages.
  size_t Line() const {
    return 1 + static_cast<size_t>(std::count(d_.begin(), d_.begin() + std::min(p_, d_.size()), '\n'));
  }
  [[noreturn]] void Fail(const std::string& message) const {
    throw EXFileError(message + " in line " + std::to_string(Line()));
  }

  void ReadFrame();
  void ReadMesh();
  void ReadMaterial(TMaterial& m);
  void ReadNormals(const TVertexList& mesh, TMeshData& out, bool& haveNormals);
  int ReadVertexColors(const TVertexList& mesh, TMeshData& out);
  void ReadMaterialList(TMaterialList& list);
  void ReadTextureCoords();

  std::string_view d_;
  size_t p_ = 0;
  std::string field_;
  TMeshSink& sink_;
  TStreamProgress progress_;
  std::vector<TMaterial> named_;
  TMatrix4 matrix_ = IdentityMatrix();
  bool lastWordOpened_ = false;  // the last word swallowed a '{'
};

std::string TTextParser::ReadWord() {
  SkipBlanks();
  const size_t start = p_;
  while (!AtEnd()) {
    const unsigned char c = static_cast<unsigned char>(d_[p_]);
    if (c < 34 || c > 127) break;
    ++p_;
  }
  std::string word(d_.substr(start, p_ - start));
  Take();
  return word;
}

int TTextParser::NextToken() {
  lastWordOpened_ = false;
  const int c = Peek();
  if (c < 0) return kEnd;
  if (c <= 32) {
    ++p_;
    return kBlank;
  }
  if (c == '#' || c == '/') {
    SkipLine();
    return kComment;
  }
  if (c == '{') {
    ++p_;
    return kOpen;
  }
  if (c == '}') {
    ++p_;
    return kClose;
  }
  const std::string word = ReadWord();
  lastWordOpened_ = !word.empty() && word.back() == '{';
  return LookUp(word);
}

bool TTextParser::MoveTo(char c) {
  while (!AtEnd()) {
    if (d_[p_++] == c) return true;
  }
  return false;
}

void TTextParser::SkipBlock(bool alreadyOpen) {
  if (!alreadyOpen && !MoveTo('{')) return;
  int depth = 1;
  while (!AtEnd() && depth > 0) {
    const char c = d_[p_++];
    if (c == '{')
      ++depth;
    else if (c == '}')
      --depth;
  }
}

bool TTextParser::ReadNameAndOpen(std::string& name) {
  name.clear();
  SkipBlanks();
  if (Peek() == '{') {
    ++p_;
    return true;
  }
  name = ReadWord();
  if (!name.empty() && name.back() == '{') {
    name.pop_back();
    return true;
  }
  return MoveTo('{');
}

std::string_view TTextParser::ReadField() {
  size_t start = p_;
  bool buffered = false;
  while (!AtEnd()) {
    const char c = d_[p_];
    if (c == ',' || c == ';') break;
    if (c == '/' && p_ + 1 < d_.size() && d_[p_ + 1] == '/') {
      // A comment inside a field: keep what came before it.
      if (!buffered) field_.clear();
      field_.append(d_.substr(start, p_ - start));
      buffered = true;
      SkipLine();
      start = p_;
      continue;
    }
    ++p_;
  }
  const std::string_view piece = d_.substr(start, p_ - start);
  Take();
  if (!buffered) return Trim(piece);
  field_.append(piece);
  return Trim(field_);
}

int32_t TTextParser::ReadInt() {
  std::string_view s = ReadField();
  std::string_view digits = s;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int32_t v = 0;
  const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (digits.empty() || ec != std::errc() || ptr != digits.data() + digits.size())
    throw EXFileError("'" + std::string(s) + "' is not a valid integer value");
  return v;
}

double TTextParser::ReadReal() {
  std::string_view s = ReadField();
  std::string_view digits = s;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double v = 0;
  const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (digits.empty() || (ec != std::errc() && ec != std::errc::result_out_of_range) ||
      ptr != digits.data() + digits.size())
    throw EXFileError("'" + std::string(s) + "' is not a valid floating point value");
  // A value past the range of doubles, an infinity or a NaN would reach the
  // scene and every file written from it.
  if (ec == std::errc::result_out_of_range || !std::isfinite(v))
    Fail("'" + std::string(s) + "' is not a finite floating point value");
  return v;
}

// Counts are bounded by what the rest of the file could hold, so a huge
// count fails on the missing numbers instead of on memory.
int32_t TTextParser::Count() {
  const int32_t n = ReadInt();
  if (n < 0) Fail("negative count " + std::to_string(n));
  return n;
}

void TTextParser::ReadVertexBlock(TVertexList& list, bool transform) {
  const int32_t n = Count();
  list.Vertices.clear();
  list.Vertices.reserve(std::min<size_t>(std::max(n, 0), (d_.size() - std::min(p_, d_.size())) / 6 + 1));
  for (int32_t i = 0; i < n; ++i) {
    T3DVector v = ReadVector();
    if (transform) v = TransformPoint(matrix_, v);
    v.z = -v.z;
    list.Vertices.push_back(v);
  }
  Take();
  const int32_t m = Count();
  list.FaceCount = std::max(m, 0);
  list.Faces.clear();
  list.Faces.push_back(list.FaceCount);
  for (int32_t f = 0; f < m; ++f) {
    const int32_t k = Count();
    list.Faces.push_back(k);
    for (int32_t j = 0; j < k; ++j) list.Faces.push_back(ReadInt());
    Take();
  }
}

// Calls f(triangle corners as indices) for every triangle the faces give,
// in drawing order, after checking each index against `limit`.
template <class F>
void ForEachTriangle(const TVertexList& list, size_t limit, const char* what, const char* plural, F&& f) {
  size_t q = 1;
  for (int face = 0; face < list.FaceCount; ++face) {
    const int32_t k = list.Faces[q++];
    const int32_t* ix = list.Faces.data() + q;
    q += static_cast<size_t>(std::max(k, 0));
    for (int32_t j = 0; j < k; ++j)
      if (ix[j] < 0 || static_cast<size_t>(ix[j]) >= limit)
        throw EXFileError(std::string(what) + " index " + std::to_string(ix[j]) + " out of range (" +
                          std::to_string(limit) + " " + plural + ") in face " + std::to_string(face));
    if (k == 3) {
      f(ix[2], ix[1], ix[0]);
    } else if (k == 4) {
      f(ix[3], ix[2], ix[0]);
      f(ix[2], ix[1], ix[0]);
    } else if (k > 4) {
      for (int32_t j = 0; j <= k - 3; ++j) f(ix[0], ix[j + 2], ix[j + 1]);
    }
  }
}

void TTextParser::Run() {
  named_.clear();
  matrix_ = IdentityMatrix();
  TXFileInfo info;
  if (!ReadXHeader(d_, info)) throw EXFileError("Invalid File");
  if (info.Format != 0) throw EXFileError("Expected Text File");
  p_ = 16;
  while (progress_.Check(p_, d_.size())) {
    const int t = NextToken();
    switch (t) {
      case kBlank:
      case kComment:
      case kClose:
      case kEnd:
        break;
      case kFrame:
        ReadFrame();
        break;
      case kMesh:
        ReadMesh();
        break;
      case kMaterial: {
        TMaterial m;
        ReadMaterial(m);
        named_.push_back(std::move(m));
        break;
      }
      case kOpen:
        SkipBlock(true);
        break;
      default:
        SkipBlock(lastWordOpened_);
    }
  }
}

// Nested frames are followed with a count, not by recursion, so that no
// depth of nesting can exhaust the stack. Each closing frame drops the
// transform, as the frames' matrices do not compose.
void TTextParser::ReadFrame() {
  std::string name;
  if (!ReadNameAndOpen(name)) throw EXFileError("Syntax Error");
  size_t open = 1;
  while (open > 0) {
    const int t = NextToken();
    if (t == kEnd) break;
    switch (t) {
      case kBlank:
      case kComment:
        break;
      case kClose:
        matrix_ = IdentityMatrix();
        --open;
        break;
      case kFrameTransformMatrix:
        if (OpenBrace(lastWordOpened_)) {
          for (double& x : matrix_.m) x = ReadReal();
          MoveTo('}');
        }
        break;
      case kFrame:
        if (!ReadNameAndOpen(name)) throw EXFileError("Syntax Error");
        ++open;
        break;
      case kMesh:
        ReadMesh();
        break;
      case kOpen:
        SkipBlock(true);
        break;
      default:
        SkipBlock(lastWordOpened_);
    }
  }
  matrix_ = IdentityMatrix();
}

void TTextParser::ReadMesh() {
  SkipBlanks();
  std::string name;
  bool open = false;
  if (Peek() == '{') {
    ++p_;
    open = true;
  } else {
    name = ReadWord();
    if (!name.empty() && name.back() == '{') {
      name.pop_back();
      open = true;
    }
  }
  TMeshData mesh;
  mesh.Name = sink_.BeginMesh(name);
  if (!open && !MoveTo('{')) throw EXFileError("Syntax Error");

  TVertexList list;
  ReadVertexBlock(list, true);
  const size_t nv = list.Vertices.size();
  mesh.FileVertexCount = static_cast<int>(nv);
  ForEachTriangle(list, nv, "vertex", "vertices", [&](int a, int b, int c) {
    mesh.Corners.push_back(list.Vertices[a]);
    mesh.Corners.push_back(list.Vertices[b]);
    mesh.Corners.push_back(list.Vertices[c]);
  });
  const size_t triangles = mesh.Corners.size() / 3;
  mesh.CornerColors.assign(mesh.Corners.size(), 0xFFFFFF);

  TMaterialList materials;
  bool haveNormals = false;
  int colours = 0;
  for (;;) {
    const int t = NextToken();
    if (t == kClose || t == kEnd) break;
    switch (t) {
      case kBlank:
      case kComment:
        break;
      case kMeshMaterialList:
        ReadMaterialList(materials);
        break;
      case kMeshNormals:
        ReadNormals(list, mesh, haveNormals);
        break;
      case kMeshVertexColors:
        colours = ReadVertexColors(list, mesh);
        break;
      case kMeshTextureCoords:
        ReadTextureCoords();
        break;
      case kOpen:
        SkipBlock(true);
        break;
      default:
        SkipBlock(lastWordOpened_);
    }
  }

  mesh.MaterialCount = static_cast<int>(materials.Materials.size());
  if (!materials.Materials.empty()) {
    const TMaterial& first = materials.Materials[0];
    mesh.HasMaterial = true;
    mesh.Material = first;
    const double power = std::isnan(first.Power) ? 0.0 : std::clamp(first.Power, 0.0, 128.0);
    mesh.Shininess = static_cast<float>(power);
    if (colours == 0) {
      if (static_cast<size_t>(materials.FaceIndexCount) < triangles || materials.FaceIndexes.size() < triangles) {
        mesh.UniformColor = true;
        mesh.Color = XColorToTColor(first.FaceColor);
      } else {
        for (size_t i = 0; i < triangles; ++i) {
          const int32_t k = materials.FaceIndexes[i];
          if (k < 0 || static_cast<size_t>(k) >= materials.Materials.size())
            throw EXFileError("material index " + std::to_string(k) + " out of range (" +
                              std::to_string(materials.Materials.size()) + " materials) for face " + std::to_string(i));
          const uint32_t c = XColorToTColor(materials.Materials[k].FaceColor);
          mesh.CornerColors[3 * i] = mesh.CornerColors[3 * i + 1] = mesh.CornerColors[3 * i + 2] = c;
        }
      }
    }
  }
  if (!haveNormals) mesh.CornerNormals.clear();
  sink_.EndMesh(mesh);
}

void TTextParser::ReadNormals(const TVertexList& mesh, TMeshData& out, bool& haveNormals) {
  if (!MoveTo('{')) throw EXFileError("Syntax Error");
  TVertexList normals;
  ReadVertexBlock(normals, false);
  std::vector<T3DVector> corners;
  corners.reserve(out.Corners.size());
  ForEachTriangle(normals, normals.Vertices.size(), "normal", "normals", [&](int a, int b, int c) {
    corners.push_back(normals.Vertices[a]);
    corners.push_back(normals.Vertices[b]);
    corners.push_back(normals.Vertices[c]);
  });
  MoveTo('}');
  (void)mesh;
  // Normals whose faces do not match the mesh's cannot be paired with its
  // corners; the mesh then computes its own.
  haveNormals = corners.size() == out.Corners.size() && !corners.empty();
  if (haveNormals)
    out.CornerNormals = std::move(corners);
  else
    out.CornerNormals.clear();
}

int TTextParser::ReadVertexColors(const TVertexList& mesh, TMeshData& out) {
  if (!MoveTo('{')) throw EXFileError("Syntax Error");
  const int32_t c = Count();
  std::vector<uint32_t> colours;
  colours.reserve(std::min<size_t>(std::max(c, 0), d_.size() / 8 + 1));
  for (int32_t j = 0; j < c; ++j) {
    ReadInt();
    float rgba[4];
    for (float& x : rgba) x = static_cast<float>(ReadReal());
    Take();
    Take();
    colours.push_back(XColorToTColor(rgba));
  }
  MoveTo('}');
  if (c <= 0) return 0;
  size_t corner = 0;
  ForEachTriangle(mesh, mesh.Vertices.size(), "vertex", "vertices", [&](int a, int b, int d) {
    for (int v : {a, b, d}) {
      if (static_cast<size_t>(v) >= colours.size())
        throw EXFileError("vertex colour index " + std::to_string(v) + " out of range (" +
                          std::to_string(colours.size()) + " vertex colours)");
      out.CornerColors[corner++] = colours[v];
    }
  });
  return c;
}

void TTextParser::ReadMaterialList(TMaterialList& list) {
  list = TMaterialList{};
  if (!MoveTo('{')) return;
  list.MaterialCount = Count();
  list.FaceIndexCount = Count();
  list.FaceIndexes.reserve(std::min<size_t>(std::max(list.FaceIndexCount, 0), d_.size() / 2 + 1));
  for (int32_t i = 0; i < list.FaceIndexCount; ++i) list.FaceIndexes.push_back(ReadInt());
  Take();
  for (;;) {
    const int t = NextToken();
    if (t == kClose || t == kEnd) break;
    switch (t) {
      case kBlank:
      case kComment:
        break;
      case kOpen: {
        std::string name = ReadWord();
        if (!name.empty() && name.back() == '}')
          name.pop_back();
        else
          MoveTo('}');
        TMaterial m;
        for (const TMaterial& n : named_)
          if (n.Name == name) {
            m = n;
            break;
          }
        list.Materials.push_back(std::move(m));
        break;
      }
      case kMaterial: {
        TMaterial m;
        ReadMaterial(m);
        list.Materials.push_back(std::move(m));
        break;
      }
      default:
        SkipBlock(lastWordOpened_);
    }
  }
}

void TTextParser::ReadMaterial(TMaterial& m) {
  m = TMaterial{};
  if (!ReadNameAndOpen(m.Name)) return;
  ReadColor(m.FaceColor);
  m.Power = ReadReal();
  for (int i = 0; i < 3; ++i) m.Specular[i] = static_cast<float>(ReadReal());
  m.Specular[3] = 1;
  Take();
  for (int i = 0; i < 3; ++i) m.Emissive[i] = static_cast<float>(ReadReal());
  m.Emissive[3] = 1;
  Take();
  for (;;) {
    const int t = NextToken();
    if (t == kClose || t == kEnd) break;
    switch (t) {
      case kBlank:
      case kComment:
        break;
      case kTextureFilename:
        if (OpenBrace(lastWordOpened_) && MoveTo('"')) {
          const size_t start = p_;
          if (MoveTo('"')) m.TextureFileName = std::string(d_.substr(start, p_ - 1 - start));
          MoveTo('}');
        }
        break;
      case kOpen:
        SkipBlock(true);
        break;
      default:
        SkipBlock(lastWordOpened_);
    }
  }
}

void TTextParser::ReadTextureCoords() {
  if (!MoveTo('{')) return;
  const int32_t n = Count();
  for (int32_t i = 0; i < n; ++i) {
    ReadReal();
    ReadReal();
    Take();
  }
  MoveTo('}');
}

inline void ParseTextX(std::string_view data, TMeshSink& sink, const TStreamProgress& progress) {
  TTextParser(data, sink, progress).Run();
}

}  // namespace
}  // namespace lumora::testing::earlier
