// A cave that holds a position that is not finite (a record changed after
// the load, or sums past the range of doubles) must never reach a file:
// every writer refuses it, and no file or temporary is left.

#include <gtest/gtest.h>

#include <unistd.h>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>

#include "export/DXFExport.h"
#include "export/KMLExport.h"
#include "export/ShapeExport.h"
#include "export/VRMLExport.h"
#include "platform/AtomicFile.h"

using namespace lumora;

namespace {

const char* const kPlot =
    "Z 0 10 0 10 -5 0\r\nG 13\r\nONorth American 1983\r\nSMain\r\nN SURV D 1 1 2000 C test\r\n"
    "M 0 0 0 SA1 P 1 1 1 1\r\nD 3 4 0 SA2 P 1 1 1 1\r\nD 6 8 -5 SA3 P 1 1 1 1\r\nX 0 0 0 0 0 0\r\n";

}  // namespace

TEST(NonFinite, EveryWriterRefusesAndLeavesNothing) {
  const auto dir = std::filesystem::temp_directory_path() / ("lumora-nonfinite-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::pair<const char*, std::function<void(const std::filesystem::path&, const TExportJob&)>> writers[] = {
      {"a.dxf", [](const auto& p, const auto& j) { write_dxf(p, j); }},
      {"a.wrl", [](const auto& p, const auto& j) { write_vrml(p, j); }},
      {"a.kml", [](const auto& p, const auto& j) { write_kml_lines(p, j); }},
      {"b.kml", [](const auto& p, const auto& j) { write_kml_passages(p, j); }},
  };
  for (const double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()}) {
    for (const auto& [name, write] : writers) {
      TPlotModel model;
      ASSERT_TRUE(LoadPlotText(model, kPlot, "t.plt").Ok);
      TExportOptions options;
      TPassageOptions passage;
      TPassageState state;
      TSilentProgress progress;
      // The sound cave writes.
      write(dir / name, {model, options, passage, state, progress});
      ASSERT_TRUE(std::filesystem::exists(dir / name)) << name;
      std::filesystem::remove(dir / name);

      model.Plots[1].Position.y = bad;
      TPassageState fresh;
      EXPECT_THROW(write(dir / name, {model, options, passage, fresh, progress}), EExport) << name << " " << bad;
      EXPECT_TRUE(std::filesystem::is_empty(dir)) << name;
    }
  }
  std::filesystem::remove_all(dir);
}

TEST(NonFinite, NumberTextRefusesWhatIsNotFinite) {
  std::string out;
  EXPECT_THROW(AppendFixed(out, std::nan(""), 2), EExport);
  EXPECT_THROW(AppendFixed(out, HUGE_VAL, 2), EExport);
  EXPECT_TRUE(out.empty());
  AppendFixed(out, 1e300, 0);
  EXPECT_EQ(out.size(), 301u);
}
