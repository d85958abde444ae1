// Taking the text that stands between two delimiters, with a cursor that walks
// through successive occurrences.
//
// This has its own search and copy, whose edges differ from findText and textMid:
// here a byte of 0x81 or above begins a two-byte character (0x80 stands alone),
// character starts are counted from the text's first byte whatever the start
// position, and an empty search text is never found.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

namespace ximing {

// The text between the first `left` at or after `position` and the first `right`
// after it. On success `position` moves just past `right`; when either delimiter is
// missing the answer is empty and `position` becomes 0. Delimiters match with case.
Text textBetween(std::string_view t, std::string_view left, std::string_view right,
                 std::int32_t& position);

// The 1-based position of the first match of `s` in `t` at or after `start`, or -1.
// Only a match whose first byte begins a character counts; it may end inside one.
// With `ignoreCase`, ASCII letters of `t` match `s` in either case, but the second
// byte of a two-byte character in `s` must match exactly.
std::int32_t findTextFrom(std::string_view t, std::string_view s, std::int32_t start,
                          bool ignoreCase);

// Up to `length` bytes of `t` from 1-based position `start`; empty when `start` is
// below 1 or beyond the end, or when `length` is 0 or less.
Text copySpan(std::string_view t, std::int32_t start, std::int32_t length);

}  // namespace ximing
