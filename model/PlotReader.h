#pragma once
// The plot file reader: the only way plot files enter the survey model.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "model/PlotArray.h"

namespace lumora {

// Survey and feature lines read so far, plot record lines read so far.
using TPlotProgress = std::function<void(int surveyLines, int plotLines)>;
// Shows a warning: a message box in the window, a line on stderr in the CLI.
using TMessageProc = std::function<void(const std::string& text)>;

extern const char* const kOutOfMemoryMessage;

// Metres per foot of the model's lengths, fixed once at start by InitPlotUnits.
double MetresPerFoot();
double FeetPerMetre();
void SetMetresPerFoot(double metres);
// Reads the foot definition from the family's main settings file and makes
// sure the family's settings folder exists.
void InitPlotUnits();

struct TPlotLoadResult {
  bool Ok = true;
  std::string Message;  // the warning shown when Ok is false
  // Set when an end-of-file mark stopped the read before the file's end;
  // the command line shows it, since half a cave may be missing.
  std::string Warning;
};

// Empties the model and reads the file into it. On failure the warning goes
// to `warn` (when given) and into the result; the records read so far stay.
TPlotLoadResult LoadPlotFile(TPlotModel& model, const std::string& fileName, const TPlotProgress& progress = {},
                             const TMessageProc& warn = {});

// The same reading over text already in memory; `fileName` is recorded in
// the model as the file's name.
TPlotLoadResult LoadPlotText(TPlotModel& model, std::string_view text, const std::string& fileName,
                             const TPlotProgress& progress = {}, const TMessageProc& warn = {});

// What every reader does once a file has been read to its end: depth range,
// first position, centre, the default section and the loaded mark.
void SetEndOfLoadValues(TPlotModel& model);
// A load that gave no plot records at all (an empty file, binary data,
// another format) fails, whichever reader ran: nothing could be shown or
// written from it. Returns `loaded` otherwise.
TPlotLoadResult RequirePlotRecords(const TPlotModel& model, TPlotLoadResult loaded);
// Whether the model has legs ('D' or 'd' records): a file of fixed points
// has stations only.
bool HasLegs(const TPlotModel& model);
// For what needs legs: fails a loaded model of stations without legs with
// "FILE" holds stations but no legs: `what`. Returns `loaded` otherwise.
TPlotLoadResult RequireLegs(const TPlotModel& model, TPlotLoadResult loaded,
                            const std::string& what = "there are no passages to build");

struct TPlotLineCounts {
  int DrawCount = 0;  // lines starting with 'D'
  int MoveCount = 0;  // twice the lines starting with 'M'
};
// Throws std::runtime_error naming the file when it cannot be read.
TPlotLineCounts CountPlotLines(const std::string& fileName);
TPlotLineCounts CountPlotLinesInText(std::string_view text);

// True when the plot gave a UTM zone or a coordinate system that PROJ
// places; otherwise warns first.
bool CheckGeoreference(const TPlotModel& model, const TMessageProc& warn, const std::string& extraLine = {});
std::string GeoreferenceWarning(const std::string& extraLine = {});

}  // namespace lumora
