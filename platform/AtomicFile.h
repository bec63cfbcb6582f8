#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lumora {

// Writes `content` to a temporary file beside `target`, then renames it over
// the target, so readers see either the old file or the whole new one.
// Throws std::runtime_error naming the file on failure.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view content);

// Reads a whole file; throws std::runtime_error naming the file on failure.
std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace lumora
