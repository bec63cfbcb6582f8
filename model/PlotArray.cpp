#include "model/PlotArray.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <utility>

#include "geometry/MappedArray.h"

namespace lumora {

// All shots lie in one block, each station's together in a run of its own;
// items and keys are plain arrays, found through an open-addressed table of
// item numbers. No allocation per station or shot.
struct TSplayArray::Impl {
  struct Run {
    T3DVector position;
    uint32_t first = 0, count = 0, room = 0;  // room: shots the run may hold
  };
  TMappedArray<TSplayShot> shots;
  TMappedArray<Run> runs;
  TMappedArray<ShortString<20>> keys;
  std::vector<int32_t> slots;  // item + 1; 0 is empty
  int last = -1;               // splays come in groups of one station

  size_t SlotOf(std::string_view key) const {
    size_t at = std::hash<std::string_view>()(key) & (slots.size() - 1);
    while (slots[at] != 0 && keys[slots[at] - 1].View() != key) at = (at + 1) & (slots.size() - 1);
    return at;
  }

  int ItemFor(std::string_view fromName, const T3DVector& from) {
    const ShortString<20> key(fromName);
    if (last >= 0 && keys[last].View() == key.View()) return last;
    if (2 * (keys.size() + 1) > slots.size()) {
      std::vector<int32_t>(std::max<size_t>(64, 2 * slots.size()), 0).swap(slots);
      for (size_t i = 0; i < keys.size(); ++i) slots[SlotOf(keys[i].View())] = static_cast<int32_t>(i + 1);
    }
    const size_t at = SlotOf(key.View());
    if (slots[at] == 0) {
      keys.push_back(key);
      runs.push_back(Run{from, static_cast<uint32_t>(shots.size()), 0, 0});
      slots[at] = static_cast<int32_t>(keys.size());
    }
    return last = slots[at] - 1;
  }

  // `count` more places at the end of the block.
  uint32_t Extend(size_t count) {
    const size_t end = shots.size();
    if (end + count > UINT32_MAX) throw std::bad_alloc();
    shots.resize(end + count);
    return static_cast<uint32_t>(end);
  }

  void Add(int item, const TSplayShot& shot) {
    Run& r = runs[item];
    if (r.count == r.room) {
      if (r.first + r.room == shots.size()) {
        Extend(1);  // the last run grows where it lies
        ++r.room;
      } else {
        // A later group of a station met before: its run moves to the end
        // with room to double, so that interleaved groups cost no more
        // than twice their shots.
        const uint32_t room = std::max<uint32_t>(2 * r.room, 4);
        const uint32_t first = Extend(room);
        std::copy(shots.begin() + r.first, shots.begin() + r.first + r.count, shots.begin() + first);
        r.first = first;
        r.room = room;
      }
    }
    shots[r.first + r.count++] = shot;
  }
};

TSplayArray::TSplayArray() : impl_(std::make_unique<Impl>()) {}
TSplayArray::~TSplayArray() = default;
TSplayArray& TSplayArray::operator=(TSplayArray&& other) noexcept {
  std::swap(impl_, other.impl_);
  std::swap(shotCount_, other.shotCount_);
  return *this;
}

int TSplayArray::AddSplay(std::string_view fromName, const T3DVector& from, std::string_view toName,
                          const T3DVector& to) {
  const int item = impl_->ItemFor(fromName, from);
  impl_->Add(item, TSplayShot{toName, from, to});
  ++shotCount_;
  return static_cast<int>(impl_->runs[item].count) - 1;
}

void TSplayArray::Trim() {
  impl_->shots.shrink_to_fit();
  impl_->runs.shrink_to_fit();
  impl_->keys.shrink_to_fit();
}

void TSplayArray::Clear() {
  *impl_ = Impl{};
  shotCount_ = 0;
}

int TSplayArray::Count() const { return static_cast<int>(impl_->runs.size()); }

TSplayItem TSplayArray::Item(int i) const {
  const Impl::Run& r = impl_->runs[i];
  return {r.position, std::span<const TSplayShot>(impl_->shots.data() + r.first, r.count)};
}

std::string_view TSplayArray::Key(int i) const { return impl_->keys[i].View(); }

int TSplayArray::IndexOf(std::string_view fromName) const {
  if (impl_->slots.empty()) return -1;
  return impl_->slots[impl_->SlotOf(ShortString<20>(fromName).View())] - 1;
}

size_t TSplayArray::MemoryBytes() const {
  return impl_->shots.capacity() * sizeof(TSplayShot) + impl_->runs.capacity() * sizeof(Impl::Run) +
         impl_->keys.capacity() * sizeof(ShortString<20>) + impl_->slots.capacity() * sizeof(int32_t);
}

void TPlotModel::ClearPlotModel() {
  Plots.Clear();
  Surveys.Clear();
  Splays.Clear();
  Sections.Clear();
  LineStarts.Clear();
  StationFlags.clear();
  PlotInfo.Min = {9.9e99, 9.9e99, 9.9e99};
  PlotInfo.Max = {-9.9e99, -9.9e99, -9.9e99};
  PlotInfo.Top = 0;
  PlotInfo.Bottom = 0;
  PlotInfo.HasExtent = false;
  PlotInfo.Separator = '|';
  PlotInfo.Zone = 0;
  PlotInfo.HasZone = false;
  PlotInfo.Datum = "";
  PlotInfo.FileKind.clear();
  PlotInfo.Title.clear();
  PlotInfo.CoordinateSystem.clear();
  PlotInfo.CoordinateSystemName.clear();
  PlotInfo.ProjectedSystem = false;
  PlotInfo.FormatVersion = 0;
  PlotInfo.ExtendedElevation = false;
  TraverseErrors.clear();
  Names.Clear();
  Meshes.Clear();
}

std::vector<std::string> TPlotModel::Aliases(const TPlotVector& r) const {
  std::vector<std::string> out;
  for (const TNameId id : Names.Aliases(r.NameId)) out.push_back(Names.Text(id));
  return out;
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

}  // namespace lumora
