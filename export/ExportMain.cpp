#include "export/ExportMain.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

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
  throw EExport(std::string("Cannot write the number ") + (std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf") +
                ": the cave holds a position that is not finite");
}

void AppendFixed(std::string& out, double v, int decimals, int intWidth) {
  Finite(v);
  static constexpr double kPow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  char buf[420];
  char* end = nullptr;
  int intLen = -1;
  const double t = v * kPow10[decimals];
  bool fast = std::fabs(t) < 1e15;
  double r = 0;
  if (fast) {
    r = std::nearbyint(t);
    // The product is rounded once; only where it lies this close to a half
    // could its rounding differ from that of the exact decimal value.
    const double frac = std::fabs(t - std::floor(t));
    fast = std::fabs(frac - 0.5) > std::fabs(t) * 4.5e-16 + 1e-300;
  }
  if (fast) {
    uint64_t n = static_cast<uint64_t>(std::fabs(r));
    char digits[24];
    int len = 0;
    do {
      digits[len++] = static_cast<char>('0' + n % 10);
      n /= 10;
    } while (n != 0 || len <= decimals);
    char* p = buf;
    if (std::signbit(v) && r != 0) *p++ = '-';
    intLen = static_cast<int>(p - buf) + len - decimals;
    for (int i = len - 1; i >= 0; --i) {
      if (i == decimals - 1) *p++ = '.';
      *p++ = digits[i];
    }
    end = p;
  } else {
    end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals).ptr;
    if (buf[0] == '-' && std::all_of(buf + 1, end, [](char c) { return c == '0' || c == '.'; })) {
      std::memmove(buf, buf + 1, static_cast<size_t>(end - buf - 1));
      --end;
    }
  }
  if (intWidth > 0) {
    if (intLen < 0) {
      const char* point = decimals > 0 ? static_cast<const char*>(std::memchr(buf, '.', end - buf)) : end;
      intLen = static_cast<int>((point ? point : end) - buf);
    }
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
