#include "model/PlotArray.h"

#include <string>

#include "geometry/Hash.h"

namespace lumora {

struct TSplayArray::Impl {
  TAutoHash<TSplayItem> items;
};

TSplayArray::TSplayArray() : impl_(std::make_unique<Impl>()) {}
TSplayArray::~TSplayArray() = default;

int TSplayArray::AddSplay(std::string_view fromName, const T3DVector& from, std::string_view toName,
                          const T3DVector& to) {
  TSplayShot shot{fromName, toName, from, to};
  int i = impl_->items.IndexOf(shot.FromName.View());
  if (i < 0) {
    i = impl_->items.Add(shot.FromName.View());
    impl_->items.Object(i)->Position = from;
  }
  auto& shots = impl_->items.Object(i)->Shots;
  shots.push_back(shot);
  ++shotCount_;
  return static_cast<int>(shots.size()) - 1;
}

void TSplayArray::Clear() {
  impl_->items.Clear();
  shotCount_ = 0;
}

int TSplayArray::Count() const { return impl_->items.Count(); }
const TSplayItem& TSplayArray::Item(int i) const { return *impl_->items.Object(i); }
std::string_view TSplayArray::Key(int i) const { return impl_->items.Key(i); }

int TSplayArray::IndexOf(std::string_view fromName) const {
  return impl_->items.IndexOf(ShortString<20>(fromName).View());
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
  PlotInfo.FileKind.clear();
  PlotInfo.Title.clear();
  PlotInfo.CoordinateSystem.clear();
  PlotInfo.ExtendedElevation = false;
  TraverseErrors.clear();
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
