#include "text/search.h"

#include <algorithm>
#include <cstddef>

#include "text/scan.h"

namespace ximing {
namespace {

using scan::byteAt;
using scan::foldAscii;

// The upper-case partner of a code page 936 two-byte character, for the letters
// that have one: full-width Latin (row A3), Greek (row A6) and Cyrillic (row A7).
unsigned foldDoubleByte(unsigned code) {
  if (code >= 0xA3E1 && code <= 0xA3FA) return code - 0x20;  // ａ..ｚ -> Ａ..Ｚ
  if (code >= 0xA6C1 && code <= 0xA6D8) return code - 0x20;  // α..ω -> Α..Ω
  if (code >= 0xA7D1 && code <= 0xA7F1) return code - 0x30;  // а..я -> А..Я
  return code;
}

// Reads the character of `t` at `i` as one code, advancing `i` past it.
unsigned nextCharacter(std::string_view t, std::size_t& i, bool fold) {
  const unsigned char lead = byteAt(t, i);
  if (lead >= 0x81 && lead <= 0xFE && i + 1 < t.size()) {
    const unsigned code = (unsigned{lead} << 8) | byteAt(t, i + 1);
    i += 2;
    return fold ? foldDoubleByte(code) : code;
  }
  i += 1;
  return fold ? foldAscii(lead) : lead;
}

Text mapAscii(std::string_view t, unsigned char from, unsigned char to, int delta) {
  Text result(t);
  for (std::size_t i = 0; i < result.size(); ++i) {
    const unsigned char c = byteAt(result, i);
    if (c >= 0x80) {
      ++i;  // the second byte of a two-byte character stays as it is
    } else if (c >= from && c <= to) {
      result[i] = static_cast<char>(c + delta);
    }
  }
  return result;
}

}  // namespace

std::int32_t findText(std::string_view t, std::string_view s, std::optional<std::int32_t> start,
                      bool ignoreCase) {
  const std::size_t begin =
      start ? static_cast<std::size_t>(std::max<std::int64_t>(std::int64_t{*start} - 1, 0)) : 0;
  if (begin >= t.size()) return -1;
  if (s.empty()) return 1;

  // Find raw matches quickly, then keep only those at a character start, counted from
  // where the search begins. `known` is the last place known to begin a character.
  std::optional<scan::FoldedSearch> folded;
  if (ignoreCase) folded.emplace(t, s);
  std::size_t known = begin;
  std::size_t from = begin;
  for (;;) {
    const std::size_t hit = folded ? folded->next(from) : t.find(s, from);
    if (hit == std::string_view::npos) return -1;
    if (scan::beginsCharacter(t, known, hit, 0x80)) return static_cast<std::int32_t>(hit + 1);
    known = hit + 1;  // the hit is a second byte, so the byte after it begins a character
    from = hit + 1;
  }
}

std::int32_t compareText(std::string_view a, std::string_view b, bool caseSensitive) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    const unsigned x = nextCharacter(a, i, !caseSensitive);
    const unsigned y = nextCharacter(b, j, !caseSensitive);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

Text toUpperText(std::string_view t) { return mapAscii(t, 'a', 'z', -32); }

Text toLowerText(std::string_view t) { return mapAscii(t, 'A', 'Z', 32); }

}  // namespace ximing
