#include "text/between.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace ximing {
namespace {

bool isLeadByte(char c) { return static_cast<unsigned char>(c) >= 0x81; }

unsigned char foldAscii(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') ? static_cast<unsigned char>(u - 32) : u;
}

// Where `s` next occurs in `t` at or after `from` under the byte rule: identical
// bytes, or with `ignoreCase` the same ASCII letter in either case. Folding both
// sides to upper case gives exactly that, because a byte of 0x80 or above only ever
// equals itself after folding.
std::size_t findRaw(std::string_view t, std::string_view s, std::size_t from, bool ignoreCase) {
  if (!ignoreCase) return t.find(s, from);
  for (std::size_t i = from; i + s.size() <= t.size(); ++i) {
    std::size_t k = 0;
    while (k < s.size() && foldAscii(t[i + k]) == foldAscii(s[k])) ++k;
    if (k == s.size()) return i;
  }
  return std::string_view::npos;
}

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

  const std::vector<std::size_t> exact = ignoreCase ? secondByteOffsets(s) : std::vector<std::size_t>{};
  // `cursor` walks the character starts from the text's first byte, once in all.
  std::size_t cursor = 0;
  std::size_t from = begin;
  for (;;) {
    const std::size_t hit = findRaw(t, s, from, ignoreCase);
    if (hit == std::string_view::npos) return -1;
    while (cursor < hit) cursor += isLeadByte(t[cursor]) ? 2 : 1;
    if (cursor != hit) {
      from = cursor;  // the hit began on the second byte of a character
      continue;
    }
    const bool exactOk = std::all_of(exact.begin(), exact.end(),
                                     [&](std::size_t k) { return t[hit + k] == s[k]; });
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
