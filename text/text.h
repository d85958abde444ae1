// The text model shared by the whole program, and its primitive operations.
//
// A Text is a byte string in the system's ANSI code page (code page 936 for the
// program's own literals). It holds no NUL byte of its own; an absent text and the
// empty text are the same value. Positions are 1-based byte positions, lengths are
// byte counts, and every integer here is 32-bit signed, as the callers compute with
// them. No primitive fails: out-of-range positions and counts are clamped or give
// the empty text. Each returns a new value and leaves its arguments unchanged.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace ximing {

using Text = std::string;

// The number of bytes of `t`.
std::int32_t textLength(std::string_view t);

// The first min(n, length) bytes of `t`; empty for n <= 0.
Text textLeft(std::string_view t, std::int32_t n);

// The last min(n, length) bytes of `t`; empty for n <= 0.
Text textRight(std::string_view t, std::int32_t n);

// Up to `n` bytes of `t` from 1-based position `start`; empty when `start` lies
// outside the text or n <= 0.
Text textMid(std::string_view t, std::int32_t start, std::int32_t n);

// `t` without `count` bytes from 1-based position `start` (a start before 1 counts
// as 1). A count that runs past the end removes the rest; count <= 0 removes nothing.
Text deleteText(std::string_view t, std::int32_t start, std::int32_t count);

// True when the two byte sequences are identical.
bool textEquals(std::string_view a, std::string_view b);

// The texts joined in order.
Text concatText(std::initializer_list<std::string_view> parts);

// `n` spaces; empty for n < 1.
Text blankText(std::int32_t n);

}  // namespace ximing
