#include "text/search.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace ximing {
namespace {

struct FindCase {
  std::string t;
  std::string s;
  std::optional<std::int32_t> start;
  bool ignoreCase;
  std::int32_t expected;
};

TEST(FindText, AnswersFirstMatchAtACharacterStart) {
  const FindCase cases[] = {
      {"a/b/c", "/", std::nullopt, false, 2},
      {"a/b/c", "/", 3, false, 4},
      {"a/b/c", "/", 0, false, 2},
      {"a/b/c", "/", -5, false, 2},
      {"a/b/c", "/", 6, false, -1},
      {"a/b/c", "/", 5, false, -1},
      {"a/b/c", "/", INT32_MIN, false, 2},
      {"abc", "", std::nullopt, false, 1},
      {"abc", "", 3, false, 1},  // an empty search answers 1 even from further on
      {"abc", "", 4, false, -1},
      {"", "", std::nullopt, false, -1},
      {"", "a", std::nullopt, false, -1},
      {"ab", "abc", std::nullopt, false, -1},
      {"SOUND NOT EXIST", "Sound not exist", std::nullopt, true, 1},
      {"SOUND NOT EXIST", "Sound not exist", std::nullopt, false, -1},
      {"x SOUND NOT EXIST", "Sound not exist", std::nullopt, true, 3},
      // The second A is the second byte of a two-byte character.
      {"\xB0\x41\x41", "A", std::nullopt, false, 3},
      {"\xB0\x41\x41", "a", std::nullopt, true, 3},
      // 0x80 begins a two-byte character in this search.
      {"\x80\x41\x41", "A", std::nullopt, false, 3},
      // Character starts are counted from the start position, not the text's start.
      {"\xB0\x41\x41", "A", 2, false, 2},
      // A lead byte that ends the text ends the search.
      {"x\xB0", "\xB0", std::nullopt, false, 2},
      {"\xB0", "x", std::nullopt, false, -1},
      // Case folding also applies to the bytes of two-byte characters.
      {"\xB0\x61", "\xB0\x41", std::nullopt, true, 1},
      {"\xB0\x61", "\xB0\x41", std::nullopt, false, -1},
      {"aaab", "aab", std::nullopt, false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "t=" << testing::PrintToString(c.t) << " s=" << c.s
                                    << " start=" << (c.start ? *c.start : 0));
    EXPECT_EQ(findText(c.t, c.s, c.start, c.ignoreCase), c.expected);
  }
}

TEST(FindText, StaysLinearOnLongTwoByteText) {
  // Characters whose second byte is the searched byte: a search that re-walked the
  // text for every candidate would take hours here.
  std::string t;
  for (int i = 0; i < (4 << 20); ++i) t += "\xB0[";
  t += "[x]";
  EXPECT_EQ(findText(t, "[x]", std::nullopt, false), static_cast<std::int32_t>(t.size()) - 2);
  EXPECT_EQ(findText(t, "[X]", std::nullopt, true), static_cast<std::int32_t>(t.size()) - 2);
}

struct CompareCase {
  std::string a;
  std::string b;
  bool caseSensitive;
  bool equal;
};

TEST(CompareText, FoldsLettersOfBothWidthsWithoutCase) {
  const CompareCase cases[] = {
      {"http://", "HTTP://", false, true},
      {"http://", "HTTP://", true, false},
      {"", "", true, true},
      {"abc", "abcd", false, false},
      {"abc", "abd", false, false},
      // Full-width Latin, Greek and Cyrillic letters of code page 936.
      {"\xA3\xC1\xA3\xDA", "\xA3\xE1\xA3\xFA", false, true},  // ＡＺ / ａｚ
      {"\xA3\xC1", "\xA3\xE1", true, false},
      {"\xA6\xA1\xA6\xB8", "\xA6\xC1\xA6\xD8", false, true},  // ΑΩ / αω
      {"\xA7\xA1\xA7\xC1", "\xA7\xD1\xA7\xF1", false, true},  // АЯ / ая
      {"\xA7\xA7", "\xA7\xD7", false, true},                  // Ё / ё
      // A full-width letter is not its ASCII self.
      {"\xA3\xC1", "A", false, false},
      // The second byte of a two-byte character is not an ASCII letter.
      {"\x81\x61", "\x81\x41", false, false},
      // 0x80 stands alone in code page 936, so the byte after it is a letter.
      {"\x80\x61", "\x80\x41", false, true},
      {"\xB0\xA1", "\xB0\xA1", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.a) + " vs " + testing::PrintToString(c.b));
    EXPECT_EQ(compareText(c.a, c.b, c.caseSensitive) == 0, c.equal);
    EXPECT_EQ(compareText(c.b, c.a, c.caseSensitive) == 0, c.equal);
  }
}

TEST(CompareText, OrdersTexts) {
  EXPECT_LT(compareText("abc", "abd", true), 0);
  EXPECT_GT(compareText("abcd", "abc", true), 0);
}

TEST(CaseMapping, ChangesOnlyAsciiLettersOutsideTwoByteCharacters) {
  EXPECT_EQ(toUpperText("\xB0\x61\x62"), "\xB0\x61\x42");
  EXPECT_EQ(toLowerText("\xB0\x41\x42"), "\xB0\x41\x62");
  EXPECT_EQ(toUpperText("post-Z9@["), "POST-Z9@[");
  EXPECT_EQ(toLowerText("POST-a9@["), "post-a9@[");
  EXPECT_EQ(toUpperText("a\xB0"), "A\xB0");
  EXPECT_EQ(toUpperText("\x80z"), "\x80z");
  EXPECT_EQ(toUpperText(""), "");
}

}  // namespace
}  // namespace ximing
