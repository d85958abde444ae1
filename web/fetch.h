// Fetching one page over HTTP.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "text/text.h"
#include "web/http_client.h"

namespace ximing {

// Runs the window events that are waiting; answers false once the program is closing,
// and the fetch then stops reading.
using EventPump = std::function<bool()>;

// What every request carries.
inline constexpr std::string_view kUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
inline constexpr std::string_view kHttpVersion = "HTTP/1.1";
inline constexpr std::uint32_t kTimeoutMilliseconds = 18000;
inline constexpr std::int32_t kReadChunkBytes = 512;
inline constexpr std::int32_t kResponseHeaderBytes = 1024;
// A server that sends without end gets this much read and no more.
inline constexpr std::int32_t kMaxBodyBytes = 16 << 20;

// `headers` completed with the default lines that it lacks (Accept, Referer naming
// `address`, Accept-Language) and, for a POST with a body, Content-Type and
// Content-Length. A header is added only when "Name: " occurs nowhere in the block
// (ignoring ASCII case); a block that does not end in CR LF gets one first.
Text completeRequestHeaders(const Text& headers, const Text& address, const Text& method,
                            const Text& body);

// Performs one HTTP request for `address` and answers the response body up to its
// first NUL byte, whatever the status; the empty text when no request could be made.
// `pump` runs before every read of up to 512 bytes. `method` becomes "GET" unless it
// is POST in some case; `headers` is completed as above. Both are written back.
// `proxy`, when given, names an HTTP proxy. `responseHeaders`, when not null,
// receives the raw response headers after the body has been read (1024 spaces when
// they do not fit in 1024 bytes). An address holding a control byte is refused
// before anything is opened, leaving `method` and `headers` as they were. Reading
// stops after kMaxBodyBytes.
Text fetchPage(HttpClient& client, const EventPump& pump, const Text& address, Text& method,
               const std::optional<Text>& proxy, Text& headers, const Text& body,
               Text* responseHeaders);

// A GET of `address` with nothing optional given.
Text fetchPage(HttpClient& client, const EventPump& pump, const Text& address);

}  // namespace ximing
