// Any bytes as an X file: the text parser (and, for a binary header, the
// binary converter first) must end with meshes or a message. A text file
// read through a window of a few bytes must give what the full window gives.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "meshfiles/format/XFileFormat.h"

namespace {

// Checks what every mesh claims, as the scene will rely on it, and keeps a
// digest of it.
class TCheckSink : public lumora::TXMeshSink {
 public:
  std::string BeginMesh(const std::string& name) override { return name; }
  void EndMesh(const lumora::TXMeshData& mesh) override {
    if (mesh.Corners.size() % 3 != 0 || mesh.CornerColors.size() != mesh.Corners.size() ||
        (!mesh.CornerNormals.empty() && mesh.CornerNormals.size() != mesh.Corners.size()))
      std::abort();
    std::string d = mesh.Name;
    d.append(reinterpret_cast<const char*>(mesh.Corners.data()), mesh.Corners.size() * sizeof(lumora::T3DVector));
    d.append(reinterpret_cast<const char*>(mesh.CornerColors.data()), mesh.CornerColors.size() * 4);
    d.append(reinterpret_cast<const char*>(mesh.CornerNormals.data()),
             mesh.CornerNormals.size() * sizeof(lumora::T3DVector));
    d += std::to_string(mesh.Color) + (mesh.UniformColor ? "u" : "c") + std::to_string(mesh.MaterialCount);
    meshes.push_back(std::move(d));
  }
  std::vector<std::string> meshes;
};

template <class Parse>
std::vector<std::string> Outcome(Parse&& parse) {
  TCheckSink sink;
  try {
    parse(sink);
  } catch (const lumora::EXFileError& e) {
    sink.meshes.push_back(std::string("error: ") + e.what());
  }
  return sink.meshes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  lumora::TStreamProgress progress;
  progress.Callback = [](int percent) {
    if (percent < 0 || percent > 100) std::abort();
  };
  const auto whole = Outcome([&](TCheckSink& sink) { lumora::ParseX(bytes, sink, progress); });
  lumora::TXFileInfo info;
  if (lumora::ReadXHeader(bytes, info) && info.Format == 0) {
    const size_t window = 1 + size % 7;
    const auto windowed = Outcome([&](TCheckSink& sink) { lumora::ParseTextX(bytes, sink, progress, window); });
    if (windowed != whole) std::abort();
  }
  return 0;
}
