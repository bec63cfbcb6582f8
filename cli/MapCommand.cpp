// lumora-cli map: the cave as a map on paper, to scale, as SVG or PDF.

#include <cstdio>
#include <string>

#include "app/core/GLCave.h"
#include "app/core/GLSettings.h"
#include "cli/Commands.h"
#include "cli/FontApp.h"
#include "cli/OptionParser.h"
#include "cli/PlotLoad.h"
#include "document/CaveDocument.h"
#include "geometry/NumberText.h"
#include "map/MapFile.h"

namespace lumora::cli {
namespace {

const char* const kUsage =
    "usage: lumora-cli map FILE -o OUT.svg|OUT.pdf [OPTIONS]\n"
    "\n"
    "Draws the cave of the plot or .3d file FILE as a map on paper: the passage\n"
    "outline filled, the centreline, station marks, entrances, a grid in the\n"
    "cave's coordinates, a scale bar, a north arrow (the view's bearing on an\n"
    "elevation), the colour key and a title block. The SVG is sized in\n"
    "millimetres with one group per layer (grid, walls, centreline, stations,\n"
    "labels, legend).\n"
    "\n"
    "  -o, --output FILE     map to write: .svg or .pdf\n"
    "  --view plan|north|east|south|west  a plan, or an elevation looking along\n"
    "                        a bearing (plan); an extended elevation is drawn as one\n"
    "  --scale N             draw at 1:N; without it the cave fits the paper at a\n"
    "                        round scale\n"
    "  --paper A4|A3|A2|A1|A0  paper size (A4 when fitting; with --scale the\n"
    "                        smallest that holds the cave, or a page cut to it)\n"
    "  --landscape           lay the paper on its side\n"
    "  --grid LENGTH         grid spacing in the map's units (a round one)\n"
    "  --labels              name the stations, thinned so that none overlap\n"
    "  --color MODE          colour the passages by depth, date or survey\n"
    "  --surveys PATTERNS    draw only the surveys whose whole name matches one of\n"
    "                        the comma-separated patterns, as render does\n"
    "  --title TEXT          title of the map (the file's title or name)\n"
    "  --metres, --feet      units of the grid and scale bar (the working units)\n";

struct TMapCommandOptions {
  std::string file, output, view = "plan";
  TMapOptions map;
  std::string surveys;
  bool metres = false, feet = false;
};

std::optional<int> ParseOptions(const Args& args, TMapCommandOptions& o) {
  TOptionParser parser("map", kUsage);
  parser.Operand(o.file, "no plot file given");
  parser.Text({"-o", "--output"}, o.output, "needs a file name");
  parser.Choice("--view", o.view, {"plan", "north", "east", "south", "west"}, "takes plan, north, east, south or west");
  parser.Number("--scale", o.map.Page.Scale, "takes the scale's number N of 1:N, from 1 to 10000000", 1, 1e7);
  parser.Choice("--paper", o.map.Page.Paper, {"A4", "A3", "A2", "A1", "A0", "a4", "a3", "a2", "a1", "a0"},
                "takes A4, A3, A2, A1 or A0");
  parser.Flag("--landscape", o.map.Page.Landscape);
  parser.Number("--grid", o.map.Grid, "takes a spacing above 0", 1e-6, 1e9);
  parser.Flag("--labels", o.map.Labels);
  parser.Choice("--color", o.map.Coloring,
                {{"depth", TWallColoring::Depth}, {"date", TWallColoring::Date}, {"survey", TWallColoring::Survey}},
                "takes depth, date or survey");
  parser.Text("--surveys", o.surveys, "needs one or more survey name patterns");
  parser.Text("--title", o.map.Title, "needs a text");
  parser.Flag({"--metres", "--meters"}, o.metres);
  parser.Flag("--feet", o.feet);
  if (const auto status = parser.Parse(args)) return status;
  if (o.output.empty()) return UsageError("map", "no output map given (-o FILE)");
  const std::string suffix = o.output.size() >= 4 ? o.output.substr(o.output.size() - 4) : "";
  if (suffix != ".svg" && suffix != ".pdf" && suffix != ".SVG" && suffix != ".PDF")
    return UsageError("map", "the output map must end in .svg or .pdf");
  if (o.metres && o.feet) return UsageError("map", "--metres and --feet exclude each other");
  return std::nullopt;
}

TMapView ViewOf(const std::string& word) {
  if (word == "north") return TMapView::North;
  if (word == "east") return TMapView::East;
  if (word == "south") return TMapView::South;
  if (word == "west") return TMapView::West;
  return TMapView::Plan;
}

}  // namespace

int RunMap(const Args& args) {
  TMapCommandOptions o;
  if (const auto status = ParseOptions(args, o)) return *status;
  auto fonts = MakeFontApplication();
  TCaveDocument document;
  const TPlotLoadResult loaded = LoadPlotForCommand("map", document.Model, o.file);
  if (!loaded.Ok) {
    std::fprintf(stderr, "lumora-cli map: %s\n", loaded.Message.c_str());
    return 1;
  }
  if (!o.surveys.empty() && !PickSurveys("map", document.Model, o.file, o.surveys, o.map.ShownSurveys)) return 1;
  o.map.View = ViewOf(o.view);
  if (document.Model.PlotInfo.ExtendedElevation && o.view != "plan" && o.view != "north")
    ShowLoadWarning("map", "\"" + o.file + "\" is an extended elevation: it is drawn as one, without --view");
  ReadUnits(document.Units);
  o.map.Feet = o.feet || (!o.metres && document.Units.UnitsFeet);
  ApplyMeshOptions(TCaveMeshSettings{}, document.PassageOptions);

  ShowProgress("Drawing the map");
  const TMapContent map = MakeMapContent(document.Model, document.PassageOptions, o.map);
  for (const std::string& w : map.Warnings) ShowLoadWarning("map", w);
  std::string title = o.map.Title.empty() ? document.Model.PlotInfo.Title : o.map.Title;
  if (title.empty()) title = o.file;
  WriteMapFile(o.output, map, title);
  EndProgress();
  std::printf("%s: %s, 1:%s, %s x %s mm, %lld legs\n", o.output.c_str(),
              map.Page.PaperName == "custom"
                  ? "page cut to the map"
                  : (map.Page.PaperName + (map.Page.Landscape ? " landscape" : " portrait")).c_str(),
              FixedText(map.Page.Scale, 0).c_str(), FixedText(map.Page.Width, 0).c_str(),
              FixedText(map.Page.Height, 0).c_str(), static_cast<long long>(map.Shots));
  return 0;
}

}  // namespace lumora::cli
