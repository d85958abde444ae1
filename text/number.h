// Numbers between texts and integers, read and written without the C locale.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

namespace ximing {

// The leading decimal number of `t`, or 0 when there is none. Full-width forms of
// the printable ASCII characters (and the ideographic space) count as their ASCII
// selves. Leading blanks (tab to carriage return, space) are skipped; then come an
// optional sign, digits with an optional decimal point, and an optional exponent
// (e, E, d or D, an optional sign, digits). Nothing else is accepted: no "inf",
// "nan" or hexadecimal.
double textToNumber(std::string_view t);

// `x` truncated toward zero; a value outside the 64-bit range (infinities and NaN
// included) gives the most negative 64-bit value.
std::int64_t truncateToInt(double x);

// The low 32 bits of `v`, as the callers use a truncated number as a 32-bit integer.
std::int32_t lowInt32(std::int64_t v);

// `n` in decimal, with a minus sign when negative.
Text intToText(std::int32_t n);

}  // namespace ximing
