// findTextFrom, textBetween and copySpan against slow references that follow their
// rules step by step.
//
// Input: one byte of options (bit 0: ignoreCase for findTextFrom; bit 1: t is expanded
// by expandRuns, see fuzz_input.h), a start position as
// an int32, a length as an int32, then three texts separated by NULs: t, s and right.
// The run checks findTextFrom(t, s, start), copySpan(t, start, length), and a walk of
// textBetween(t, s, right, position) from position = start through the occurrences
// until the position falls back to 0 (at most 64 steps).
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "text/between.h"

namespace {

unsigned char at(std::string_view t, std::int64_t i) {
  return static_cast<unsigned char>(t[static_cast<std::size_t>(i)]);
}

bool isAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A byte x of the text matches a byte y of the search text when they are equal, or
// (ignoring case) when x is below 0x80 and both are the same letter in different case.
bool bytesMatch(unsigned char x, unsigned char y, bool ignoreCase) {
  if (x == y) return true;
  return ignoreCase && x < 0x80 && isAsciiLetter(x) && isAsciiLetter(y) && (x | 0x20) == (y | 0x20);
}

// Here a byte of 0x81 or above begins a two-byte character.
bool isLead(unsigned char c) { return c >= 0x81; }

std::int32_t referenceFindTextFrom(std::string_view t, std::string_view s, std::int32_t start,
                                   bool ignoreCase) {
  if (t.empty() || s.empty()) return -1;
  const std::int64_t length = static_cast<std::int64_t>(t.size());
  const std::int64_t need = static_cast<std::int64_t>(s.size());
  const std::int64_t b = std::int64_t{start} - 1 < 0 ? 0 : std::int64_t{start} - 1;
  if (need > length - b) return -1;
  const std::int64_t candidates = length - b - need + 1;
  for (std::int64_t i = b; i < b + candidates; ++i) {
    bool ok = true;
    for (std::int64_t k = 0; k < need && ok; ++k)
      ok = bytesMatch(at(t, i + k), at(s, k), ignoreCase);
    if (!ok) continue;

    // The candidate must begin a character, counting characters from the text's start.
    std::int64_t j = 0;
    while (j < i) j += isLead(at(t, j)) ? 2 : 1;
    if (j != i) continue;

    // Ignoring case, the second bytes of the search text's two-byte characters must
    // be the very bytes of the text.
    if (ignoreCase) {
      std::int64_t k = 0;
      while (k < need && ok) {
        if (isLead(at(s, k)) && k + 1 < need) {
          ok = at(t, i + k + 1) == at(s, k + 1);
          k += 2;
        } else {
          k += 1;
        }
      }
      if (!ok) continue;
    }
    return static_cast<std::int32_t>(i + 1);
  }
  return -1;
}

std::string referenceCopySpan(std::string_view t, std::int32_t start, std::int32_t length) {
  const std::int64_t size = static_cast<std::int64_t>(t.size());
  if (start < 1 || start > size || length <= 0) return {};
  std::int64_t n = length;
  if (n > size - start + 1) n = size - start + 1;
  return std::string(t.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(n)));
}

std::string referenceTextBetween(std::string_view t, std::string_view left, std::string_view right,
                                 std::int32_t& position) {
  const std::int32_t p = referenceFindTextFrom(t, left, position, false);
  if (p == -1) {
    position = 0;
    return {};
  }
  const std::int32_t a = p + static_cast<std::int32_t>(left.size());
  const std::int32_t q = referenceFindTextFrom(t, right, a, false);
  if (q == -1) {
    position = 0;
    return {};
  }
  position = q + static_cast<std::int32_t>(right.size());
  return referenceCopySpan(t, a, q - a);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ximing::fuzz::check;
  ximing::fuzz::FuzzInput in(data, size);
  const std::uint8_t options = in.byte();
  const bool ignoreCase = (options & 1) != 0;
  const std::int32_t start = in.int32();
  const std::int32_t length = in.int32();
  const std::string_view given = in.text();
  const std::string expanded = (options & 2) != 0 ? ximing::fuzz::expandRuns(given) : std::string();
  const std::string_view t = (options & 2) != 0 ? std::string_view(expanded) : given;
  const std::string_view s = in.text();
  const std::string_view right = in.text();

  check(ximing::findTextFrom(t, s, start, ignoreCase) ==
            referenceFindTextFrom(t, s, start, ignoreCase),
        "findTextFrom differs from the reference");

  check(ximing::copySpan(t, start, length) == referenceCopySpan(t, start, length),
        "copySpan differs from the reference");

  // Each successful step moves the position forward, so the walk ends within
  // length(t) + 1 steps. It is cut off after 64: the reference walks the text from its
  // start for every step, and a long expanded text would make a run take seconds.
  std::int32_t position = start;
  std::int32_t referencePosition = start;
  for (std::size_t step = 0; step < 64; ++step) {
    const std::string got = ximing::textBetween(t, s, right, position);
    const std::string want = referenceTextBetween(t, s, right, referencePosition);
    check(got == want, "textBetween answers differently from the reference");
    check(position == referencePosition, "textBetween moves the position differently");
    if (position == 0) break;
  }
  return 0;
}
