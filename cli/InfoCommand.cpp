// lumora-cli info: what a plot file holds, as text or as one JSON object.

#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/OptionParser.h"
#include "cli/PlotLoad.h"
#include "document/CaveDocument.h"
#include "model/PlotReader.h"
#include "model/PlotStats.h"

namespace lumora::cli {
namespace {

const char* const kUsage =
    "usage: lumora-cli info FILE [--json]\n"
    "\n"
    "Reads the plot, Survex .3d or Therion .lox file FILE and prints what it\n"
    "holds: records by code, lines, surveys, features, sections, splays, bounds,\n"
    "georeference, the file's kind, title and coordinate system, whether it is an\n"
    "extended elevation, the stations, and the total length of the survey with\n"
    "the lengths it leaves out, each kind on its own (a .3d or .lox file's total\n"
    "leaves out splay, duplicate, surface and \"no survey\" legs, as Survex\n"
    "counts; a plot file's leaves out splays and hidden shots). A .lox file adds\n"
    "its scraps and their triangles, and its surfaces. --json prints one JSON\n"
    "object instead.\n"
    "Exit status 1 when the file cannot be read completely.\n";

int TexturedSurfaces(const TSurveyMeshes& m) {
  int n = 0;
  for (const TSurfaceGrid& g : m.Surfaces) n += g.Kind != TImageKind::None;
  return n;
}

std::string Metres(double feet) { return JsonNumber(feet * MetresPerFoot()); }

std::string LengthText(double feet) {
  return FixedText(feet, 2) + " ft (" + FixedText(feet * MetresPerFoot(), 2) + " m)";
}

void PrintJson(const std::string& file, TPlotModel& model, const TPlotStats& s, const TPlotLoadResult& result) {
  const TPlotInfo& info = model.PlotInfo;
  std::string o = "{\n";
  o += "  \"file\": " + JsonString(file) + ",\n";
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
    o += std::string(i ? ",\n" : "\n") + "    {\"name\": " + JsonString(model.Sections[i].Name.View()) +
         ", \"first_survey\": " + std::to_string(r.First) + ", \"last_survey\": " + std::to_string(r.Last) + "}";
  }
  o += model.Sections.Count() ? "\n  ],\n" : "],\n";
  o += "  \"splay_items\": " + std::to_string(model.Splays.Count()) + ",\n";
  o += "  \"splay_shots\": " + std::to_string(s.SplayShots) + ",\n";
  o += "  \"min\": " + JsonVector(info.Min) + ",\n";
  o += "  \"max\": " + JsonVector(info.Max) + ",\n";
  o += "  \"center\": " + JsonVector(info.Center) + ",\n";
  o += "  \"first_position\": " + JsonVector(info.FirstPosition) + ",\n";
  o += "  \"top\": " + JsonNumber(info.Top) + ",\n";
  o += "  \"bottom\": " + JsonNumber(info.Bottom) + ",\n";
  o += "  \"depth_range\": " + JsonNumber(info.DepthRange) + ",\n";
  o += "  \"has_zone\": " + std::string(info.HasZone ? "true" : "false") + ",\n";
  o += "  \"zone\": " + std::to_string(info.Zone) + ",\n";
  o += "  \"datum\": " + JsonString(info.Datum.View()) + ",\n";
  o += "  \"shot_length_ft\": " + JsonNumber(s.ShotLengthFeet) + ",\n";
  o += "  \"shot_length_m\": " + Metres(s.ShotLengthFeet);
  o += ",\n  \"kind\": " + JsonString(info.FileKind) + ",\n";
  o += "  \"title\": " + JsonString(info.Title) + ",\n";
  o += "  \"coordinate_system\": " + JsonString(info.CoordinateSystem) + ",\n";
  o += "  \"surface_legs\": " + std::to_string(s.d) + ",\n";
  o += "  \"splay_legs\": " + std::to_string(s.SplayLegs) + ",\n";
  o += "  \"duplicate_legs\": " + std::to_string(s.DuplicateLegs) + ",\n";
  o += "  \"traverse_errors\": " + std::to_string(model.TraverseErrors.size()) + ",\n";
  o += "  \"coordinate_system_name\": " + JsonString(info.CoordinateSystemName) + ",\n";
  o += "  \"georeferenced\": " + std::string(info.HasZone || info.ProjectedSystem ? "true" : "false") + ",\n";
  o += "  \"format_version\": " + std::to_string(info.FormatVersion) + ",\n";
  o += "  \"extended_elevation\": " + std::string(info.ExtendedElevation ? "true" : "false") + ",\n";
  // A plot file's records do not share names, so its stations are not counted.
  o += "  \"stations\": " + (info.FileKind != "plot" ? std::to_string(s.Stations) : "null") + ",\n";
  o += "  \"legs\": " + std::to_string(s.D + s.d) + ",\n";
  o += "  \"no_survey_legs\": " + std::to_string(s.NoSurvey.Count) + ",\n";
  o += "  \"splay_length_m\": " + Metres(s.Splay.Feet) + ",\n";
  o += "  \"duplicate_length_m\": " + Metres(s.Duplicate.Feet) + ",\n";
  o += "  \"surface_length_m\": " + Metres(s.Surface.Feet) + ",\n";
  o += "  \"no_survey_length_m\": " + Metres(s.NoSurvey.Feet);
  if (info.FileKind == "therion-lox") {
    const TSurveyMeshes& m = model.Meshes;
    o += ",\n  \"scraps\": " + std::to_string(m.Scraps.size()) + ",\n";
    o += "  \"scrap_triangles\": " + std::to_string(m.TriangleCount()) + ",\n";
    o += "  \"surfaces\": " + std::to_string(m.Surfaces.size()) + ",\n";
    o += "  \"textured_surfaces\": " + std::to_string(TexturedSurfaces(m));
  }
  if (!result.Ok) o += ",\n  \"error\": " + JsonString(result.Message);
  o += "\n}\n";
  std::fputs(o.c_str(), stdout);
}

void PrintText(const std::string& file, TPlotModel& model, const TPlotStats& s, const TPlotLoadResult& result) {
  const TPlotInfo& info = model.PlotInfo;
  const bool lox = info.FileKind == "therion-lox";
  // What is said of a .3d file's legs holds for a .lox file's shots.
  const bool survex = info.FileKind == "survex-3d" || lox;
  std::printf("File:            %s\n", file.c_str());
  std::printf("Loaded:          %s\n", result.Ok && info.Loaded ? "yes" : "no (partial model)");
  if (lox)
    std::printf("Kind:            Therion .lox model\n");
  else if (survex)
    std::printf("Kind:            Survex .3d file, format version %d\n", info.FormatVersion);
  else
    std::printf("Kind:            plot file\n");
  if (!info.Title.empty()) std::printf("Title:           %s\n", info.Title.c_str());
  if (!info.CoordinateSystem.empty()) {
    const std::string name = info.CoordinateSystemName.empty() ? "not understood" : info.CoordinateSystemName;
    const bool placed = info.HasZone || info.ProjectedSystem;
    std::printf("Coordinates:     %s (%s%s)\n", info.CoordinateSystem.c_str(), name.c_str(),
                placed ? "" : ": no georeference");
  }
  if (info.ExtendedElevation) std::printf("Extended elevation: yes (x is the distance along the profile)\n");
  std::printf("Legs flagged:    %d surface or hidden, %d splay, %d duplicate\n", s.d, s.SplayLegs, s.DuplicateLegs);
  if (!model.TraverseErrors.empty())
    std::printf("Traverses:       %zu with closure errors\n", model.TraverseErrors.size());
  std::printf("Plot records:    %d (M %d, D %d, d %d, L %d, V %d)\n", model.Plots.Count(), s.M, s.D, s.d, s.L, s.V);
  if (survex) std::printf("Stations:        %d, %d legs\n", s.Stations, s.D + s.d);
  std::printf("Line starts:     %d\n", model.LineStarts.Count());
  std::printf("Surveys:         %d\n", s.Surveys);
  std::printf("Features:        %d\n", s.Features);
  std::printf("Sections:        %d\n", model.Sections.Count());
  for (int i = 0; i < model.Sections.Count(); ++i) {
    TRange r = model.SectionSurveyRange(i);
    std::printf("  \"%s\": surveys %d to %d\n", model.Sections[i].Name.Str().c_str(), r.First, r.Last);
  }
  std::printf("Splays:          %d shots from %d stations, %d splay legs\n", s.SplayShots, model.Splays.Count(),
              s.Splay.Count);
  if (lox) {
    const TSurveyMeshes& m = model.Meshes;
    std::printf("Scraps:          %zu, %zu triangles\n", m.Scraps.size(), m.TriangleCount());
    std::printf("Surfaces:        %zu, %d with a map image\n", m.Surfaces.size(), TexturedSurfaces(m));
  }
  if (info.Min.x > info.Max.x) {
    std::printf("Min, Max:        none (the file gives no bounds)\n");
  } else {
    std::printf("Min:             %s\n", VectorText(info.Min, 2).c_str());
    std::printf("Max:             %s\n", VectorText(info.Max, 2).c_str());
  }
  std::printf("Center:          %s\n", VectorText(info.Center, 2).c_str());
  std::printf("First position:  %s\n", VectorText(info.FirstPosition, 2).c_str());
  std::printf("Top:             %s\n", FixedText(info.Top, 2).c_str());
  std::printf("Bottom:          %s\n", FixedText(info.Bottom, 2).c_str());
  std::printf("Depth range:     %s\n", FixedText(info.DepthRange, 2).c_str());
  std::printf("UTM zone:        %s\n", info.HasZone ? std::to_string(info.Zone).c_str() : "none");
  std::printf("Datum:           %s\n", info.Datum.Empty() ? "none" : info.Datum.Str().c_str());
  std::printf("Total length:    %s\n", LengthText(s.ShotLengthFeet).c_str());
  std::printf("  left out:      %d splay legs, %s\n", s.Splay.Count, LengthText(s.Splay.Feet).c_str());
  if (survex)
    std::printf("                 %d duplicate legs, %s\n", s.Duplicate.Count, LengthText(s.Duplicate.Feet).c_str());
  std::printf("                 %d %s, %s\n", s.Surface.Count, survex ? "surface legs" : "hidden shots",
              LengthText(s.Surface.Feet).c_str());
  if (survex && !lox)
    std::printf("                 %d \"no survey\" legs, %s\n", s.NoSurvey.Count, LengthText(s.NoSurvey.Feet).c_str());
}

}  // namespace

int RunInfo(const Args& args) {
  std::string file;
  bool json = false;
  TOptionParser parser("info", kUsage);
  parser.Operand(file, "no plot file given");
  parser.Flag("--json", json);
  if (const auto status = parser.Parse(args)) return *status;

  TCaveDocument document;
  TPlotModel& model = document.Model;
  TPlotLoadResult result = LoadPlotForCommand("info", model, file);
  if (!result.Ok) std::fprintf(stderr, "%s\n", result.Message.c_str());

  const TPlotStats stats = ComputePlotStats(model);
  if (json)
    PrintJson(file, model, stats, result);
  else
    PrintText(file, model, stats, result);
  return result.Ok ? 0 : 1;
}

}  // namespace lumora::cli
