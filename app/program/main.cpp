// lumora: the cave viewer's window. A plot file named on the command line
// opens at start.

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/GLMain.h"
#include "model/PlotReader.h"

namespace {

const char kUsage[] =
    "usage: lumora [OPTIONS] [PLOTFILE]\n"
    "\n"
    "Shows a cave survey in 3D. PLOTFILE, a plot file (.plt or .plf) or a Survex\n"
    ".3d file, opens at start; survey files can also be opened from the File\n"
    "menu or dropped on the window.\n"
    "\n"
    "options:\n"
    "  -h, --help     show this text and exit\n"
    "  --version      show the program's version and exit\n"
    "\n"
    "Qt's own options (-platform, -display, ...) are accepted too.\n"
    "'lumora-cli --help' lists the jobs that need no window.\n";

// Qt's platforms that draw into memory only: the window's GL view needs a
// real display, and would fail on them deep inside.
bool NeedsDisplay(int argc, char** argv) {
  std::string platform;
  if (const char* env = std::getenv("QT_QPA_PLATFORM")) platform = env;
  for (int i = 1; i + 1 < argc; ++i)
    if (!std::strcmp(argv[i], "-platform")) platform = argv[i + 1];
  platform = platform.substr(0, platform.find(':'));
  if (platform == "offscreen" || platform == "minimal" || platform == "minimalegl") return true;
  if (!platform.empty()) return false;  // the user's choice of a display
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  return !set("DISPLAY") && !set("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before the window system is reached, so they work without a
  // display.
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!std::strcmp(argv[i], "--version")) {
      std::printf("lumora %s\n", LUMORA_VERSION);
      return 0;
    }
  }
  if (NeedsDisplay(argc, argv)) {
    std::fputs(
        "lumora: the window needs a display (an X11 or Wayland session).\n"
        "'lumora-cli render' draws a cave's picture without one; 'lumora-cli --help' lists the other jobs.\n",
        stderr);
    return 1;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Lumora");
  QApplication::setApplicationVersion(LUMORA_VERSION);
  QApplication::setDesktopFileName("lumora");

  // Qt has taken its own options out of argv by now.
  QString plotFile;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i].startsWith('-')) {
      std::fprintf(stderr, "lumora: unknown option '%s'\nTry 'lumora --help'.\n", args[i].toLocal8Bit().constData());
      return 2;
    }
    if (!plotFile.isEmpty()) {
      std::fprintf(stderr, "lumora: only one plot file can be opened\nTry 'lumora --help'.\n");
      return 2;
    }
    plotFile = args[i];
  }

  lumora::InitPlotUnits();
  lumora::TForm1 window;
  window.show();
  if (!plotFile.isEmpty()) window.LoadCave(plotFile);
  return app.exec();
}
