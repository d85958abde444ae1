#include "web/fetch.h"

#include <algorithm>
#include <utility>

#include "text/bytes.h"
#include "text/number.h"
#include "text/search.h"
#include "web/url.h"

namespace ximing {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// Adds `line` to `block` unless `name` occurs anywhere in it. A block whose last
// line lacks its CR LF gets one first, so that two headers are never glued together.
void addHeaderUnlessPresent(Text& block, std::string_view name, const Text& line) {
  if (findText(block, name, 1, true) > 0) return;
  if (!block.empty() && !block.ends_with(kCrLf)) block += kCrLf;
  block += line;
}

// A byte below 0x20 or 0x7F would travel into the request line and the Referer
// header and could split the request; such an address is never sent.
bool hasControlByte(std::string_view address) {
  return std::any_of(address.begin(), address.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
  });
}

// Closes what a fetch opened, in the order session, connection, request.
void closeAll(HttpClient& client, std::initializer_list<HttpHandle> handles) {
  for (HttpHandle h : handles) client.close(h);
}

}  // namespace

Text completeRequestHeaders(const Text& headers, const Text& address, const Text& method,
                            const Text& body) {
  Text block = headers;
  addHeaderUnlessPresent(block, "Accept: ",
                         "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
                         "application/x-shockwave-flash, application/vnd.ms-excel, "
                         "application/vnd.ms-powerpoint, application/msword, */*\r\n");
  addHeaderUnlessPresent(block, "Referer: ", concatText({"Referer: ", address, kCrLf}));
  addHeaderUnlessPresent(block, "Accept-Language: ", "Accept-Language: zh-cn\r\n");
  if (!textEquals(method, "GET") && !body.empty()) {
    addHeaderUnlessPresent(block,
                           "Content-Type: ", "Content-Type: application/x-www-form-urlencoded\r\n");
    addHeaderUnlessPresent(block, "Content-Length: ",
                           concatText({"Content-Length: ", intToText(textLength(body)), kCrLf}));
  }
  return block;
}

Text fetchPage(HttpClient& client, const EventPump& pump, const Text& address, Text& method,
               const std::optional<Text>& proxy, Text& headers, const Text& body,
               Text* responseHeaders) {
  if (hasControlByte(address)) return {};

  std::optional<Text> proxyList;
  if (proxy) proxyList = concatText({"http=", *proxy});
  const HttpHandle session = client.openSession(Text(kUserAgent), proxyList);
  if (!session) return {};

  const HttpHandle connection = client.connect(session, urlHost(address), urlPort(address));
  if (!connection) {
    closeAll(client, {session});
    return {};
  }

  if (!textEquals(toUpperText(method), "POST")) method = "GET";
  const HttpHandle request = client.openRequest(connection, method, urlObjectPath(address),
                                                Text(kHttpVersion), kHttpFlagReload);
  if (!request) {
    closeAll(client, {session, connection});
    return {};
  }

  client.setTimeout(request, HttpTimeout::kConnect, kTimeoutMilliseconds);
  client.setTimeout(request, HttpTimeout::kReceive, kTimeoutMilliseconds);
  client.setTimeout(request, HttpTimeout::kSend, kTimeoutMilliseconds);

  headers = completeRequestHeaders(headers, address, method, body);
  client.send(request, headers, textEquals(method, "GET") ? Text() : body);

  // The count alone ends the loop: a failed read reads as the end of the body.
  Bytes gathered;
  std::int32_t count = 1;
  while (count > 0 && gathered.size() < static_cast<std::size_t>(kMaxBodyBytes)) {
    if (!pump()) break;
    Bytes chunk = blankBytes(kReadChunkBytes);
    const auto room = std::min<std::int32_t>(
        kReadChunkBytes, kMaxBodyBytes - static_cast<std::int32_t>(gathered.size()));
    count = std::clamp(client.read(request, chunk.data(), room), 0, room);
    gathered = concatBytes(std::move(gathered), bytesLeft(chunk, count));
  }

  if (responseHeaders) {
    Text buffer = blankText(kResponseHeaderBytes);
    buffer.push_back('\0');  // the query must find a NUL after the spaces it may leave
    client.queryRawHeaders(request, buffer.data(), kResponseHeaderBytes);
    *responseHeaders = bytesToText(Bytes(buffer.begin(), buffer.end()));
  }

  closeAll(client, {session, connection, request});
  return bytesToText(gathered);
}

Text fetchPage(HttpClient& client, const EventPump& pump, const Text& address) {
  Text method;
  Text headers;
  return fetchPage(client, pump, address, method, std::nullopt, headers, Text(), nullptr);
}

}  // namespace ximing
