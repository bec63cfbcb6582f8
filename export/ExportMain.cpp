#include "export/ExportMain.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "geometry/NumberText.h"

namespace lumora {

const char* const kNoPlotFileMessage = "No Plot File Load.";

namespace {

int RoundedPercent(int64_t done, int64_t total) {
  // A total of 0 would divide by zero; nothing to do reads as nothing done.
  if (total <= 0) return 0;
  return static_cast<int>(std::nearbyint(static_cast<double>(100 * done) / static_cast<double>(total)));
}

}  // namespace

TDataTypeChoices RefreshDataTypeChoices(TExportOptions& options, const TExportContext& context) {
  TDataTypeChoices c;
  c.Enabled.fill(true);
  c.Visible.fill(true);
  c.Enabled[7] = c.Enabled[8] = options.ShapeTypeRadio == 0;
  c.Visible[9] = c.Visible[10] = context.BoundingPolygonsAvailable;
  const int i = options.ConvertTypeRadio;
  if (i < 0 || i > 10 || !c.Enabled[i] || !c.Visible[i]) options.ConvertTypeRadio = 0;
  return c;
}

void TExportProgress::set_progress_pass(int pass, int passes) {
  pass_ = pass;
  passes_ = passes;
}

void TExportProgress::show_progress(int done1, int total1, int done2, int total2, int done3, int total3) {
  const int passes = passes_ > 0 ? passes_ : 1;
  const int overall = (100 / passes) * pass_ + RoundedPercent(done1, total1) / passes;
  Bars(overall, RoundedPercent(done2, total2), RoundedPercent(done3, total3));
  ProcessEvents();
}

void TExportProgress::set_all_progress(int percent) {
  Bars(percent, percent, percent);
  ProcessEvents();
}

void CopyWallSettings(const TExportOptions& o, TExportWriter writer, TPassageOptions& p) {
  p.SubstituteDiameter = o.SubChk ? o.SubSpin : 0;
  p.CornerThreshold = o.CornerAngleSpin;
  p.RoundingPasses = o.CornerRadio;
  p.VerticalPrisms = o.VerticalChk;
  p.VerticalThreshold = o.VerticalAngleSpin;
  p.FillDimensions = o.ExpandWallChk;
  p.PassageShape = o.PassShapeRadio;
  switch (writer) {
    case TExportWriter::DXF:
      p.SealEnds = false;
      p.AverageJoints = o.MergeChk;
      p.CenterModel = false;
      // The DXF applies its own units to every point; walls left in metres
      // by a shapefile export would be converted twice.
      p.ConvertToMetres = false;
      break;
    case TExportWriter::VRML:
      p.SealEnds = o.SealChk;
      p.CenterModel = true;
      p.ConvertToMetres = false;  // the shot lines beside the walls are in feet
      break;
    case TExportWriter::Shapefile:
      p.SealEnds = false;
      p.CenterModel = false;
      p.ConvertToMetres = o.UnitRadio == 1;
      p.IncludeHidden = o.ShowHiddenChk;
      break;
    case TExportWriter::glTF:
      // glTF is in metres; every option shown on the tabs holds.
      p.SealEnds = o.SealChk;
      p.AverageJoints = o.MergeChk;
      p.CenterModel = true;
      p.ConvertToMetres = true;
      p.IncludeHidden = o.ShowHiddenChk;
      break;
  }
}

bool CheckPlotLoaded(const TPlotModel& model, const TMessageProc& warn) {
  if (model.PlotInfo.Loaded) return true;
  if (warn) warn(kNoPlotFileMessage);
  return false;
}

// ---- TExportFile ----

TExportFile::TExportFile(std::filesystem::path target) try : file_(std::move(target)) {
  buffer_.reserve(kFlushSize + 4096);
} catch (const std::runtime_error& e) {
  throw EExport(e.what());
}

TExportFile::~TExportFile() = default;

void TExportFile::Flush() {
  if (buffer_.empty()) return;
  AsExportError([&] { file_.Write(buffer_); });
  written_ += buffer_.size();
  buffer_.clear();
}

void TExportFile::Commit() {
  Flush();
  AsExportError([&] { file_.Commit(); });
}

// ---- Numbers ----

void ThrowNotFinite(double v) {
  throw EExport(std::string("Cannot write the number ") +
                (std::isnan(v) ? "nan"
                 : v > 0       ? "inf"
                               : "-inf") +
                ": the cave holds a position that is not finite");
}

void AppendFixed(std::string& out, double v, int decimals, int intWidth) {
  Finite(v);
  char buf[kFixedTextMax];
  char* end = WriteFixed(buf, v, decimals);
  if (intWidth > 0) {
    const char* point = decimals > 0 ? static_cast<const char*>(std::memchr(buf, '.', end - buf)) : end;
    const int intLen = static_cast<int>((point ? point : end) - buf);
    if (intLen < intWidth) out.append(static_cast<size_t>(intWidth - intLen), ' ');
  }
  out.append(buf, end);
}

std::string FixedString(double v, int decimals, int intWidth) {
  std::string s;
  AppendFixed(s, v, decimals, intWidth);
  return s;
}

void WriteTextExport(const std::filesystem::path& path, const TExportJob& job, const char* status,
                     const std::function<void(TExportFile&)>& write) {
  job.Progress.show_status(status);
  TExportFile file(path);
  write(file);
  file.Commit();
  job.Progress.set_all_progress(100);
  job.Progress.show_status("Done");
}

}  // namespace lumora
