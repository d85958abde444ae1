// The HTTP client of the Windows build, over WinInet.
//
// wininet.dll is loaded by name on first use and each function is looked up by name
// when it is first needed, so the program needs no import library, starts wherever it
// is, and where WinInet or one of its functions cannot be had the operation simply
// fails: no handle, no bytes. The functions are called with the values the seam passes.

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "web/client_checks.h"
#include "web/handle_table.h"
#include "web/http_client.h"

namespace ximing {
namespace {

// One function of wininet.dll, found on first use.
template <typename Function>
struct Import {
  const char* name;
  Function* address = nullptr;
  bool lookedUp = false;
};

class WinInet {
 public:
  WinInet() = default;
  WinInet(const WinInet&) = delete;
  WinInet& operator=(const WinInet&) = delete;
  // The library is never freed: WinInet may keep threads of its own running after the
  // last handle is closed, and unloading their code under them would crash the process.

  // The function, or null when the library or the function cannot be had.
  template <typename Function>
  Function* get(Import<Function>& import) {
    if (!import.lookedUp) {
      import.lookedUp = true;
      if (HMODULE module = library()) {
        // Through void (*)(): the one function pointer type every other converts to
        // without a cast-function-type warning.
        import.address = reinterpret_cast<Function*>(
            reinterpret_cast<void (*)()>(GetProcAddress(module, import.name)));
      }
    }
    return import.address;
  }

  Import<decltype(::InternetOpenA)> internetOpen{"InternetOpenA"};
  Import<decltype(::InternetConnectA)> internetConnect{"InternetConnectA"};
  Import<decltype(::HttpOpenRequestA)> httpOpenRequest{"HttpOpenRequestA"};
  Import<decltype(::InternetSetOptionA)> internetSetOption{"InternetSetOptionA"};
  Import<decltype(::HttpSendRequestA)> httpSendRequest{"HttpSendRequestA"};
  Import<decltype(::InternetReadFile)> internetReadFile{"InternetReadFile"};
  Import<decltype(::HttpQueryInfoA)> httpQueryInfo{"HttpQueryInfoA"};
  Import<decltype(::InternetCloseHandle)> internetCloseHandle{"InternetCloseHandle"};

 private:
  HMODULE library() {
    if (!libraryLookedUp_) {
      libraryLookedUp_ = true;
      library_ = LoadLibraryW(L"wininet.dll");
    }
    return library_;
  }

  HMODULE library_ = nullptr;
  bool libraryLookedUp_ = false;
};

enum class Kind { kSession, kConnection, kRequest };

// A WinInet handle, closed when its entry goes.
class InternetHandle {
 public:
  InternetHandle(WinInet& api, HINTERNET handle, Kind kind)
      : api_(&api), handle_(handle), kind_(kind) {}
  InternetHandle(InternetHandle&& other) noexcept
      : api_(other.api_), handle_(std::exchange(other.handle_, nullptr)), kind_(other.kind_) {}
  InternetHandle& operator=(InternetHandle&&) = delete;
  ~InternetHandle() {
    if (!handle_) return;
    if (auto* closeHandle = api_->get(api_->internetCloseHandle)) closeHandle(handle_);
  }

  // The WinInet handle when this entry is of kind `kind`, else null.
  HINTERNET as(Kind kind) const { return kind == kind_ ? handle_ : nullptr; }

  // For a request: its answer was not HTTP, so it reads as no answer at all.
  bool notHttp = false;

 private:
  WinInet* api_;
  HINTERNET handle_;
  Kind kind_;
};

class WinInetHttpClient final : public HttpClient {
 public:
  HttpHandle openSession(const Text& userAgent, const std::optional<Text>& proxyList) override {
    auto* internetOpen = api_.get(api_.internetOpen);
    if (!internetOpen) return 0;
    HINTERNET session =
        proxyList
            ? internetOpen(userAgent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxyList->c_str(), "", 0)
            : internetOpen(userAgent.c_str(), INTERNET_OPEN_TYPE_DIRECT, "", "", 0);
    return add(0, session, Kind::kSession);
  }

  HttpHandle connect(HttpHandle session, const Text& host, std::int32_t port) override {
    HINTERNET parent = find(session, Kind::kSession);
    auto* internetConnect = api_.get(api_.internetConnect);
    if (!parent || !internetConnect || !isPlainHostName(host) || !isPortOrDefault(port)) return 0;
    // Port 0 is WinInet's INTERNET_INVALID_PORT_NUMBER: the service's default port.
    HINTERNET connection = internetConnect(parent, host.c_str(), static_cast<INTERNET_PORT>(port),
                                           "", "", INTERNET_SERVICE_HTTP, 0, 0);
    return add(session, connection, Kind::kConnection);
  }

  HttpHandle openRequest(HttpHandle connection, const Text& method, const Text& objectPath,
                         const Text& version, std::uint32_t flags) override {
    HINTERNET parent = find(connection, Kind::kConnection);
    auto* httpOpenRequest = api_.get(api_.httpOpenRequest);
    if (!parent || !httpOpenRequest || !isHttpToken(method)) return 0;
    HINTERNET request = httpOpenRequest(parent, method.c_str(), objectPath.c_str(), version.c_str(),
                                        nullptr, nullptr, flags, 0);
    return add(connection, request, Kind::kRequest);
  }

  void setTimeout(HttpHandle request, HttpTimeout which, std::uint32_t milliseconds) override {
    HINTERNET handle = find(request, Kind::kRequest);
    auto* internetSetOption = api_.get(api_.internetSetOption);
    if (!handle || !internetSetOption) return;
    DWORD value = milliseconds;
    internetSetOption(handle, static_cast<DWORD>(which), &value, sizeof value);
  }

  void send(HttpHandle request, const Text& headers, const Text& body) override {
    InternetHandle* entry = handles_.find(request);
    HINTERNET handle = entry ? entry->as(Kind::kRequest) : nullptr;
    auto* httpSendRequest = api_.get(api_.httpSendRequest);
    if (!handle || !httpSendRequest) return;
    // A failure shows in what follows: reads answer nothing and there are no headers.
    entry->notHttp = false;
    if (httpSendRequest(handle, headers.empty() ? nullptr : headers.c_str(),
                        static_cast<DWORD>(headers.size()),
                        body.empty() ? nullptr : const_cast<char*>(body.data()),
                        static_cast<DWORD>(body.size()))) {
      entry->notHttp = !isHttpAnswer(handle);
    }
  }

  std::int32_t read(HttpHandle request, char* buffer, std::int32_t size) override {
    HINTERNET handle = findAnswered(request);
    auto* internetReadFile = api_.get(api_.internetReadFile);
    if (!handle || !internetReadFile || !buffer || size <= 0) return 0;
    // The count alone tells what arrived: a failed read leaves it at 0.
    DWORD count = 0;
    internetReadFile(handle, buffer, static_cast<DWORD>(size), &count);
    return static_cast<std::int32_t>(std::min<DWORD>(count, static_cast<DWORD>(size)));
  }

  void queryRawHeaders(HttpHandle request, char* buffer, std::int32_t size) override {
    HINTERNET handle = findAnswered(request);
    auto* httpQueryInfo = api_.get(api_.httpQueryInfo);
    if (!handle || !httpQueryInfo || !buffer || size <= 0) return;
    // WinInet may write into the buffer even when the headers do not fit; the caller's
    // buffer is written only with a complete answer.
    std::vector<char> scratch(static_cast<std::size_t>(size));
    DWORD length = static_cast<DWORD>(size);
    if (httpQueryInfo(handle, HTTP_QUERY_RAW_HEADERS_CRLF, scratch.data(), &length, nullptr) &&
        length < static_cast<DWORD>(size)) {
      std::memcpy(buffer, scratch.data(), length);
      buffer[length] = '\0';
    }
  }

  void close(HttpHandle handle) override { handles_.close(handle); }

 private:
  HttpHandle add(HttpHandle parent, HINTERNET handle, Kind kind) {
    if (!handle) return 0;
    return handles_.add(parent, InternetHandle(api_, handle, kind));
  }

  HINTERNET find(HttpHandle handle, Kind kind) {
    const InternetHandle* entry = handles_.find(handle);
    return entry ? entry->as(kind) : nullptr;
  }

  // A request whose answer, if any, is HTTP.
  HINTERNET findAnswered(HttpHandle request) {
    const InternetHandle* entry = handles_.find(request);
    return entry && !entry->notHttp ? entry->as(Kind::kRequest) : nullptr;
  }

  // WinInet takes a reply that is not HTTP at all for an HTTP/0.9 one: Wine's makes up
  // "HTTP/1.0 200 OK" without a single header line (or a status of 0) and hands out the
  // rest as the body. Garbage must not pass for an answer, and every real server sends
  // some header line, so an answer without one counts as no answer.
  bool isHttpAnswer(HINTERNET request) {
    auto* httpQueryInfo = api_.get(api_.httpQueryInfo);
    if (!httpQueryInfo) return false;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!httpQueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                       nullptr) ||
        status < 100 || status > 599) {
      return false;
    }
    DWORD length = 0;
    httpQueryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &length, nullptr);
    std::vector<char> headers(length + 1);
    length = static_cast<DWORD>(headers.size());
    if (!httpQueryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &length, nullptr)) {
      return false;
    }
    const std::string_view text(headers.data(), std::min<std::size_t>(length, headers.size()));
    const std::size_t statusLineEnd = text.find("\r\n");
    return statusLineEnd != std::string_view::npos &&
           text.substr(statusLineEnd + 2).find_first_not_of("\r\n") != std::string_view::npos;
  }

  // Declared first so that it outlives the handles, which need it to close.
  WinInet api_;
  HandleTable<InternetHandle> handles_;
};

}  // namespace

std::unique_ptr<HttpClient> makeHttpClient() { return std::make_unique<WinInetHttpClient>(); }

}  // namespace ximing
