#include "text/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

namespace ximing {
namespace {

struct SliceCase {
  const char* what;
  std::function<Text()> run;
  Text expected;
};

TEST(TextSlicing, ClampsInsteadOfFailing) {
  const SliceCase cases[] = {
      {"left 0", [] { return textLeft("abc", 0); }, ""},
      {"left negative", [] { return textLeft("abc", -1); }, ""},
      {"left past end", [] { return textLeft("abc", 10); }, "abc"},
      {"left 2", [] { return textLeft("abc", 2); }, "ab"},
      {"right negative", [] { return textRight("abc", -2); }, ""},
      {"right past end", [] { return textRight("abc", 99); }, "abc"},
      {"right 1", [] { return textRight("abc", 1); }, "c"},
      {"mid after end", [] { return textMid("abc", 4, 1); }, ""},
      {"mid runs past end", [] { return textMid("abc", 2, 99); }, "bc"},
      {"mid from 0", [] { return textMid("abc", 0, 2); }, ""},
      {"mid from most negative", [] { return textMid("abc", INT32_MIN, 2); }, ""},
      {"mid count 0", [] { return textMid("abc", 1, 0); }, ""},
      {"mid cuts a two-byte character", [] { return textMid("\xB0\xA1x", 2, 2); }, "\xA1x"},
      {"delete scheme", [] { return deleteText("http://srv", 1, 7); }, "srv"},
      {"delete past end", [] { return deleteText("abc", 2, 99); }, "a"},
      {"delete after end", [] { return deleteText("abc", 9, 1); }, "abc"},
      {"delete from before start", [] { return deleteText("abc", -4, 1); }, "bc"},
      {"delete nothing", [] { return deleteText("abc", 2, 0); }, "abc"},
      {"delete negative count", [] { return deleteText("abc", 2, -3); }, "abc"},
      {"delete middle", [] { return deleteText("abcd", 2, 2); }, "ad"},
      {"blank 3", [] { return blankText(3); }, "   "},
      {"blank 0", [] { return blankText(0); }, ""},
      {"blank negative", [] { return blankText(-5); }, ""},
      {"concat",
       [] {
         return concatText({"a", "", "bc"});
       },
       "abc"},
      {"concat nothing", [] { return concatText({}); }, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.run(), c.expected);
  }
}

TEST(TextEquals, ComparesBytesExactly) {
  EXPECT_TRUE(textEquals("", Text()));
  EXPECT_TRUE(textEquals("POST", "POST"));
  EXPECT_FALSE(textEquals("POST", "post"));
  EXPECT_FALSE(textEquals("ab", "abc"));
  EXPECT_EQ(textLength("\xB0\xA1"), 2);
}

}  // namespace
}  // namespace ximing
