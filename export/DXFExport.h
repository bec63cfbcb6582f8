#pragma once
// The DXF writer: the survey as an ASCII drawing in the old flat style
// (HEADER with the code page, a LAYER table, ENTITIES; no blocks, no
// handles): shot lines, station labels, marks and depth labels, passage
// walls as 3D faces or tick marks, a north arrow and a scale bar.

#include <filesystem>
#include <string>
#include <string_view>

#include "export/ExportMain.h"

namespace lumora {

// Writes the loaded survey to `path` with the job's options. On failure
// throws EExport with the system's message; the target is then untouched.
void write_dxf(const std::filesystem::path& path, const TExportJob& job);

// The pieces of the file's text, for tests.
namespace dxf {
std::string Group(int code, std::string_view value);  // code right-aligned to 3, CR LF after each line
std::string IntGroup(int code, int value);
std::string RealGroup(int code, double value);  // 2 decimals, integer part width 5
std::string Sanitize(std::string_view text);    // anything but digits, letters, '$', '-', '.' becomes '0'
}  // namespace dxf

}  // namespace lumora
