#include "text/between.h"

#include <gtest/gtest.h>

#include <string>

namespace ximing {
namespace {

struct BetweenCase {
  std::string t;
  std::string left;
  std::string right;
  std::int32_t position;
  std::string expected;
  std::int32_t positionAfter;
};

TEST(TextBetween, TakesTheTextBetweenDelimitersAndMovesTheCursor) {
  const BetweenCase cases[] = {
      {"xx[AB]yy", "[", "]", 0, "AB", 7},
      {"[A][B]", "[", "]", 0, "A", 4},
      {"[A][B]", "[", "]", 4, "B", 7},
      {"[A][B]", "[", "]", 7, "", 0},
      {"[]x", "[", "]", 0, "", 3},
      {"x[A", "[", "]", 0, "", 0},   // no right delimiter after the left one
      {"]x[A", "[", "]", 0, "", 0},  // a right delimiter only before it
      {"[A]", "[a", "]", 0, "", 0},  // delimiters match with case
      {"[A]", "", "]", 0, "", 0},    // an empty delimiter is never found
      {"[A]", "[", "", 5, "", 0},
      {"x[A]", "[", "]", -3, "A", 5},
      {"", "[", "]", 0, "", 0},
      {"<<a>>", "<<", ">>", 1, "a", 6},
      {"[A]]", "[", "]]", 0, "A", 5},
      {"\xB0[[A]", "[", "]", 0, "A", 6},  // the first [ is a second byte
      {R"(,"source":"http:\/\/x\/a.mp3",")", R"(,"source":")", R"(",")", 0, R"(http:\/\/x\/a.mp3)",
       32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.t) + " from " + std::to_string(c.position));
    std::int32_t position = c.position;
    EXPECT_EQ(textBetween(c.t, c.left, c.right, position), c.expected);
    EXPECT_EQ(position, c.positionAfter);
  }
}

struct FindFromCase {
  std::string t;
  std::string s;
  std::int32_t start;
  bool ignoreCase;
  std::int32_t expected;
};

TEST(FindTextFrom, TestsCharacterBoundariesFromTheTextsStart) {
  const FindFromCase cases[] = {
      {"x[A]", "[", -3, false, 2},
      {"abc", "", 1, false, -1},
      {"", "a", 1, false, -1},
      {"abc", "c", 4, false, -1},
      {"abc", "c", 3, false, 3},
      {"abc", "abcd", 1, false, -1},
      {"\xB0\x5B\x5B", "[", 2, false, 3},         // start on a second byte
      {"\x41\xB0\xA1", "\x41\xB0", 1, false, 1},  // a match may end inside a character
      {"\xB0\x5B\x41\x5D", "[", 1, false, -1},    // the only [ is a second byte
      {"\x80\x5B", "[", 1, false, 2},             // 0x80 stands alone here
      {"\x81\x5B\x5B", "[", 1, false, 3},
      {"\xB0\xB1\x61", "\xB0\xB1\x41", 1, true, 1},
      {"\xB0\xB1\x61", "\xB0\xB1\x41", 1, false, -1},
      {"\xB0\x41", "\xB0\x61", 1, true, -1},  // second bytes never fold
      {"A", "a", 1, true, 1},
      {"A", "a", 1, false, -1},
      {"\xB0\x41zA", "a", 1, true, 4},
      {"xSOUND", "sound", 1, true, 2},
      {"\xB1", "\xB1", 1, true, 1},  // a last lead byte takes nothing along
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.t) + " for " + testing::PrintToString(c.s));
    EXPECT_EQ(findTextFrom(c.t, c.s, c.start, c.ignoreCase), c.expected);
  }
}

TEST(FindTextFrom, StaysLinearOnLongTwoByteText) {
  // 16 MiB of two-byte characters whose second byte is the delimiter, with the
  // delimiters at the very end: re-walking the text per candidate would never end.
  std::string t;
  t.reserve((16 << 20) + 16);
  while (t.size() < (16u << 20)) t += "\xB0[";
  t += "[A]";
  std::int32_t position = 0;
  EXPECT_EQ(textBetween(t, "[", "]", position), "A");
  EXPECT_EQ(position, static_cast<std::int32_t>(t.size()) + 1);
  EXPECT_EQ(findTextFrom(t, "[a", 1, true), static_cast<std::int32_t>(t.size()) - 2);
}

TEST(CopySpan, ClampsLength) {
  EXPECT_EQ(copySpan("abc", 2, 10), "bc");
  EXPECT_EQ(copySpan("abc", 4, 1), "");
  EXPECT_EQ(copySpan("abc", 3, 0), "");
  EXPECT_EQ(copySpan("abc", 0, 2), "");
  EXPECT_EQ(copySpan("abc", 1, -1), "");
  EXPECT_EQ(copySpan("abc", 1, 3), "abc");
}

}  // namespace
}  // namespace ximing
