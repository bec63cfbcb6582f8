// lumora: the cave viewer's window. A plot file named on the command line
// opens at start.

#include <QApplication>

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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

// Whether an X server answers at `display` (null: $DISPLAY). Asked through
// the library Qt's own X platform uses, loaded only here.
bool XServerAnswers(const char* display) {
  void* xcb = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!xcb) return false;
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  const auto connect = reinterpret_cast<Connect>(::dlsym(xcb, "xcb_connect"));
  const auto hasError = reinterpret_cast<HasError>(::dlsym(xcb, "xcb_connection_has_error"));
  const auto disconnect = reinterpret_cast<Disconnect>(::dlsym(xcb, "xcb_disconnect"));
  bool ok = false;
  if (connect && hasError && disconnect) {
    void* c = connect(display, nullptr);
    ok = c && hasError(c) == 0;
    if (c) disconnect(c);
  }
  ::dlclose(xcb);
  return ok;
}

// Whether a Wayland compositor listens at $WAYLAND_DISPLAY.
bool WaylandAnswers() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (!name || !*name) name = "wayland-0";
  std::string path = name;
  if (path.front() != '/') {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return false;
    path = std::string(runtime) + "/" + path;
  }
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) return false;
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

// Whether the window can be shown: Qt's platforms that draw into memory
// only, or into a remote frame buffer, fail deep inside the GL view, and
// an X or Wayland display that does not answer aborts Qt.
bool HasDisplay(int argc, char** argv) {
  std::string platform;
  if (const char* env = std::getenv("QT_QPA_PLATFORM")) platform = env;
  const char* display = nullptr;
  for (int i = 1; i + 1 < argc; ++i) {
    if (!std::strcmp(argv[i], "-platform")) platform = argv[i + 1];
    if (!std::strcmp(argv[i], "-display")) display = argv[i + 1];
  }
  platform = platform.substr(0, platform.find(':'));
  // Qt tries each of a list separated by ';' in turn.
  platform = platform.substr(0, platform.find(';'));
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  const bool x = (display || set("DISPLAY")) && XServerAnswers(display);
  if (platform == "xcb") return x;
  if (platform.starts_with("wayland")) return WaylandAnswers();
  if (!platform.empty()) return false;
  return x || (set("WAYLAND_DISPLAY") && WaylandAnswers());
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
  if (!HasDisplay(argc, argv)) {
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
