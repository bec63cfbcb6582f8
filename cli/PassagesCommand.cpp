// lumora-cli passages: the passage walls of a plot file, their volume and
// bounds, optionally written as STL or OBJ for 3D printing.

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/OptionParser.h"
#include "cli/PlotLoad.h"
#include "document/CaveDocument.h"
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
  TCaveDocument document;
  TPassageOptions& o = document.PassageOptions;
  std::string file, stlFile, objFile;
  bool json = false;
  TOptionParser parser("passages", kUsage);
  parser.Operand(file, "no plot file given");
  parser.Choice("--shape", o.PassageShape, {{"square", psSquare}, {"diamond", psDiamond}, {"octagon", psOctagon}},
                "takes square, diamond or octagon");
  parser.Choice("--rounding", o.RoundingPasses, {{"0", 0}, {"1", 1}, {"2", 2}}, "takes 0, 1 or 2");
  parser.Number("--corner", o.CornerThreshold, "takes an angle in degrees from 0 to 180", 0, 180);
  parser.Number(
      "--vertical",
      [&o](double degrees) {
        o.VerticalPrisms = true;
        o.VerticalThreshold = degrees;
      },
      "takes an angle in degrees from 0 to 90", 0, 90);
  parser.Number("--substitute", o.SubstituteDiameter, "takes a length in feet from 0 to 900", 0, 900);
  parser.Flag("--no-fill", o.FillDimensions, false);
  parser.Flag("--no-vertical", o.VerticalPrisms, false);
  parser.Flag("--seal", o.SealEnds);
  parser.Flag("--hidden", o.IncludeHidden);
  parser.Flag("--metres", o.ConvertToMetres);
  parser.Flag("--center", o.CenterModel);
  parser.Flag("--no-average", o.AverageJoints, false);
  parser.Flag("--json", json);
  parser.Text("--stl", stlFile, "needs a file name");
  parser.Text("--obj", objFile, "needs a file name");
  if (const auto status = parser.Parse(args)) return *status;

  TPlotModel& model = document.Model;
  const TPlotLoadResult loaded = RequireLegs(model, LoadPlotForCommand("passages", model, file));
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
  TPassageState& state = document.PassageState;
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
