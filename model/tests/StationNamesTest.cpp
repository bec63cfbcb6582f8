// The model's station names against plain strings: a label changed at
// random reads back as it was whenever a name was taken from it, long
// names share their start, and equates form the groups a plain union of
// sets gives.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "model/StationNames.h"

using namespace lumora;

TEST(StationNames, NamesFromAChangingLabelReadBackWhole) {
  std::mt19937 rng(5);
  TStationNames names;
  TStationNames::TLabelShare share;
  std::string label;
  std::vector<std::pair<TNameId, std::string>> taken;
  size_t shortest = 0;
  for (int step = 0; step < 4000; ++step) {
    // Mostly small cuts and appends, now and then a long run.
    const size_t drop = std::min<size_t>(label.size(), rng() % 6 == 0 ? rng() % 200 : rng() % 4);
    label.resize(label.size() - drop);
    shortest = std::min(shortest, label.size());
    label.append(rng() % 50 == 0 ? 300 : rng() % 5, static_cast<char>('a' + rng() % 26));
    if (rng() % 3 == 0) {
      names.Cut(share, shortest);
      taken.emplace_back(names.AddFromLabel(share, label), label);
      shortest = label.size();
    }
  }
  size_t bytes = 0;
  for (const auto& [id, text] : taken) {
    EXPECT_EQ(names.Text(id), text);
    EXPECT_EQ(names.Size(id), text.size());
    bytes += text.size();
  }
  EXPECT_LT(names.MemoryBytes(), bytes / 2) << "long names share their start";
  EXPECT_EQ(names.Text(TStationNames::kUnnamed), "?");

  const TNameId plot = names.Add("Near|A12", true), bare = names.Add("Near|A12");
  EXPECT_EQ(names.Prefix(plot), "Near");
  EXPECT_EQ(names.Station(plot), "A12");
  EXPECT_EQ(names.Prefix(bare), "");
  EXPECT_EQ(names.Station(bare), "Near|A12");
}

TEST(StationNames, EquatesGroupAsSetsDo) {
  std::mt19937 rng(9);
  TStationNames names;
  std::vector<std::set<TNameId>> groups;  // the plain answer
  for (int i = 1; i <= 300; ++i) {
    names.Add("n" + std::to_string(i));
    groups.push_back({static_cast<TNameId>(i)});
  }
  auto groupOf = [&](TNameId id) {
    for (size_t g = 0; g < groups.size(); ++g)
      if (groups[g].count(id)) return g;
    return groups.size();
  };
  for (int k = 0; k < 250; ++k) {
    const TNameId a = 1 + rng() % 300, b = 1 + rng() % 300;
    names.Equate(a, b);
    const size_t ga = groupOf(a), gb = groupOf(b);
    if (ga == gb) continue;
    groups[ga].insert(groups[gb].begin(), groups[gb].end());
    groups.erase(groups.begin() + static_cast<long>(gb));
  }
  names.Equate(1, TStationNames::kUnnamed);
  for (TNameId id = 1; id <= 300; ++id) {
    std::set<TNameId> want = groups[groupOf(id)];
    want.erase(id);
    const std::vector<TNameId> got = names.Aliases(id);
    EXPECT_EQ(std::set<TNameId>(got.begin(), got.end()), want) << id;
    EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
  }
  EXPECT_TRUE(names.Aliases(TStationNames::kUnnamed).empty());
}

TEST(StationNames, CutsKeepTheEndAtAPart) {
  struct TCase {
    const char* Name;
    size_t Max;
    const char* Cut;
  } cases[] = {{"mig.dysentry.bath.12", 20, "mig.dysentry.bath.12"},
               {"a.mig.dysentry.bath.12", 20, "mig.dysentry.bath.12"},
               {"leckmasongill.rumblinghole.entrance", 20, "entrance"},
               {"x.a_very_long_last_part_of_a_name", 10, "_of_a_name"},
               {"short", 20, "short"}};
  for (const TCase& c : cases) {
    EXPECT_EQ(CutStationName(c.Name, c.Max, '.'), c.Cut) << c.Name;
  }
}
