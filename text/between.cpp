#include "text/between.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

#include "text/scan.h"

namespace ximing {
namespace {

bool isLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x81; }

// The offsets in `s` that are second bytes of its two-byte characters: with
// `ignoreCase` they must match `t` exactly, never by case folding.
std::vector<std::size_t> secondByteOffsets(std::string_view s) {
  std::vector<std::size_t> offsets;
  for (std::size_t k = 0; k < s.size(); ++k) {
    if (isLeadByte(s[k]) && k + 1 < s.size()) offsets.push_back(++k);
  }
  return offsets;
}

}  // namespace

std::int32_t findTextFrom(std::string_view t, std::string_view s, std::int32_t start,
                          bool ignoreCase) {
  if (t.empty() || s.empty()) return -1;
  const auto begin = static_cast<std::size_t>(std::max<std::int64_t>(std::int64_t{start} - 1, 0));
  if (begin > t.size() || s.size() > t.size() - begin) return -1;

  const std::vector<std::size_t> exact =
      ignoreCase ? secondByteOffsets(s) : std::vector<std::size_t>{};
  // Under the byte rule a byte of 0x80 or above only ever matches itself, so the
  // folded search (ASCII letters in either case) finds exactly the raw matches.
  std::optional<scan::FoldedSearch> folded;
  if (ignoreCase) folded.emplace(t, s);
  // Characters are counted from the text's first byte; `known` is the last place
  // known to begin one.
  std::size_t known = 0;
  std::size_t from = begin;
  for (;;) {
    const std::size_t hit = folded ? folded->next(from) : t.find(s, from);
    if (hit == std::string_view::npos) return -1;
    if (!scan::beginsCharacter(t, known, hit, 0x81)) {
      known = hit + 1;  // the hit began on the second byte of a character
      from = hit + 1;
      continue;
    }
    known = hit;
    const bool exactOk =
        std::all_of(exact.begin(), exact.end(), [&](std::size_t k) { return t[hit + k] == s[k]; });
    if (exactOk) return static_cast<std::int32_t>(hit + 1);
    from = hit + 1;
  }
}

Text copySpan(std::string_view t, std::int32_t start, std::int32_t length) {
  const std::int32_t size = textLength(t);
  if (start < 1 || start > size || length <= 0) return {};
  length = std::min(length, size - start + 1);
  return Text(t.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length)));
}

Text textBetween(std::string_view t, std::string_view left, std::string_view right,
                 std::int32_t& position) {
  const std::int32_t p = findTextFrom(t, left, position, false);
  if (p == -1) {
    position = 0;
    return {};
  }
  const std::int32_t a = p + textLength(left);
  const std::int32_t q = findTextFrom(t, right, a, false);
  if (q == -1) {
    position = 0;
    return {};
  }
  position = q + textLength(right);
  return copySpan(t, a, q - a);
}

}  // namespace ximing
