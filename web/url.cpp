#include "web/url.h"

#include "text/number.h"
#include "text/search.h"

namespace ximing {
namespace {

constexpr std::string_view kScheme = "http://";

bool hasScheme(std::string_view address) {
  return compareText(textLeft(address, textLength(kScheme)), kScheme, false) == 0;
}

// The 1-based position of the first "/", "?" or "#" at or after `start`, or -1.
std::int32_t findPartEnd(std::string_view address, std::int32_t start) {
  std::int32_t end = -1;
  for (std::string_view mark : {"/", "?", "#"}) {
    const std::int32_t p = findText(address, mark, start, true);
    if (p > 0 && (end < 0 || p < end)) end = p;
  }
  return end;
}

}  // namespace

Text splitHostPort(std::string_view address) {
  if (hasScheme(address)) {
    const std::int32_t first = textLength(kScheme) + 1;
    const std::int32_t p = findPartEnd(address, first);
    if (p > 0) return textMid(address, first, p - first);
    return deleteText(address, 1, textLength(kScheme));
  }
  const std::int32_t p = findPartEnd(address, 1);
  if (p > 0) return textLeft(address, p - 1);
  return Text(address);
}

Text urlHost(std::string_view address) {
  Text h = splitHostPort(address);
  const std::int32_t q = findText(h, ":", 1, true);
  if (q > 0) h = textLeft(h, q - 1);
  return toLowerText(h);
}

std::int32_t urlPort(std::string_view address) {
  const Text h = splitHostPort(address);
  const std::int32_t q = findText(h, ":", 1, true);
  const Text port = q > 0 ? textRight(h, textLength(h) - q) : Text("80");
  return lowInt32(truncateToInt(textToNumber(port)));
}

Text urlObjectPath(std::string_view address) {
  const std::int32_t prefix = hasScheme(address) ? textLength(kScheme) : 0;
  const std::int32_t consumed = prefix + textLength(splitHostPort(address));
  const Text rest = textRight(address, textLength(address) - consumed);
  if (textLeft(rest, 1) == "/") return rest;
  return concatText({"/", rest});
}

}  // namespace ximing
