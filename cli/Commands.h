#pragma once
// The subcommands of lumora-cli. Each takes its own arguments (without the
// subcommand's name), prints its results on stdout and its messages on
// stderr, and returns the exit status.

#include <string>
#include <vector>

namespace lumora::cli {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* summary;
  int (*run)(const Args& args);
};

int RunInfo(const Args& args);
int RunDemo(const Args& args);
int RunPassages(const Args& args);
int RunExport(const Args& args);
int RunVolume(const Args& args);
int RunXFile(const Args& args);
int RunRender(const Args& args);
int RunMovie(const Args& args);
int RunRose(const Args& args);
int RunFind(const Args& args);
int RunMeasure(const Args& args);
int RunMap(const Args& args);

// True when args ask for help; prints `usage` then.
bool WantsHelp(const Args& args, const char* usage);
// Prints "lumora-cli <command>: <message>" and the usage hint; returns 2.
int UsageError(const char* command, const std::string& message);
// A progress line on stderr, redrawn in place when stderr is a terminal.
void ShowProgress(const std::string& text);
void EndProgress();

}  // namespace lumora::cli
