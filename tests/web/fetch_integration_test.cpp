// fetchPage over this build's real HTTP client (libcurl natively, WinInet under Wine)
// against the stand-in service: what reaches the server and what comes back, for one
// table of cases that both builds run. Each case is data: the reply script the
// stand-in plays and the request it must have received.
//
// The two clients may place their own lines (Host, User-Agent, Content-Length)
// differently, so every case checks what must hold for both: the request line, Host and
// User-Agent present, the caller's header block contiguous and in its order, no header
// sent twice, none of the client's own but those, and the body. The libcurl client must
// also send a few requests exactly, byte for byte.
//
// Further down, the client itself is driven through its seam: a header block of its own
// goes out as given, and a server that falls silent is given up on after a short
// receive time-out.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/standin.h"
#include "web/fetch.h"
#include "web/http_client.h"

namespace ximing {
namespace {

using testing_support::readRecordedRequest;
using testing_support::standinCaseAddress;
using testing_support::standinHost;
using testing_support::standinPort;
using testing_support::writeReply;

// Set by the build: whether this build's client is the libcurl one.
constexpr bool kLibcurlClient = XIMING_HTTP_CLIENT_LIBCURL;

constexpr std::string_view kAcceptLine =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*";
constexpr std::string_view kHostMark = "{host}";

// `text` with every "{host}" replaced by the stand-in's "127.0.0.1:PORT".
std::string withHost(std::string text) {
  const std::string host = standinHost();
  for (std::size_t at = text.find(kHostMark); at != std::string::npos;
       at = text.find(kHostMark, at + host.size())) {
    text.replace(at, kHostMark.size(), host);
  }
  return text;
}

// An HTTP/1.1 answer with `status`, a Content-Length for `body`, `extraHeaders` (each
// ended by CR LF) and `body`.
std::string answerWith(std::string_view status, std::string_view body,
                       std::string_view extraHeaders = "") {
  return "HTTP/1.1 " + std::string(status) + "\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n" + std::string(extraHeaders) + "\r\n" + std::string(body);
}

// Bytes made readable for a failure message: control bytes escaped, long texts cut.
std::string shown(std::string_view bytes) {
  constexpr std::size_t kMost = 600;
  std::string out;
  for (char c : bytes.substr(0, kMost)) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n\n";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += "\\x" + std::string(1, "0123456789abcdef"[(c >> 4) & 0xF]) +
             std::string(1, "0123456789abcdef"[c & 0xF]);
    } else {
      out += c;
    }
  }
  if (bytes.size() > kMost) out += "... (" + std::to_string(bytes.size()) + " bytes)";
  return out;
}

// Equal bytes, or where they first differ: an answer may be megabytes long.
testing::AssertionResult sameBytes(std::string_view actual, std::string_view expected) {
  if (actual == expected) return testing::AssertionSuccess();
  const std::size_t at =
      std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first -
      actual.begin();
  return testing::AssertionFailure()
         << "got " << actual.size() << " bytes, want " << expected.size()
         << "; first difference at byte " << at << "\n got: " << shown(actual.substr(at))
         << "\nwant: " << shown(expected.substr(at));
}

std::vector<std::string> linesOf(std::string_view head) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at <= head.size()) {
    const std::size_t end = head.find("\r\n", at);
    lines.emplace_back(head.substr(at, end == std::string_view::npos ? end : end - at));
    if (end == std::string_view::npos) break;
    at = end + 2;
  }
  return lines;
}

std::string lowerName(std::string_view line) {
  std::string name(line.substr(0, line.find(':')));
  for (char& c : name) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return name;
}

// What the server must receive. The request line, Host and User-Agent must be there,
// the block's lines whole and in order, none of its headers twice, and besides them no
// header of the client's own but Content-Length for a method other than GET.
struct Sent {
  std::string requestLine{};
  std::string hostLine = "Host: {host}";
  std::vector<std::string> blockLines{};
  std::string body{};
  std::string exactCurlRequest{};  // the libcurl client's whole request, when given
};

struct FetchCase {
  std::string name{};   // the test's name; the stand-in plays it at /case/fetch_NAME
  std::string reply{};  // the script it plays ("{host}" stands for 127.0.0.1:PORT)
  // A second script the first leads to (a redirect's target), at /case/fetch_NEXT.
  std::string nextName{};
  std::string nextReply{};

  // What fetchPage is given; an empty address means the case's own.
  std::string address{};
  std::string method = "GET";
  std::string headers{};
  std::string body{};
  std::optional<std::string> proxy{};
  bool wantResponseHeaders = false;

  // What the server receives; not checked without a request line (no server sees it).
  Sent sent{};
  Sent nextSent{};

  // What fetchPage answers.
  std::string answer{};
  std::string responseHeaders{};
};

void PrintTo(const FetchCase& c, std::ostream* out) { *out << c.name; }

std::string referer(std::string_view name) {
  return "Referer: http://{host}/case/fetch_" + std::string(name);
}

// The lines fetchPage adds to an empty header block.
std::vector<std::string> defaultLines(std::string_view name) {
  return {std::string(kAcceptLine), referer(name), "Accept-Language: zh-cn"};
}

std::string userAgentLine() { return "User-Agent: " + std::string(kUserAgent); }

std::string joinedLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + "\r\n";
  return joined;
}

const std::string kPieces = std::string(500, 'a') + "<<pause>>" + std::string(500, 'b') +
                            "<<pause>>" + std::string(300, 'c');
const std::string kPiecesBody =
    std::string(500, 'a') + std::string(500, 'b') + std::string(300, 'c');
// An answer whose header block, blank line included, is `size` bytes long.
std::string answerWithHeaderBytes(std::size_t size) {
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nX-Pad: ";
  const std::string tail = "\r\n\r\n";
  return head + std::string(size - head.size() - tail.size(), 'p') + tail + "ok";
}

std::string headerBlockOf(const std::string& answer) {
  return answer.substr(0, answer.find("\r\n\r\n") + 4);
}

// What fetchPage sends for a GET of case NAME with an empty header block.
Sent plainGet(std::string_view name) {
  return {.requestLine = "GET /case/fetch_" + std::string(name) + " HTTP/1.1",
          .blockLines = defaultLines(name)};
}

// What fetchPage sends for a POST of `body` to case NAME with an empty header block.
Sent post(std::string_view name, const std::string& body) {
  std::vector<std::string> lines = defaultLines(name);
  lines.push_back("Content-Type: application/x-www-form-urlencoded");
  lines.push_back("Content-Length: " + std::to_string(body.size()));
  return {.requestLine = "POST /case/fetch_" + std::string(name) + " HTTP/1.1",
          .blockLines = lines,
          .body = body};
}

std::vector<FetchCase> fetchCases() {
  Sent postWithBody = post("post_with_body", "a=1&b=2");
  postWithBody.exactCurlRequest = "POST /case/fetch_post_with_body HTTP/1.1\r\nHost: {host}\r\n" +
                                  userAgentLine() + "\r\n" + joinedLines(postWithBody.blockLines) +
                                  "\r\na=1&b=2";
  return {
      {.name = "get_plain",
       .reply = answerWith("200 OK", "hello"),
       .sent = {.requestLine = "GET /case/fetch_get_plain HTTP/1.1",
                .blockLines = defaultLines("get_plain"),
                .exactCurlRequest = "GET /case/fetch_get_plain HTTP/1.1\r\nHost: {host}\r\n" +
                                    userAgentLine() + "\r\n" +
                                    joinedLines(defaultLines("get_plain")) + "\r\n"},
       .answer = "hello"},
      {.name = "post_with_body",
       .reply = answerWith("200 OK", "posted"),
       .method = "POST",
       .body = "a=1&b=2",
       .sent = postWithBody,
       .answer = "posted"},
      // The method is sent in the case the caller wrote it in; no body, no Content-Type.
      {.name = "post_in_lower_case_without_body",
       .reply = answerWith("200 OK", "ok"),
       .method = "post",
       .sent = {.requestLine = "post /case/fetch_post_in_lower_case_without_body HTTP/1.1",
                .blockLines = defaultLines("post_in_lower_case_without_body"),
                .exactCurlRequest = "post /case/fetch_post_in_lower_case_without_body HTTP/1.1\r\n"
                                    "Host: {host}\r\n" +
                                    userAgentLine() + "\r\n" +
                                    joinedLines(defaultLines("post_in_lower_case_without_body")) +
                                    "Content-Length: 0\r\n\r\n"},
       .answer = "ok"},
      // A referer line of the caller's, in any case, is the only one sent.
      {.name = "referer_given_in_lower_case",
       .reply = answerWith("200 OK", "ok"),
       .headers = "referer: http://elsewhere.example/page\r\n",
       .sent = {.requestLine = "GET /case/fetch_referer_given_in_lower_case HTTP/1.1",
                .blockLines = {"referer: http://elsewhere.example/page", std::string(kAcceptLine),
                               "Accept-Language: zh-cn"},
                .exactCurlRequest =
                    "GET /case/fetch_referer_given_in_lower_case HTTP/1.1\r\n"
                    "Host: {host}\r\n" +
                    userAgentLine() + "\r\nreferer: http://elsewhere.example/page\r\n" +
                    std::string(kAcceptLine) + "\r\nAccept-Language: zh-cn\r\n\r\n"},
       .answer = "ok"},
      // Over 512 bytes with pauses between the pieces: several reads, the pump before
      // each, and every byte in its place.
      {.name = "body_in_pieces",
       .reply = "HTTP/1.1 200 OK\r\nContent-Length: 1300\r\n\r\n" + kPieces,
       .sent = plainGet("body_in_pieces"),
       .answer = kPiecesBody},
      {.name = "chunked_body",
       .reply = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                "5\r\nhello\r\n<<pause>>7\r\n, world\r\n0\r\n\r\n",
       .sent = plainGet("chunked_body"),
       .answer = "hello, world"},
      // Followed to the new place; the redirect's own body is not part of the answer.
      {.name = "redirect",
       .reply = answerWith("302 Found", "not this", "Location: /case/fetch_redirect_target\r\n"),
       .nextName = "redirect_target",
       .nextReply = answerWith("200 OK", "moved here"),
       .sent = plainGet("redirect"),
       .nextSent = {.requestLine = "GET /case/fetch_redirect_target HTTP/1.1",
                    .blockLines = defaultLines("redirect")},
       .answer = "moved here"},
      // After a POST, a 302 leads to a GET without the body or the lines about it.
      {.name = "post_redirected",
       .reply = answerWith("302 Found", "", "Location: /case/fetch_post_redirected_target\r\n"),
       .nextName = "post_redirected_target",
       .nextReply = answerWith("200 OK", "moved here"),
       .method = "POST",
       .body = "a=1",
       .sent = post("post_redirected", "a=1"),
       .nextSent = {.requestLine = "GET /case/fetch_post_redirected_target HTTP/1.1",
                    .blockLines = defaultLines("post_redirected")},
       .answer = "moved here"},
      // Whatever the status, the body is the answer.
      {.name = "status_500",
       .reply = answerWith("500 Internal Server Error", R"({"source":"still here"})"),
       .sent = plainGet("status_500"),
       .answer = R"({"source":"still here"})"},
      {.name = "nul_in_body",
       .reply = answerWith("200 OK", std::string("abc\0def", 7)),
       .sent = plainGet("nul_in_body"),
       .answer = "abc"},
      // The response headers come with a NUL after them, and only when both fit in 1024
      // bytes; otherwise the 1024 spaces fetchPage starts with are left.
      {.name = "response_headers_fit",
       .reply = answerWith("200 OK", "ok", "X-Case: fits\r\n"),
       .wantResponseHeaders = true,
       .sent = plainGet("response_headers_fit"),
       .answer = "ok",
       .responseHeaders = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nX-Case: fits\r\n\r\n"},
      {.name = "response_headers_of_1023_bytes",
       .reply = answerWithHeaderBytes(1023),
       .wantResponseHeaders = true,
       .sent = plainGet("response_headers_of_1023_bytes"),
       .answer = "ok",
       .responseHeaders = headerBlockOf(answerWithHeaderBytes(1023))},
      {.name = "response_headers_of_1024_bytes",
       .reply = answerWithHeaderBytes(1024),
       .wantResponseHeaders = true,
       .sent = plainGet("response_headers_of_1024_bytes"),
       .answer = "ok",
       .responseHeaders = std::string(kResponseHeaderBytes, ' ')},
      // Through an HTTP proxy (the stand-in serves absolute addresses by their path):
      // the whole address in the request line, the named host in Host. (With the default
      // port, Wine's WinInet writes ":80" into the request line and libcurl does not.)
      {.name = "through_proxy",
       .reply = answerWith("200 OK", "proxied"),
       .address = "http://ximing-proxied.invalid:8080/case/fetch_through_proxy",
       .proxy = "{host}",
       .sent = {.requestLine =
                    "GET http://ximing-proxied.invalid:8080/case/fetch_through_proxy HTTP/1.1",
                .hostLine = "Host: ximing-proxied.invalid:8080",
                .blockLines = {std::string(kAcceptLine),
                               "Referer: http://ximing-proxied.invalid:8080/case/"
                               "fetch_through_proxy",
                               "Accept-Language: zh-cn"},
                .exactCurlRequest =
                    "GET http://ximing-proxied.invalid:8080/case/fetch_through_proxy HTTP/1.1\r\n"
                    "Host: ximing-proxied.invalid:8080\r\n" +
                    userAgentLine() + "\r\n" + std::string(kAcceptLine) +
                    "\r\nReferer: http://ximing-proxied.invalid:8080/case/fetch_through_proxy\r\n"
                    "Accept-Language: zh-cn\r\n\r\n"},
       .answer = "proxied"},

      // Bad networks and bad servers: nothing comes back, and nothing hangs.
      {.name = "connection_refused",
       .address = "http://127.0.0.1:1/case/fetch_connection_refused",
       .answer = ""},
      {.name = "host_not_found", .address = "http://nosuch.invalid/case/x", .answer = ""},
      {.name = "closed_before_any_header",
       .reply = "",
       .sent = plainGet("closed_before_any_header"),
       .answer = ""},
      {.name = "not_http",
       .reply = "SSH-2.0-OpenSSH_9.2\r\nProtocol mismatch.\r\n",
       .sent = plainGet("not_http"),
       .answer = ""},
      // A body without end is read up to the limit, exactly.
      {.name = "endless_body",
       .reply = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n<<endless>>",
       .sent = plainGet("endless_body"),
       .answer = std::string(kMaxBodyBytes, 'x')},
  };
}

// The request the server received, against what must hold for every client.
void expectRequest(const std::string& request, const Sent& sent) {
  const std::size_t headEnd = request.find("\r\n\r\n");
  ASSERT_NE(headEnd, std::string::npos) << shown(request);
  const std::vector<std::string> lines = linesOf(std::string_view(request).substr(0, headEnd));
  EXPECT_EQ(lines.front(), sent.requestLine);
  const auto has = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has(withHost(sent.hostLine))) << shown(request);
  EXPECT_TRUE(has(userAgentLine())) << shown(request);

  std::vector<std::string> block;
  for (const std::string& line : sent.blockLines) block.push_back(withHost(line));
  EXPECT_TRUE(std::search(lines.begin(), lines.end(), block.begin(), block.end()) != lines.end())
      << "the header block is not there, whole and in order:\n"
      << shown(request);
  std::vector<std::string> allowed = {"host", "user-agent"};
  if (!sent.requestLine.starts_with("GET ")) allowed.push_back("content-length");
  for (const std::string& line : block) allowed.push_back(lowerName(line));
  for (auto line = lines.begin() + 1; line != lines.end(); ++line) {
    const std::string name = lowerName(*line);
    EXPECT_TRUE(std::find(allowed.begin(), allowed.end(), name) != allowed.end())
        << "a header of the client's own: " << *line;
    EXPECT_EQ(std::count_if(lines.begin() + 1, lines.end(),
                            [&](const std::string& l) { return lowerName(l) == name; }),
              1)
        << "sent more than once: " << name << "\n"
        << shown(request);
  }
  EXPECT_TRUE(sameBytes(request.substr(headEnd + 4), sent.body));

  if (kLibcurlClient && !sent.exactCurlRequest.empty()) {
    EXPECT_TRUE(sameBytes(request, withHost(sent.exactCurlRequest)));
  }
}

class FetchOverTheNetwork : public testing::TestWithParam<FetchCase> {};

TEST_P(FetchOverTheNetwork, SendsAndAnswers) {
  const FetchCase& c = GetParam();
  const std::string caseName = "fetch_" + c.name;
  writeReply(caseName, withHost(c.reply));
  if (!c.nextName.empty()) writeReply("fetch_" + c.nextName, withHost(c.nextReply));

  const std::unique_ptr<HttpClient> client = makeHttpClient();
  int pumps = 0;
  const EventPump pump = [&pumps] {
    ++pumps;
    return true;
  };
  Text method = c.method;
  Text headers = c.headers;
  Text responseHeaders;
  std::optional<Text> proxy;
  if (c.proxy) proxy = withHost(*c.proxy);
  const Text answer =
      fetchPage(*client, pump, c.address.empty() ? standinCaseAddress(caseName) : c.address, method,
                proxy, headers, c.body, c.wantResponseHeaders ? &responseHeaders : nullptr);

  EXPECT_TRUE(sameBytes(answer, c.answer));
  // The pump runs before every read of at most 512 bytes.
  EXPECT_GE(pumps, static_cast<int>((answer.size() + kReadChunkBytes - 1) / kReadChunkBytes));
  if (c.wantResponseHeaders) {
    EXPECT_TRUE(sameBytes(responseHeaders, c.responseHeaders));
  }

  if (!c.sent.requestLine.empty()) {
    const std::optional<std::string> request = readRecordedRequest(caseName);
    ASSERT_TRUE(request) << "the stand-in recorded no request";
    expectRequest(*request, c.sent);
  }
  if (!c.nextSent.requestLine.empty()) {
    const std::optional<std::string> next = readRecordedRequest("fetch_" + c.nextName);
    ASSERT_TRUE(next) << "the client did not follow to " << c.nextName;
    expectRequest(*next, c.nextSent);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FetchOverTheNetwork, testing::ValuesIn(fetchCases()),
                         [](const testing::TestParamInfo<FetchCase>& info) {
                           return info.param.name;
                         });

// The client itself, opened and driven the way fetchPage does it.
struct Opened {
  std::unique_ptr<HttpClient> client = makeHttpClient();
  HttpHandle session = 0;
  HttpHandle connection = 0;
  HttpHandle request = 0;

  Opened(const std::string& method, const std::string& caseName) {
    session = client->openSession(Text(kUserAgent), std::nullopt);
    connection = client->connect(session, "127.0.0.1", standinPort());
    request =
        client->openRequest(connection, method, "/case/" + caseName, "HTTP/1.1", kHttpFlagReload);
  }
  ~Opened() {
    for (HttpHandle handle : {session, connection, request}) client->close(handle);
  }

  // Sends, then reads until the end; what the reads gave.
  std::string exchange(const std::string& headers, const std::string& body) {
    client->send(request, headers, body);
    std::string bytes;
    char buffer[512];
    while (const std::int32_t count = client->read(request, buffer, sizeof buffer)) {
      bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return bytes;
  }
};

// Given a header block of its own, the client sends it and adds nothing but what
// HTTP/1.1 needs: no Accept, Content-Type or Expect of its own, whatever the body.
struct SendCase {
  std::string name;
  std::string method;
  std::string headers;
  std::string body;
  Sent sent;
};

void PrintTo(const SendCase& c, std::ostream* out) { *out << c.name; }

class SentAsGiven : public testing::TestWithParam<SendCase> {};

TEST_P(SentAsGiven, AddsNothingOfItsOwn) {
  const SendCase& c = GetParam();
  const std::string caseName = "client_" + c.name;
  writeReply(caseName, answerWith("200 OK", "ok"));
  Opened opened(c.method, caseName);
  ASSERT_NE(opened.request, 0u);
  EXPECT_EQ(opened.exchange(c.headers, c.body), "ok");
  const std::optional<std::string> request = readRecordedRequest(caseName);
  ASSERT_TRUE(request) << "the stand-in recorded no request";
  expectRequest(*request, c.sent);
}

const std::string kLargeBody = std::string(5000, 'q');

INSTANTIATE_TEST_SUITE_P(
    Cases, SentAsGiven,
    testing::Values(
        SendCase{"get_without_headers", "GET", "", "",
                 Sent{.requestLine = "GET /case/client_get_without_headers HTTP/1.1",
                      .exactCurlRequest = "GET /case/client_get_without_headers HTTP/1.1\r\n"
                                          "Host: {host}\r\n" +
                                          userAgentLine() + "\r\n\r\n"}},
        SendCase{"post_without_headers", "POST", "", "x=1",
                 Sent{.requestLine = "POST /case/client_post_without_headers HTTP/1.1",
                      .body = "x=1",
                      .exactCurlRequest = "POST /case/client_post_without_headers HTTP/1.1\r\n"
                                          "Host: {host}\r\n" +
                                          userAgentLine() + "\r\nContent-Length: 3\r\n\r\nx=1"}},
        SendCase{"post_of_5000_bytes", "POST", "X-Case: large\r\n", kLargeBody,
                 Sent{.requestLine = "POST /case/client_post_of_5000_bytes HTTP/1.1",
                      .blockLines = {"X-Case: large"},
                      .body = kLargeBody}},
        // Line ends of LF alone still end lines: no line break gets into a header.
        SendCase{"lines_ended_by_lf", "GET", "X-One: 1\nX-Two: 2\n", "",
                 Sent{.requestLine = "GET /case/client_lines_ended_by_lf HTTP/1.1",
                      .blockLines = {"X-One: 1", "X-Two: 2"}}}),
    [](const testing::TestParamInfo<SendCase>& info) { return info.param.name; });

// A server that stops sending is given up on once nothing has arrived for the receive
// time-out, and what did arrive is kept.
struct StallCase {
  std::string name;
  std::string reply;
  std::string received;  // what the reads give before they give 0
};

void PrintTo(const StallCase& c, std::ostream* out) { *out << c.name; }

class StalledServer : public testing::TestWithParam<StallCase> {};

constexpr std::uint32_t kShortTimeoutMs = 1500;
// Far beyond the time-out and far short of the stand-in's own 60 s limit on a stall,
// so a client that does not give up fails here instead of finishing late.
constexpr auto kGiveUpWithin = std::chrono::seconds(30);

TEST_P(StalledServer, ReadsWhatArrivedThenEnds) {
  const StallCase& c = GetParam();
  const std::string caseName = "client_" + c.name;
  writeReply(caseName, c.reply);
  Opened opened("GET", caseName);
  ASSERT_NE(opened.request, 0u);
  for (HttpTimeout which : {HttpTimeout::kConnect, HttpTimeout::kSend, HttpTimeout::kReceive}) {
    opened.client->setTimeout(opened.request, which, kShortTimeoutMs);
  }

  std::future<std::string> received =
      std::async(std::launch::async, [&opened] { return opened.exchange("", ""); });
  ASSERT_EQ(received.wait_for(kGiveUpWithin), std::future_status::ready)
      << "the client did not give up on a silent server";
  EXPECT_TRUE(sameBytes(received.get(), c.received));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StalledServer,
    testing::Values(StallCase{"before_any_header", "<<stall>>", ""},
                    StallCase{"within_the_headers",
                              "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n<<stall>>", ""},
                    StallCase{"within_the_body",
                              "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789<<stall>>",
                              "0123456789"}),
    [](const testing::TestParamInfo<StallCase>& info) { return info.param.name; });

// Handles may be closed in any order: a request closed with its session reads nothing
// more, and closing it again, or closing 0, does nothing.
TEST(HttpClientHandles, CloseInAnyOrder) {
  writeReply("client_close_order", answerWith("200 OK", std::string(4000, 'z')));
  Opened opened("GET", "client_close_order");
  HttpClient& client = *opened.client;
  ASSERT_NE(opened.request, 0u);
  client.send(opened.request, "", "");
  char buffer[100];
  ASSERT_GT(client.read(opened.request, buffer, sizeof buffer), 0);

  client.close(opened.session);
  EXPECT_EQ(client.read(opened.request, buffer, sizeof buffer), 0);
  client.close(opened.connection);
  client.close(opened.request);
  client.close(opened.request);
  client.close(0);
  EXPECT_EQ(client.read(opened.request, buffer, sizeof buffer), 0);
}

}  // namespace
}  // namespace ximing
