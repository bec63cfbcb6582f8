// Any bytes as an X file: the text parser (and, for a binary header, the
// binary converter first) must end with meshes or a message.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "meshfiles/format/XFileFormat.h"

namespace {

// Checks what every mesh claims, as the scene will rely on it.
class TCheckSink : public lumora::TXMeshSink {
 public:
  std::string BeginMesh(const std::string& name) override { return name; }
  void EndMesh(const lumora::TXMeshData& mesh) override {
    if (mesh.Corners.size() % 3 != 0 || mesh.CornerColors.size() != mesh.Corners.size() ||
        (!mesh.CornerNormals.empty() && mesh.CornerNormals.size() != mesh.Corners.size()))
      std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  lumora::TStreamProgress progress;
  progress.Callback = [](int percent) {
    if (percent < 0 || percent > 100) std::abort();
  };
  TCheckSink sink;
  try {
    lumora::TXFileInfo info;
    if (lumora::ReadXHeader(bytes, info) && info.Format == 1) {
      const std::string text = lumora::BinaryXToText(bytes, progress);
      lumora::ParseTextX(text, sink, progress);
    } else {
      lumora::ParseTextX(bytes, sink, progress);
    }
  } catch (const lumora::EXFileError&) {
  }
  return 0;
}
