// What both HTTP clients refuse before anything goes out, so that the two builds
// behave alike: a host, a method or a port that would not name what the caller meant.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace ximing {

// A host name as it can stand in an address and a Host header unchanged. Anything else
// (a user part, a port, a path, spaces, line breaks) would reach a different server, or
// a different request, than the one asked for.
inline bool isPlainHostName(std::string_view host) {
  return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
  });
}

// A method is an HTTP token; anything else could break the request line apart.
inline bool isHttpToken(std::string_view text) {
  constexpr std::string_view kSymbols = "!#$%&'*+-.^_`|~";
  return !text.empty() && std::all_of(text.begin(), text.end(), [&](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           kSymbols.find(c) != std::string_view::npos;
  });
}

// A TCP port, or 0 for the HTTP default. A larger number must not wrap round to
// another port.
inline bool isPortOrDefault(std::int32_t port) { return port >= 0 && port <= 65535; }

}  // namespace ximing
