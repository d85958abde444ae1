#include "text/number.h"

#include <charconv>
#include <limits>
#include <string>

namespace ximing {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// `t` with full-width forms turned into the single bytes they stand for. A lone
// first byte at the very end is dropped.
std::string narrowFullWidth(std::string_view t) {
  std::string out;
  out.reserve(t.size());
  for (std::size_t i = 0; i < t.size(); ++i) {
    const auto lead = static_cast<unsigned char>(t[i]);
    if (lead < 0x80) {
      out.push_back(t[i]);
      continue;
    }
    if (i + 1 >= t.size()) break;
    const auto trail = static_cast<unsigned char>(t[++i]);
    if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      out.push_back(static_cast<char>(trail - 0x80));
    } else if (lead == 0xA1 && trail == 0xA1) {
      out.push_back(' ');
    } else if (lead == 0xA1 && trail == 0xAB) {
      out.push_back('~');
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      out.push_back('*');
    } else {
      out.push_back(static_cast<char>(lead));
      out.push_back(static_cast<char>(trail));
    }
  }
  return out;
}

}  // namespace

double textToNumber(std::string_view t) {
  const std::string s = narrowFullWidth(t);
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;

  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

  // The mantissa is copied in the plain form that std::from_chars reads; the
  // exponent is kept apart so that an out-of-range value can be told from a tiny one.
  std::string mantissa;
  bool anyDigit = false;
  bool nonZero = false;
  std::int64_t leadingExponent = 0;  // decimal exponent of the first non-zero digit, + 1
  bool pointSeen = false;
  for (; i < s.size(); ++i) {
    if (isDigit(s[i])) {
      anyDigit = true;
      if (s[i] != '0') nonZero = true;
      if (nonZero && !pointSeen) ++leadingExponent;
      if (!nonZero && pointSeen) --leadingExponent;
      mantissa.push_back(s[i]);
    } else if (s[i] == '.' && !pointSeen) {
      pointSeen = true;
      mantissa.push_back('.');
    } else {
      break;
    }
  }
  if (!anyDigit) return 0.0;

  std::int64_t exponent = 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    std::size_t j = i + 1;
    bool expNegative = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) expNegative = s[j++] == '-';
    if (j < s.size() && isDigit(s[j])) {
      constexpr std::int64_t kCap = 100000000;  // far beyond any double's range
      for (; j < s.size() && isDigit(s[j]); ++j) {
        if (exponent < kCap) exponent = exponent * 10 + (s[j] - '0');
      }
      if (expNegative) exponent = -exponent;
    }
  }
  if (!nonZero) return negative ? -0.0 : 0.0;

  const std::string plain = mantissa + "e" + std::to_string(exponent);
  double value = 0.0;
  const auto [end, ec] =
      std::from_chars(plain.data(), plain.data() + plain.size(), value, std::chars_format::general);
  (void)end;
  if (ec == std::errc::result_out_of_range) {
    value = leadingExponent + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

std::int64_t truncateToInt(double x) {
  // 2^63 is exactly representable; anything at or beyond it (or NaN) is out of range.
  constexpr double kLimit = 9223372036854775808.0;
  if (!(x >= -kLimit && x < kLimit)) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(x);  // the conversion truncates toward zero
}

std::int32_t lowInt32(std::int64_t v) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

Text intToText(std::int32_t n) { return std::to_string(n); }

}  // namespace ximing
