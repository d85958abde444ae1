#include "text/text.h"

#include <algorithm>

namespace ximing {

std::int32_t textLength(std::string_view t) { return static_cast<std::int32_t>(t.size()); }

Text textLeft(std::string_view t, std::int32_t n) {
  if (n <= 0) return {};
  return Text(t.substr(0, static_cast<std::size_t>(n)));
}

Text textRight(std::string_view t, std::int32_t n) {
  if (n <= 0) return {};
  const auto k = std::min(static_cast<std::size_t>(n), t.size());
  return Text(t.substr(t.size() - k));
}

Text textMid(std::string_view t, std::int32_t start, std::int32_t n) {
  // 64-bit so that start - 1 cannot overflow for the most negative start.
  const std::int64_t s = std::int64_t{start} - 1;
  if (s < 0 || s >= textLength(t) || n <= 0) return {};
  return Text(t.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(n)));
}

Text deleteText(std::string_view t, std::int32_t start, std::int32_t count) {
  const std::int32_t length = textLength(t);
  const std::int32_t c = std::min(std::max(start, 1) - 1, length);
  const std::int32_t rest = length - c;
  std::int32_t removed = 0;
  if (rest < std::max(count, 0)) {
    removed = rest;
  } else if (count > 0) {
    removed = count;
  }
  Text result(t.substr(0, static_cast<std::size_t>(c)));
  result.append(t.substr(static_cast<std::size_t>(c + removed)));
  return result;
}

bool textEquals(std::string_view a, std::string_view b) { return a == b; }

Text concatText(std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (auto p : parts) total += p.size();
  Text result;
  result.reserve(total);
  for (auto p : parts) result.append(p);
  return result;
}

Text blankText(std::int32_t n) {
  if (n < 1) return {};
  return Text(static_cast<std::size_t>(n), ' ');
}

}  // namespace ximing
