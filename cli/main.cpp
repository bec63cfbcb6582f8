// lumora-cli: every job of the viewer that needs no person, from the shell.

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

#include "cli/Commands.h"
#include "model/PlotReader.h"
#include "platform/AtomicFile.h"

namespace lumora::cli {
namespace {

const Command kCommands[] = {
    {"info", "show what a plot file holds", RunInfo},
    {"demo", "write a synthetic demo cave as a plot file", RunDemo},
    {"passages", "build the passage walls; volume, bounds, STL and OBJ", RunPassages},
    {"export", "write a DXF drawing, a VRML world, shapefiles, KML or glTF", RunExport},
    {"volume", "layers, rock and cave volume, porosity; volume report", RunVolume},
    {"xfile", "X files: what one holds; convert an X or plot file to an X file", RunXFile},
    {"render", "draw a plot file's cave headless and save the picture", RunRender},
    {"movie", "record a turntable flight round a plot file's cave as AVI video", RunMovie},
    {"rose", "shots by depth and bearing: the rose diagram's counts and picture", RunRose},
    {"find", "stations whose names match a pattern, with their positions", RunFind},
    {"measure", "distance, bearing and gradient between two stations", RunMeasure},
};

void PrintUsage(std::FILE* out) {
  std::fprintf(out, "usage: lumora-cli COMMAND [ARGS]\n       lumora-cli --help | --version\n\ncommands:\n");
  for (const Command& c : kCommands) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
  std::fprintf(out, "\n'lumora-cli COMMAND --help' describes a command.\n");
}

// Output lost on a full disk or past a file-size limit is a failure.
int CheckedStdout(const char* command, int status) {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
  const int err = errno != 0 ? errno : EIO;
  EndProgress();
  std::fprintf(stderr, "lumora-cli%s%s: Cannot write standard output: %s\n", *command ? " " : "", command,
               std::strerror(err));
  return 1;
}

}  // namespace

bool WantsHelp(const Args& args, const char* usage) {
  for (const auto& a : args)
    if (a == "--help" || a == "-h") {
      std::fputs(usage, stdout);
      return true;
    }
  return false;
}

int UsageError(const char* command, const std::string& message) {
  std::fprintf(stderr, "lumora-cli %s: %s\nTry 'lumora-cli %s --help'.\n", command, message.c_str(), command);
  return 2;
}

static bool gProgressShown = false;

void ShowProgress(const std::string& text) {
  static const bool kTerminal = isatty(fileno(stderr));
  if (!kTerminal) return;
  std::fprintf(stderr, "\r%s\033[K", text.c_str());
  gProgressShown = true;
}

void EndProgress() {
  if (gProgressShown) std::fputs("\r\033[K", stderr);
  gProgressShown = false;
}

}  // namespace lumora::cli

int main(int argc, char** argv) {
  using namespace lumora::cli;
  lumora::InstallWriterSignals();
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  const std::string first = argv[1];
  if (first == "--help" || first == "-h") {
    PrintUsage(stdout);
    return CheckedStdout("", 0);
  }
  if (first == "--version") {
    std::printf("lumora-cli %s\n", LUMORA_VERSION);
    return CheckedStdout("", 0);
  }
  lumora::InitPlotUnits();
  Args args(argv + 2, argv + argc);
  for (const Command& c : kCommands)
    if (first == c.name) {
      try {
        return CheckedStdout(c.name, c.run(args));
      } catch (const std::bad_alloc&) {
        EndProgress();
        std::fprintf(stderr, "lumora-cli %s: out of memory\n", c.name);
        CheckedStdout(c.name, 1);
        return 1;
      } catch (const std::exception& e) {
        EndProgress();
        std::fprintf(stderr, "lumora-cli %s: %s\n", c.name, e.what());
        CheckedStdout(c.name, 1);
        return 1;
      }
    }
  std::fprintf(stderr, "lumora-cli: unknown command '%s'\n", first.c_str());
  PrintUsage(stderr);
  return 2;
}
