#include "model/SurveyTree.h"

#include <map>

#include "model/StationIndex.h"

namespace lumora {

std::string SurveyFullName(const TPlotModel& model, int survey) {
  const TSurveyID& s = model.Surveys[survey];
  if (model.PlotInfo.FileKind == "survex-3d") return std::string(s.Comment.View());
  int section = -1;
  while (section + 1 < model.Sections.Count() && model.Sections[section + 1].FirstSurvey <= survey) ++section;
  const std::string name(s.Name.View());
  return section < 0 ? name : std::string(model.Sections[section].Name.View()) + '|' + name;
}

std::vector<TSurveyNode> BuildSurveyTree(const TPlotModel& model) {
  std::vector<TSurveyNode> tree;
  std::map<std::pair<int, std::string>, int> child;  // (parent, part) to node
  auto node = [&](int parent, std::string_view part) {
    const auto [at, added] = child.emplace(std::pair{parent, std::string(part)}, static_cast<int>(tree.size()));
    if (!added) return at->second;
    TSurveyNode n;
    n.Name = part;
    n.FullName = parent < 0 ? std::string(part) : tree[parent].FullName + model.PlotInfo.Separator + std::string(part);
    n.Parent = parent;
    tree.push_back(std::move(n));
    if (parent >= 0) tree[parent].Children.push_back(at->second);
    return at->second;
  };
  if (model.PlotInfo.FileKind == "survex-3d") {
    const char separator = model.PlotInfo.Separator;
    for (int s = 0; s < model.Surveys.Count(); ++s) {
      const std::string name = SurveyFullName(model, s);
      int at = -1;
      for (size_t start = 0;;) {
        const size_t end = name.find(separator, start);
        at = node(at, std::string_view(name).substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
      }
      tree[at].Surveys.push_back(s);
    }
    return tree;
  }
  std::vector<bool> placed(static_cast<size_t>(model.Surveys.Count()));
  for (int sec = 0; sec < model.Sections.Count(); ++sec) {
    const int section = node(-1, model.Sections[sec].Name.View());
    const TRange r = model.SectionSurveyRange(sec);
    for (int s = std::max(r.First, 0); s <= r.Last && s < model.Surveys.Count(); ++s) {
      tree[node(section, model.Surveys[s].Name.View())].Surveys.push_back(s);
      placed[s] = true;
    }
  }
  for (int s = 0; s < model.Surveys.Count(); ++s)
    if (!placed[s]) tree[node(-1, model.Surveys[s].Name.View())].Surveys.push_back(s);
  return tree;
}

std::vector<int> SurveysUnder(const std::vector<TSurveyNode>& tree, int node) {
  std::vector<int> out = tree[node].Surveys;
  for (int c : tree[node].Children) {
    const std::vector<int> below = SurveysUnder(tree, c);
    out.insert(out.end(), below.begin(), below.end());
  }
  return out;
}

std::vector<uint8_t> SurveysMatching(const TPlotModel& model, std::string_view patterns) {
  std::vector<uint8_t> shown(static_cast<size_t>(model.Surveys.Count()));
  for (int s = 0; s < model.Surveys.Count(); ++s) shown[s] = MatchPatternList(patterns, SurveyFullName(model, s));
  return shown;
}

}  // namespace lumora
