#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "geometry/CompactString.h"
#include "geometry/MappedArray.h"

namespace lumora {
namespace {

TEST(CompactString, CopiesOwnTheirTextAndLongTextIsCut) {
  CompactString<> empty;
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.HeapBytes(), 0u);
  CompactString<> a(std::string(1000, 'a'));
  CompactString<> b = a;
  a = "changed";
  EXPECT_EQ(b.View(), std::string(1000, 'a'));
  EXPECT_EQ(a, "changed");
  a = a;  // NOLINT: assigning itself keeps the text
  EXPECT_EQ(a, "changed");
  a.Assign(a.View().substr(2));  // a view of its own text
  EXPECT_EQ(a, "anged");
  CompactString<> moved = std::move(b);
  EXPECT_EQ(moved.Size(), 1000u);
  a = "";
  EXPECT_TRUE(a.Empty());
  CompactString<5> cut("abcdefgh");
  EXPECT_EQ(cut, "abcde");
}

struct TRecord {
  int32_t index;
  double value;
  char tag[13];
};

TEST(MappedArray, KeepsEveryRecordThroughGrowthMovesAndTrims) {
  // Two arrays growing in turn make the kernel move blocks as well as
  // extend them in place.
  TMappedArray<TRecord> a, b;
  const int n = 300000;
  for (int i = 0; i < n; ++i) {
    a.push_back(TRecord{i, i * 0.5, {static_cast<char>('a' + i % 26)}});
    if (i % 3 == 0) b.push_back(TRecord{-i, 0, {}});
  }
  ASSERT_EQ(a.size(), static_cast<size_t>(n));
  EXPECT_GE(a.capacity(), a.size());
  a.resize(n + 5);  // new records are zero
  EXPECT_EQ(a[n + 4].index, 0);
  EXPECT_EQ(a[n + 4].tag[0], 0);
  a.resize(n);
  a.shrink_to_fit();
  EXPECT_LT(a.capacity() * sizeof(TRecord), a.size() * sizeof(TRecord) + 4096);
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(a[i].index, i);
    ASSERT_EQ(a[i].value, i * 0.5);
    ASSERT_EQ(a[i].tag[0], 'a' + i % 26);
  }
  for (size_t i = 0; i < b.size(); ++i) ASSERT_EQ(b[i].index, -3 * static_cast<int>(i));
  TMappedArray<TRecord> c = std::move(a);
  EXPECT_EQ(c.size(), static_cast<size_t>(n));
  EXPECT_EQ(c[n - 1].index, n - 1);
  c.push_back(TRecord{7, 7, {}});  // grows again after the trim
  EXPECT_EQ(c[n].index, 7);
  EXPECT_EQ(c[0].index, 0);
}

}  // namespace
}  // namespace lumora
