// compareText against a slow reference that splits both texts into code page 936
// characters first and then compares the two lists.
//
// Input: one byte of options (bit 0: caseSensitive), then the texts a and b separated
// by a NUL. Equal or not must agree with the reference both ways; with case, the sign
// must agree too. Without case the reference checks equality only: the order of a
// folded letter against other characters is no promise of the routine.
#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "text/search.h"

namespace {

// A character's value is its byte, or for a two-byte character (a first byte of 0x81
// to 0xFE with a byte after it) first byte × 256 + second byte. A first byte at the
// very end of the text stands alone.
std::vector<unsigned> characters(std::string_view t) {
  std::vector<unsigned> out;
  for (std::size_t i = 0; i < t.size();) {
    const auto lead = static_cast<unsigned char>(t[i]);
    if (lead >= 0x81 && lead <= 0xFE && i + 1 < t.size()) {
      out.push_back(lead * 256u + static_cast<unsigned char>(t[i + 1]));
      i += 2;
    } else {
      out.push_back(lead);
      i += 1;
    }
  }
  return out;
}

// The letters that have a case partner, as runs of the code page: each lower-case
// letter maps to the upper-case one at the same place in its run.
struct CaseRun {
  unsigned firstLower;
  unsigned firstUpper;
  unsigned count;
};
constexpr CaseRun kCaseRuns[] = {
    {'a', 'A', 26},        // ASCII
    {0xA3E1, 0xA3C1, 26},  // full-width Latin
    {0xA6C1, 0xA6A1, 24},  // Greek
    {0xA7D1, 0xA7A1, 33},  // Cyrillic
};

unsigned upper(unsigned c) {
  for (const CaseRun& run : kCaseRuns) {
    if (c >= run.firstLower && c < run.firstLower + run.count)
      return c - run.firstLower + run.firstUpper;
  }
  return c;
}

int referenceCompare(std::string_view a, std::string_view b, bool caseSensitive) {
  std::vector<unsigned> x = characters(a);
  std::vector<unsigned> y = characters(b);
  if (!caseSensitive) {
    for (unsigned& c : x) c = upper(c);
    for (unsigned& c : y) c = upper(c);
  }
  for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) {
    if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
  }
  if (x.size() == y.size()) return 0;
  return x.size() < y.size() ? -1 : 1;
}

int sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ximing::fuzz::check;
  ximing::fuzz::FuzzInput in(data, size);
  const bool caseSensitive = (in.byte() & 1) != 0;
  const std::string_view a = in.text();
  const std::string_view b = in.text();

  const std::int32_t got = ximing::compareText(a, b, caseSensitive);
  const int want = referenceCompare(a, b, caseSensitive);
  check((got == 0) == (want == 0), "compareText disagrees with the reference on equality");
  if (caseSensitive) check(sign(got) == sign(want), "compareText orders differently");
  check(got == -1 || got == 0 || got == 1, "compareText answers other than -1, 0 or 1");
  check(ximing::compareText(b, a, caseSensitive) == -got, "compareText is not antisymmetric");
  check(ximing::compareText(a, a, caseSensitive) == 0, "a text differs from itself");
  return 0;
}
