// lumora-cli export: a plot file as a DXF drawing, a VRML world, a
// shapefile set, a KML document or a glTF model, with
// every option of the exporter window, read from its settings file and
// changed key by key on the command line.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/core/CaveGltf.h"
#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/OptionParser.h"
#include "cli/PlotLoad.h"
#include "document/CaveDocument.h"
#include "export/DXFExport.h"
#include "export/ExportMain.h"
#include "export/KMLExport.h"
#include "export/ShapeExport.h"
#include "export/VRMLExport.h"
#include "model/PlotReader.h"
#include "platform/IniFile.h"

namespace lumora::cli {
namespace {

const char* const kUsage =
    "usage: lumora-cli export FILE --format dxf|vrml|shp|kml|glb|gltf -o OUT [OPTIONS]\n"
    "\n"
    "Writes the plot file FILE as a DXF drawing, a VRML 2.0 world, an ESRI\n"
    "shapefile set (.shp, .shx, .dbf, .prj beside OUT, optionally zipped), a\n"
    "KML document in longitude and latitude, or a glTF 2.0 model: binary (glb)\n"
    "or JSON with one .bin beside OUT (gltf).\n"
    "Options start from the exporter's defaults, then the settings file,\n"
    "then each --set and --units in the order given.\n"
    "\n"
    "  --format dxf|vrml|shp|kml|glb|gltf  what to write\n"
    "  -o, --output OUT        the file to write (replaced only when complete)\n"
    "  --ini FILE              settings file to read (default: CaveExport.ini in\n"
    "                          the settings folder, when it exists)\n"
    "  --set SECTION/KEY=VALUE one stored option, with the section, key and value\n"
    "                          text of the settings file, e.g. DXF/ProfileMode=1,\n"
    "                          DXF/Rotation=90, VRML/DoShotLine=1,\n"
    "                          VRLM/PassageColor=65280; layer colours as RGB\n"
    "                          integers 0x00BBGGRR (DXF/WallColor=255); repeatable\n"
    "  --units feet|meters     the exporter's units (DXF, shapefiles)\n"
    "shapefiles:\n"
    "  --layer NAME            stations (default), surveys, shots, split,\n"
    "                          feature-points, feature-lines, passage, prism,\n"
    "                          multipatch\n"
    "  --2d                    2D shapes (no prism layers)\n"
    "  --zip                   also pack the set into OUT with .zip\n"
    "  --force                 replace files of the set that exist\n"
    "KML:\n"
    "  --overlay passages|lines  passage polygons (default) or shot lines\n"
    "  --datum NAME            the plot's datum, e.g. \"North American 1983\"\n"
    "  --altitude M            altitude in metres; with --relative\n"
    "  --relative              relative to ground (default: clamped)\n"
    "  --splays                include splay shots\n"
    "  --no-sections           one placemark for the whole cave\n"
    "glTF (metres, +Y up, one wall mesh per survey, the stations as nodes; walls,\n"
    "shot lines and their colours as for VRML):\n"
    "  --color MODE            walls and shot lines coloured by plain (the VRML\n"
    "                          colours), depth, date or survey\n"
    "  --splays                include splay shots, as for KML\n";

const char* const kLayers[] = {"stations",      "surveys", "shots", "split",     "feature-points",
                               "feature-lines", "passage", "prism", "multipatch"};

// The progress line on stderr; redrawn only when a bar moves.
class TCliProgress : public TExportProgress {
 protected:
  void Bars(int overall, int, int) override {
    if (overall == last_) return;
    last_ = overall;
    ShowProgress(status_ + ": " + std::to_string(overall) + "%");
  }
  void Status(const std::string& text) override { status_ = text; }

 private:
  int last_ = -1;
  std::string status_ = "Exporting";
};

}  // namespace

int RunExport(const Args& args) {
  std::string file, format, output, ini;
  int layer = -1;
  bool twoD = false, zip = false, force = false;
  // KML settings given on the command line, applied after the settings file.
  std::optional<int> overlay, datum;
  std::optional<double> altitude;
  bool relative = false, splays = false, noSections = false;
  // --set and --units, in the order given.
  std::vector<std::pair<std::string, std::string>> changes;
  TOptionParser parser("export", kUsage);
  parser.Operand(file, "no plot file given");
  parser.Choice("--format", format, {"dxf", "vrml", "shp", "kml", "glb", "gltf"},
                "takes dxf, vrml, shp, kml, glb or gltf");
  std::optional<TWallColoring> coloring;
  parser.Choice("--color", coloring,
                {{"plain", TWallColoring::Plain},
                 {"depth", TWallColoring::Depth},
                 {"date", TWallColoring::Date},
                 {"survey", TWallColoring::Survey}},
                "takes plain, depth, date or survey");
  parser.Value("--layer", [&](const auto& v, const auto&) -> std::string {
    for (int k = 0; v && k < 9; ++k)
      if (*v == kLayers[k]) layer = k;
    return layer < 0 ? "unknown --layer" : "";
  });
  parser.Flag("--2d", twoD);
  parser.Flag("--zip", zip);
  parser.Flag("--force", force);
  parser.Choice("--overlay", overlay, {{"passages", 0}, {"lines", 1}}, "takes passages or lines");
  parser.Value("--datum", [&](const auto& v, const auto&) -> std::string {
    const int d = v ? KMLDatumIndex(*v) : -1;
    if (d < 0) return "unknown --datum";
    datum = d;
    return {};
  });
  parser.Number(
      "--altitude", [&altitude](double metres) { altitude = metres; }, "takes metres");
  parser.Flag("--relative", relative);
  parser.Flag("--splays", splays);
  parser.Flag("--no-sections", noSections);
  parser.Text({"-o", "--output"}, output, "needs a file name");
  parser.Text("--ini", ini, "needs a file name");
  parser.Value("--set", [&](const auto& v, const std::string& name) -> std::string {
    if (!v) return name + " needs SECTION/KEY=VALUE";
    changes.emplace_back(name, *v);
    return {};
  });
  parser.Value("--units", [&](const auto& v, const std::string& name) -> std::string {
    if (v != "feet" && v != "meters") return name + " takes feet or meters";
    changes.emplace_back(name, *v);
    return {};
  });
  if (const auto status = parser.Parse(args)) return *status;
  if (format.empty()) return UsageError("export", "no --format given");
  const bool gltf = format == "glb" || format == "gltf";
  if (coloring && !gltf) return UsageError("export", "--color is an option of glb and gltf");
  if (output.empty()) return UsageError("export", "no output file given (-o OUT)");

  TExportOptions options;
  if (!ini.empty()) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ini, ec)) return UsageError("export", "no settings file '" + ini + "'");
    const TIniFile file(ini);
    if (!file.LoadError().empty()) throw std::runtime_error(file.LoadError());
    if (const std::string warning = RestoreExportSettings(options, file); !warning.empty())
      std::fprintf(stderr, "lumora-cli export: %s\n", warning.c_str());
  } else {
    const std::filesystem::path path = ExportSettingsPath();
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec))
      if (const std::string warning = RestoreExportSettings(options, TIniFile(path)); !warning.empty())
        std::fprintf(stderr, "lumora-cli export: %s\n", warning.c_str());
  }
  for (const auto& [kind, text] : changes) {
    if (kind == "--units") {
      options.UnitRadio = text == "feet" ? 0 : 1;
      continue;
    }
    const size_t slash = text.find('/'), equals = text.find('=');
    if (slash == std::string::npos || equals == std::string::npos || slash == 0 || equals < slash + 2)
      return UsageError("export", "--set takes SECTION/KEY=VALUE, not '" + text + "'");
    const std::string section = text.substr(0, slash), key = text.substr(slash + 1, equals - slash - 1);
    const std::string why = SetExportOption(options, section, key, text.substr(equals + 1));
    if (!why.empty()) return UsageError("export", section + "/" + key + " " + why);
  }

  TCaveDocument document;
  TPlotModel& model = document.Model;
  const TPlotLoadResult loaded = LoadPlotForCommand("export", model, file);
  if (!loaded.Ok) {
    std::fprintf(stderr, "lumora-cli export: %s\n", loaded.Message.c_str());
    return 1;
  }
  if (!CheckPlotLoaded(model,
                       [](const std::string& text) { std::fprintf(stderr, "lumora-cli export: %s\n", text.c_str()); }))
    return 1;
  // Walls need legs; stations, lines and KML points do not.
  const bool walls = format == "dxf"    ? options.WallsChk
                     : format == "vrml" ? options.DoPassageChk
                     : format == "shp"  ? (layer >= 0 ? layer : options.ConvertTypeRadio) >= 6
                                        : false;
  if (walls) {
    if (const TPlotLoadResult legs = RequireLegs(model, loaded); !legs.Ok) {
      std::fprintf(stderr, "lumora-cli export: %s\n", legs.Message.c_str());
      return 1;
    }
  }

  TCliProgress progress;
  const TExportJob job{model, options, document.PassageOptions, document.PassageState, progress};
  if (format == "shp") {
    if (layer >= 0) options.ConvertTypeRadio = layer;
    if (twoD) options.ShapeTypeRadio = 1;
    if (options.ShapeTypeRadio == 1 && (options.ConvertTypeRadio == 7 || options.ConvertTypeRadio == 8))
      return UsageError("export", "the prism layers are 3D only");
    if (options.ConvertTypeRadio > 8) return UsageError("export", "bounding polygons come from the volume tool");
    TShapefileRequest request;
    request.Path = output;
    // The window's "Create Zip File" is on by default; here the flag asks.
    request.CreateZip = zip;
    request.Warn = [](const std::string& text) { std::fprintf(stderr, "lumora-cli export: %s\n", text.c_str()); };
    request.ConfirmOverwrite = [force](const std::string& question) {
      if (!force) std::fprintf(stderr, "lumora-cli export: %s\n(use --force)\n", question.c_str());
      return force;
    };
    const bool written = export_shapefile(request, job);
    EndProgress();
    if (!written) return 1;
    std::printf("Shapefile: %s\n", ShapefileMember(output, "shp").c_str());
    return 0;
  }
  if (format == "kml") {
    if (overlay) options.OverlayTypeRadio = *overlay;
    if (datum) options.DatumCombo = *datum;
    if (altitude) options.AltitudeSpin = *altitude;
    if (relative) options.AltitudeModeRadio = 1;
    if (splays) options.KMLSplayChk = true;
    if (noSections) options.SectionsChk = false;
    const auto warn = [](const std::string& text) { std::fprintf(stderr, "lumora-cli export: %s\n", text.c_str()); };
    const bool written =
        options.OverlayTypeRadio == 0 ? write_kml_passages(output, job, warn) : write_kml_lines(output, job, warn);
    EndProgress();
    if (!written) return 1;
    std::printf("KML: %s\n", output.c_str());
    return 0;
  }
  if (gltf) {
    if (splays) options.GLTFSplayChk = true;
    TGltfRequest request;
    request.Format = format == "gltf" ? TGltfFormat::Json : TGltfFormat::Binary;
    request.Coloring = coloring;
    const TGltfCounts counts = write_gltf(output, job, request);
    EndProgress();
    std::printf("glTF: %s (%lld bytes, %lld meshes, %lld triangles, %lld line segments)\n", output.c_str(),
                static_cast<long long>(counts.Bytes), static_cast<long long>(counts.Meshes),
                static_cast<long long>(counts.Triangles), static_cast<long long>(counts.Segments));
    return 0;
  }
  if (format == "dxf")
    write_dxf(output, job);
  else
    write_vrml(output, job);
  EndProgress();
  std::error_code ec;
  const auto size = std::filesystem::file_size(output, ec);
  std::printf("%s: %s (%llu bytes)\n", format == "dxf" ? "DXF" : "VRML", output.c_str(),
              static_cast<unsigned long long>(ec ? 0 : size));
  return 0;
}

}  // namespace lumora::cli
