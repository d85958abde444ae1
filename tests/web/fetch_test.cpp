#include "web/fetch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/web/scripted_http_client.h"

namespace ximing {
namespace {

using testing_support::ScriptedHttpClient;
using Log = std::vector<std::string>;

constexpr char kAccept[] =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";
constexpr char kAddress[] = "http://Srv:8080/sound/info?sound_id=7";

// A pump that notes each run in the client's log, so that the log shows where the
// window events ran between the reads.
EventPump loggingPump(ScriptedHttpClient& client) {
  return [&client] {
    client.log.push_back("pump");
    return true;
  };
}

TEST(FetchPage, GoodFetchCallsTheClientInOrder) {
  ScriptedHttpClient client;
  client.reads = {"{\"a\":1}", "rest"};
  Text method = "get";
  Text headers;
  const Text body = fetchPage(client, loggingPump(client), kAddress, method, std::nullopt, headers,
                              "ignored for a GET", nullptr);
  EXPECT_EQ(body, "{\"a\":1}rest");
  EXPECT_EQ(method, "GET");
  EXPECT_EQ(
      client.log,
      (Log{"openSession Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0) | direct",
           "connect session srv 8080",
           "openRequest connection GET /sound/info?sound_id=7 HTTP/1.1 80000000",
           "setTimeout request 2 18000", "setTimeout request 6 18000", "setTimeout request 5 18000",
           "send request", "pump", "read request 512", "pump", "read request 512", "pump",
           "read request 512", "close session", "close connection", "close request"}));
  EXPECT_EQ(client.sentHeaders,
            std::string(kAccept) + "Referer: " + kAddress + "\r\nAccept-Language: zh-cn\r\n");
  EXPECT_EQ(client.sentBody, "");
  EXPECT_EQ(headers, client.sentHeaders);  // the completed block is written back
}

struct FailureCase {
  const char* what;
  bool failSession, failConnect, failRequest;
  Log log;
  const char* methodAfter;
};

TEST(FetchPage, FailureClosesExactlyWhatWasOpened) {
  const Log opened = {"openSession Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0) | direct",
                      "connect session srv 80", "openRequest connection GET /x HTTP/1.1 80000000"};
  const FailureCase cases[] = {
      {"no session", true, false, false, {opened[0]}, "put"},
      {"no connection", false, true, false, {opened[0], opened[1], "close session"}, "put"},
      {"no request",
       false,
       false,
       true,
       {opened[0], opened[1], opened[2], "close session", "close connection"},
       "GET"},  // the method was already normalised when the request failed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedHttpClient client;
    client.failSession = c.failSession;
    client.failConnect = c.failConnect;
    client.failRequest = c.failRequest;
    client.reads = {"never read"};
    Text method = "put";
    Text headers = "X-Mine: 1\r\n";
    Text responseHeaders = "untouched";
    EXPECT_EQ(fetchPage(client, loggingPump(client), "http://srv/x", method, std::nullopt, headers,
                        "", &responseHeaders),
              "");
    EXPECT_EQ(client.log, c.log);
    EXPECT_EQ(method, c.methodAfter);
    EXPECT_EQ(headers, "X-Mine: 1\r\n");
    EXPECT_EQ(responseHeaders, "untouched");
  }
}

TEST(FetchPage, AddressWithControlBytesIsNeverSent) {
  for (const char* address :
       {"http://srv/x\r\nX-Evil: 1", "http://srv/\x01", "http://srv/\x7F", "http://srv/a\tb"}) {
    SCOPED_TRACE(testing::PrintToString(address));
    ScriptedHttpClient client;
    Text method = "post";
    Text headers = "A: b";
    EXPECT_EQ(fetchPage(client, loggingPump(client), address, method, std::nullopt, headers, "x",
                        nullptr),
              "");
    EXPECT_TRUE(client.log.empty());
    EXPECT_EQ(method, "post");
    EXPECT_EQ(headers, "A: b");
  }
}

TEST(FetchPage, ReadLoopEndsOnlyOnAReadOfNothing) {
  struct ReadCase {
    const char* what;
    std::deque<std::string> reads;
    int readCalls;
    std::string body;
  };
  const ReadCase cases[] = {
      {"512 bytes in one read, then one more read",
       {std::string(512, 'a')},
       2,
       std::string(512, 'a')},
      {"short reads do not end it", {"ab", "c", "de"}, 4, "abcde"},
      {"empty body", {}, 1, ""},
      {"a NUL cuts the body", {std::string("ab\0cd", 5), "ef"}, 3, "ab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedHttpClient client;
    client.reads = c.reads;
    EXPECT_EQ(fetchPage(client, loggingPump(client), "srv/x"), c.body);
    EXPECT_EQ(client.readCalls, c.readCalls);
    // The pump ran before every read.
    for (std::size_t i = 0; i < client.log.size(); ++i) {
      if (client.log[i].rfind("read ", 0) == 0) {
        EXPECT_EQ(client.log[i - 1], "pump");
      }
    }
  }
}

TEST(FetchPage, EndlessBodyIsBounded) {
  ScriptedHttpClient client;
  client.endlessByte = 'x';
  client.quietReads = true;
  const Text body = fetchPage(
      client, [] { return true; }, "srv/x");
  EXPECT_EQ(body.size(), static_cast<std::size_t>(kMaxBodyBytes));
  EXPECT_EQ(client.readCalls, kMaxBodyBytes / kReadChunkBytes);
  EXPECT_EQ(client.log.back(), "close request");
}

TEST(FetchPage, PumpThatSaysStopEndsTheReading) {
  ScriptedHttpClient client;
  client.reads = {"ab", "cd", "ef"};
  int runs = 0;
  const Text body = fetchPage(
      client, [&runs] { return ++runs < 2; }, "srv/x");
  EXPECT_EQ(body, "ab");
  EXPECT_EQ(client.readCalls, 1);
  EXPECT_EQ(client.log.back(), "close request");
}

TEST(FetchPage, MethodIsPostInAnyCaseOrElseGet) {
  const std::pair<const char*, const char*> cases[] = {
      {"post", "post"}, {"Post", "Post"}, {"POST", "POST"}, {"PUT", "GET"},
      {"", "GET"},      {"get", "GET"},   {"POSTX", "GET"}, {" POST", "GET"},
  };
  for (const auto& [given, sent] : cases) {
    SCOPED_TRACE(given);
    ScriptedHttpClient client;
    Text method = given;
    Text headers;
    fetchPage(client, loggingPump(client), "srv/", method, std::nullopt, headers, "", nullptr);
    EXPECT_EQ(method, sent);
    EXPECT_EQ(client.log[2],
              std::string("openRequest connection ") + sent + " / HTTP/1.1 80000000");
  }
}

TEST(FetchPage, ProxyBecomesAnHttpProxyList) {
  ScriptedHttpClient client;
  Text method;
  Text headers;
  fetchPage(client, loggingPump(client), "srv/", method, Text("127.0.0.1:3128"), headers, "",
            nullptr);
  EXPECT_EQ(client.log[0],
            "openSession Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0) | http=127.0.0.1:3128");
}

struct HeaderCase {
  const char* what;
  std::string given;
  std::string method;
  std::string body;
  std::string expected;  // "$A" stands for the Accept line, "$R" for the Referer line
};

std::string expand(std::string s) {
  const std::string referer = std::string("Referer: ") + kAddress + "\r\n";
  for (auto [mark, line] : {std::pair<std::string, std::string>{"$A", kAccept}, {"$R", referer}}) {
    for (std::size_t at; (at = s.find(mark)) != std::string::npos;) s.replace(at, 2, line);
  }
  return s;
}

TEST(CompleteRequestHeaders, AddsEachMissingHeaderOnce) {
  const std::string lang = "Accept-Language: zh-cn\r\n";
  const HeaderCase cases[] = {
      {"empty block", "", "GET", "", "$A$R" + lang},
      {"lower-case referer", "referer: http://x/\r\n", "GET", "",
       "referer: http://x/\r\n$A" + lang},
      {"referer without a blank", "Referer:http://x/\r\n", "GET", "",
       "Referer:http://x/\r\n$A$R" + lang},
      {"X-Accept counts as Accept", "X-Accept: 1\r\n", "GET", "", "X-Accept: 1\r\n$R" + lang},
      {"last line without CR LF", "X-A: 1", "GET", "", "X-A: 1\r\n$A$R" + lang},
      {"all present", "Accept: a\r\nReferer: r\r\nAccept-Language: en\r\n", "GET", "",
       "Accept: a\r\nReferer: r\r\nAccept-Language: en\r\n"},
      {"POST body", "", "POST", "a=1&b=2",
       "$A$R" + lang + "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 7\r\n"},
      {"POST body with its own length", "Content-Length: 7\r\n", "POST", "a=1&b=2",
       "Content-Length: 7\r\n$A$R" + lang + "Content-Type: application/x-www-form-urlencoded\r\n"},
      {"POST body with its own type", "content-type: text/plain\r\n", "post", "x",
       "content-type: text/plain\r\n$A$R" + lang + "Content-Length: 1\r\n"},
      {"post without a body", "", "post", "", "$A$R" + lang},
      {"GET with a body", "", "GET", "x", "$A$R" + lang},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(completeRequestHeaders(c.given, kAddress, c.method, c.body), expand(c.expected));
  }
}

TEST(FetchPage, PostSendsItsBodyWithCompletedHeaders) {
  ScriptedHttpClient client;
  Text method = "post";
  Text headers = "Content-Length: 3\r\n";
  fetchPage(client, loggingPump(client), kAddress, method, std::nullopt, headers, "a=1", nullptr);
  EXPECT_EQ(client.sentBody, "a=1");
  EXPECT_EQ(client.sentHeaders, headers);
  EXPECT_EQ(headers.find("Content-Length"), headers.rfind("Content-Length"));
}

TEST(FetchPage, ResponseHeadersOnlyWhenWanted) {
  const std::string fits = "HTTP/1.1 200 OK\r\nA: b\r\n\r\n";
  const std::string tooLong = "HTTP/1.1 200 OK\r\nX: " + std::string(1100, 'y') + "\r\n\r\n";
  for (const auto& [raw, expected] :
       {std::pair{fits, fits}, std::pair{tooLong, std::string(1024, ' ')}}) {
    ScriptedHttpClient client;
    client.rawHeaders = raw;
    client.reads = {"body"};
    Text method;
    Text headers;
    Text responseHeaders;
    EXPECT_EQ(fetchPage(client, loggingPump(client), "srv/", method, std::nullopt, headers, "",
                        &responseHeaders),
              "body");
    EXPECT_EQ(responseHeaders, expected);
    EXPECT_EQ(client.log[client.log.size() - 4], "queryRawHeaders request 1024");
  }
  ScriptedHttpClient client;
  fetchPage(client, loggingPump(client), "srv/");
  for (const auto& line : client.log) {
    EXPECT_EQ(line.rfind("queryRawHeaders", 0), std::string::npos);
  }
}

}  // namespace
}  // namespace ximing
