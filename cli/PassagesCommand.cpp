// lumora-cli passages: the passage walls of a plot file, their volume and
// bounds, optionally written as STL or OBJ for 3D printing.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/PlotLoad.h"
#include "export/MeshFileWriters.h"
#include "model/PlotReader.h"
#include "passage/PassageLib.h"

namespace lumora::cli {
namespace {

const char* const kUsage =
    "usage: lumora-cli passages FILE [OPTIONS]\n"
    "\n"
    "Builds the passage walls of the plot file FILE and prints the face count,\n"
    "the segment count, the passage volume and the bounds of the walls.\n"
    "\n"
    "  --shape square|diamond|octagon  cross-section shape (octagon)\n"
    "  --rounding 0|1|2      corner-rounding passes (1)\n"
    "  --corner DEG          a station turning more than DEG is a corner (20)\n"
    "  --no-fill             leave missing passage extents missing\n"
    "  --substitute FT       extent for a pair missing everywhere, 0 for none (2)\n"
    "  --no-vertical         no horizontal cross-sections on steep shots\n"
    "  --vertical DEG        a shot at least DEG steep is vertical (50)\n"
    "  --seal                close the ends of every line\n"
    "  --hidden              treat excluded shots as shots\n"
    "  --metres              emit metres instead of feet\n"
    "  --center              centre the walls on the plot's centre\n"
    "  --no-average          do not average the joints of consecutive shots\n"
    "  --stl FILE            write the walls as binary STL\n"
    "  --obj FILE            write the walls as Wavefront OBJ\n"
    "  --json                print one JSON object: faces, segments, volume\n"
    "                        (in the emitted units), volume_m3, output_min, output_max\n"
    "\n"
    "Faces point out of the passage; use --seal for a closed model to print.\n";

}  // namespace

int RunPassages(const Args& args) {
  if (WantsHelp(args, kUsage)) return 0;
  TPassageOptions& o = PassageOptions();
  std::string file, stlFile, objFile;
  bool json = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    auto number = [&](double min, double max) -> std::optional<double> {
      auto v = value();
      if (!v) return std::nullopt;
      auto n = ParseNumber(*v);
      if (!n || *n < min || *n > max) return std::nullopt;
      return n;
    };
    if (a == "--shape") {
      auto v = value();
      if (v == "square")
        o.PassageShape = psSquare;
      else if (v == "diamond")
        o.PassageShape = psDiamond;
      else if (v == "octagon")
        o.PassageShape = psOctagon;
      else
        return UsageError("passages", "--shape takes square, diamond or octagon");
    } else if (a == "--rounding") {
      auto v = value();
      if (v != "0" && v != "1" && v != "2") return UsageError("passages", "--rounding takes 0, 1 or 2");
      o.RoundingPasses = (*v)[0] - '0';
    } else if (a == "--corner") {
      auto n = number(0, 180);
      if (!n) return UsageError("passages", "--corner takes an angle in degrees from 0 to 180");
      o.CornerThreshold = *n;
    } else if (a == "--vertical") {
      auto n = number(0, 90);
      if (!n) return UsageError("passages", "--vertical takes an angle in degrees from 0 to 90");
      o.VerticalPrisms = true;
      o.VerticalThreshold = *n;
    } else if (a == "--substitute") {
      auto n = number(0, 900);
      if (!n) return UsageError("passages", "--substitute takes a length in feet from 0 to 900");
      o.SubstituteDiameter = *n;
    } else if (a == "--no-fill") {
      o.FillDimensions = false;
    } else if (a == "--no-vertical") {
      o.VerticalPrisms = false;
    } else if (a == "--seal") {
      o.SealEnds = true;
    } else if (a == "--hidden") {
      o.IncludeHidden = true;
    } else if (a == "--metres") {
      o.ConvertToMetres = true;
    } else if (a == "--center") {
      o.CenterModel = true;
    } else if (a == "--no-average") {
      o.AverageJoints = false;
    } else if (a == "--json") {
      json = true;
    } else if (a == "--stl" || a == "--obj") {
      auto v = value();
      if (!v || v->empty()) return UsageError("passages", a + " needs a file name");
      (a == "--stl" ? stlFile : objFile) = *v;
    } else if (!a.empty() && a[0] == '-') {
      return UsageError("passages", "unknown option '" + a + "'");
    } else if (file.empty()) {
      file = a;
    } else {
      return UsageError("passages", "more than one file given");
    }
  }
  if (file.empty()) return UsageError("passages", "no plot file given");

  TPlotModel& model = PlotModel();
  const TPlotLoadResult loaded = LoadPlotForCommand("passages", model, file);
  if (!loaded.Ok) {
    std::fprintf(stderr, "lumora-cli passages: %s\n", loaded.Message.c_str());
    return 1;
  }

  std::unique_ptr<TMeshCollector> mesh;
  TQuadProc quad = [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {};
  TTriangleProc triangle = [](const T3DVector&, const T3DVector&, const T3DVector&, int32_t, bool) {};
  if (!stlFile.empty() || !objFile.empty()) {
    mesh = std::make_unique<TMeshCollector>();
    quad = mesh->QuadProc();
    triangle = mesh->TriangleProc();
  }
  TPassageState& state = PassageState();
  BuildPassages(model, o, state, quad, triangle, [](int64_t faces, int percent) {
    std::string text = "Building walls: ";
    text += std::to_string(faces);
    text += " faces, ";
    text += std::to_string(percent);
    ShowProgress(text += "%");
  });
  EndProgress();

  const std::string units = o.ConvertToMetres ? "metres" : "feet";
  std::string title = "Lumora passage walls of ";
  title += file;
  title += ", ";
  title += units;
  if (!stlFile.empty()) WriteStlFile(stlFile, *mesh, title);
  if (!objFile.empty()) WriteObjFile(objFile, *mesh, title);

  const double m3PerFt3 = std::pow(MetresPerFoot(), 3);
  const double volumeM3 = o.ConvertToMetres ? state.PassageVolume : state.PassageVolume * m3PerFt3;
  const double volumeFt3 = o.ConvertToMetres ? state.PassageVolume / m3PerFt3 : state.PassageVolume;
  if (json) {
    std::string out = "{\n";
    out += "  \"faces\": " + std::to_string(state.FaceCount) + ",\n";
    out += "  \"segments\": " + std::to_string(state.SegmentCount) + ",\n";
    out += "  \"volume\": " + JsonNumber(state.PassageVolume) + ",\n";
    out += "  \"volume_m3\": " + JsonNumber(volumeM3) + ",\n";
    out += "  \"output_min\": " + JsonVector(state.OutputMin) + ",\n";
    out += "  \"output_max\": " + JsonVector(state.OutputMax) + "\n}\n";
    std::fputs(out.c_str(), stdout);
  } else {
    std::printf("Faces:       %lld\n", static_cast<long long>(state.FaceCount));
    std::printf("Segments:    %lld\n", static_cast<long long>(state.SegmentCount));
    std::printf("Volume:      %s cubic feet (%s cubic metres)\n", FixedText(volumeFt3, 2).c_str(),
                FixedText(volumeM3, 2).c_str());
    std::printf("Output min:  %s %s\n", VectorText(state.OutputMin, 3).c_str(), units.c_str());
    std::printf("Output max:  %s %s\n", VectorText(state.OutputMax, 3).c_str(), units.c_str());
    if (!stlFile.empty()) std::printf("STL:         %s\n", stlFile.c_str());
    if (!objFile.empty()) std::printf("OBJ:         %s\n", objFile.c_str());
  }
  return 0;
}

}  // namespace lumora::cli
