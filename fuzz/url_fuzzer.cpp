// Properties of address splitting on any address.
//
// Input: the address, up to the first NUL.
//
// - No call crashes.
// - The path begins with "/".
// - Nothing is lost or invented: the scheme (when there is one), the host-and-port
//   part and the path without the "/" that may have been put in front make up the
//   address again, and the host-and-port part ends at the first "/", "?" or "#" that
//   begins a character.
// - The host is the host-and-port part up to its first colon, and holds no upper-case
//   ASCII letter, except as the second byte of a two-byte character, which lower-casing
//   leaves alone.
// - The port is the number reading of what follows that colon, truncated and cut to
//   its low 32 bits; 80 when there is no colon.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "text/number.h"
#include "web/url.h"

namespace {

unsigned char at(std::string_view t, std::size_t i) { return static_cast<unsigned char>(t[i]); }

// The index of the first byte of `t` from `from` on that begins a character and is one
// of `marks`, counting characters from `from` (a byte of 0x80 or above takes the next
// one along); t.size() when there is none.
std::size_t firstMark(std::string_view t, std::size_t from, std::string_view marks) {
  std::size_t i = from;
  while (i < t.size()) {
    if (marks.find(t[i]) != std::string_view::npos) return i;
    i += at(t, i) >= 0x80 ? 2 : 1;
  }
  return t.size();
}

bool startsWithScheme(std::string_view address) {
  constexpr std::string_view kScheme = "http://";
  if (address.size() < kScheme.size()) return false;
  for (std::size_t i = 0; i < kScheme.size(); ++i) {
    unsigned char c = at(address, i);
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    if (c != static_cast<unsigned char>(kScheme[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ximing::fuzz::check;
  ximing::fuzz::FuzzInput in(data, size);
  const std::string_view address = in.text();

  const std::string hostPort = ximing::splitHostPort(address);
  const std::string host = ximing::urlHost(address);
  const std::int32_t port = ximing::urlPort(address);
  const std::string path = ximing::urlObjectPath(address);

  check(!path.empty() && path.front() == '/', "the path does not begin with /");

  const std::size_t schemeLength = startsWithScheme(address) ? 7 : 0;
  const std::size_t partEnd = firstMark(address, schemeLength, "/?#");
  check(hostPort == address.substr(schemeLength, partEnd - schemeLength),
        "the host-and-port part does not end at the first /, ? or #");
  const std::string_view rest = address.substr(partEnd);
  check(path == rest || (path == "/" + std::string(rest) && (rest.empty() || rest.front() != '/')),
        "the path is not what follows the host-and-port part");

  const std::size_t colon = firstMark(hostPort, 0, ":");
  check(host.size() == colon, "the host is not the part before the first colon");
  for (std::size_t i = 0; i < host.size(); i += at(host, i) >= 0x80 ? 2 : 1) {
    check(!(host[i] >= 'A' && host[i] <= 'Z'), "the host holds an upper-case letter");
    const char original = hostPort[i];
    const char lowered =
        (original >= 'A' && original <= 'Z') ? static_cast<char>(original + 32) : original;
    check(host[i] == lowered, "the host is not the lower-cased host part");
    if (i + 1 < host.size() && at(host, i) >= 0x80) {
      check(host[i + 1] == hostPort[i + 1], "lower-casing changed a second byte");
    }
  }

  const std::int32_t expectedPort =
      colon == hostPort.size() ? 80
                               : ximing::lowInt32(ximing::truncateToInt(ximing::textToNumber(
                                     std::string_view(hostPort).substr(colon + 1))));
  check(port == expectedPort, "the port is not the number reading of the port text");
  return 0;
}
