#include "geometry/HugeArry.h"

#include <gtest/gtest.h>

#include "geometry/HugePages.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace lumora {
namespace {

TEST(HugeArray, GrowsByFourSixteenOrAQuarter) {
  struct Case {
    int capacity, grown;
  };
  for (Case c : {Case{8, 12}, Case{64, 80}, Case{100, 125}, Case{9, 25}, Case{1, 5}}) {
    THugeInteger a(c.capacity);
    for (int i = 0; i < c.capacity; ++i) a.Add(i * 3);
    EXPECT_EQ(a.Capacity(), c.capacity);
    a.Add(-7);
    EXPECT_EQ(a.Capacity(), c.grown) << "full at " << c.capacity;
    EXPECT_EQ(a.GrowthDelta(), c.grown - c.capacity);
    ASSERT_EQ(a.Count(), c.capacity + 1);
    for (int i = 0; i < c.capacity; ++i) ASSERT_EQ(a[i], i * 3);
    EXPECT_EQ(a[c.capacity], -7);
  }
}

TEST(HugeArray, AddingItsOwnElementsSurvivesGrowth) {
  THugeString s(255, 2);
  s.Add(std::string(40, 'x'));  // longer than any small-string buffer
  s.Add("second");
  s.Add(s[0]);  // full: the block moves while the element is read
  EXPECT_EQ(s[2], std::string(40, 'x'));
  s.Insert(s[1], 0);
  EXPECT_EQ(s[0], "second");

  THugeInteger a(2);
  a.Add(1);
  a.Add(2);
  a.AddFrom(a);
  EXPECT_EQ(std::vector<int32_t>(a.begin(), a.end()), (std::vector<int32_t>{1, 2, 1, 2}));
}

TEST(HugeArray, InsertAndDeleteIgnoreIndicesOutOfRange) {
  THugeInteger a(4);
  int objects[3];
  for (int i = 0; i < 3; ++i) a.AddObject(10 + i, &objects[i]);
  int changes = 0;
  a.OnChange = [&changes](THugeArrayBase&) { ++changes; };

  a.Insert(99, 3);  // at the count: appends
  ASSERT_EQ(a.Count(), 4);
  EXPECT_EQ(a[3], 99);
  EXPECT_EQ(a.Object(3), nullptr);
  a.Insert(5, 5);
  a.Insert(5, -1);
  a.Delete(4);
  a.Delete(-1);
  EXPECT_EQ(a.Count(), 4);
  EXPECT_EQ(changes, 1);

  a.Insert(7, 0);  // objects shift with their elements
  EXPECT_EQ(a.Object(0), nullptr);
  EXPECT_EQ(a.Object(1), &objects[0]);
  a.Delete(1);
  EXPECT_EQ(a[0], 7);
  EXPECT_EQ(a[1], 11);
  EXPECT_EQ(a.Object(1), &objects[1]);
  a.Exchange(0, 1);
  EXPECT_EQ(a[0], 11);
  EXPECT_EQ(a.Object(0), &objects[1]);
  EXPECT_EQ(changes, 4);
}

TEST(HugeArray, ClearAndCapacity) {
  THugeDouble a(10);
  for (int i = 0; i < 10000; ++i) a.Add(i);
  EXPECT_GE(a.Capacity(), 10000);
  a.Clear();
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(a.Capacity(), 10);

  for (int i = 0; i < 5; ++i) a.Add(i);
  a.SetCapacity(0);  // means 1, and cuts the count
  EXPECT_EQ(a.Capacity(), 1);
  ASSERT_EQ(a.Count(), 1);
  EXPECT_EQ(a[0], 0);

  try {
    THugeInteger empty(0);
    FAIL() << "no error for an empty allocation";
  } catch (const EHugeArray& e) {
    EXPECT_STREQ(e.what(), "Empty Array Allocation");
  }
}

TEST(HugeArray, AssignCopiesElementsAndObjects) {
  THuge3DVector a(2), b(50);
  int tag;
  a.Add(T3DVector{1, 2, 3});
  a.AddObject(T3DVector{4, 5, 6}, &tag);
  for (int i = 0; i < 30; ++i) b.Add(T3DVector{});
  b.Assign(a);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(b[1].y, 5);
  EXPECT_EQ(b.Object(1), &tag);
  EXPECT_EQ(b.Object(0), nullptr);
  b.Add(T3DVector{});
  EXPECT_EQ(a.Count(), 2);
}

TEST(HugeArray, NumbersSortInEitherOrder) {
  THugeInteger a(4);
  std::mt19937 rng(7);
  std::vector<int32_t> ref = {INT_MIN, INT_MAX, -1, 1, 0, INT_MIN + 1, INT_MAX - 1};
  for (int i = 0; i < 500; ++i) ref.push_back(static_cast<int32_t>(rng()));
  for (int32_t v : ref) a.Add(v);
  a.Sort();
  std::sort(ref.begin(), ref.end());
  EXPECT_EQ(std::vector<int32_t>(a.begin(), a.end()), ref);
  a.Ascending = false;
  a.Sort();
  std::reverse(ref.begin(), ref.end());
  EXPECT_EQ(std::vector<int32_t>(a.begin(), a.end()), ref);

  THugeDouble d(2);
  for (double v : {2.5, -1e300, 1e-300, 0.0, -3.0, 1e300}) d.Add(v);
  d.Sort();
  EXPECT_EQ(std::vector<double>(d.begin(), d.end()), (std::vector<double>{-1e300, -3.0, 0.0, 1e-300, 2.5, 1e300}));
}

TEST(HugeArray, SortMovesObjectsWithElements) {
  THugeInteger a(8);
  std::vector<int> tags(300);
  std::mt19937 rng(11);
  for (int i = 0; i < 300; ++i) a.AddObject(static_cast<int32_t>(rng() % 100000), &tags[i]);
  std::vector<std::pair<int32_t, void*>> before;
  for (int i = 0; i < a.Count(); ++i) before.emplace_back(a[i], a.Object(i));
  a.Sort();
  std::vector<std::pair<int32_t, void*>> after;
  for (int i = 0; i < a.Count(); ++i) after.emplace_back(a[i], a.Object(i));
  EXPECT_TRUE(
      std::is_sorted(after.begin(), after.end(), [](const auto& x, const auto& y) { return x.first < y.first; }));
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(before, after);
}

TEST(HugeString, CutsToCapacityAndSortsByCaseRule) {
  THugeString s(5);
  s.Add("abcdefgh");
  EXPECT_EQ(s[0], "abcde");
  s.Put(0, "123456");
  EXPECT_EQ(s[0], "12345");

  THugeString t(20);
  for (const char* v : {"b", "B", "a", "C", "A~", "\xE9"}) t.Add(v);
  t.Sort();  // byte order: upper case before lower case, high bytes last
  EXPECT_EQ(std::vector<std::string>(t.begin(), t.end()), (std::vector<std::string>{"A~", "B", "C", "a", "b", "\xE9"}));
  t.CaseSensitive = false;
  t.Delete(1);  // drop "B" so the order is unique
  t.Sort();
  EXPECT_EQ(std::vector<std::string>(t.begin(), t.end()), (std::vector<std::string>{"a", "A~", "b", "C", "\xE9"}));
  t.Ascending = false;
  t.Sort();
  EXPECT_EQ(t[0], "\xE9");
  EXPECT_EQ(t[4], "a");
  EXPECT_EQ(THugeString::CompareText("abc", "ABD", false), -1);
  EXPECT_EQ(THugeString::CompareText("ab", "AB", false), 0);
  EXPECT_EQ(THugeString::CompareText("ab", "ABC", false), -1);
}

TEST(ColorArrays, AlphaAndGrey) {
  TColorArray c(4);
  c.Add(0x00123456);
  c.Add(0xFF0000FF);
  c.SetAlpha(0.5);  // 127.5 rounds to even
  EXPECT_EQ(c[0], 0x80123456u);
  EXPECT_EQ(c[1], 0x800000FFu);
  c.SetAlpha(std::nan(""));
  EXPECT_EQ(c[0], 0x00123456u);
  c.SetAlpha(3.0);
  EXPECT_EQ(c[1], 0xFF0000FFu);

  TGLColorArray g(2);
  g.AddGrey(0x00ABCDEF);
  g.Add(TGLColorTriple{{1, 2, 3}});
  g.PutGrey(1, 0x00010203);
  g.SetAlpha(1.0 / 255);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(g[0].c[i], 0x01ABCDEFu);
    EXPECT_EQ(g[1].c[i], 0x01010203u);
  }
}

// Faulting in is only a hint to the kernel: what the block holds stays, on
// any cut among threads, from page-aligned or not.
TEST(HugePages, FaultingInKeepsContents) {
  constexpr int kCapacity = 3 << 20, kFilled = 1 << 20;
  THugeArray<int64_t> a(kCapacity);
  for (int i = 0; i < kFilled; ++i) a.Add(int64_t{i} * 2654435761);
  struct Case {
    int from, to, threads;
  };
  for (const Case c :
       {Case{0, kFilled, 2}, Case{7, kFilled - 3, 3}, Case{kFilled, kCapacity, 2}, Case{0, 1, 8}, Case{5, 5, 2}}) {
    FaultInPages(a.Data(), c.from, c.to, c.threads);
    for (int i = 0; i < kFilled; ++i) ASSERT_EQ(a[i], int64_t{i} * 2654435761) << c.from << " " << c.to;
  }
  // The room past the count takes elements as before.
  for (int i = kFilled; i < kCapacity; ++i) a.Add(-i);
  EXPECT_EQ(a[kCapacity - 1], -(kCapacity - 1));
  EXPECT_EQ(a.Capacity(), kCapacity);
}

}  // namespace
}  // namespace lumora
