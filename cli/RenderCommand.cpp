// lumora-cli render: a picture of a plot file's cave as the window shows it
// after a load, drawn headless through EGL and saved as PNG (or BMP, PPM).

#include <QByteArray>
#include <QGuiApplication>

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
#include "cli/Format.h"
#include "cli/ViewLoad.h"
#include "model/PlotReader.h"
#include "platform/AtomicFile.h"
#include "viewer/OffscreenViewer.h"
#include "viewer/Picture.h"
#include "viewer/QtGlyphSource.h"

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
    "                        red to newest violet, undated grey) or survey\n"
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

// Returns the exit status of a usage error, or nothing when the options hold.
std::optional<int> ParseOptions(const Args& args, TRenderOptions& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    auto number = [&](double min, double max) -> std::optional<double> {
      const auto v = value();
      const auto n = v ? ParseNumber(*v) : std::nullopt;
      if (!n || *n < min || *n > max) return std::nullopt;
      return n;
    };
    if (a == "-o" || a == "--output") {
      const auto v = value();
      if (!v || v->empty()) return UsageError("render", a + " needs a file name");
      o.output = *v;
    } else if (a == "--width" || a == "--height") {
      const auto n = number(1, kMaxSide);
      if (!n || *n != static_cast<int>(*n))
        return UsageError("render", a + " takes a whole number of pixels from 1 to " + std::to_string(kMaxSide));
      (a == "--width" ? o.width : o.height) = static_cast<int>(*n);
    } else if (a == "--yaw" || a == "--pitch") {
      const auto n = number(-360, 360);
      if (!n) return UsageError("render", a + " takes an angle in degrees from -360 to 360");
      (a == "--yaw" ? o.yaw : o.pitch) = *n;
    } else if (a == "--style") {
      const auto v = value();
      if (v == "wire") o.style = 0;
      else if (v == "flat") o.style = 1;
      else if (v == "smooth") o.style = 2;
      else return UsageError("render", "--style takes wire, flat or smooth");
    } else if (a == "--box") {
      const auto v = value();
      if (v == "line") o.visibility.BoxMode = TBoxMode::Line;
      else if (v == "passage") o.visibility.BoxMode = TBoxMode::Passage;
      else if (v == "both") o.visibility.BoxMode = TBoxMode::Both;
      else return UsageError("render", "--box takes line, passage or both");
      o.visibility.Box = true;
    } else if (a == "--background") {
      const auto v = value();
      const auto c = v ? ParseColour(*v) : std::nullopt;
      if (!c) return UsageError("render", "--background takes a colour as RRGGBB, red first");
      o.background = *c;
    } else if (a == "--depth-colors") {
      o.coloring = TWallColoring::Depth;
    } else if (a == "--color") {
      const auto v = value();
      if (v == "depth") o.coloring = TWallColoring::Depth;
      else if (v == "date") o.coloring = TWallColoring::Date;
      else if (v == "survey") o.coloring = TWallColoring::Survey;
      else return UsageError("render", "--color takes depth, date or survey");
    } else if (a == "--view") {
      const auto v = value();
      if (!v || (*v != "plan" && *v != "north" && *v != "east" && *v != "south" && *v != "west"))
        return UsageError("render", "--view takes plan, north, east, south or west");
      o.view = *v;
    } else if (a == "--overlays") {
      o.overlays = true;
    } else if (a == "--shots") {
      o.visibility.Shots = true;
    } else if (a == "--splays") {
      o.visibility.Splays = true;
    } else if (a == "--stations") {
      o.visibility.Stations = true;
    } else if (a == "--labels") {
      o.visibility.Labels = true;
    } else if (!a.empty() && a[0] == '-') {
      return UsageError("render", "unknown option '" + a + "'");
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      return UsageError("render", "more than one file given");
    }
  }
  if (o.file.empty()) return UsageError("render", "no plot file given");
  if (o.output.empty()) return UsageError("render", "no output picture given (-o FILE)");
  if (!PictureFormat(o.output)) return UsageError("render", "the output picture must end in .png, .bmp or .ppm");
  return std::nullopt;
}

// Labels draw system-font glyphs, which need Qt's font database and so an
// application object; without a display the offscreen platform serves.
std::unique_ptr<QGuiApplication> MakeFontApplication() {
  if (QGuiApplication::instance()) return nullptr;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "lumora-cli";
  static char* argv[] = {name, nullptr};
  auto app = std::make_unique<QGuiApplication>(argc, argv);
  InstallQtGlyphSource();
  return app;
}

}  // namespace

int RunRender(const Args& args) {
  if (WantsHelp(args, kUsage)) return 0;
  TRenderOptions o;
  if (const auto status = ParseOptions(args, o)) return *status;

  const auto fonts = o.visibility.Labels ? MakeFontApplication() : nullptr;
  TOffscreenViewer viewer(o.width, o.height);
  viewer.SetScreenColor(o.background);
  const TCaveStyle style;
  const std::optional<TCaveScene> loaded = LoadView("render", o.file, viewer, style);
  if (!loaded) return 1;
  const TCaveScene& scene = *loaded;
  SyncVisibility(scene, o.visibility);
  scene.PassageMesh->SetRenderStyle(o.style);
  if (o.coloring != TWallColoring::Plain) ColorWalls(scene, PlotModel(), o.coloring, style.WallColor);
  if (!o.view.empty()) {
    if (o.view == "plan") SetPlanView(*scene.CaveFrame);
    else SetElevationView(*scene.CaveFrame, o.view == "north" ? 0 : o.view == "east" ? 90 : o.view == "south" ? 180 : 270);
    FitView(*scene.CaveFrame, ExtentPoints(scene), o.width, o.height);
  }
  if (o.pitch != 0 || o.yaw != 0) scene.CaveFrame->Rotate(o.pitch, o.yaw, 0);
  if (o.overlays) {
    ReadUnits();
    viewer.OnRender = [&](TGLViewerCore& v) {
      DrawOverlays(OverlayContent(scene, PlotModel(), PassageOptions(), o.coloring, WorkingUnits()), {},
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
