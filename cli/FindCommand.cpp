// lumora-cli find and measure: stations by name, and the distance between two.

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/OptionParser.h"
#include "cli/PlotLoad.h"
#include "document/CaveDocument.h"
#include "model/PlotReader.h"
#include "model/StationIndex.h"

namespace lumora::cli {
namespace {

const char* const kFindUsage =
    "usage: lumora-cli find FILE PATTERN [--json] [--metres]\n"
    "\n"
    "Prints the stations of the plot or .3d file FILE whose names match\n"
    "PATTERN, one a line: name, survey, x, y, z (feet, or metres with --metres)\n"
    "and the station's other names (aliases). Names are whole, as a Survex\n"
    "station's full dotted name; a station is found under any of its names.\n"
    "Case does not matter; '*' matches any run of characters and '?' any one.\n"
    "A PATTERN without them is found anywhere in the names (\"bg1\" finds\n"
    "\"easegill.bg1.4\"), as the window's find box does: stations of that whole\n"
    "name first, then those whose name ends in it after a separator\n"
    "(\"rumblinghole.entrance\"), then the rest. A name met at several places\n"
    "is listed once for each. --json prints an\n"
    "array of objects with name, aliases, survey, section and position. Exit\n"
    "status 1 when nothing matches or the file cannot be read.\n";

const char* const kMeasureUsage =
    "usage: lumora-cli measure FILE FROM TO [--json] [--metres]\n"
    "\n"
    "Measures from station FROM to station TO of the plot file FILE: the\n"
    "distance, its horizontal and vertical parts (feet, or metres with\n"
    "--metres), the bearing (degrees from north, clockwise) and the gradient\n"
    "(degrees above the horizontal). A name is a station's whole name (or an\n"
    "alias), or the end of one after a separator when only one station's name\n"
    "ends so, without regard to case; a name that is unknown or found at\n"
    "several places is an error (exit status 1) that lists what was found.\n";

struct Parsed {
  std::vector<std::string> operands;
  bool json = false;
  bool metres = false;
};

// Returns the exit status of a usage error or of --help, or nothing when the arguments hold.
std::optional<int> Parse(const char* command, const char* usage, const Args& args, size_t operands, Parsed& out) {
  TOptionParser parser(command, usage);
  parser.Operands(out.operands, operands);
  parser.DashOperands();
  parser.Flag("--json", out.json);
  parser.Flag({"--metres", "--meters"}, out.metres);
  return parser.Parse(args);
}

// The index points into the model, which must outlive it.
bool Load(const char* command, const std::string& file, TPlotModel& model, TStationIndex& index) {
  const TPlotLoadResult loaded = LoadPlotForCommand(command, model, file);
  if (!loaded.Ok) {
    std::fprintf(stderr, "lumora-cli %s: %s\n", command, loaded.Message.c_str());
    return false;
  }
  index.Build(model);
  return true;
}

std::string StationJson(const TStationIndex& index, int e, double k) {
  std::string aliases;
  for (const std::string& a : index.Aliases(e)) aliases += (aliases.empty() ? "" : ", ") + JsonString(a);
  return "{\"name\": " + JsonString(index.Name(e)) + ", \"aliases\": [" + aliases +
         "], \"survey\": " + JsonString(index.SurveyName(e)) + ", \"section\": " + JsonString(index.SectionName(e)) +
         ", \"position\": " + JsonVector(Scale(index.Entry(e).Position, k)) + "}";
}

// Name and survey padded to 20 columns, as far as they fit.
std::string Padded(std::string text) {
  if (text.size() < 20) text.resize(20, ' ');
  return text;
}

std::string StationLine(const TStationIndex& index, int e, double k) {
  std::string line = Padded(index.Name(e)) + " " + Padded(std::string(index.SurveyName(e))) + " " +
                     VectorText(Scale(index.Entry(e).Position, k), 2);
  const std::vector<std::string> aliases = index.Aliases(e);
  for (size_t i = 0; i < aliases.size(); ++i) line += (i ? ", " : "  also ") + aliases[i];
  return line;
}

// The one station of that name, or -1 after saying why there is none.
int OneStation(const TStationIndex& index, const std::string& name, double k) {
  std::vector<int> found;
  if (const int one = index.FindOne(name, found); one >= 0) return one;
  if (found.empty()) {
    std::fprintf(stderr, "lumora-cli measure: no station named \"%s\"\n", name.c_str());
  } else {
    std::fprintf(stderr, "lumora-cli measure: station name \"%s\" is ambiguous: found at %zu places:\n", name.c_str(),
                 found.size());
    for (int e : found) std::fprintf(stderr, "  %s\n", StationLine(index, e, k).c_str());
  }
  return -1;
}

}  // namespace

int RunFind(const Args& args) {
  Parsed p;
  if (const auto status = Parse("find", kFindUsage, args, 2, p)) return *status;
  TCaveDocument document;
  TStationIndex index;
  if (!Load("find", p.operands[0], document.Model, index)) return 1;
  const double k = p.metres ? MetresPerFoot() : 1;
  const std::vector<int> found = index.Find(p.operands[1]);
  if (p.json) {
    std::string o = "[";
    for (size_t i = 0; i < found.size(); ++i) o += (i ? ",\n  " : "\n  ") + StationJson(index, found[i], k);
    o += found.empty() ? "]\n" : "\n]\n";
    std::fputs(o.c_str(), stdout);
  } else {
    for (int e : found) std::printf("%s\n", StationLine(index, e, k).c_str());
  }
  if (found.empty()) std::fprintf(stderr, "lumora-cli find: no station matches \"%s\"\n", p.operands[1].c_str());
  return found.empty() ? 1 : 0;
}

int RunMeasure(const Args& args) {
  Parsed p;
  if (const auto status = Parse("measure", kMeasureUsage, args, 3, p)) return *status;
  TCaveDocument document;
  TStationIndex index;
  if (!Load("measure", p.operands[0], document.Model, index)) return 1;
  const double k = p.metres ? MetresPerFoot() : 1;
  const int from = OneStation(index, p.operands[1], k);
  const int to = OneStation(index, p.operands[2], k);
  if (from < 0 || to < 0) return 1;
  const TMeasurement m = Measure(index.Entry(from).Position, index.Entry(to).Position);
  const char* unit = p.metres ? "m" : "ft";
  if (p.json) {
    std::string o = "{\n";
    o += "  \"from\": " + StationJson(index, from, k) + ",\n";
    o += "  \"to\": " + StationJson(index, to, k) + ",\n";
    o += "  \"distance\": " + JsonNumber(m.Distance * k) + ",\n";
    o += "  \"horizontal\": " + JsonNumber(m.Horizontal * k) + ",\n";
    o += "  \"vertical\": " + JsonNumber(m.Vertical * k) + ",\n";
    o += "  \"bearing\": " + JsonNumber(m.Bearing) + ",\n";
    o += "  \"gradient\": " + JsonNumber(m.Gradient) + "\n}\n";
    std::fputs(o.c_str(), stdout);
  } else {
    std::printf("From:        %s\n", StationLine(index, from, k).c_str());
    std::printf("To:          %s\n", StationLine(index, to, k).c_str());
    std::printf("Distance:    %s %s\n", FixedText(m.Distance * k, 2).c_str(), unit);
    std::printf("Horizontal:  %s %s\n", FixedText(m.Horizontal * k, 2).c_str(), unit);
    std::printf("Vertical:    %s %s\n", FixedText(m.Vertical * k, 2).c_str(), unit);
    std::printf("Bearing:     %s\u00b0\n", FixedText(m.Bearing, 1).c_str());
    std::printf("Gradient:    %s\u00b0\n", FixedText(m.Gradient, 1).c_str());
  }
  return 0;
}

}  // namespace lumora::cli
