// lumora-cli volume: the cave cut into layers, each layer's concave hull,
// area and rock volume, the cave volume and the porosity; the full volume
// report; the hull as STL.

#include <cstdio>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/OptionParser.h"
#include "cli/PlotLoad.h"
#include "document/CaveDocument.h"
#include "export/MeshFileWriters.h"
#include "model/PlotReader.h"
#include "model/WorkingUnits.h"
#include "passage/PassageLib.h"
#include "volume/CVVolume.h"
#include "volume/VolumeReport.h"

namespace lumora::cli {
namespace {

const char* const kUsage =
    "usage: lumora-cli volume FILE [OPTIONS]\n"
    "\n"
    "Builds the passage walls of the plot file FILE with the default passage\n"
    "options, cuts their height range into layers, digs a concave hull into\n"
    "each layer's points and prints per layer: top, bottom, thickness, points,\n"
    "triangles, area, rock volume, cave volume and porosity; then the totals.\n"
    "\n"
    "  --layers N            number of layers, 1 to 10 (10)\n"
    "  --concavity P         1 digs deepest, 100 keeps the convex boundary (50)\n"
    "  --by-area             dig by triangle area instead of edge length\n"
    "  --no-pass-dims        use the stations instead of the passage walls\n"
    "  --up-down             also use the up and down extents of the stations\n"
    "  --subdivide 5|10|25|50|100  split longer shots in plan (100)\n"
    "  --units feet|meters   display units (feet)\n"
    "  --json                print one JSON object: rock_volume, cave_volume,\n"
    "                        porosity (null when undefined), units, layers\n"
    "  --report              print the full volume report (every layer count\n"
    "                        and concavity) instead of the table\n"
    "  --hull-stl FILE       write the hull mesh (scene coordinates, y up) as STL\n";

std::string OptNum(const std::optional<double>& v) { return v ? JsonNumber(*v) : "null"; }

void Progress(const char* stage, int percent) {
  std::string text = stage;
  text += ": ";
  text += std::to_string(percent);
  ShowProgress(text += "%");
}

// A layer's cave volume is its share of the shots' tubes, its rock the
// plan hull of its wall points: overlapping tubes, or a steep shot down to
// a mistyped station, can hold more passage than rock. The figure stays as
// the model gives it, but it is no measurement, so say where it comes from.
void WarnOfOverfullLayers(const TVolumeModel& volume) {
  for (int k = 0; k < volume.Count(); ++k)
    if (const std::optional<double> p = volume.LayerPorosity(k); p && *p > 100)
      std::fprintf(stderr,
                   "lumora-cli volume: warning: layer %d holds more passage than rock (porosity %s): passages "
                   "overlap there, or a station lies far from the rest (a mistyped number?)\n",
                   k, ReportPorosity(p).c_str());
}

}  // namespace

int RunVolume(const Args& args) {
  std::string file, stlFile;
  int layers = kMaxLevels, subdivide = 100;
  double concavity = 50;
  bool byArea = false, useDims = true, upDown = false, json = false, report = false, feet = true;
  TOptionParser parser("volume", kUsage);
  parser.Operand(file, "no plot file given");
  parser.Whole("--layers", layers, "takes a whole number from 1 to 10", 1, kMaxLevels);
  parser.Number("--concavity", concavity, "takes a percentage from 1 to 100", 1, 100);
  parser.Choice("--subdivide", subdivide, {{"5", 5}, {"10", 10}, {"25", 25}, {"50", 50}, {"100", 100}},
                "takes 5, 10, 25, 50 or 100");
  parser.Choice("--units", feet, {{"feet", true}, {"meters", false}, {"metres", false}}, "takes feet or meters");
  parser.Flag("--by-area", byArea);
  parser.Flag("--no-pass-dims", useDims, false);
  parser.Flag("--up-down", upDown);
  parser.Flag("--json", json);
  parser.Flag("--report", report);
  parser.Text("--hull-stl", stlFile, "needs a file name");
  if (const auto status = parser.Parse(args)) return *status;
  if (json && report) return UsageError("volume", "--json and --report exclude each other");
  if (upDown && !useDims) return UsageError("volume", "--up-down needs the passage dimensions");

  TCaveDocument document;
  TPlotModel& model = document.Model;
  const TPlotLoadResult loaded = RequireLegs(model, LoadPlotForCommand("volume", model, file));
  if (!loaded.Ok) {
    std::fprintf(stderr, "lumora-cli volume: %s\n", loaded.Message.c_str());
    return 1;
  }

  const TPassageOptions& options = document.PassageOptions;  // the defaults
  TPassageState& passages = document.PassageState;
  BuildPassages(
      model, options, passages, [](const T3DVector&, const T3DVector&, const T3DVector&, const T3DVector&, int32_t) {},
      {}, [](int64_t, int percent) { Progress("Building walls", percent); });
  EndProgress();

  const TWorkingUnits units = MakeWorkingUnits(feet);
  TVolumeModel& volume = document.Volume;
  volume.LevelCount = layers;
  volume.UseUpDown = upDown;
  volume.SubdivideLength = subdivide;
  const double fraction = concavity / 100;

  if (report) {
    TVolumeReports reports;
    reports.OnLine = [](const std::string& line) {
      EndProgress();
      std::fputs(line.c_str(), stdout);
      std::fputc('\n', stdout);
    };
    reports.OnProgress = [](int percent) { Progress("Report", percent); };
    reports.Run(volume, units, {useDims, byArea, layers, fraction});
    EndProgress();
    return 0;
  }

  volume.BuildLevels([](int percent) { Progress("Collecting layers", percent); }, useDims);
  volume.ComputeVolumes([](int percent) { Progress("Digging hulls", percent); }, byArea, fraction);
  EndProgress();
  WarnOfOverfullLayers(volume);

  if (!stlFile.empty()) {
    TGLMesh hull;
    hull.SetName("Hull");
    volume.BuildHullModel(hull, [](int percent) { Progress("Hull model", percent); });
    EndProgress();
    TMeshCollector collector;
    for (int t = 0; t < hull.TriangleCount(); ++t) {
      const TTriangle3 tri = hull.GetTriangle(t);
      collector.AddTriangle(tri.p[0], tri.p[1], tri.p[2]);
    }
    WriteStlFile(stlFile, collector, "Lumora hull of " + file + ", feet");
  }

  const double lf = units.LengthFactor, af = units.AreaFactor, vf = units.VolumeFactor;
  const int n = volume.Count();
  if (json) {
    std::string out = "{\n";
    out += "  \"rock_volume\": " + JsonNumber(volume.RockVolume * vf) + ",\n";
    out += "  \"cave_volume\": " + JsonNumber(volume.CaveVolume() * vf) + ",\n";
    out += "  \"porosity\": " + OptNum(volume.Porosity()) + ",\n";
    out += std::string("  \"units\": \"") + (feet ? "feet" : "meters") + "\",\n";
    out += "  \"layers\": [";
    for (int k = 0; k < n; ++k) {
      const TVolumeLevel& l = volume.Levels[k];
      out += k ? ",\n    {" : "\n    {";
      out += "\"top\": " + JsonNumber(l.Top * lf);
      out += ", \"bottom\": " + JsonNumber(l.Bottom * lf);
      out += ", \"thickness\": " + JsonNumber(volume.Thickness(k) * lf);
      out += ", \"points\": " + std::to_string(l.Triangulator.Points().size());
      out += ", \"triangles\": " + std::to_string(l.Triangulator.Triangles().size());
      out += ", \"area\": " + JsonNumber(l.Area * af);
      out += ", \"rock_volume\": " + JsonNumber(volume.LayerRockVolume(k) * vf);
      out += ", \"cave_volume\": " + JsonNumber(volume.LayerCaveVolume(k) * vf);
      out += ", \"porosity\": " + OptNum(volume.LayerPorosity(k)) + "}";
    }
    out += "\n  ]\n}\n";
    std::fputs(out.c_str(), stdout);
    return 0;
  }

  const std::string& u = units.ShortUnitName;
  std::printf("Layer %10s %10s %10s %8s %9s %14s %16s %16s %10s\n", ("Top " + u).c_str(), ("Bottom " + u).c_str(),
              "Thickness", "Points", "Triangles", ("Area " + u + "^2").c_str(), ("Rock vol " + u + "^3").c_str(),
              ("Cave vol " + u + "^3").c_str(), "Porosity");
  for (int k = 0; k < n; ++k) {
    const TVolumeLevel& l = volume.Levels[k];
    std::printf("%5d %10s %10s %10s %8zu %9zu %14s %16s %16s %10s\n", k, FixedText(l.Top * lf, 1).c_str(),
                FixedText(l.Bottom * lf, 1).c_str(), FixedText(volume.Thickness(k) * lf, 1).c_str(),
                l.Triangulator.Points().size(), l.Triangulator.Triangles().size(),
                GroupedNumber(l.Area * af, 1).c_str(), GroupedNumber(volume.LayerRockVolume(k) * vf, 1).c_str(),
                GroupedNumber(volume.LayerCaveVolume(k) * vf, 1).c_str(),
                ReportPorosity(volume.LayerPorosity(k)).c_str());
  }
  std::printf("Rock volume: %s %s^3\n", GroupedNumber(volume.RockVolume * vf, 1).c_str(), u.c_str());
  std::printf("Cave volume: %s %s^3\n", GroupedNumber(volume.CaveVolume() * vf, 1).c_str(), u.c_str());
  std::printf("Porosity:    %s\n", ReportPorosity(volume.Porosity()).c_str());
  if (!stlFile.empty()) std::printf("Hull STL:    %s\n", stlFile.c_str());
  return 0;
}

}  // namespace lumora::cli
