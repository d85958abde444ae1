#include "tests/support/standin.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace ximing::testing_support {
namespace {

// What this build puts before a path of the machine the stand-in runs on: the Windows
// build runs under Wine, whose drive Z: is that machine's root.
constexpr std::string_view kPathPrefix = XIMING_STANDIN_PATH_PREFIX;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) {
    throw std::runtime_error(std::string(name) +
                             " is not set: run this test with ctest, whose fixture `standin` "
                             "starts the stand-in service");
  }
  return value;
}

std::string requestFile(std::string_view name) {
  return standinFile(std::string(name) + ".request");
}

}  // namespace

std::string standinHost() { return "127.0.0.1:" + environment("XIMING_STANDIN_PORT"); }

int standinPort() { return std::stoi(environment("XIMING_STANDIN_PORT")); }

std::string standinCaseAddress(std::string_view name) {
  return "http://" + standinHost() + "/case/" + std::string(name);
}

std::string standinFile(std::string_view name) {
  return std::string(kPathPrefix) + environment("XIMING_STANDIN_DIR") + "/" + std::string(name);
}

void writeReply(std::string_view name, std::string_view script) {
  forgetRecordedRequest(name);
  const std::string path = standinFile(std::string(name) + ".reply");
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(script.data(), static_cast<std::streamsize>(script.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

void forgetRecordedRequest(std::string_view name) { std::remove(requestFile(name).c_str()); }

std::optional<std::string> readRecordedRequest(std::string_view name) {
  std::ifstream in(requestFile(name), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::optional<std::string> waitForRecordedRequest(std::string_view name,
                                                  std::chrono::milliseconds timeout) {
  std::optional<std::string> request;
  waitUntil([&] { return (request = readRecordedRequest(name)).has_value(); }, timeout);
  return request;
}

}  // namespace ximing::testing_support
