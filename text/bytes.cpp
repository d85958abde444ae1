#include "text/bytes.h"

#include <algorithm>

namespace ximing {

Bytes blankBytes(std::int32_t n) {
  if (n <= 0) return {};
  return Bytes(static_cast<std::size_t>(n), '\0');
}

Bytes bytesLeft(const Bytes& b, std::int32_t n) {
  const auto k = std::min(static_cast<std::size_t>(std::max(n, 0)), b.size());
  return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(k));
}

Bytes concatBytes(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

Text bytesToText(const Bytes& b) {
  const auto nul = std::find(b.begin(), b.end(), '\0');
  return Text(b.begin(), nul);
}

}  // namespace ximing
