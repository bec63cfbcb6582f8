// lumora-cli xfile: what an X file holds, and conversion of X and plot
// files into X files written by our writer.

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/core/GLCave.h"
#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/OptionParser.h"
#include "cli/PlotLoad.h"
#include "document/CaveDocument.h"
#include "meshfiles/GLXFileReader.h"
#include "meshfiles/GLXFileWriter.h"
#include "model/PlotReader.h"
#include "passage/PassageLib.h"
#include "platform/AtomicFile.h"
#include "scene/GLFastMesh.h"

namespace lumora::cli {

namespace {

const char* const kUsage =
    "usage: lumora-cli xfile info FILE.x\n"
    "       lumora-cli xfile convert IN OUT.x [--shared-vertices]\n"
    "\n"
    "info     one line per mesh (name, vertices, triangles, materials, bounds)\n"
    "         and the total line \"triangles: N\"\n"
    "convert  IN is an X file (text or binary), written again by our writer,\n"
    "         or a plot file, whose passage walls are built with the default\n"
    "         options into the scene's passage mesh and saved\n"
    "         --shared-vertices: the passage mesh's vertices are written once\n"
    "         each, with faces that name them, instead of three per triangle:\n"
    "         a file of about a third of the size that reads back into the same\n"
    "         triangles\n";

// As the X writer writes reals: six decimals, no sign on zero.
std::string Vector(const T3DVector& v) { return FormatReal(v.x) + ", " + FormatReal(v.y) + ", " + FormatReal(v.z); }

// Records the meshes as the file gives them, without a scene.
class TInfoSink : public TXMeshSink {
 public:
  std::string BeginMesh(const std::string& name) override {
    return name.empty() ? "Mesh" + std::to_string(meshes_) : name;
  }
  void EndMesh(const TXMeshData& mesh) override {
    T3DVector lo{INFINITY, INFINITY, INFINITY}, hi{-INFINITY, -INFINITY, -INFINITY};
    for (const T3DVector& p : mesh.Corners) {
      lo = {std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z)};
      hi = {std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z)};
    }
    const size_t triangles = mesh.Corners.size() / 3;
    std::string line = "mesh " + std::to_string(meshes_) + " " + JsonString(mesh.Name) + ": vertices " +
                       std::to_string(mesh.FileVertexCount) + ", triangles " + std::to_string(triangles) +
                       ", materials " + std::to_string(mesh.MaterialCount);
    if (triangles > 0) line += ", min " + Vector(lo) + ", max " + Vector(hi);
    std::printf("%s\n", line.c_str());
    total_ += triangles;
    ++meshes_;
  }
  size_t total_ = 0;
  int meshes_ = 0;
};

// The readers and writers report per token or vertex; the line changes
// only with the percentage.
TXProgress Progress(const std::string& what) {
  return [what, shown = -1](int percent) mutable {
    if (percent == shown) return;
    shown = percent;
    ShowProgress(what + ": " + std::to_string(percent) + "%");
  };
}

int Info(const std::string& file) {
  TStreamProgress progress;
  progress.Callback = Progress("Reading");
  TInfoSink sink;
  ReadXMeshes(file, sink, progress);
  EndProgress();
  std::printf("triangles: %zu\n", sink.total_);
  return 0;
}

bool LoadPlotWalls(const std::string& file, TGLBaseFrame& frame) {
  TCaveDocument document;
  TPlotModel& model = document.Model;
  const TPlotLoadResult loaded = RequireLegs(model, LoadPlotForCommand("xfile", model, file));
  if (!loaded.Ok) {
    std::fprintf(stderr, "lumora-cli xfile: %s\n", loaded.Message.c_str());
    return false;
  }
  auto* mesh = dynamic_cast<TGLFastMesh*>(frame.FastMeshes.AddNew());
  mesh->SetName("Passage Mesh");
  TPassageOptions& options = document.PassageOptions;
  options.CenterModel = true;
  TPassageState& state = document.PassageState;
  AddPassageWalls(model, options, *mesh, state, [](int64_t faces, int percent) {
    ShowProgress("Passage - Prisms: " + std::to_string(faces) + " faces, " + std::to_string(percent) + "%");
  });
  mesh->ComputeNormals(true);
  EndProgress();
  return true;
}

int Convert(const std::string& in, const std::string& out, bool sharedVertices) {
  TGLBaseFrame frame;
  char head[4] = {};
  std::FILE* f = std::fopen(in.c_str(), "rb");
  if (!f) throw std::runtime_error("Cannot open file " + in);
  const size_t got = std::fread(head, 1, 4, f);
  std::fclose(f);
  if (got == 4 && std::string(head, 4) == "xof ") {
    ReadXFile(in, frame, Progress("Reading"), false);
    EndProgress();
  } else if (!LoadPlotWalls(in, frame)) {
    return 1;
  }
  WriteXFile(out, frame, Progress("Writing"), sharedVertices);
  EndProgress();
  size_t triangles = 0;
  int meshes = 0;
  for (const TGLObjectList* list :
       {static_cast<const TGLObjectList*>(&frame.Meshes), static_cast<const TGLObjectList*>(&frame.FastMeshes)})
    for (int i = 0; i < list->Count(); ++i)
      if (const auto* m = dynamic_cast<const TGLCustomMesh*>((*list)[i]); m && m->ColorCount() > 0) {
        triangles += static_cast<size_t>(m->ColorCount());
        ++meshes;
      }
  std::printf("meshes: %d\ntriangles: %zu\n", meshes, triangles);
  return 0;
}

}  // namespace

int RunXFile(const Args& args) {
  Args parts;
  bool shared = false;
  TOptionParser parser("xfile", kUsage);
  parser.Operands(parts);
  parser.Flag("--shared-vertices", shared);
  parser.DashOperands();
  if (const auto status = parser.Parse(args)) return *status;
  if (parts.empty()) return UsageError("xfile", "no action given (info or convert)");
  const std::string& action = parts[0];
  try {
    if (action == "info") {
      if (parts.size() != 2) return UsageError("xfile", "info takes one X file");
      if (shared) return UsageError("xfile", "--shared-vertices is an option of convert");
      return Info(parts[1]);
    }
    if (action == "convert") {
      if (parts.size() != 3) return UsageError("xfile", "convert takes an input file and an output X file");
      return Convert(parts[1], parts[2], shared);
    }
  } catch (const std::exception& e) {
    EndProgress();
    std::fprintf(stderr, "lumora-cli xfile: %s\n", e.what());
    return 1;
  }
  return UsageError("xfile", "unknown action '" + action + "'");
}

}  // namespace lumora::cli
