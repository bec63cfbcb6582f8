#pragma once
// Saves the meshes of a base frame and its child frames as a text X file.

#include <filesystem>
#include <string>

#include "meshfiles/format/XFileFormat.h"
#include "scene/GLRenderer.h"

namespace lumora {

// The whole file as text, lines ended by CR LF. Soup meshes come first
// (the frame's own, then each child frame's, depth first), then the fast
// meshes in the same order; meshes without triangles are left out. A fast
// mesh is written as the corners of its triangles, or with
// `sharedVertices` as its own vertices, each once, and faces naming them:
// a smaller file that reads back into the same triangles.
std::string WriteXStream(const TGLBaseFrame& frame, const TXProgress& progress, bool sharedVertices = false);
// Writes the text as it is made, a block at a time, into a temporary that
// replaces the file once complete; on failure the file is left as it was.
void WriteXFile(const std::filesystem::path& fileName, const TGLBaseFrame& frame, const TXProgress& progress,
                bool sharedVertices = false);

}  // namespace lumora
