#pragma once
// DirectX X files, version 3.2: the header, the text parser that turns a
// text file into plain mesh data, and the binary-to-text converter. Nothing
// here touches GL or the scene, so the parser can run under the sanitizers.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/GLMatrix.h"
#include "geometry/MappedArray.h"
#include "geometry/Vector.h"

namespace lumora {

class EXFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using TXProgress = std::function<void(int)>;

struct TXFileInfo {
  uint8_t Format = 5;  // 0 text, 1 binary, 2 compressed, 3 bzip, 4 tzip, 5 unknown
  char Version[5] = {0, 0, 0, 0, 0};
  bool DoublePrecision = false;
};

// "Text", "Binary", "Compressed", "BZip", "BTip", "Unknown".
const char* XFormatName(uint8_t format);
// False unless the first 16 bytes start with "xof ".
bool ReadXHeader(std::string_view data, TXFileInfo& info);

// Reports offset + scale * position / size every 100th check.
class TStreamProgress {
 public:
  TXProgress Callback;
  double Scale = 100;
  double Offset = 0;
  int Calls = 0;

  bool Check(size_t position, size_t size);
};

struct TMaterial {
  std::string Name;
  float FaceColor[4] = {1, 1, 1, 1};
  double Power = 10.0;
  float Specular[4] = {0.5f, 0.5f, 0.5f, 1.0f};
  float Emissive[4] = {0, 0, 0, 0};
  std::string TextureFileName;
};

// 0x00BBGGRR from reals in 0..1, each byte truncated and kept in range.
uint32_t XColorToTColor(const float (&c)[4]);

// A mesh as the file gives it, ready for the scene: three corners per
// triangle, already mirrored and in drawing order.
struct TXMeshData {
  std::string Name;
  TMappedArray<T3DVector> Corners;
  TMappedArray<uint32_t> CornerColors;    // three per triangle
  TMappedArray<T3DVector> CornerNormals;  // empty, or three per triangle
  bool UniformColor = false;              // colour every triangle with Color
  uint32_t Color = 0xFFFFFF;
  bool HasMaterial = false;
  TMaterial Material;  // the first material, when any
  float Shininess = 10.0f;
  int FileVertexCount = 0;  // as the file declares them
  int MaterialCount = 0;
};

// Where the text parser puts its meshes. BeginMesh comes when a mesh's name
// is known, EndMesh when the whole mesh is read.
class TXMeshSink {
 public:
  virtual ~TXMeshSink() = default;
  // Returns the name the mesh ends up with.
  virtual std::string BeginMesh(const std::string& name) = 0;
  virtual void EndMesh(const TXMeshData& mesh) = 0;
};

// Where streamed text comes from.
class TXTextSource {
 public:
  virtual ~TXTextSource() = default;
  // Up to `n` bytes into `to`; 0 at the end. Throws on a read error.
  virtual size_t Read(char* to, size_t n) = 0;
  // All the bytes there are, for progress and for bounding what counts
  // may reserve; 0 when not known.
  virtual size_t Size() const = 0;
};

// Parses a text X file (header included) into the sink. The text is read
// through a window of `window` bytes that grows only for a longer token, so
// memory does not grow with the file.
void ParseTextX(TXTextSource& source, TXMeshSink& sink, const TStreamProgress& progress,
                size_t window = size_t{4} << 20);
void ParseTextX(std::string_view data, TXMeshSink& sink, const TStreamProgress& progress,
                size_t window = size_t{4} << 20);

// Any X file, text or binary, into the sink: text is parsed as it is read,
// binary through its text form. Throws EXFileError for what it cannot read
// ("Invalid File", "File Type Unsupported: ...").
void ParseX(TXTextSource& source, TXMeshSink& sink, const TStreamProgress& progress);
void ParseX(std::string_view data, TXMeshSink& sink, const TStreamProgress& progress);
// The X file at `path`; throws std::runtime_error naming the file when it
// cannot be opened or read.
void ReadXMeshes(const std::filesystem::path& path, TXMeshSink& sink, const TStreamProgress& progress);

// The binary form as the equivalent text, lines joined with CR LF.
std::string BinaryXToText(std::string_view data, const TStreamProgress& progress);

// Fixed notation with six decimals and '.', whatever the locale.
void AppendReal(std::string& out, double v);
std::string FormatReal(double v);

}  // namespace lumora
