// The text reader: tokens, number fields and the objects it understands.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "meshfiles/format/XFileFormat.h"

namespace lumora {

namespace {

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

// Rounded rather than truncated: a byte written as byte/255 with six
// decimals reads back as a hair less than the byte, and truncation would
// darken every colour by one at each save and load. NaN and out-of-range
// values must not reach an integer conversion.
uint8_t ColorByte(float v) {
  const double x = static_cast<double>(v) * 255.0;
  if (!(x > 0)) return 0;
  if (x >= 255) return 255;
  return static_cast<uint8_t>(std::lround(x));
}

// One vertex block. Faces are kept as the face count followed by, per
// face, its corner count and vertex indices, but only once a face breaks
// the pattern our writer uses (face t is 3t+2, 3t+1, 3t): a mesh of
// millions of such faces then costs no face list at all.
struct TVertexList {
  TMappedArray<T3DVector> Vertices;
  size_t VertexCount = 0;  // what Vertices held, once they are handed on
  std::vector<int32_t> Faces;
  int FaceCount = 0;
  bool Plain = true;  // every face so far follows the pattern

  void AddFace(const int32_t* ix, int32_t k, int face) {
    const int64_t first = 3LL * face;
    if (Plain && k == 3 && ix[0] == first + 2 && ix[1] == first + 1 && ix[2] == first) return;
    if (Plain) {
      Plain = false;
      Faces.push_back(FaceCount);
      for (int f = 0; f < face; ++f) Faces.insert(Faces.end(), {3, 3 * f + 2, 3 * f + 1, 3 * f});
    }
    Faces.push_back(k);
    Faces.insert(Faces.end(), ix, ix + k);
  }
};

struct TMaterialList {
  int MaterialCount = 0;
  int FaceIndexCount = 0;
  std::vector<int32_t> FaceIndexes;
  std::vector<TMaterial> Materials;
};

// Calls f(triangle corners as indices) for every triangle the faces give,
// in drawing order, after checking each index against `limit`.
template <class F>
void ForEachTriangle(const TVertexList& list, size_t limit, const char* what, const char* plural, F&& f) {
  auto outOfRange = [&](int32_t index, int face) {
    return EXFileError(std::string(what) + " index " + std::to_string(index) + " out of range (" +
                       std::to_string(limit) + " " + plural + ") in face " + std::to_string(face));
  };
  if (list.Plain) {
    for (int face = 0; face < list.FaceCount; ++face) {
      const int32_t ix[3] = {3 * face + 2, 3 * face + 1, 3 * face};
      for (int32_t i : ix)
        if (static_cast<size_t>(i) >= limit) throw outOfRange(i, face);
      f(ix[2], ix[1], ix[0]);
    }
    return;
  }
  size_t q = 1;
  for (int face = 0; face < list.FaceCount; ++face) {
    const int32_t k = list.Faces[q++];
    const int32_t* ix = list.Faces.data() + q;
    q += static_cast<size_t>(std::max(k, 0));
    for (int32_t j = 0; j < k; ++j)
      if (ix[j] < 0 || static_cast<size_t>(ix[j]) >= limit) throw outOfRange(ix[j], face);
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

// The values of a block, one per vertex, as one per triangle corner. For
// faces that follow the pattern the corners are the values in order, so
// they are handed over rather than copied.
template <class T, class Check>
void ToCorners(TMappedArray<T>& values, const TVertexList& faces, size_t limit, TMappedArray<T>& corners,
               const char* what, const char* plural, Check&& check) {
  const size_t n = 3 * static_cast<size_t>(faces.FaceCount);
  if (faces.Plain && n <= limit && n <= values.size()) {
    corners = std::move(values);
    corners.resize(n);
    corners.shrink_to_fit();
    return;
  }
  TMappedArray<T> gathered;
  gathered.reserve(n);
  ForEachTriangle(faces, limit, what, plural, [&](int a, int b, int c) {
    for (int v : {a, b, c}) {
      check(v);
      gathered.push_back(values[static_cast<size_t>(v)]);
    }
  });
  corners = std::move(gathered);
}

class TTextParser {
 public:
  TTextParser(TXTextSource& source, size_t window, TXMeshSink& sink, const TStreamProgress& progress)
      : source_(source), buffer_(std::max<size_t>(window, 1)), sink_(sink), progress_(progress) {
    p_ = end_ = buffer_.data();
  }

  void Run();

 private:
  // ---- The window: [p_, end_) is the text read and not yet taken ----

  // Reads more text after end_, keeping the window from `keep` on (keep and
  // p_ move with it); false at the end of the text.
  bool More(const char*& keep);
  bool More() {
    const char* keep = p_;
    return More(keep);
  }
  bool AtEnd() { return p_ == end_ && !More(); }
  int Peek() { return AtEnd() ? -1 : static_cast<unsigned char>(*p_); }
  size_t Offset() const { return base_ + static_cast<size_t>(p_ - buffer_.data()); }
  // Bytes the rest of the text could still hold, to bound what counts reserve.
  size_t Remaining() const {
    const size_t size = source_.Size(), at = Offset();
    return size > at ? size - at : static_cast<size_t>(end_ - p_);
  }
  void Take() {
    if (!AtEnd()) ++p_;
  }
  void SkipLine() {
    while (!AtEnd()) {
      const void* lf = std::memchr(p_, '\n', static_cast<size_t>(end_ - p_));
      if (lf) {
        p_ = static_cast<const char*>(lf);
        return;
      }
      p_ = end_;
    }
  }
  void SkipBlanks() {
    while (!AtEnd() && IsBlank(static_cast<unsigned char>(*p_))) ++p_;
  }
  bool MoveTo(char c) {
    while (!AtEnd()) {
      const void* at = std::memchr(p_, c, static_cast<size_t>(end_ - p_));
      if (at) {
        p_ = static_cast<const char*>(at) + 1;
        return true;
      }
      p_ = end_;
    }
    return false;
  }
  std::string ReadWord();
  int NextToken();
  // After the word that opens an object: true when its '{' is already
  // taken (the word swallowed it), else moves to the next '{'.
  bool OpenBrace(bool swallowed) { return swallowed || MoveTo('{'); }
  void SkipBlock(bool alreadyOpen);
  // The optional name before an object's brace; false when no '{' follows.
  bool ReadNameAndOpen(std::string& name);

  // The next field, up to ',' or ';'; valid until the window next moves.
  std::string_view ReadField();
  int32_t ReadInt();
  double ReadReal();
  T3DVector ReadVector() {
    T3DVector v;
    v.x = ReadReal();
    v.y = ReadReal();
    v.z = ReadReal();
    Take();
    return v;
  }
  void ReadColor(float (&c)[4]) {
    for (float& x : c) x = static_cast<float>(ReadReal());
    Take();
  }
  void ReadVertexBlock(TVertexList& list, bool transform);
  int32_t Count();
  // The 1-based line of the parser's position, for messages.
  size_t Line() const {
    return 1 + lines_ + static_cast<size_t>(std::count(static_cast<const char*>(buffer_.data()), p_, '\n'));
  }
  [[noreturn]] void Fail(const std::string& message) const {
    throw EXFileError(message + " in line " + std::to_string(Line()));
  }

  void ReadFrame();
  void ReadMesh();
  void ReadMaterial(TMaterial& m);
  void ReadNormals(TXMeshData& out, bool& haveNormals);
  int ReadVertexColors(const TVertexList& mesh, TXMeshData& out);
  void ReadMaterialList(TMaterialList& list);
  void ReadTextureCoords();

  TXTextSource& source_;
  std::vector<char> buffer_;
  const char* p_;
  const char* end_;
  size_t base_ = 0;   // offset in the text of buffer_[0]
  size_t lines_ = 0;  // line feeds before buffer_[0]
  bool ended_ = false;
  std::string field_;
  TXMeshSink& sink_;
  TStreamProgress progress_;
  std::vector<TMaterial> named_;
  TMatrix4 matrix_ = IdentityMatrix();
  bool lastWordOpened_ = false;  // the last word swallowed a '{'
};

bool TTextParser::More(const char*& keep) {
  if (ended_) return false;
  char* start = buffer_.data();
  const size_t drop = static_cast<size_t>(keep - start), at = static_cast<size_t>(p_ - keep),
               kept = static_cast<size_t>(end_ - keep);
  lines_ += static_cast<size_t>(std::count(static_cast<const char*>(start), keep, '\n'));
  base_ += drop;
  std::memmove(start, keep, kept);
  // A token longer than half the window widens it, so that every read
  // brings at least half a window.
  if (kept > buffer_.size() / 2) buffer_.resize(2 * buffer_.size());
  start = buffer_.data();
  size_t got = 0;
  while (got == 0 && !ended_) {
    got = source_.Read(start + kept, buffer_.size() - kept);
    ended_ = got == 0;
  }
  keep = start;
  p_ = start + at;
  end_ = start + kept + got;
  return got > 0;
}

std::string TTextParser::ReadWord() {
  SkipBlanks();
  const char* start = p_;
  while (p_ < end_ || More(start)) {
    const unsigned char c = static_cast<unsigned char>(*p_);
    if (c < 34 || c > 127) break;
    ++p_;
  }
  std::string word(start, p_);
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

void TTextParser::SkipBlock(bool alreadyOpen) {
  if (!alreadyOpen && !MoveTo('{')) return;
  int depth = 1;
  while (!AtEnd() && depth > 0) {
    const char c = *p_++;
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
  const char* start = p_;
  bool buffered = false;
  while (p_ < end_ || More(start)) {
    const char c = *p_;
    if (c == ',' || c == ';') break;
    if (c == '/') {
      if (p_ + 1 == end_) More(start);
      if (p_ + 1 < end_ && p_[1] == '/') {
        // A comment inside a field: keep what came before it.
        if (!buffered) field_.clear();
        field_.append(start, p_);
        buffered = true;
        SkipLine();
        start = p_;
        continue;
      }
    }
    ++p_;
  }
  const std::string_view piece(start, static_cast<size_t>(p_ - start));
  // The ',' or ';' lies in the window, so taking it cannot move the piece.
  if (p_ < end_) ++p_;
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
  list = TVertexList{};
  list.Vertices.reserve(std::min<size_t>(n, Remaining() / 6 + 1));
  for (int32_t i = 0; i < n; ++i) {
    T3DVector v = ReadVector();
    if (transform) v = TransformPoint(matrix_, v);
    v.z = -v.z;
    list.Vertices.push_back(v);
  }
  list.VertexCount = list.Vertices.size();
  Take();
  const int32_t m = Count();
  list.FaceCount = m;
  std::vector<int32_t> ix;
  for (int32_t f = 0; f < m; ++f) {
    const int32_t k = Count();
    ix.clear();
    for (int32_t j = 0; j < k; ++j) ix.push_back(ReadInt());
    list.AddFace(ix.data(), k, f);
    Take();
  }
}

void TTextParser::Run() {
  named_.clear();
  matrix_ = IdentityMatrix();
  char header[16];
  size_t got = 0;
  while (got < sizeof header && (p_ < end_ || More())) {
    const size_t n = std::min(sizeof header - got, static_cast<size_t>(end_ - p_));
    std::memcpy(header + got, p_, n);
    got += n;
    p_ += n;
  }
  TXFileInfo info;
  if (!ReadXHeader(std::string_view(header, got), info)) throw EXFileError("Invalid File");
  if (info.Format != 0) throw EXFileError("Expected Text File");
  for (;;) {
    const bool more = !AtEnd();
    progress_.Check(Offset(), source_.Size());
    if (!more) break;
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
  TXMeshData mesh;
  mesh.Name = sink_.BeginMesh(name);
  if (!open && !MoveTo('{')) throw EXFileError("Syntax Error");

  TVertexList list;
  ReadVertexBlock(list, true);
  const size_t nv = list.VertexCount;
  mesh.FileVertexCount = static_cast<int>(nv);
  ToCorners(list.Vertices, list, nv, mesh.Corners, "vertex", "vertices", [](int) {});
  const size_t triangles = mesh.Corners.size() / 3;

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
        ReadNormals(mesh, haveNormals);
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

  // Corners without vertex colours are white until a material colours them.
  if (mesh.CornerColors.size() != mesh.Corners.size()) {
    mesh.CornerColors.resize(mesh.Corners.size());
    std::fill(mesh.CornerColors.begin(), mesh.CornerColors.end(), 0xFFFFFFu);
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

void TTextParser::ReadNormals(TXMeshData& out, bool& haveNormals) {
  if (!MoveTo('{')) throw EXFileError("Syntax Error");
  TVertexList normals;
  ReadVertexBlock(normals, false);
  TMappedArray<T3DVector> corners;
  ToCorners(normals.Vertices, normals, normals.VertexCount, corners, "normal", "normals", [](int) {});
  MoveTo('}');
  // Normals whose faces do not match the mesh's cannot be paired with its
  // corners; the mesh then computes its own.
  haveNormals = corners.size() == out.Corners.size() && !corners.empty();
  if (haveNormals)
    out.CornerNormals = std::move(corners);
  else
    out.CornerNormals.clear();
}

int TTextParser::ReadVertexColors(const TVertexList& mesh, TXMeshData& out) {
  if (!MoveTo('{')) throw EXFileError("Syntax Error");
  const int32_t c = Count();
  TMappedArray<uint32_t> colours;
  colours.reserve(std::min<size_t>(c, Remaining() / 8 + 1));
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
  const size_t known = colours.size();
  ToCorners(colours, mesh, mesh.VertexCount, out.CornerColors, "vertex", "vertices", [&](int v) {
    if (static_cast<size_t>(v) >= known)
      throw EXFileError("vertex colour index " + std::to_string(v) + " out of range (" + std::to_string(known) +
                        " vertex colours)");
  });
  return c;
}

void TTextParser::ReadMaterialList(TMaterialList& list) {
  list = TMaterialList{};
  if (!MoveTo('{')) return;
  list.MaterialCount = Count();
  list.FaceIndexCount = Count();
  list.FaceIndexes.reserve(std::min<size_t>(std::max(list.FaceIndexCount, 0), Remaining() / 2 + 1));
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
          const char* start = p_;
          while (p_ < end_ || More(start)) {
            if (*p_++ == '"') {
              m.TextureFileName.assign(start, p_ - 1);
              break;
            }
          }
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

}  // namespace

uint32_t XColorToTColor(const float (&c)[4]) {
  return ColorByte(c[0]) | (static_cast<uint32_t>(ColorByte(c[1])) << 8) |
         (static_cast<uint32_t>(ColorByte(c[2])) << 16);
}

void ParseTextX(TXTextSource& source, TXMeshSink& sink, const TStreamProgress& progress, size_t window) {
  TTextParser(source, window, sink, progress).Run();
}

}  // namespace lumora
