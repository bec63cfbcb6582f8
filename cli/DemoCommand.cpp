// lumora-cli demo: writes the synthetic demo cave as a plot file.

#include <charconv>
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/OptionParser.h"
#include "model/DemoCave.h"
#include "platform/AtomicFile.h"

namespace lumora::cli {
namespace {

const char* const kUsage =
    "usage: lumora-cli demo OUT.plt [--stations N] [--seed S]\n"
    "\n"
    "Writes a synthetic cave as a plot file: several sections of surveys with\n"
    "branches, pitches, passage extents, splays, hidden shots, features, loops\n"
    "and georeference. The same N and S always give the same file.\n"
    "  --stations N   survey stations ('M', 'D' and 'd' records), at least 10\n"
    "                 (default 3000)\n"
    "  --seed S       seed of the generator, 0 to 4294967295 (default 1)\n";

constexpr int kMaxStations = 5'000'000;  // keeps the text well inside memory

template <class T>
bool ParseWhole(const std::string& text, T& value) {
  const char* end = text.data() + text.size();
  auto r = std::from_chars(text.data(), end, value);
  return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

}  // namespace

int RunDemo(const Args& args) {
  std::string out;
  TDemoOptions options;
  TOptionParser parser("demo", kUsage);
  parser.Operand(out, "no output file given", "more than one output file given");
  parser.Value("--stations", [&](const auto& v, const std::string& name) -> std::string {
    if (!v) return name + " needs a value";
    if (!ParseWhole(*v, options.Stations) || options.Stations < 10 || options.Stations > kMaxStations)
      return name + " takes a whole number from 10 to " + std::to_string(kMaxStations) + ", not '" + *v + "'";
    return {};
  });
  parser.Value("--seed", [&](const auto& v, const std::string& name) -> std::string {
    if (!v) return name + " needs a value";
    if (!ParseWhole(*v, options.Seed)) return name + " takes a whole number from 0 to 4294967295, not '" + *v + "'";
    return {};
  });
  if (const auto status = parser.Parse(args)) return *status;

  const TDemoCave cave = GenerateDemoCave(options);
  WriteFileAtomically(out, cave.Text);

  const TDemoSummary& s = cave.Summary;
  std::printf("Wrote %s (%zu bytes)\n", out.c_str(), cave.Text.size());
  std::printf("Stations:     %d (M %d, D %d, d %d)\n", s.Stations, s.M, s.D, s.d);
  std::printf("Shots:        %d, %d of them hidden\n", s.D + s.d, s.d);
  std::printf("Surveys:      %d, and %d features (L %d, V %d)\n", s.Surveys, s.Features, s.L, s.V);
  std::printf("Sections:     %zu\n", s.Sections.size());
  std::printf("Splays:       %d shots from %d stations, and %d splay records\n", s.SplayShots, s.SplayItems,
              s.SplayRecords);
  std::printf("Depth:        %s ft\n", FixedText(s.StationMax.z - s.StationMin.z, 1).c_str());
  std::printf("Shot length:  %s ft\n", FixedText(s.ShotLengthFeet, 1).c_str());
  return 0;
}

}  // namespace lumora::cli
