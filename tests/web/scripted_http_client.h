// A scripted stand-in for the HTTP client: it logs every call as a line of text, so
// that a test can compare the whole conversation, and answers as the test scripts it.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "web/http_client.h"

namespace ximing::testing_support {

class ScriptedHttpClient : public HttpClient {
 public:
  // What the script makes fail.
  bool failSession = false;
  bool failConnect = false;
  bool failRequest = false;
  // The answers of successive reads; each is cut to the size asked for, the rest kept
  // for the next read. When they run out, reads answer `endlessByte` chunks if set,
  // else 0.
  std::deque<std::string> reads;
  std::optional<char> endlessByte;
  // The raw response headers; written only when they fit, like the real clients.
  std::string rawHeaders;

  std::vector<std::string> log;
  std::string sentHeaders;
  std::string sentBody;
  int readCalls = 0;

  HttpHandle openSession(const Text& userAgent, const std::optional<Text>& proxyList) override {
    log.push_back("openSession " + userAgent + " | " + (proxyList ? *proxyList : "direct"));
    return failSession ? 0 : kSession;
  }
  HttpHandle connect(HttpHandle session, const Text& host, std::int32_t port) override {
    log.push_back("connect " + name(session) + " " + host + " " + std::to_string(port));
    return failConnect ? 0 : kConnection;
  }
  HttpHandle openRequest(HttpHandle connection, const Text& method, const Text& objectPath,
                         const Text& version, std::uint32_t flags) override {
    char hexFlags[16];
    std::snprintf(hexFlags, sizeof hexFlags, "%08X", flags);
    log.push_back("openRequest " + name(connection) + " " + method + " " + objectPath + " " +
                  version + " " + hexFlags);
    return failRequest ? 0 : kRequest;
  }
  void setTimeout(HttpHandle request, HttpTimeout which, std::uint32_t milliseconds) override {
    log.push_back("setTimeout " + name(request) + " " +
                  std::to_string(static_cast<std::uint32_t>(which)) + " " +
                  std::to_string(milliseconds));
  }
  void send(HttpHandle request, const Text& headers, const Text& body) override {
    log.push_back("send " + name(request));
    sentHeaders = headers;
    sentBody = body;
  }
  std::int32_t read(HttpHandle request, char* buffer, std::int32_t size) override {
    ++readCalls;
    if (log.empty() || log.back().rfind("read ", 0) != 0 || !quietReads) {
      log.push_back("read " + name(request) + " " + std::to_string(size));
    }
    if (reads.empty()) {
      if (!endlessByte) return 0;
      std::memset(buffer, *endlessByte, static_cast<std::size_t>(size));
      return size;
    }
    std::string& next = reads.front();
    const auto n = std::min(next.size(), static_cast<std::size_t>(size));
    std::memcpy(buffer, next.data(), n);
    next.erase(0, n);
    if (next.empty()) reads.pop_front();
    return static_cast<std::int32_t>(n);
  }
  void queryRawHeaders(HttpHandle request, char* buffer, std::int32_t size) override {
    log.push_back("queryRawHeaders " + name(request) + " " + std::to_string(size));
    if (rawHeaders.size() + 1 <= static_cast<std::size_t>(size)) {
      std::memcpy(buffer, rawHeaders.c_str(), rawHeaders.size() + 1);
    }
  }
  void close(HttpHandle handle) override { log.push_back("close " + name(handle)); }

  // Long read loops log one line for a run of reads.
  bool quietReads = false;

 private:
  static constexpr HttpHandle kSession = 11;
  static constexpr HttpHandle kConnection = 22;
  static constexpr HttpHandle kRequest = 33;

  static std::string name(HttpHandle h) {
    switch (h) {
      case kSession:
        return "session";
      case kConnection:
        return "connection";
      case kRequest:
        return "request";
      default:
        return "handle" + std::to_string(h);
    }
  }
};

}  // namespace ximing::testing_support
