#include "geometry/NumberText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace lumora {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NumberTextTest, FixedAndGroupedTexts) {
  struct Case {
    double v;
    int decimals;
    const char *fixed, *grouped;
  };
  const Case cases[] = {
      {0, 1, "0.0", "0.0"},
      {999.94, 1, "999.9", "999.9"},
      {1234.5, 1, "1234.5", "1,234.5"},
      {1234567.25, 1, "1234567.2", "1,234,567.2"},  // halves to even, as printed exactly
      {123456, 3, "123456.000", "123,456.000"},
      {-98765.43, 1, "-98765.4", "-98,765.4"},
      {-0.004, 2, "-0.00", "-0.00"},  // the sign stays, unlike WriteFixed's
      {1e21, 0, "1000000000000000000000", "1,000,000,000,000,000,000,000"},
      {kNaN, 1, "nan", "n/a"},
      {-kNaN, 1, "nan", "n/a"},
      {kInf, 2, "inf", "n/a"},
      {-kInf, 2, "-inf", "n/a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FixedText(c.v, c.decimals), c.fixed) << c.v;
    EXPECT_EQ(GroupedNumber(c.v, c.decimals), c.grouped) << c.v;
  }
  EXPECT_EQ(FixedText(-std::numeric_limits<double>::max(), 100).size(), 1 + 309 + 1 + 100u);
}

// Grouping only adds commas, every three digits left of the point.
TEST(NumberTextTest, GroupingKeepsTheDigits) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 2000; ++i) {
    const double v = std::ldexp(static_cast<double>(static_cast<int64_t>(rng())), -static_cast<int>(rng() % 80));
    const int decimals = static_cast<int>(rng() % 4);
    const std::string grouped = GroupedNumber(v, decimals);
    std::string digits = grouped;
    std::erase(digits, ',');
    ASSERT_EQ(digits, FixedText(v, decimals));
    const size_t point = std::min(grouped.find('.'), grouped.size());
    for (size_t k = 0; k < point; ++k) {  // k counts leftwards from the point
      const char c = grouped[point - 1 - k];
      ASSERT_EQ(c == ',', k % 4 == 3 && c != '-') << grouped;
    }
  }
  for (const int64_t n : {int64_t{0}, int64_t{999}, int64_t{-12345}, std::numeric_limits<int64_t>::min()}) {
    std::string grouped = GroupedNumber(n);
    std::erase(grouped, ',');
    EXPECT_EQ(grouped, std::to_string(n));
  }
  EXPECT_EQ(GroupedNumber(int64_t{1000}), "1,000");
  EXPECT_EQ(GroupedNumber(int64_t{1234567}), "1,234,567");
  EXPECT_EQ(GroupedNumber(std::numeric_limits<int64_t>::min()), "-9,223,372,036,854,775,808");
}

}  // namespace
}  // namespace lumora
