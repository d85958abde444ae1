// The HTTP client seam: exactly the operations that fetchPage performs, so that it is
// written once and runs over WinInet on Windows, libcurl on Linux, and a scripted
// double in the tests.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "text/text.h"

namespace ximing {

// A handle given out by a client; 0 means none could be had.
using HttpHandle = std::uintptr_t;

// The time-outs a request has, numbered as WinInet numbers its options.
enum class HttpTimeout : std::uint32_t { kConnect = 2, kSend = 5, kReceive = 6 };

// Always fetch from the server, never from a cache.
inline constexpr std::uint32_t kHttpFlagReload = 0x80000000u;

class HttpClient {
 public:
  virtual ~HttpClient() = default;

  // Opens a session that sends `userAgent`. With `proxyList` (such as
  // "http=host:port") requests go through that HTTP proxy, otherwise directly.
  virtual HttpHandle openSession(const Text& userAgent, const std::optional<Text>& proxyList) = 0;

  // A connection to `host` on `port` within `session`; port 0 means the HTTP default.
  virtual HttpHandle connect(HttpHandle session, const Text& host, std::int32_t port) = 0;

  // A request for `objectPath` with `method` and `version` on `connection`.
  virtual HttpHandle openRequest(HttpHandle connection, const Text& method, const Text& objectPath,
                                 const Text& version, std::uint32_t flags) = 0;

  // Sets one time-out of `request`.
  virtual void setTimeout(HttpHandle request, HttpTimeout which, std::uint32_t milliseconds) = 0;

  // Sends the request with `headers` (lines each ended by CR LF) and `body`.
  virtual void send(HttpHandle request, const Text& headers, const Text& body) = 0;

  // Reads up to `size` bytes of the response body into `buffer`. Answers how many
  // arrived: 0 at the end of the body and on any failure or time-out.
  virtual std::int32_t read(HttpHandle request, char* buffer, std::int32_t size) = 0;

  // Writes the raw response headers (CR LF line ends, ended by a NUL) into `buffer`
  // when they fit in `size` bytes; leaves `buffer` untouched otherwise.
  virtual void queryRawHeaders(HttpHandle request, char* buffer, std::int32_t size) = 0;

  // Releases `handle`. Handles may be closed in any order, a parent before its
  // children included; closing one twice or closing 0 does nothing.
  virtual void close(HttpHandle handle) = 0;
};

// The real client of this build: WinInet on Windows, libcurl elsewhere.
std::unique_ptr<HttpClient> makeHttpClient();

}  // namespace ximing
