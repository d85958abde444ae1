// fetchPage over the scripted client, fed fuzzed failures, read sizes and bodies.
//
// Input:
//   byte 0: options. bit 0, 1, 2: no session, no connection, no request;
//           bit 3: once the scripted reads run out, the server sends without end;
//           bit 4: the caller wants the response headers; bit 5: a proxy is given;
//           bit 6: the pump never stops the loop (below).
//   byte 1: the event pump answers false (the program is closing) on this call, 1 for
//           the first; 0: on the 256th call, or never with bit 6. An endless server is
//           read up to kMaxBodyBytes only with bit 6. That takes 32768 reads, about half
//           a second under the sanitizers, and fuzzing would spend nearly all its time
//           there: scripts/fuzz.sh sets XIMING_FUZZ_SHORT_READS=1, which makes bit 6
//           count as clear. Replay a saved input with the same setting.
//   byte 2: the byte an endless server sends.
//   then six texts separated by NULs: address, method, header block, request body,
//   proxy, raw response headers;
//   then the reads: each a length as two bytes, little-endian, and that many bytes
//   (fewer when the input ends), NULs allowed. A read of length 0 is the end of the
//   body. The scripted client cuts each to the size asked for and keeps the rest
//   for the next read.
//
// The answer must be the bytes the reads delivered, in order, up to the first NUL,
// never more than kMaxBodyBytes, and the client must see the calls of a fetch in
// order: what was opened is closed, session first.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "tests/web/scripted_http_client.h"
#include "web/fetch.h"
#include "web/url.h"

namespace {

using ximing::Text;
using ximing::testing_support::ScriptedHttpClient;

bool hasControlByte(std::string_view t) {
  for (char c : t) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return true;
  }
  return false;
}

bool isPost(std::string_view method) {
  if (method.size() != 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    const char c = method[i];
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    if (upper != "POST"[i]) return false;
  }
  return true;
}

// The reading a server scripted so would give: how many reads happen before the
// pump stops the loop or a read brings nothing, and the bytes gathered.
struct Expected {
  std::string gathered;
  int reads = 0;
};

Expected expectedReading(std::deque<std::string> reads, std::optional<char> endless, int pumpStop) {
  Expected e;
  const auto limit = static_cast<std::size_t>(ximing::kMaxBodyBytes);
  for (int pumpCalls = 1; e.gathered.size() < limit; ++pumpCalls) {
    if (pumpCalls == pumpStop) break;
    const std::size_t room = std::min<std::size_t>(512, limit - e.gathered.size());
    ++e.reads;
    std::size_t got = 0;
    if (!reads.empty()) {
      got = std::min(room, reads.front().size());
      e.gathered += reads.front().substr(0, got);
      reads.front().erase(0, got);
      if (reads.front().empty()) reads.pop_front();
    } else if (endless) {
      got = room;
      e.gathered.append(room, *endless);
    }
    if (got == 0) break;
  }
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ximing::fuzz::check;
  ximing::fuzz::FuzzInput in(data, size);
  const std::uint8_t options = in.byte();
  const int pumpByte = in.byte();
  const char endlessByte = static_cast<char>(in.byte());
  const Text address(in.text());
  const Text methodGiven(in.text());
  const Text headersGiven(in.text());
  const Text body(in.text());
  const Text proxyText(in.text());
  const std::string rawHeaders(in.text());

  ScriptedHttpClient client;
  client.failSession = (options & 1) != 0;
  client.failConnect = (options & 2) != 0;
  client.failRequest = (options & 4) != 0;
  if ((options & 8) != 0) client.endlessByte = endlessByte;
  client.rawHeaders = rawHeaders;
  client.quietReads = true;
  const bool wantHeaders = (options & 16) != 0;
  static const bool shortReads = std::getenv("XIMING_FUZZ_SHORT_READS") != nullptr;
  const bool neverStop = (options & 64) != 0 && !shortReads;
  const int pumpStop = pumpByte != 0 ? pumpByte : (neverStop ? 0 : 256);
  std::optional<Text> proxy;
  if ((options & 32) != 0) proxy = proxyText;

  ximing::fuzz::FuzzInput reads(reinterpret_cast<const std::uint8_t*>(in.rest().data()),
                                in.rest().size());
  while (!reads.rest().empty()) {
    const std::size_t n = std::min<std::size_t>(reads.uint16(), reads.rest().size());
    client.reads.emplace_back(reads.rest().substr(0, n));
    reads = ximing::fuzz::FuzzInput(reinterpret_cast<const std::uint8_t*>(reads.rest().data() + n),
                                    reads.rest().size() - n);
  }
  const std::deque<std::string> scripted = client.reads;

  int pumpCalls = 0;
  const ximing::EventPump pump = [&] { return ++pumpCalls != pumpStop; };

  Text method = methodGiven;
  Text headers = headersGiven;
  Text responseHeaders = "untouched";
  const Text answer = ximing::fetchPage(client, pump, address, method, proxy, headers, body,
                                        wantHeaders ? &responseHeaders : nullptr);

  // Refused before anything is opened.
  if (hasControlByte(address)) {
    check(answer.empty() && client.log.empty(), "an address with a control byte was used");
    check(method == methodGiven && headers == headersGiven, "a refused fetch changed arguments");
    return 0;
  }

  const std::string opened = "openSession " + Text(ximing::kUserAgent) + " | " +
                             (proxy ? "http=" + *proxy : std::string("direct"));
  check(!client.log.empty() && client.log.front() == opened, "the session is not opened first");
  const bool reachedRequest = !client.failSession && !client.failConnect;
  const bool reachedReading = reachedRequest && !client.failRequest;
  if (!reachedReading) {
    check(answer.empty() && client.readCalls == 0, "a failed fetch read or answered something");
    check(responseHeaders == "untouched", "a failed fetch wrote response headers");
    check(headers == headersGiven, "a failed fetch changed the header block");
  }
  if (!reachedRequest) {
    check(method == methodGiven, "the method changed before a request was opened");
  } else {
    check(client.log[1] == "connect session " + ximing::urlHost(address) + " " +
                               std::to_string(ximing::urlPort(address)),
          "the connection is not to the address's host and port");
    check(method == (isPost(methodGiven) ? methodGiven : Text("GET")),
          "the method is not normalised");
  }

  // Whatever was opened is closed, in the order session, connection, request.
  std::deque<std::string> closes;
  if (!client.failSession) closes.push_back("close session");
  if (reachedRequest) closes.push_back("close connection");
  if (reachedReading) closes.push_back("close request");
  check(client.log.size() >= closes.size() + 1, "the log is too short");
  for (std::size_t i = 0; i < closes.size(); ++i) {
    check(client.log[client.log.size() - closes.size() + i] == closes[i],
          "handles are not closed in order");
  }
  if (!reachedReading) return 0;

  check(headers == ximing::completeRequestHeaders(headersGiven, address, method, body),
        "the completed header block is not written back");
  check(client.sentHeaders == headers, "the sent header block is not the completed one");
  check(client.sentBody == (method == "GET" ? Text() : body), "the sent body is wrong");

  const Expected expected = expectedReading(scripted, client.endlessByte, pumpStop);
  check(client.readCalls == expected.reads, "the read loop made a different number of reads");
  const std::size_t nul = expected.gathered.find('\0');
  check(answer == expected.gathered.substr(0, nul), "the answer is not the body up to its NUL");
  check(answer.size() <= static_cast<std::size_t>(ximing::kMaxBodyBytes), "the body is unbounded");

  if (wantHeaders) {
    const Text wanted =
        rawHeaders.size() + 1 <= static_cast<std::size_t>(ximing::kResponseHeaderBytes)
            ? Text(rawHeaders)
            : Text(static_cast<std::size_t>(ximing::kResponseHeaderBytes), ' ');
    check(responseHeaders == wanted, "the response headers are wrong");
  } else {
    check(responseHeaders == "untouched", "response headers were written unasked");
  }
  return 0;
}
