// textToNumber against a reference that narrows the full-width forms itself, picks out
// the leading number by its grammar, writes it in the plain form that strtod reads
// and lets the C library round it. glibc's strtod rounds correctly, and so must
// textToNumber: the two values must be the same bits (the sign of a zero included).
// truncateToInt and lowInt32 are checked on the way, as the port reading uses them.
//
// Input: the text, up to the first NUL.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "text/number.h"

namespace {

// Two-byte characters (a first byte of 0x80 or above and the byte after it) that stand
// for a printable ASCII character become that character; others stay as they are. A
// first byte with nothing after it is dropped.
std::string narrow(std::string_view t) {
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const auto lead = static_cast<unsigned char>(t[i]);
    if (lead < 0x80) {
      out += t[i];
      continue;
    }
    if (i + 1 == t.size()) break;
    const auto trail = static_cast<unsigned char>(t[++i]);
    const unsigned code = lead * 256u + trail;
    if (code >= 0xA3A1 && code <= 0xA3FE) {
      out += static_cast<char>(trail - 0x80);  // full-width ！ .. ￣
    } else if (code == 0xA1A1) {
      out += ' ';  // ideographic space
    } else if (code == 0xA1AB) {
      out += '~';
    } else if (code == 0xA1EE || code == 0xA1EF) {
      out += '*';
    } else {
      out += static_cast<char>(lead);
      out += static_cast<char>(trail);
    }
  }
  return out;
}

bool digit(char c) { return c >= '0' && c <= '9'; }

double referenceTextToNumber(std::string_view t) {
  const std::string s = narrow(t);
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  std::string sign;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) sign = s[i++];
  std::string whole;
  std::string fraction;
  bool point = false;
  for (; i < s.size(); ++i) {
    if (digit(s[i])) {
      (point ? fraction : whole) += s[i];
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (whole.empty() && fraction.empty()) return 0.0;

  std::string exponent;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    std::size_t j = i + 1;
    std::string expSign;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) expSign = s[j++];
    std::string expDigits;
    while (j < s.size() && digit(s[j])) expDigits += s[j++];
    if (!expDigits.empty()) exponent = "e" + expSign + expDigits;
  }

  const std::string plain =
      sign + (whole.empty() ? "0" : whole) + "." + (fraction.empty() ? "0" : fraction) + exponent;
  return std::strtod(plain.c_str(), nullptr);  // out of range still gives ±inf or the nearest
}

std::int64_t referenceTruncate(double x) {
  if (std::isnan(x) || x >= 0x1p63 || x < -0x1p63) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::trunc(x));
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ximing::fuzz::check;
  ximing::fuzz::FuzzInput in(data, size);
  const std::string_view t = in.text();

  const double got = ximing::textToNumber(t);
  const double want = referenceTextToNumber(t);
  if (!sameBits(got, want)) {
    std::fprintf(stderr, "textToNumber: %.17g, reference: %.17g\n", got, want);
    ximing::fuzz::fail("textToNumber differs from the reference");
  }

  const std::int64_t truncated = ximing::truncateToInt(got);
  check(truncated == referenceTruncate(got), "truncateToInt differs from the reference");
  const std::uint32_t low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(truncated));
  std::int32_t expectedLow = 0;
  std::memcpy(&expectedLow, &low, sizeof low);
  check(ximing::lowInt32(truncated) == expectedLow, "lowInt32 is not the low 32 bits");
  return 0;
}
