#pragma once
// The surveys of a model as a tree, for showing and hiding them by name:
// sections, then their surveys; in a Survex .3d file the surveys nest by
// the parts of their dotted names instead.

#include <string>
#include <string_view>
#include <vector>

#include "model/PlotArray.h"

namespace lumora {

// A survey's whole name: the dotted label in a .3d file; in a plot file
// its section's name, '|' and its own (the survey alone before any section).
std::string SurveyFullName(const TPlotModel& model, int survey);

struct TSurveyNode {
  std::string Name;      // this node's own part
  std::string FullName;  // the parts from the root down
  int Parent = -1;
  std::vector<int> Children;  // node indices, in file order
  std::vector<int> Surveys;   // surveys of exactly this node
};

// Roots first among the nodes in file order; a node follows its parent.
std::vector<TSurveyNode> BuildSurveyTree(const TPlotModel& model);
// The surveys of a node and of all below it.
std::vector<int> SurveysUnder(const std::vector<TSurveyNode>& tree, int node);

// Per survey, whether its whole name matches one of the comma-separated
// patterns ('*' and '?', case aside).
std::vector<uint8_t> SurveysMatching(const TPlotModel& model, std::string_view patterns);

}  // namespace lumora
