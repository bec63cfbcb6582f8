// lumora-cli info: what a plot file holds, as text or as one JSON object.

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "model/PlotReader.h"
#include "model/PlotStats.h"

namespace lumora::cli {
namespace {

const char* const kUsage =
    "usage: lumora-cli info FILE [--json]\n"
    "\n"
    "Reads the plot file FILE and prints what it holds: records by code, lines,\n"
    "surveys, features, sections, splays, bounds, georeference and the total\n"
    "length of the survey shots. --json prints one JSON object instead.\n"
    "Exit status 1 when the file cannot be read completely.\n";

std::string Num(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string Fixed(double v, int decimals) {
  if (!std::isfinite(v)) return std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf");
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : Num(v);
}

std::string Json(std::string_view s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c >= 0x80) {
          // Plot files are 8-bit text; bytes above 127 are taken as Latin-1.
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string Vec(const T3DVector& v) { return "[" + Num(v.x) + ", " + Num(v.y) + ", " + Num(v.z) + "]"; }
std::string VecText(const T3DVector& v) { return Fixed(v.x, 2) + ", " + Fixed(v.y, 2) + ", " + Fixed(v.z, 2); }

void PrintJson(const std::string& file, TPlotModel& model, const TPlotStats& s, const TPlotLoadResult& result) {
  const TPlotInfo& info = model.PlotInfo;
  std::string o = "{\n";
  o += "  \"file\": " + Json(file) + ",\n";
  o += "  \"loaded\": " + std::string(result.Ok && info.Loaded ? "true" : "false") + ",\n";
  o += "  \"records\": {\"M\": " + std::to_string(s.M) + ", \"D\": " + std::to_string(s.D) +
       ", \"d\": " + std::to_string(s.d) + ", \"L\": " + std::to_string(s.L) + ", \"V\": " + std::to_string(s.V) +
       "},\n";
  o += "  \"line_starts\": " + std::to_string(model.LineStarts.Count()) + ",\n";
  o += "  \"surveys\": " + std::to_string(s.Surveys) + ",\n";
  o += "  \"features\": " + std::to_string(s.Features) + ",\n";
  o += "  \"sections\": [";
  for (int i = 0; i < model.Sections.Count(); ++i) {
    TRange r = model.SectionSurveyRange(i);
    o += std::string(i ? ",\n" : "\n") + "    {\"name\": " + Json(model.Sections[i].Name.View()) +
         ", \"first_survey\": " + std::to_string(r.First) + ", \"last_survey\": " + std::to_string(r.Last) + "}";
  }
  o += model.Sections.Count() ? "\n  ],\n" : "],\n";
  o += "  \"splay_items\": " + std::to_string(model.Splays.Count()) + ",\n";
  o += "  \"splay_shots\": " + std::to_string(s.SplayShots) + ",\n";
  o += "  \"min\": " + Vec(info.Min) + ",\n";
  o += "  \"max\": " + Vec(info.Max) + ",\n";
  o += "  \"center\": " + Vec(info.Center) + ",\n";
  o += "  \"first_position\": " + Vec(info.FirstPosition) + ",\n";
  o += "  \"top\": " + Num(info.Top) + ",\n";
  o += "  \"bottom\": " + Num(info.Bottom) + ",\n";
  o += "  \"depth_range\": " + Num(info.DepthRange) + ",\n";
  o += "  \"has_zone\": " + std::string(info.HasZone ? "true" : "false") + ",\n";
  o += "  \"zone\": " + std::to_string(info.Zone) + ",\n";
  o += "  \"datum\": " + Json(info.Datum.View()) + ",\n";
  o += "  \"shot_length_ft\": " + Num(s.ShotLengthFeet) + ",\n";
  o += "  \"shot_length_m\": " + Num(s.ShotLengthFeet * MetresPerFoot());
  if (!result.Ok) o += ",\n  \"error\": " + Json(result.Message);
  o += "\n}\n";
  std::fputs(o.c_str(), stdout);
}

void PrintText(const std::string& file, TPlotModel& model, const TPlotStats& s, const TPlotLoadResult& result) {
  const TPlotInfo& info = model.PlotInfo;
  std::printf("File:            %s\n", file.c_str());
  std::printf("Loaded:          %s\n", result.Ok && info.Loaded ? "yes" : "no (partial model)");
  std::printf("Plot records:    %d (M %d, D %d, d %d, L %d, V %d)\n", model.Plots.Count(), s.M, s.D, s.d, s.L, s.V);
  std::printf("Line starts:     %d\n", model.LineStarts.Count());
  std::printf("Surveys:         %d\n", s.Surveys);
  std::printf("Features:        %d\n", s.Features);
  std::printf("Sections:        %d\n", model.Sections.Count());
  for (int i = 0; i < model.Sections.Count(); ++i) {
    TRange r = model.SectionSurveyRange(i);
    std::printf("  \"%s\": surveys %d to %d\n", model.Sections[i].Name.Str().c_str(), r.First, r.Last);
  }
  std::printf("Splays:          %d shots from %d stations\n", s.SplayShots, model.Splays.Count());
  std::printf("Min:             %s\n", VecText(info.Min).c_str());
  std::printf("Max:             %s\n", VecText(info.Max).c_str());
  std::printf("Center:          %s\n", VecText(info.Center).c_str());
  std::printf("First position:  %s\n", VecText(info.FirstPosition).c_str());
  std::printf("Top:             %s\n", Fixed(info.Top, 2).c_str());
  std::printf("Bottom:          %s\n", Fixed(info.Bottom, 2).c_str());
  std::printf("Depth range:     %s\n", Fixed(info.DepthRange, 2).c_str());
  std::printf("UTM zone:        %s\n", info.HasZone ? std::to_string(info.Zone).c_str() : "none");
  std::printf("Datum:           %s\n", info.Datum.Empty() ? "none" : info.Datum.Str().c_str());
  std::printf("Shot length:     %s ft (%s m)\n", Fixed(s.ShotLengthFeet, 2).c_str(),
              Fixed(s.ShotLengthFeet * MetresPerFoot(), 2).c_str());
}

}  // namespace

int RunInfo(const Args& args) {
  if (WantsHelp(args, kUsage)) return 0;
  std::string file;
  bool json = false;
  for (const auto& a : args) {
    if (a == "--json")
      json = true;
    else if (!a.empty() && a[0] == '-')
      return UsageError("info", "unknown option '" + a + "'");
    else if (file.empty())
      file = a;
    else
      return UsageError("info", "more than one file given");
  }
  if (file.empty()) return UsageError("info", "no plot file given");

  TPlotModel& model = PlotModel();
  TPlotLoadResult result = LoadPlotFile(model, file, [](int surveys, int plots) {
    ShowProgress("Reading: " + std::to_string(surveys) + " surveys, " + std::to_string(plots) + " lines");
  });
  EndProgress();
  if (!result.Ok) std::fprintf(stderr, "%s\n", result.Message.c_str());

  const TPlotStats stats = ComputePlotStats(model);
  if (json)
    PrintJson(file, model, stats, result);
  else
    PrintText(file, model, stats, result);
  return result.Ok ? 0 : 1;
}

}  // namespace lumora::cli
