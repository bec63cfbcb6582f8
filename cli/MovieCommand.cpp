// lumora-cli movie: a turntable flight round a plot file's cave, drawn
// headless frame by frame and written as AVI video by the window's writer.

#include <cstdio>
#include <optional>
#include <string>

#include "app/core/CaveColors.h"
#include "app/core/GLCave.h"
#include "app/core/GLSettings.h"
#include "capture/GLCapture.h"
#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/OptionParser.h"
#include "cli/ViewLoad.h"
#include "viewer/OffscreenViewer.h"

namespace lumora::cli {
namespace {

const char* const kUsage =
    "usage: lumora-cli movie FILE -o OUT.avi [OPTIONS]\n"
    "\n"
    "Loads the plot file FILE as the viewer does and records the home view\n"
    "turning about the vertical, one step a frame, as an AVI video of\n"
    "uncompressed frames that ordinary video players play. The first frame\n"
    "is the picture 'lumora-cli render' draws with the same options.\n"
    "\n"
    "  -o, --output FILE     video to write (.avi)\n"
    "  --frames N            frames to record (180)\n"
    "  --fps F               frames per second (18)\n"
    "  --yaw-step DEG        turn per frame, as render's --yaw (2)\n"
    "  --pitch DEG           tilt the cave after the home view, as render's --pitch\n"
    "  --width W             frame width in pixels (640)\n"
    "  --height H            frame height in pixels (480)\n"
    "  --depth-colors        colour the walls by depth, red at the top, violet below\n";

// Players and their decoders stop at 4K frames (4096 pixels a side).
constexpr int kMaxSide = 4096;

struct TMovieOptions {
  std::string file, output;
  int frames = 180, fps = 18;
  double yawStep = 2, pitch = 0;
  int width = 640, height = 480;
  bool depthColors = false;
};

// Returns the exit status of a usage error or of --help, or nothing when the options hold.
std::optional<int> ParseOptions(const Args& args, TMovieOptions& o) {
  TOptionParser parser("movie", kUsage);
  parser.Operand(o.file, "no plot file given");
  parser.Text({"-o", "--output"}, o.output, "needs a file name");
  parser.Whole("--frames", o.frames, "takes a whole number from 1 to 1000000", 1, 1000000);
  parser.Whole("--fps", o.fps, "takes a whole number from 1 to 1000", 1, 1000);
  const std::string pixels = "takes a whole number of pixels from 1 to " + std::to_string(kMaxSide);
  parser.Whole("--width", o.width, pixels, 1, kMaxSide);
  parser.Whole("--height", o.height, pixels, 1, kMaxSide);
  parser.Number("--yaw-step", o.yawStep, "takes an angle in degrees from -360 to 360", -360, 360);
  parser.Number("--pitch", o.pitch, "takes an angle in degrees from -360 to 360", -360, 360);
  parser.Flag("--depth-colors", o.depthColors);
  if (const auto status = parser.Parse(args)) return status;
  if (o.output.empty()) return UsageError("movie", "no output video given (-o FILE)");
  return std::nullopt;
}

}  // namespace

int RunMovie(const Args& args) {
  TMovieOptions o;
  if (const auto status = ParseOptions(args, o)) return *status;

  TOffscreenViewer viewer(o.width, o.height);
  const TCaveStyle style;
  TCaveDocument document;
  const std::optional<TCaveScene> loaded = LoadView("movie", o.file, viewer, document, style, true);
  if (!loaded) return 1;
  const TCaveScene& scene = *loaded;
  SyncVisibility(scene, {});
  if (o.depthColors) ColorWalls(scene, document.Model, TWallColoring::Depth, style.WallColor);
  // Turned as render turns, so frame k is render's --yaw k x step.
  if (o.pitch != 0) scene.CaveFrame->Rotate(o.pitch, 0, 0);

  TVideoCapture video;
  video.Open(o.output, o.width, o.height, o.fps, CaptureQuality(TCaptureOptions{}.Compression));
  for (int frame = 0; frame < o.frames; ++frame) {
    ShowProgress("Frame " + std::to_string(frame + 1) + " of " + std::to_string(o.frames));
    if (frame > 0) scene.CaveFrame->Rotate(0, o.yawStep, 0);
    video.WriteFrame(viewer.Grab());
  }
  ShowProgress("Closing the video");
  video.Close();
  EndProgress();
  std::printf("%s: %d frames, %d x %d, %d frames per second, %s s\n", o.output.c_str(), o.frames, o.width, o.height,
              o.fps, FixedText(static_cast<double>(o.frames) / o.fps, 1).c_str());
  return 0;
}

}  // namespace lumora::cli
