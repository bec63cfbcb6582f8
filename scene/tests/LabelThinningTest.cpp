#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "scene/LabelThinning.h"

namespace lumora {
namespace {

// Every spot in order, checked against every box kept before it.
std::vector<uint32_t> Reference(const std::vector<TLabelSpot>& s, double h) {
  std::vector<uint32_t> order(s.size()), kept;
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    return s[a].Rank != s[b].Rank ? s[a].Rank < s[b].Rank : s[a].Depth < s[b].Depth;
  });
  for (uint32_t i : order) {
    bool clear = true;
    for (uint32_t j : kept)
      clear = clear && !(s[i].X < s[j].X + s[j].Width && s[j].X < s[i].X + s[i].Width && s[i].Y - h / 4 < s[j].Y + h &&
                         s[j].Y - h / 4 < s[i].Y + h);
    if (clear) kept.push_back(i);
  }
  return kept;
}

TEST(LabelThinning, KeepsWhatTheStraightforwardWayKeeps) {
  struct TCase {
    int Count;
    double Spread;  // pixels across
    int Depths;     // distinct depths, 0 for any
    int Ranks;
    bool OnPixels;  // whole-pixel places, boxes that just touch
  } cases[] = {
      {1, 100, 0, 1, false},   {300, 400, 0, 1, false}, {3000, 1000, 0, 4, false}, {3000, 600, 3, 2, false},
      {5000, 800, 1, 1, true}, {2000, 300, 0, 3, true}, {4000, 5000, 0, 2, false}, {20000, 1500, 0, 3, false},
  };
  std::mt19937 random(11);
  TLabelThinning thinning;  // one for all, as a label set keeps one
  for (const TCase& c : cases) {
    std::uniform_real_distribution<double> place(-c.Spread / 10, c.Spread), width(0, 60), depth(0.2, 1);
    std::vector<TLabelSpot> spots;
    for (int i = 0; i < c.Count; ++i) {
      TLabelSpot s{place(random), place(random), std::floor(width(random)), depth(random),
                   static_cast<uint8_t>(3 * (random() % c.Ranks))};
      if (c.Depths) s.Depth = 0.5 + static_cast<double>(random() % c.Depths) / c.Depths;
      if (c.OnPixels) s.X = std::floor(s.X), s.Y = std::floor(s.Y);
      spots.push_back(s);
    }
    const std::vector<uint32_t> want = Reference(spots, 12);
    EXPECT_EQ(thinning.Thin(spots, 12), want) << c.Count << " spots over " << c.Spread;
    if (c.Count > 1000 && c.Spread <= 1500) {
      EXPECT_LT(want.size(), spots.size() / 2) << "too few overlap to test the thinning";
    }
  }
}

}  // namespace
}  // namespace lumora
