#include "text/number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace ximing {
namespace {

struct NumberCase {
  std::string t;
  double expected;
};

TEST(TextToNumber, ReadsTheLeadingDecimalNumberOnly) {
  const NumberCase cases[] = {
      {"123abc", 123},
      {"", 0},
      {"x", 0},
      {"1d2", 100},
      {"1D2", 100},
      {"1e2", 100},
      {"2.5E-1", 0.25},
      {"1e", 1},  // an exponent letter that no digit follows is not part of it
      {"1e+", 1},
      {"1ex", 1},
      {" \t\r\n\v\f-42", -42},
      {"+7", 7},
      {"-", 0},
      {".", 0},
      {".5", 0.5},
      {"5.", 5},
      {"1.2.3", 1.2},
      {"--1", 0},
      {"inf", 0},
      {"nan", 0},
      {"infinity", 0},
      {"0x1A", 0},
      {"1,5", 1},
      {"\xA1\xA1\xA3\xB8\xA3\xB0", 80},  // ideographic space, full-width 8 and 0
      {"\xA3\xAD\xA3\xB5", -5},          // full-width minus sign and 5
      {"1\xA3\xAE\xA3\xB5", 1.5},        // full-width decimal point
      {"\xB0\xA1"
       "5",
       0},           // another two-byte character stops it
      {"7\xB0", 7},  // a lone first byte at the end is dropped
      {"00012", 12},
      {"1e400", std::numeric_limits<double>::infinity()},
      {"-1e400", -std::numeric_limits<double>::infinity()},
      {"1e-400", 0},
      {"0e999999999999999999", 0},
      {"123456789012345678901234567890", 1.2345678901234568e29},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.t));
    EXPECT_DOUBLE_EQ(textToNumber(c.t), c.expected);
  }
}

TEST(TruncateToInt, TruncatesTowardZeroAndFlagsOutOfRange) {
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(truncateToInt(-1.7), -1);
  EXPECT_EQ(truncateToInt(1.7), 1);
  EXPECT_EQ(truncateToInt(0.0), 0);
  EXPECT_EQ(truncateToInt(9.2233720368547748e18), 9223372036854774784LL);
  EXPECT_EQ(truncateToInt(9.2233720368547758e18), kMin);
  EXPECT_EQ(truncateToInt(-9.2233720368547758e18), kMin);
  EXPECT_EQ(truncateToInt(std::numeric_limits<double>::infinity()), kMin);
  EXPECT_EQ(truncateToInt(-std::numeric_limits<double>::infinity()), kMin);
  EXPECT_EQ(truncateToInt(std::nan("")), kMin);
  EXPECT_EQ(lowInt32(truncateToInt(4294967296.0 + 81)), 81);
  EXPECT_EQ(lowInt32(truncateToInt(-1.0)), -1);
  EXPECT_EQ(lowInt32(truncateToInt(2147483648.0)), INT32_MIN);
}

TEST(IntToText, WritesPlainDecimal) {
  EXPECT_EQ(intToText(0), "0");
  EXPECT_EQ(intToText(512), "512");
  EXPECT_EQ(intToText(-7), "-7");
  EXPECT_EQ(intToText(INT32_MIN), "-2147483648");
}

}  // namespace
}  // namespace ximing
