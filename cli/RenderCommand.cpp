// lumora-cli render: a picture of a plot file's cave as the window shows it
// after a load, drawn headless through EGL and saved as PNG (or BMP, PPM).

#include <QByteArray>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/core/CaveColors.h"
#include "app/core/CaveOverlays.h"
#include "app/core/CaveViews.h"
#include "app/core/GLCave.h"
#include "app/core/GLSettings.h"
#include "cli/Commands.h"
#include "cli/FontApp.h"
#include "cli/Format.h"
#include "cli/OptionParser.h"
#include "cli/PlotLoad.h"
#include "cli/ViewLoad.h"
#include "model/PlotReader.h"
#include "model/SurveyTree.h"
#include "platform/AtomicFile.h"
#include "viewer/OffscreenViewer.h"
#include "viewer/Picture.h"

namespace lumora::cli {
namespace {

const char* const kUsage =
    "usage: lumora-cli render FILE -o OUT.png [OPTIONS]\n"
    "\n"
    "Loads the plot file FILE as the viewer does and saves the home view:\n"
    "the passage walls, smooth, the rest hidden unless asked for.\n"
    "\n"
    "  -o, --output FILE     picture to write: .png, .bmp or .ppm\n"
    "  --width W             picture width in pixels (1000)\n"
    "  --height H            picture height in pixels (800)\n"
    "  --yaw DEG             turn the cave about the vertical after the home view\n"
    "  --pitch DEG           tilt the cave about the horizontal after the home view\n"
    "  --style wire|flat|smooth  draw style of the walls (smooth)\n"
    "  --depth-colors        colour the walls by depth, red at the top, violet below\n"
    "  --color MODE          colour the walls by depth, date (of the survey, oldest\n"
    "                        red to newest violet, undated grey), survey, or by\n"
    "                        each leg's gradient, length or loop error (of a .3d\n"
    "                        file's traverses; legs in no loop grey)\n"
    "  --surveys PATTERNS    draw only the surveys whose whole name (a .3d file's\n"
    "                        dotted name, a plot file's SECTION|SURVEY) matches\n"
    "                        one of the comma-separated patterns; '*' and '?'\n"
    "                        as wildcards, case aside\n"
    "  --view plan|north|east|south|west  look down, or level along a bearing, with\n"
    "                        the cave fitted to the picture; --yaw and --pitch follow\n"
    "  --overlays            draw the colour key, scale bar, compass and clinometer\n"
    "  --shots               show the shot lines\n"
    "  --splays              show the splay lines\n"
    "  --stations            show the station marks\n"
    "  --labels              show the station names\n"
    "  --box line|passage|both  show the box of the plot, of the walls, or both\n"
    "  --background RRGGBB   background colour, red first (000000)\n";

constexpr int kMaxSide = 16384;

struct TRenderOptions {
  std::string file, output;
  int width = 1000, height = 800;
  double yaw = 0, pitch = 0;
  uint8_t style = 2;
  TWallColoring coloring = TWallColoring::Plain;
  std::string view;
  bool overlays = false;
  TCaveVisibility visibility;
  uint32_t background = 0;
  std::optional<std::string> surveys;
};

// "RRGGBB" as written, red first, to the platform order with red low.
std::optional<uint32_t> ParseColour(std::string text) {
  if (!text.empty() && text[0] == '#') text.erase(0, 1);
  if (text.size() != 6 || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c); }))
    return std::nullopt;
  const uint32_t rgb = static_cast<uint32_t>(std::stoul(text, nullptr, 16));
  return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The picture format from the output's suffix.
const char* PictureFormat(const std::string& output) {
  const std::string suffix = Lower(std::filesystem::path(output).extension().string());
  if (suffix == ".png") return "PNG";
  if (suffix == ".bmp") return "BMP";
  if (suffix == ".ppm") return "PPM";
  return nullptr;
}

// Returns the exit status of a usage error or of --help, or nothing when the options hold.
std::optional<int> ParseOptions(const Args& args, TRenderOptions& o) {
  TOptionParser parser("render", kUsage);
  parser.Operand(o.file, "no plot file given");
  parser.Text({"-o", "--output"}, o.output, "needs a file name");
  const std::string pixels = "takes a whole number of pixels from 1 to " + std::to_string(kMaxSide);
  parser.Whole("--width", o.width, pixels, 1, kMaxSide);
  parser.Whole("--height", o.height, pixels, 1, kMaxSide);
  parser.Number("--yaw", o.yaw, "takes an angle in degrees from -360 to 360", -360, 360);
  parser.Number("--pitch", o.pitch, "takes an angle in degrees from -360 to 360", -360, 360);
  parser.Choice("--style", o.style, {{"wire", 0}, {"flat", 1}, {"smooth", 2}}, "takes wire, flat or smooth");
  std::optional<TBoxMode> box;
  parser.Choice("--box", box, {{"line", TBoxMode::Line}, {"passage", TBoxMode::Passage}, {"both", TBoxMode::Both}},
                "takes line, passage or both");
  parser.Value("--background", [&o](const auto& v, const std::string& name) -> std::string {
    const auto c = v ? ParseColour(*v) : std::nullopt;
    if (!c) return name + " takes a colour as RRGGBB, red first";
    o.background = *c;
    return {};
  });
  parser.Flag("--depth-colors", o.coloring, TWallColoring::Depth);
  parser.Choice("--color", o.coloring,
                {{"depth", TWallColoring::Depth},
                 {"date", TWallColoring::Date},
                 {"survey", TWallColoring::Survey},
                 {"gradient", TWallColoring::Gradient},
                 {"length", TWallColoring::Length},
                 {"error", TWallColoring::Error}},
                "takes depth, date, survey, gradient, length or error");
  parser.Value("--surveys", [&o](const auto& v, const std::string& name) -> std::string {
    if (!v || v->empty()) return name + " needs one or more survey name patterns";
    o.surveys = *v;
    return {};
  });
  parser.Choice("--view", o.view, {"plan", "north", "east", "south", "west"}, "takes plan, north, east, south or west");
  parser.Flag("--overlays", o.overlays);
  parser.Flag("--shots", o.visibility.Shots);
  parser.Flag("--splays", o.visibility.Splays);
  parser.Flag("--stations", o.visibility.Stations);
  parser.Flag("--labels", o.visibility.Labels);
  if (const auto status = parser.Parse(args)) return status;
  if (box) {
    o.visibility.BoxMode = *box;
    o.visibility.Box = true;
  }
  if (o.output.empty()) return UsageError("render", "no output picture given (-o FILE)");
  if (!PictureFormat(o.output)) return UsageError("render", "the output picture must end in .png, .bmp or .ppm");
  return std::nullopt;
}

}  // namespace

int RunRender(const Args& args) {
  TRenderOptions o;
  if (const auto status = ParseOptions(args, o)) return *status;

  auto fonts = o.visibility.Labels ? MakeFontApplication() : nullptr;
  TOffscreenViewer viewer(o.width, o.height);
  viewer.SetScreenColor(o.background);
  const TCaveStyle style;
  TCaveDocument document;
  const std::optional<TCaveScene> loaded = LoadView("render", o.file, viewer, document, style);
  if (!loaded) return 1;
  const TCaveScene& scene = *loaded;
  const TPlotInfo& info = document.Model.PlotInfo;
  // Stations without legs: nothing else would show.
  if (!HasLegs(document.Model)) {
    o.visibility.Stations = o.visibility.Labels = true;
    if (!fonts) fonts = MakeFontApplication();
  }
  // An extended elevation is drawn as an elevation only.
  if (info.ExtendedElevation && (o.view == "plan" || o.yaw != 0 || (!o.view.empty() && o.view != "north"))) {
    ShowLoadWarning("render", "\"" + o.file +
                                  "\" is an extended elevation: it is drawn as an elevation only, without --view "
                                  "and --yaw");
    o.view = "north";
    o.yaw = 0;
  }
  if (o.surveys) {
    if (!PickSurveys("render", document.Model, o.file, *o.surveys, document.ShownSurveys)) return 1;
    RestyleCave(scene, document, style);
  }
  SyncVisibility(scene, o.visibility);
  scene.PassageMesh->SetRenderStyle(o.style);
  if (o.coloring != TWallColoring::Plain) ColorWalls(scene, document.Model, o.coloring, style.WallColor);
  if (!o.view.empty()) {
    if (o.view == "plan")
      SetPlanView(*scene.CaveFrame);
    else
      SetElevationView(*scene.CaveFrame, o.view == "north" ? 0 : o.view == "east" ? 90 : o.view == "south" ? 180 : 270);
    FitView(*scene.CaveFrame, ExtentPoints(scene), o.width, o.height);
  }
  if (o.pitch != 0 || o.yaw != 0) scene.CaveFrame->Rotate(o.pitch, o.yaw, 0);
  if (o.overlays) {
    ReadUnits(document.Units);
    viewer.OnRender = [&](TGLViewerCore& v) {
      TOverlaySwitches shown;
      // An extended elevation's x is no direction on the earth.
      shown.Compass = !info.ExtendedElevation;
      DrawOverlays(OverlayContent(scene, document.Model, document.PassageOptions, o.coloring, document.Units), shown,
                   v.Window.Width, v.Window.Height, o.background);
    };
  }

  ShowProgress("Rendering Image");
  const TBitmap32 picture = viewer.Grab();
  const QByteArray bytes = EncodePicture(picture, PictureFormat(o.output));
  WriteFileAtomically(o.output, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  EndProgress();
  std::printf("%s: %d x %d, %d triangles\n", o.output.c_str(), picture.Width, picture.Height,
              scene.PassageMesh->ColorCount());
  return 0;
}

}  // namespace lumora::cli
