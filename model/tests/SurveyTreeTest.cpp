// The survey tree of a plot file (sections, then surveys) and of a .3d
// file's dotted names, and surveys chosen by patterns.

#include <gtest/gtest.h>

#include "model/PlotReader.h"
#include "model/SurveyTree.h"

using namespace lumora;

namespace {

std::vector<std::string> FullNames(const std::vector<TSurveyNode>& tree) {
  std::vector<std::string> out;
  for (const TSurveyNode& n : tree) out.push_back(n.FullName);
  return out;
}

}  // namespace

TEST(SurveyTree, PlotSectionsThenSurveys) {
  const char* text =
      "Z 0 100 0 100 -50 10\r\n"
      "SNorth\r\nNS1 D 1 1 2000\r\nM 0 0 0 Sa P 1 1 1 1\r\nD 0 10 0 Sb P 1 1 1 1\r\nX 0 0 0 0 0 0\r\n"
      "NS2 D 1 1 2000\r\nM 0 0 0 Sa P 1 1 1 1\r\nD 0 10 0 Sc P 1 1 1 1\r\nX 0 0 0 0 0 0\r\n"
      "SSouth\r\nNS1 D 1 1 2001\r\nM 9 9 0 Sd P 1 1 1 1\r\nD 9 19 0 Se P 1 1 1 1\r\nX 0 0 0 0 0 0\r\n";
  TPlotModel model;
  ASSERT_TRUE(LoadPlotText(model, text, "t.plt").Ok);
  const std::vector<TSurveyNode> tree = BuildSurveyTree(model);
  ASSERT_EQ(FullNames(tree), (std::vector<std::string>{"North", "North|S1", "North|S2", "South", "South|S1"}));
  EXPECT_EQ(tree[0].Children, (std::vector<int>{1, 2}));
  EXPECT_EQ(SurveysUnder(tree, 0), (std::vector<int>{0, 1}));
  EXPECT_EQ(SurveysUnder(tree, 3), (std::vector<int>{2}));
  EXPECT_EQ(tree[4].Parent, 3);
  EXPECT_EQ(SurveysMatching(model, "*|s2, nosuch"), (std::vector<uint8_t>{0, 1, 0}));
  EXPECT_EQ(SurveysMatching(model, "south|*"), (std::vector<uint8_t>{0, 0, 1}));
  EXPECT_EQ(SurveysMatching(model, "S1"), (std::vector<uint8_t>{0, 0, 0})) << "a whole name";
}

TEST(SurveyTree, DottedNamesNest) {
  TPlotModel model;
  model.PlotInfo.FileKind = "survex-3d";
  model.PlotInfo.Separator = '.';
  for (const char* label : {"ease.bg", "ease.bg.inlet", "ease.pippi", "ease.bg", "lanc"}) {
    TSurveyID s;
    s.Comment = label;
    model.Surveys.Add(s);
  }
  const std::vector<TSurveyNode> tree = BuildSurveyTree(model);
  ASSERT_EQ(FullNames(tree), (std::vector<std::string>{"ease", "ease.bg", "ease.bg.inlet", "ease.pippi", "lanc"}));
  EXPECT_EQ(tree[1].Name, "bg");
  EXPECT_EQ(tree[1].Surveys, (std::vector<int>{0, 3})) << "one name met twice is one node";
  EXPECT_EQ(SurveysUnder(tree, 0), (std::vector<int>{0, 3, 1, 2}));
  EXPECT_EQ(SurveysMatching(model, "ease.bg*"), (std::vector<uint8_t>{1, 1, 0, 1, 0}));
}
