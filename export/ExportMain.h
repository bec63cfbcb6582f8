#pragma once
// What every writer of the exporter shares: the export context, the
// progress and status sink the window implements, the wall settings each
// writer copies into the wall builder, the output file written beside its
// target and renamed at the end, and locale-free fixed-point numbers.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "export/ExportOptions.h"
#include "model/PlotReader.h"
#include "passage/PassageLib.h"
#include "platform/AtomicFile.h"

namespace lumora {

class EExport : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

extern const char* const kNoPlotFileMessage;  // "No Plot File Load."

// One vertex of a bounding polygon: the same x and y at the hull's two
// elevations (Top first, Bottom second), in survey units.
struct TBoundingVertex {
  T3DVector Top, Bottom;
};
using TBoundingPolygon = std::vector<TBoundingVertex>;

// One per process, owned by the window.
struct TExportContext {
  std::string CurrentPlotPath;
  std::string LastOpenedPath;
  std::vector<TBoundingPolygon> BoundingPolygons;
  bool BoundingPolygonsAvailable = false;
};

// Which "Data Types To Convert" items the window offers: items 7 and 8
// (the prisms) only for a 3D shape file, items 9 and 10 (bounding
// polygons) only when the context has them. A selection that is hidden or
// disabled moves to item 0.
struct TDataTypeChoices {
  std::array<bool, 11> Enabled{};
  std::array<bool, 11> Visible{};
};
TDataTypeChoices RefreshDataTypeChoices(TExportOptions& options, const TExportContext& context);

// Three bars (overall, survey, shot) and a status line. The window draws
// them and processes pending events in ProcessEvents; the command line
// draws a progress line; tests record what they receive.
class TExportProgress {
 public:
  virtual ~TExportProgress() = default;

  // Later overall progress lies in slice `pass` (from 0) of `passes`.
  void set_progress_pass(int pass, int passes);
  void show_progress(int done1, int total1, int done2, int total2, int done3, int total3);
  void set_all_progress(int percent);
  void reset_progress() { set_all_progress(0); }
  void show_status(const std::string& text) { Status(text); }

  int Pass() const { return pass_; }
  int Passes() const { return passes_; }

 protected:
  virtual void Bars(int overall, int survey, int shot) = 0;
  virtual void Status(const std::string& text) = 0;
  virtual void ProcessEvents() {}

 private:
  int pass_ = 0, passes_ = 1;
};

// Accepts everything and shows nothing.
class TSilentProgress : public TExportProgress {
 protected:
  void Bars(int, int, int) override {}
  void Status(const std::string&) override {}
};

enum class TExportWriter { DXF, VRML, Shapefile, glTF };

// Copies the "Wall Settings" tab into the wall builder's options, plus the
// writer's own row; options the row leaves alone keep their values.
void CopyWallSettings(const TExportOptions& o, TExportWriter writer, TPassageOptions& passage);

// False, after warning kNoPlotFileMessage, when no plot file is loaded.
bool CheckPlotLoaded(const TPlotModel& model, const TMessageProc& warn);

// What a writer works on: the survey model, and the passage options and
// state of the cave document it belongs to.
struct TExportJob {
  TPlotModel& Model;
  const TExportOptions& Options;
  TPassageOptions& Passage;
  TPassageState& State;
  TExportProgress& Progress;
};

// A TAtomicFile filled from a buffer, so a failed export never leaves half
// a file in place of a good one. Throws EExport with the system's message.
class TExportFile {
 public:
  explicit TExportFile(std::filesystem::path target);
  ~TExportFile();
  TExportFile(const TExportFile&) = delete;
  TExportFile& operator=(const TExportFile&) = delete;

  // The buffer callers append to; Flush when it grows large.
  std::string& Buffer() { return buffer_; }
  void MaybeFlush() {
    if (buffer_.size() >= kFlushSize) Flush();
  }
  void Flush();
  void Commit();
  uint64_t BytesWritten() const { return written_; }

 private:
  static constexpr size_t kFlushSize = 1 << 20;
  TAtomicFile file_;
  std::string buffer_;
  uint64_t written_ = 0;
};

// Runs `f` with every failure of the file system as an EExport.
template <class F>
auto AsExportError(F&& f) -> decltype(f()) {
  try {
    return f();
  } catch (const EExport&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::runtime_error& e) {
    throw EExport(e.what());
  }
}

// Runs one writer into `path` through a TExportFile: the status line, the
// commit, and the full progress bar every text export ends with.
void WriteTextExport(const std::filesystem::path& path, const TExportJob& job, const char* status,
                     const std::function<void(TExportFile&)>& write);

// Every number a writer puts in a file must be finite: a NaN or an
// infinity can only come from a broken cave, and no reader could take it.
[[noreturn]] void ThrowNotFinite(double v);
inline double Finite(double v) {
  if (!std::isfinite(v)) ThrowNotFinite(v);
  return v;
}

// Fixed-point text of v with `decimals` decimals (0..9), '.' as decimal
// point, no grouping, the part before the point right-aligned with spaces
// to `intWidth`; the same digits std::to_chars gives, except that a value
// rounding to zero has no sign (a wall point 1e-17 west of 0 is "0.00").
void AppendFixed(std::string& out, double v, int decimals, int intWidth = 0);
std::string FixedString(double v, int decimals, int intWidth = 0);

}  // namespace lumora
