#pragma once
// The survey of each item of a long sequence (the wall triangles), kept as
// runs of one survey: a cave's walls come survey by survey, so a few
// thousand runs stand for millions of triangles. The same runs hold the
// leg (shot index) of each triangle, a run a leg.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace lumora {

class TSurveyRuns {
 public:
  void Add(int32_t survey) {
    if (surveys_.empty() || surveys_.back() != survey) {
      starts_.push_back(count_);
      surveys_.push_back(survey);
    }
    ++count_;
  }
  int Count() const { return count_; }
  // The survey of item i; -1 outside the sequence.
  int32_t operator[](int i) const {
    if (i < 0 || i >= count_) return -1;
    return surveys_[std::upper_bound(starts_.begin(), starts_.end(), i) - starts_.begin() - 1];
  }
  // f(first, end, survey) for each run, in order.
  template <class F>
  void ForEachRun(F&& f) const {
    for (size_t r = 0; r < starts_.size(); ++r)
      f(starts_[r], r + 1 < starts_.size() ? starts_[r + 1] : count_, surveys_[r]);
  }
  // The value of items 0, 1, 2, ... in turn, each at constant cost.
  class TCursor {
   public:
    explicit TCursor(const TSurveyRuns& runs) : runs_(runs) {}
    int32_t operator()(int i) {
      if (i < 0 || i >= runs_.count_) return -1;
      while (run_ + 1 < runs_.starts_.size() && runs_.starts_[run_ + 1] <= i) ++run_;
      return runs_.surveys_[run_];
    }

   private:
    const TSurveyRuns& runs_;
    size_t run_ = 0;
  };

  // The items of `other` after these.
  void Append(const TSurveyRuns& other) {
    other.ForEachRun([this](int first, int end, int32_t survey) {
      if (surveys_.empty() || surveys_.back() != survey) {
        starts_.push_back(count_);
        surveys_.push_back(survey);
      }
      count_ += end - first;
    });
  }
  void Clear() { *this = TSurveyRuns(); }
  void Swap(TSurveyRuns& other) { std::swap(*this, other); }

 private:
  std::vector<int> starts_;
  std::vector<int32_t> surveys_;
  int count_ = 0;
};

}  // namespace lumora
