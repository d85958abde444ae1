// findText against a slow reference that walks the text exactly as its rules read.
//
// Input: one byte of options (bit 0: ignoreCase; bit 1: no start given; bit 2: t is
// expanded by expandRuns, see fuzz_input.h), a start as an int32, then the texts t and
// s separated by a NUL.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "text/search.h"

namespace {

bool isAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Two bytes match when identical, or (ignoring case) when both are the same ASCII
// letter in different case. Bytes of two-byte characters get no special treatment.
bool bytesMatch(unsigned char x, unsigned char y, bool ignoreCase) {
  if (x == y) return true;
  return ignoreCase && isAsciiLetter(x) && isAsciiLetter(y) && (x | 0x20) == (y | 0x20);
}

// A cursor walks from the start of the searched region; at each stop the bytes there
// are compared with `s`; a byte of 0x80 or above makes the cursor step over the next
// byte too, and stepping onto the end of the text ends the search.
std::int32_t referenceFindText(std::string_view t, std::string_view s,
                               std::optional<std::int32_t> start, bool ignoreCase) {
  const std::int64_t length = static_cast<std::int64_t>(t.size());
  std::int64_t b = 0;
  if (start) b = *start - std::int64_t{1} < 0 ? 0 : *start - std::int64_t{1};
  if (b >= length) return -1;  // the searched region is empty
  if (s.empty()) return 1;

  const auto need = static_cast<std::int64_t>(s.size());
  std::int64_t cursor = b;
  std::int64_t remaining = length - b;
  while (remaining >= need) {
    bool match = true;
    for (std::int64_t k = 0; k < need && match; ++k) {
      match = bytesMatch(static_cast<unsigned char>(t[static_cast<std::size_t>(cursor + k)]),
                         static_cast<unsigned char>(s[static_cast<std::size_t>(k)]), ignoreCase);
    }
    if (match) return static_cast<std::int32_t>(cursor + 1);
    if (static_cast<unsigned char>(t[static_cast<std::size_t>(cursor)]) >= 0x80) {
      ++cursor;
      --remaining;
      if (cursor >= length) return -1;
    }
    ++cursor;
    --remaining;
  }
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ximing::fuzz::FuzzInput in(data, size);
  const std::uint8_t options = in.byte();
  const std::int32_t startValue = in.int32();
  const std::string_view given = in.text();
  const std::string_view s = in.text();
  const std::string expanded = (options & 4) != 0 ? ximing::fuzz::expandRuns(given) : std::string();
  const std::string_view t = (options & 4) != 0 ? std::string_view(expanded) : given;

  const bool ignoreCase = (options & 1) != 0;
  std::optional<std::int32_t> start;
  if ((options & 2) == 0) start = startValue;

  const std::int32_t got = ximing::findText(t, s, start, ignoreCase);
  const std::int32_t want = referenceFindText(t, s, start, ignoreCase);
  ximing::fuzz::check(got == want, "findText differs from the reference");
  return 0;
}
