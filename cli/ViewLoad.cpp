#include "cli/ViewLoad.h"

#include <cstdio>

#include "app/core/GLSettings.h"
#include "cli/Commands.h"
#include "cli/PlotLoad.h"
#include "model/PlotReader.h"
#include "viewer/GLViewerCore.h"

namespace lumora::cli {

namespace {

std::string OneLine(std::string text) {
  for (size_t p; (p = text.find("\r\n")) != std::string::npos;) text.replace(p, 2, "\n");
  return text;
}

}  // namespace

std::optional<TCaveScene> LoadView(const char* command, const std::string& file, TGLViewerCore& viewer,
                                   TCaveDocument& document, const TCaveStyle& style, bool needsLegs) {
  const TCaveScene scene = CreateSceneObjects(viewer);
  TCaveLoadProgress progress;
  progress.Action = [](const std::string& text) { ShowProgress(text); };
  const TCaveLoadResult result =
      LoadCave(file, viewer, scene, document, TCaveMeshSettings{}, style, progress, [&](const std::string& message) {
        EndProgress();
        std::fprintf(stderr, "lumora-cli %s: \"%s\": %s\n", command, file.c_str(), OneLine(message).c_str());
      });
  if (!result.Error.empty()) return std::nullopt;
  ShowLoadWarning(command, result.Warning);
  TPlotLoadResult records = RequirePlotRecords(document.Model, {});
  if (needsLegs) records = RequireLegs(document.Model, records);
  if (!records.Ok) {
    std::fprintf(stderr, "lumora-cli %s: %s\n", command, records.Message.c_str());
    return std::nullopt;
  }
  ApplyDisplayDefaults(scene, style.WallColor);
  return scene;
}

}  // namespace lumora::cli
