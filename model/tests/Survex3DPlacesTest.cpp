// Stations that share places, read back against a reference built from the
// items as they were written: every place's names once each and equated,
// a leg's station taken from its own survey, cross-sections on the records
// of their stations' places.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "model/Survex3DReader.h"
#include "model/Survex3DWriter.h"

using namespace lumora;
using namespace lumora::testing;

namespace {

struct TShape {
  const char* Name;
  int Surveys, LegsPerSurvey;
  int Places;       // the legs' ends are drawn from these
  int Strangers;    // stations of other surveys at random places
  int Duplicates;   // stations written twice at their place
  int Unreached;    // stations no leg reaches
  bool LongPrefix;  // labels longer than the names stored whole
  int CrossSections;
};

// Writes labels as the changes from the one before, as a .3d file does.
class TLabelledWriter {
 public:
  void Station(const std::string& label, int place) {
    const auto [drop, add] = Change(label);
    out_.Station(drop, add, place * 100, place % 7);
  }
  void Leg(const std::string& label, int place) {
    const auto [drop, add] = Change(label);
    out_.Leg(drop, add, place * 100, place % 7);
  }
  void Move(int place) { out_.Move(place * 100, place % 7); }
  void CrossSection(const std::string& label) {
    const auto [drop, add] = Change(label);
    out_.CrossSection(drop, add);
  }
  std::string End() { return out_.End(); }

 private:
  std::pair<size_t, std::string> Change(const std::string& label) {
    size_t common = 0;
    while (common < label.size() && common < current_.size() && label[common] == current_[common]) ++common;
    std::pair<size_t, std::string> change{current_.size() - common, label.substr(common)};
    current_ = label;
    return change;
  }
  T3DWriter out_;
  std::string current_;
};

struct TReference {
  std::map<int, std::vector<std::string>> Labels;  // by place, first written first
  std::set<int> CrossSectioned;                    // places
  std::string File;
};

TReference Generate(const TShape& shape, unsigned seed) {
  std::mt19937 random(seed);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::string prefix = shape.LongPrefix ? std::string(70, 'p') + "." : "";
  TReference ref;
  TLabelledWriter out;
  std::vector<std::pair<std::string, int>> stations;
  for (int s = 0; s < shape.Surveys; ++s) {
    const std::string survey = prefix + "cave.s" + std::to_string(s);
    int place = pick(shape.Places);
    out.Move(place);
    stations.push_back({survey + ".0", place});
    for (int l = 1; l <= shape.LegsPerSurvey; ++l) {
      place = pick(shape.Places);
      out.Leg(survey, place);
      stations.push_back({survey + "." + std::to_string(l), place});
    }
  }
  for (int i = 0; i < shape.Strangers; ++i)
    stations.push_back({prefix + "other.x" + std::to_string(i), pick(shape.Places)});
  for (int i = 0; i < shape.Unreached; ++i)
    stations.push_back({prefix + "fixed.f" + std::to_string(i), shape.Places + i});
  for (int i = 0; i < shape.Duplicates; ++i) stations.push_back(stations[pick(static_cast<int>(stations.size()))]);
  // Also one label at two places: two stations that are not equated.
  stations.push_back({stations.front().first, shape.Places + shape.Unreached});
  for (const auto& [label, place] : stations) {
    out.Station(label, place);
    std::vector<std::string>& at = ref.Labels[place];
    if (std::find(at.begin(), at.end(), label) == at.end()) at.push_back(label);
  }
  for (int i = 0; i < shape.CrossSections; ++i) {
    // At a place that legs reach: only their records take passage sizes.
    int k = 0;
    do k = 1 + pick(static_cast<int>(stations.size()) - 2);
    while (stations[k].second >= shape.Places);
    const auto& [label, place] = stations[k];
    out.CrossSection(label);
    ref.CrossSectioned.insert(place);
  }
  ref.File = out.End();
  return ref;
}

std::string ParentOf(const std::string& label) { return label.substr(0, label.rfind('.')); }

TEST(Survex3DPlaces, StationsAtSharedPlacesAsWritten) {
  const TShape shapes[] = {
      {"a place per station", 40, 5, 1000, 0, 0, 0, false, 0}, {"crowded places", 60, 8, 25, 300, 50, 5, false, 0},
      {"one place for all", 20, 10, 1, 200, 30, 3, false, 0},  {"long labels, crowded", 30, 6, 20, 100, 20, 4, true, 0},
      {"cross-sections", 50, 6, 80, 40, 10, 2, false, 60},
  };
  for (const TShape& shape : shapes) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(std::string(shape.Name) + ", seed " + std::to_string(seed));
      const TReference ref = Generate(shape, seed);
      TPlotModel model;
      const TPlotLoadResult r = LoadSurvex3DData(model, ref.File, "places.3d");
      ASSERT_TRUE(r.Ok) << r.Message;
      std::set<int> named;
      int survey = 0;
      for (int i = 0; i < model.Plots.Count(); ++i) {
        while (survey + 1 < model.Surveys.Count() && model.Surveys[survey + 1].FirstPlot <= i) ++survey;
        const TPlotVector& rec = model.Plots[i];
        const int place = static_cast<int>(std::lround(rec.Position.x * MetresPerFoot()));
        const auto labels = ref.Labels.find(place);
        if (labels == ref.Labels.end()) {
          EXPECT_EQ(rec.NameId, TStationNames::kUnnamed) << "record " << i;
          continue;
        }
        named.insert(place);
        const std::string name = model.Name(rec);
        std::vector<std::string> all = model.Aliases(rec);
        all.push_back(name);
        std::sort(all.begin(), all.end());
        std::vector<std::string> want = labels->second;
        std::sort(want.begin(), want.end());
        ASSERT_EQ(all, want) << "the names of place " << place;
        // The first station of the record's own survey there, else the
        // place's first.
        const std::string of(model.Surveys[survey].Comment.View());
        const auto own = std::find_if(labels->second.begin(), labels->second.end(),
                                      [&](const std::string& l) { return ParentOf(l) == of; });
        EXPECT_EQ(name, own != labels->second.end() ? *own : labels->second.front()) << "record " << i << " of " << of;
        EXPECT_EQ(rec.Left != 0, ref.CrossSectioned.count(place) != 0) << "record " << i << " at " << place;
      }
      EXPECT_EQ(named.size(), ref.Labels.size()) << "every place with stations has a record";
    }
  }
}

}  // namespace
