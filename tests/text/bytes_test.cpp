#include "text/bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace ximing {
namespace {

Bytes bytes(std::string s) { return Bytes(s.begin(), s.end()); }

TEST(Bytes, ClampAndJoin) {
  EXPECT_EQ(blankBytes(3), bytes(std::string(3, '\0')));
  EXPECT_TRUE(blankBytes(0).empty());
  EXPECT_TRUE(blankBytes(-1).empty());
  EXPECT_TRUE(bytesLeft(blankBytes(512), 0).empty());
  EXPECT_TRUE(bytesLeft(bytes("abc"), -1).empty());
  EXPECT_EQ(bytesLeft(bytes("abc"), 2), bytes("ab"));
  EXPECT_EQ(bytesLeft(bytes("abc"), 9), bytes("abc"));
  EXPECT_TRUE(concatBytes({}, {}).empty());
  EXPECT_EQ(concatBytes(bytes(std::string("a\0", 2)), bytes("b")), bytes(std::string("a\0b", 3)));
}

TEST(BytesToText, StopsAtTheFirstNul) {
  EXPECT_EQ(bytesToText(bytes(std::string("ab\0cd", 5))), "ab");
  EXPECT_EQ(bytesToText(bytes("abc")), "abc");
  EXPECT_EQ(bytesToText(bytes(std::string("\0a", 2))), "");
  EXPECT_EQ(bytesToText({}), "");
}

}  // namespace
}  // namespace ximing
