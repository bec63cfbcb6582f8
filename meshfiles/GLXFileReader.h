#pragma once
// Loads the meshes of a DirectX X file (text, or binary through its text
// form) into the mesh list of a base frame.

#include <filesystem>
#include <string_view>

#include "meshfiles/format/XFileFormat.h"
#include "scene/GLRenderer.h"

namespace lumora {

// With append false, meshes already in the frame's list are reused in
// order before new ones are added. Meshes completed before an error stay.
void ReadXFile(const std::filesystem::path& fileName, TGLBaseFrame& frame, const TXProgress& progress, bool append);
// The same from a file's bytes in memory.
void ReadXStream(std::string_view data, TGLBaseFrame& frame, const TXProgress& progress, bool append);

}  // namespace lumora
