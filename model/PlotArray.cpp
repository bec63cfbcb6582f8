#include "model/PlotArray.h"

#include <string>
#include <unordered_map>

namespace lumora {

struct TSplayArray::Impl {
  std::unordered_map<std::string, int> index;
  std::vector<std::string> keys;
  std::vector<TSplayItem> items;
};

TSplayArray::TSplayArray() : impl_(std::make_unique<Impl>()) {}
TSplayArray::~TSplayArray() = default;

int TSplayArray::AddSplay(std::string_view fromName, const T3DVector& from, std::string_view toName,
                          const T3DVector& to) {
  TSplayShot shot{fromName, toName, from, to};
  std::string key(shot.FromName.View());
  auto [it, added] = impl_->index.try_emplace(key, static_cast<int>(impl_->items.size()));
  if (added) {
    impl_->keys.push_back(key);
    impl_->items.push_back(TSplayItem{from, {}});
  }
  auto& shots = impl_->items[it->second].Shots;
  shots.push_back(shot);
  ++shotCount_;
  return static_cast<int>(shots.size()) - 1;
}

void TSplayArray::Clear() {
  impl_ = std::make_unique<Impl>();
  shotCount_ = 0;
}

int TSplayArray::Count() const { return static_cast<int>(impl_->items.size()); }
const TSplayItem& TSplayArray::Item(int i) const { return impl_->items[i]; }
std::string_view TSplayArray::Key(int i) const { return impl_->keys[i]; }

int TSplayArray::IndexOf(std::string_view fromName) const {
  auto it = impl_->index.find(std::string(ShortString<20>(fromName).View()));
  return it == impl_->index.end() ? -1 : it->second;
}

void TPlotModel::ClearPlotModel() {
  Plots.Clear();
  Surveys.Clear();
  Splays.Clear();
  Sections.Clear();
  LineStarts.Clear();
  PlotInfo.Min = {9.9e99, 9.9e99, 9.9e99};
  PlotInfo.Max = {-9.9e99, -9.9e99, -9.9e99};
  PlotInfo.Top = 0;
  PlotInfo.Bottom = 0;
  PlotInfo.Zone = 0;
  PlotInfo.HasZone = false;
  PlotInfo.Datum = "";
}

TRange TPlotModel::SectionSurveyRange(int s) const {
  TRange r{Sections[s].FirstSurvey, 0};
  r.Last = (s < Sections.Count() - 1 ? Sections[s + 1].FirstSurvey : Surveys.Count()) - 1;
  return r;
}

TRange TPlotModel::LinePlotRange(int i) const {
  TRange r{LineStarts[i], 0};
  r.Last = (i < LineStarts.Count() - 1 ? LineStarts[i + 1] : Plots.Count()) - 1;
  return r;
}

TRange TPlotModel::SurveyPlotRange(int s) {
  CurrentSurvey = Surveys[s];
  TRange r{Surveys[s].FirstPlot, 0};
  r.Last = (s < Surveys.Count() - 1 ? Surveys[s + 1].FirstPlot : Plots.Count()) - 1;
  return r;
}

TRange TPlotModel::SurveyLineRange(int s) const {
  TRange r{Surveys[s].FirstLine, 0};
  r.Last = (s < Surveys.Count() - 1 ? Surveys[s + 1].FirstLine : LineStarts.Count()) - 1;
  return r;
}

TPlotModel& PlotModel() {
  static TPlotModel model;
  return model;
}

}  // namespace lumora
