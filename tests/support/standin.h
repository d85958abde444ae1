// Talking to the stand-in service from a test: where it listens, where its folder is,
// writing the reply scripts it plays and reading the requests it recorded. The test
// must run through ctest with the fixture `standin`, which sets XIMING_STANDIN_PORT
// and XIMING_STANDIN_DIR (tests/standin/README.md describes the service).
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ximing::testing_support {

// "127.0.0.1:PORT", where the stand-in of this test run listens.
std::string standinHost();

// Its port.
int standinPort();

// "http://127.0.0.1:PORT/case/NAME": the address at which the stand-in plays NAME.reply.
std::string standinCaseAddress(std::string_view name);

// A file of the stand-in's folder, as a path this build can open.
std::string standinFile(std::string_view name);

// Writes NAME.reply, the script played for /case/NAME, and forgets NAME.request, so that
// a request read afterwards was sent after this call.
void writeReply(std::string_view name, std::string_view script);

// Removes NAME.request ("sound" for the song interface) if an earlier test left one.
void forgetRecordedRequest(std::string_view name);

// The bytes of NAME.request, as recorded; nullopt when there is none.
std::optional<std::string> readRecordedRequest(std::string_view name);

// Checks `condition` until it holds, for at most `timeout`; answers whether it held.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// NAME.request once it has been recorded, waiting at most `timeout`; nullopt when none was.
std::optional<std::string> waitForRecordedRequest(
    std::string_view name, std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace ximing::testing_support
