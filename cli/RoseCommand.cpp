// lumora-cli rose: the shots of a plot file counted by depth layer and
// bearing petal, as a table, as JSON, or drawn as the rose diagram seen
// from above and saved as a picture.

#include <QByteArray>

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/core/GLCave.h"
#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/OptionParser.h"
#include "cli/PlotLoad.h"
#include "document/CaveDocument.h"
#include "model/PlotReader.h"
#include "model/WorkingUnits.h"
#include "platform/AtomicFile.h"
#include "rose/GLRose.h"
#include "viewer/OffscreenViewer.h"
#include "viewer/Picture.h"

namespace lumora::cli {
namespace {

const char* const kUsage =
    "usage: lumora-cli rose FILE [OPTIONS]\n"
    "\n"
    "Counts the shots of the plot file FILE (splays and excluded shots left\n"
    "out) into depth layers by bearing petals, as the rose diagram does, and\n"
    "prints one line per petal: its bearing range and its total over all\n"
    "layers. Lengths are in feet.\n"
    "\n"
    "  --petals N            bearing sectors, 4 to 360 (36)\n"
    "  --layers N            depth layers, 1 to 180 (24)\n"
    "  --type 360|180|flow   360 degree rose, 180 degree rose (opposite\n"
    "                        bearings together) or water flow (rising shots\n"
    "                        turned round) (360)\n"
    "  --frequency           count each shot once instead of by its length\n"
    "  --horizontal          weigh by horizontal instead of slope length\n"
    "  --min-length FT       leave out shots shorter than this (0)\n"
    "  --json                print one JSON object: petals, layers, maximum,\n"
    "                        top, bottom, cells (layers + 1 rows of petals + 1\n"
    "                        counts, row 0 the lowest layer; the last row and\n"
    "                        column are counted but not drawn), shots_counted\n"
    "  --png OUT.png         also draw the rose seen from above on its dial\n"
    "  --width W, --height H size of the picture in pixels (800 x 800)\n";

// A dial needs no poster size; a bigger picture only costs memory.
constexpr int kMaxSide = 4096;

struct TRoseCommand {
  std::string file, png;
  int petals = 36, layers = 24, width = 800, height = 800;
  TRoseOptions options;
  bool json = false;
};

// Returns the exit status of a usage error or of --help, or nothing when the options hold.
std::optional<int> ParseOptions(const Args& args, TRoseCommand& o) {
  TOptionParser parser("rose", kUsage);
  parser.Operand(o.file, "no plot file given");
  parser.Whole("--petals", o.petals, "takes a whole number from 4 to 360", kMinRosePetals, kMaxRosePetals);
  parser.Whole("--layers", o.layers, "takes a whole number from 1 to 180", kMinRoseLayers, kMaxRoseLayers);
  const std::string pixels = "takes a whole number of pixels from 1 to " + std::to_string(kMaxSide);
  parser.Whole("--width", o.width, pixels, 1, kMaxSide);
  parser.Whole("--height", o.height, pixels, 1, kMaxSide);
  parser.Choice("--type", o.options.RoseType,
                {{"360", TRoseType::Rose360}, {"180", TRoseType::Rose180}, {"flow", TRoseType::WaterFlow}},
                "takes 360, 180 or flow");
  parser.Number("--min-length", o.options.MinLength, "takes a length in feet, 0 or more", 0);
  parser.Flag("--frequency", o.options.GraphBy, TGraphBy::Frequency);
  parser.Flag("--horizontal", o.options.SlopeLength, false);
  parser.Flag("--json", o.json);
  parser.Text("--png", o.png, "needs a file name");
  return parser.Parse(args);
}

std::string Json(const TRoseGrid& g) {
  std::string out = "{\n";
  out += "  \"petals\": " + std::to_string(g.petals) + ",\n";
  out += "  \"layers\": " + std::to_string(g.layers) + ",\n";
  out += "  \"maximum\": " + JsonNumber(g.maximum) + ",\n";
  out += "  \"top\": " + JsonNumber(g.top) + ",\n";
  out += "  \"bottom\": " + JsonNumber(g.bottom) + ",\n";
  out += "  \"cells\": [";
  for (int row = 0; row <= g.layers; ++row) {
    out += row ? ",\n    [" : "\n    [";
    for (int column = 0; column <= g.petals; ++column) {
      if (column) out += ", ";
      out += std::to_string(g.Cell(row, column));
    }
    out += "]";
  }
  out += "\n  ],\n";
  out += "  \"shots_counted\": " + std::to_string(g.counted) + "\n}\n";
  return out;
}

void PrintTable(const TRoseGrid& g) {
  std::printf("Petals: %d  Layers: %d  Top: %s ft  Bottom: %s ft  Maximum: %s  Shots counted: %lld\n", g.petals,
              g.layers, FixedText(g.top, 1).c_str(), FixedText(g.bottom, 1).c_str(), FixedText(g.maximum, 0).c_str(),
              static_cast<long long>(g.counted));
  std::printf("%9s %9s %12s\n", "From deg", "To deg", "Total");
  const double w = 360.0 / g.petals;
  // Each total takes every counted row, the top elevation's included.
  auto total = [&](int column) {
    long long sum = 0;
    for (int row = 0; row <= g.layers; ++row) sum += g.Cell(row, column);
    return sum;
  };
  for (int j = 0; j < g.petals; ++j)
    std::printf("%9s %9s %12lld\n", FixedText(j * w, 1).c_str(), FixedText((j + 1) * w, 1).c_str(), total(j));
  if (const long long folded = total(g.petals)) std::printf("%9s %9s %12lld\n", "360.0", "(folded)", folded);
}

// The rose as the dialog's Face Up view shows it, base on, drawn headless.
void SavePicture(TGLRose& rose, const TCaveDocument& document, const TRoseCommand& o) {
  TOffscreenViewer viewer(o.width, o.height);
  const TCaveScene scene = CreateSceneObjects(viewer);
  SetDefaultRendering(*scene.Rose, viewer, true);
  SetDefaultRendering(*scene.RoseBase, viewer, true);
  scene.CaveFrame->Visible = false;
  const TRoseObjects objects{scene.RoseFrame, scene.Rose, scene.RoseBase, scene.RoseGrid};
  scene.RoseFrame->HomePosition.z = RoseFitPosition(o.width, o.height, viewer.Camera.Eye.z);
  rose.Created = false;
  rose.BuildRose(objects, document.Model, document.Units, o.layers, o.petals, true);
  TGLRose::FaceUp(objects);
  scene.RoseFrame->Visible = scene.RoseBase->Visible = scene.RoseGrid->Visible = true;

  const TBitmap32 picture = viewer.Grab();
  const QByteArray bytes = EncodePicture(picture, "PNG");
  WriteFileAtomically(o.png, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace

int RunRose(const Args& args) {
  TRoseCommand o;
  if (const auto status = ParseOptions(args, o)) return *status;

  TCaveDocument document;
  TPlotModel& model = document.Model;
  const TPlotLoadResult loaded =
      RequireLegs(model, LoadPlotForCommand("rose", model, o.file), "there are no shots for a rose diagram");
  if (!loaded.Ok) {
    std::fprintf(stderr, "lumora-cli rose: %s\n", loaded.Message.c_str());
    return 1;
  }

  TGLRose rose;
  rose.Options = o.options;
  rose.OnProgress = [](int percent) { ShowProgress("Rose: " + std::to_string(percent) + "%"); };
  if (o.png.empty())
    BinShots(rose.Grid, model, o.layers, o.petals, rose.Options, rose.OnProgress);
  else
    SavePicture(rose, document, o);
  EndProgress();

  if (o.json)
    std::fputs(Json(rose.Grid).c_str(), stdout);
  else
    PrintTable(rose.Grid);
  if (!o.png.empty() && !o.json) std::printf("Picture: %s (%d x %d)\n", o.png.c_str(), o.width, o.height);
  if (rose.Empty()) std::fprintf(stderr, "lumora-cli rose: no shot counted, the rose is empty\n");
  return 0;
}

}  // namespace lumora::cli
