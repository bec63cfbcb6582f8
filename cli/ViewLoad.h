#pragma once
// The cave of a plot file in a headless viewer, as the window shows it
// after a load: the commands that draw it start here.

#include <optional>
#include <string>

#include "app/core/GLCave.h"

namespace lumora {
class TGLViewerCore;
}

namespace lumora::cli {

// Builds the scene in the viewer, loads `file` into the document with a
// progress line and applies the display defaults. A failure is printed as
// "lumora-cli <command>: ..." and gives nothing.
// `needsLegs`: a file of stations without legs is refused (RequireLegs).
std::optional<TCaveScene> LoadView(const char* command, const std::string& file, TGLViewerCore& viewer,
                                   TCaveDocument& document, const TCaveStyle& style, bool needsLegs = false);

}  // namespace lumora::cli
