// Searching, comparing and case-mapping texts.
//
// These primitives know about two-byte characters: in findText and the case
// mappings a byte of 0x80 or above begins a two-byte character and takes the byte
// after it along, whatever that byte is; compareText follows code page 936 (lead
// bytes 0x81 to 0xFE). Nothing here depends on the machine's locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "text/text.h"

namespace ximing {

// The 1-based position of the first occurrence of `s` in `t` at or after `start`
// (1 when not given; a start before 1 counts as 1), or -1. Candidates are tried only
// at character starts, counted from where the search begins. With `ignoreCase`, a
// byte pair matches when both are the same ASCII letter in either case (the bytes of
// two-byte characters fold that way too). An empty `s` is found at 1 whenever the
// searched region is not empty, even when `start` is greater than 1.
std::int32_t findText(std::string_view t, std::string_view s, std::optional<std::int32_t> start,
                      bool ignoreCase);

// 0 when `a` and `b` are equal, otherwise -1 or 1 as `a` sorts before or after `b`.
// Texts are compared character by character, a code page 936 two-byte character
// counting as one. Without `caseSensitive`, ASCII letters and the letters among the
// two-byte characters (full-width Latin, Greek, Cyrillic) compare without case.
std::int32_t compareText(std::string_view a, std::string_view b, bool caseSensitive);

// `t` with ASCII lower-case letters made upper case; the second byte of a two-byte
// character is never changed.
Text toUpperText(std::string_view t);

// `t` with ASCII upper-case letters made lower case; the second byte of a two-byte
// character is never changed.
Text toLowerText(std::string_view t);

}  // namespace ximing
