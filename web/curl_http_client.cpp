// The HTTP client of the Linux build, over libcurl's multi interface.
//
// What reaches the server is what WinInet sends for the same calls: the request line,
// Host, User-Agent, then the caller's header block in its order, and for a body the
// Content-Length that HTTP/1.1 needs when the block has none. curl's other headers of
// its own (Accept, Expect, Content-Type, Accept-Encoding, Proxy-Connection) are
// switched off unless the block carries them.
//
// A request is one easy handle in a multi handle of its own. `send` drives it until the
// headers of the final response are in (following redirects itself); `read` drives it
// until body bytes are there.
// Body bytes are buffered by the write callback, which pauses the transfer while the
// buffer is full, so nothing runs while the caller is busy elsewhere, and no call waits
// longer than the connect, send or receive time-out allows.

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "web/client_checks.h"
#include "web/handle_table.h"
#include "web/http_client.h"

namespace ximing {
namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// WinInet's defaults, for a request whose time-outs are never set.
constexpr std::uint32_t kDefaultConnectMs = 60000;
constexpr std::uint32_t kDefaultSendMs = 30000;
constexpr std::uint32_t kDefaultReceiveMs = 30000;
// Body bytes held for the reader before the transfer is paused.
constexpr std::size_t kBufferBytes = 64 * 1024;
// A server redirecting in a circle must not keep a request going for ever.
constexpr long kMaxRedirects = 20;

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(),
                    [](char a, char b) { return asciiLower(a) == asciiLower(b); });
}

// "host[:port]" as "http://host:port" (port 80 when none is given); empty when it is
// not a usable proxy.
std::string proxyAddress(std::string_view hostPort) {
  if (startsWithIgnoringCase(hostPort, "http://")) hostPort.remove_prefix(7);
  if (!hostPort.empty() && hostPort.back() == '/') hostPort.remove_suffix(1);
  const std::size_t colon = hostPort.find(':');
  const std::string_view host = hostPort.substr(0, colon);
  std::string_view port = colon == std::string_view::npos ? "80" : hostPort.substr(colon + 1);
  if (!isPlainHostName(host) || port.empty() || port.size() > 5 ||
      !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
      std::stol(std::string(port)) > 65535) {
    return {};
  }
  return "http://" + std::string(host) + ":" + std::string(port);
}

// The proxy a WinInet proxy list names for HTTP: entries are separated by spaces or
// semicolons, and "http=host:port" or a plain "host:port" applies to HTTP. Empty for a
// direct connection when no entry applies; nullopt when the one that applies is unusable.
std::optional<std::string> httpProxyFromList(std::string_view list) {
  std::size_t at = 0;
  while (at < list.size()) {
    const std::size_t end = list.find_first_of(" ;", at);
    std::string_view entry = list.substr(at, end == std::string_view::npos ? end : end - at);
    at = end == std::string_view::npos ? list.size() : end + 1;
    if (entry.empty()) continue;
    const std::size_t equals = entry.find('=');
    if (equals != std::string_view::npos) {
      if (!startsWithIgnoringCase(entry, "http=")) continue;
      entry.remove_prefix(equals + 1);
    }
    std::string address = proxyAddress(entry);
    if (address.empty()) return std::nullopt;
    return address;
  }
  return std::string();
}

// The lines of a header block. Any CR or LF ends a line, so no line handed to curl can
// carry a line break of its own into the request.
std::vector<std::string> headerLines(std::string_view block) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < block.size()) {
    const std::size_t end = block.find_first_of("\r\n", at);
    const std::string_view line = block.substr(at, end == std::string_view::npos ? end : end - at);
    if (!line.empty()) lines.emplace_back(line);
    at = end == std::string_view::npos ? block.size() : end + 1;
  }
  return lines;
}

struct Session {
  std::string userAgent;
  std::string proxy;  // empty: direct
};

struct Connection {
  Session session;
  std::string host;
  std::int32_t port;
};

// What a redirect with `status` does to a request: 307 and 308 repeat it as it was, the
// others turn anything but GET and HEAD into a GET without a body, as WinInet does.
bool isRedirect(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

class Request {
 public:
  Request(const Connection& connection, std::string method, std::string objectPath,
          std::string version)
      : connection_(connection),
        method_(std::move(method)),
        objectPath_(std::move(objectPath)),
        version_(std::move(version)) {}
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;
  ~Request() { release(); }

  void setTimeout(HttpTimeout which, std::uint32_t milliseconds) {
    switch (which) {
      case HttpTimeout::kConnect:
        connectMs_ = milliseconds;
        break;
      case HttpTimeout::kSend:
        sendMs_ = milliseconds;
        break;
      case HttpTimeout::kReceive:
        receiveMs_ = milliseconds;
        break;
    }
  }

  void send(const Text& headers, const Text& body) {
    release();
    resetState();
    lines_ = headerLines(headers);
    body_ = body;
    currentMethod_ = method_;
    redirectsLeft_ = kMaxRedirects;
    multi_ = curl_multi_init();
    easy_ = curl_easy_init();
    if (!multi_ || !easy_) return;
    // WinInet sends a space in the object path as %20; curl would refuse the address.
    std::string path = objectPath_.starts_with('/') ? "" : "/";
    for (char c : objectPath_) path += c == ' ' ? std::string("%20") : std::string(1, c);
    url_ = "http://" + connection_.host +
           (connection_.port != 0 ? ":" + std::to_string(connection_.port) : "") + path;
    if (!configure() || !start()) return;
    drive([this] { return finalHeaders_.has_value(); });
  }

  std::int32_t read(char* buffer, std::int32_t size) {
    if (!buffer || size <= 0) return 0;
    if (buffered() == 0 && running_ && paused_) resume();
    drive([this] { return buffered() > 0; });
    const std::size_t count = std::min(buffered(), static_cast<std::size_t>(size));
    std::memcpy(buffer, buffer_.data() + bufferStart_, count);
    bufferStart_ += count;
    if (bufferStart_ == buffer_.size()) {
      buffer_.clear();
      bufferStart_ = 0;
    }
    return static_cast<std::int32_t>(count);
  }

  void queryRawHeaders(char* buffer, std::int32_t size) const {
    if (!buffer || !finalHeaders_ || size <= 0 ||
        finalHeaders_->size() >= static_cast<std::size_t>(size)) {
      return;
    }
    std::memcpy(buffer, finalHeaders_->c_str(), finalHeaders_->size() + 1);
  }

 private:
  std::size_t buffered() const { return buffer_.size() - bufferStart_; }

  void resetState() {
    buffer_.clear();
    bufferStart_ = 0;
    finalHeaders_.reset();
    abandoned_ = false;
    paused_ = false;
    startResponse();
  }

  // Forgets what belongs to one exchange with a server (a redirect starts another).
  void startResponse() {
    headerBlock_.clear();
    inHeaderBlock_ = false;
    location_.clear();
    redirectUrl_.clear();
    connected_ = false;
    uploaded_ = 0;
    uploadTotal_ = 0;
    lastProgress_ = Clock::now();
  }

  // Sets the options that hold for the whole request; false when one cannot be had.
  bool configure() {
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
      ok = ok && curl_easy_setopt(easy_, option, value) == CURLE_OK;
    };
    // Sent as given, as WinInet does: no squashing of "/../" and the like.
    set(CURLOPT_PATH_AS_IS, 1L);
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are followed here (see endOfHeaderBlock), not by curl, which would
    // keep the caller's Content-Length and Content-Type on the GET after a POST.
    set(CURLOPT_FOLLOWLOCATION, 0L);
    set(CURLOPT_HTTP_VERSION,
        version_ == "HTTP/1.0" ? long{CURL_HTTP_VERSION_1_0} : long{CURL_HTTP_VERSION_1_1});
    set(CURLOPT_USERAGENT, connection_.session.userAgent.c_str());
    // An empty proxy keeps curl from taking one from the environment, as WinInet's
    // direct access does; an empty no-proxy list makes every host use a given one.
    set(CURLOPT_PROXY, connection_.session.proxy.c_str());
    set(CURLOPT_NOPROXY, "");
    // Decode any content encoding the server chooses; no Accept-Encoding is sent (below).
    set(CURLOPT_ACCEPT_ENCODING, "");
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max<std::uint32_t>(connectMs_, 1)));
    set(CURLOPT_WRITEFUNCTION, &Request::onBody);
    set(CURLOPT_WRITEDATA, this);
    set(CURLOPT_HEADERFUNCTION, &Request::onHeader);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_PREREQFUNCTION, &Request::onConnected);
    set(CURLOPT_PREREQDATA, this);
    set(CURLOPT_XFERINFOFUNCTION, &Request::onProgress);
    set(CURLOPT_XFERINFODATA, this);
    set(CURLOPT_NOPROGRESS, 0L);
    return ok;
  }

  // Starts one exchange: `url_` with `currentMethod_`, the body unless it is a plain GET or
  // HEAD, and the header lines that go with it.
  bool start() {
    bool ok = true;
    const auto set = [&](CURLoption option, auto value) {
      ok = ok && curl_easy_setopt(easy_, option, value) == CURLE_OK;
    };
    set(CURLOPT_URL, url_.c_str());
    const bool plainGet = currentMethod_ == "GET" && body_.empty();
    const bool plainHead = currentMethod_ == "HEAD" && body_.empty();
    const bool withBody = !plainGet && !plainHead;
    if (plainGet) {
      set(CURLOPT_HTTPGET, 1L);
    } else if (plainHead) {
      set(CURLOPT_NOBODY, 1L);
    } else {
      set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_.size()));
      set(CURLOPT_POSTFIELDS, body_.data());
    }
    const bool curlNamesIt = plainGet || plainHead || currentMethod_ == "POST";
    set(CURLOPT_CUSTOMREQUEST, curlNamesIt ? nullptr : currentMethod_.c_str());

    // A request without a body carries no header about one.
    curl_slist* list = nullptr;
    const auto append = [&](const std::string& line) {
      curl_slist* longer = curl_slist_append(list, line.c_str());
      if (longer) {
        list = longer;
      } else {
        ok = false;
      }
    };
    const auto named = [](const std::string& line, std::string_view name) {
      return startsWithIgnoringCase(line, name) && line.size() > name.size() &&
             line[name.size()] == ':';
    };
    const auto blockHas = [&](std::string_view name) {
      return std::any_of(lines_.begin(), lines_.end(),
                         [&](const std::string& line) { return named(line, name); });
    };
    for (const std::string& line : lines_) {
      if (!withBody && (named(line, "Content-Length") || named(line, "Content-Type"))) continue;
      const std::size_t colon = line.find(':');
      const bool blankValue = colon != std::string::npos &&
                              line.find_first_not_of(" \t", colon + 1) == std::string::npos;
      // curl reads "Name:" as "do not send Name"; "Name;" is its way to send it empty.
      append(blankValue ? line.substr(0, colon) + ";" : line);
    }
    for (std::string_view name :
         {"Accept", "Expect", "Content-Type", "Accept-Encoding", "Proxy-Connection"}) {
      if (!blockHas(name)) append(std::string(name) + ":");
    }
    set(CURLOPT_HTTPHEADER, list);
    curl_slist_free_all(headerList_);
    headerList_ = list;

    ok = ok && curl_multi_add_handle(multi_, easy_) == CURLM_OK;
    added_ = ok;
    running_ = ok;
    return ok;
  }

  // How long the transfer may go without progress in the phase it is in.
  Milliseconds idleLimit() const {
    std::uint32_t ms = receiveMs_;
    if (!connected_) {
      ms = connectMs_;
    } else if (uploaded_ < uploadTotal_) {
      ms = sendMs_;
    }
    return Milliseconds(ms);
  }

  // Runs the transfer until `enough()` holds, it ends, or it has gone without progress
  // for longer than its phase allows.
  template <typename Enough>
  void drive(Enough enough) {
    while (running_ && !enough()) {
      int stillRunning = 0;
      if (curl_multi_perform(multi_, &stillRunning) != CURLM_OK) {
        stop();
        break;
      }
      int left = 0;
      while (const CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg == CURLMSG_DONE) finishExchange();
      }
      if (!running_ || enough()) break;
      const auto idle = std::chrono::duration_cast<Milliseconds>(Clock::now() - lastProgress_);
      const Milliseconds limit = idleLimit();
      if (idle >= limit) {
        stop();
        break;
      }
      const auto wait = std::min<Milliseconds::rep>((limit - idle).count(), INT_MAX);
      if (curl_multi_poll(multi_, nullptr, 0, static_cast<int>(wait), nullptr) != CURLM_OK) {
        stop();
        break;
      }
    }
  }

  // An exchange has ended: the request is done, or goes on to where a redirect points.
  void finishExchange() {
    stop();
    if (redirectUrl_.empty()) return;
    url_ = redirectUrl_;
    startResponse();
    start();
  }

  void resume() {
    paused_ = false;
    lastProgress_ = Clock::now();
    // The held bytes may be delivered, and the transfer paused again, right here.
    if (curl_easy_pause(easy_, CURLPAUSE_CONT) != CURLE_OK) stop();
  }

  // Ends the transfer; what was buffered can still be read.
  void stop() {
    if (added_) curl_multi_remove_handle(multi_, easy_);
    added_ = false;
    running_ = false;
  }

  void release() {
    stop();
    if (easy_) curl_easy_cleanup(easy_);
    if (multi_) curl_multi_cleanup(multi_);
    curl_slist_free_all(headerList_);
    easy_ = nullptr;
    multi_ = nullptr;
    headerList_ = nullptr;
  }

  static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto& request = *static_cast<Request*>(self);
    const std::size_t bytes = size * count;
    // Only the final response's body is the caller's.
    if (!request.finalHeaders_) return bytes;
    if (request.buffered() > 0 && request.buffered() + bytes > kBufferBytes) {
      request.paused_ = true;
      return CURL_WRITEFUNC_PAUSE;
    }
    if (request.bufferStart_ > 0) {
      request.buffer_.erase(0, request.bufferStart_);
      request.bufferStart_ = 0;
    }
    request.buffer_.append(data, bytes);
    request.lastProgress_ = Clock::now();
    return bytes;
  }

  static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto& request = *static_cast<Request*>(self);
    const std::size_t bytes = size * count;
    request.lastProgress_ = Clock::now();
    std::string_view line(data, bytes);
    if (line.starts_with("HTTP/")) {
      request.headerBlock_.clear();
      request.inHeaderBlock_ = true;
      request.location_.clear();
    }
    // Trailers of a chunked body, after the final header block, are not part of it.
    if (!request.inHeaderBlock_) return bytes;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    request.headerBlock_.append(line).append("\r\n");
    if (startsWithIgnoringCase(line, "location:")) {
      std::string_view value = line.substr(9);
      value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
      value.remove_suffix(value.size() - (value.find_last_not_of(" \t") + 1));
      request.location_ = value;
    }
    if (!line.empty()) return bytes;
    request.endOfHeaderBlock();
    // A redirect's own body is of no use: the exchange ends here, and the next begins.
    return request.redirectUrl_.empty() && !request.abandoned_ ? bytes : 0;
  }

  void endOfHeaderBlock() {
    inHeaderBlock_ = false;
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200) return;  // an interim response; the real one follows
    if (isRedirect(status) && !location_.empty()) {
      // One that cannot be followed (too many in a row, or to no HTTP address) is no
      // answer either: the request fails.
      if (redirectsLeft_ > 0) redirectUrl_ = resolved(location_);
      if (redirectUrl_.empty()) {
        abandoned_ = true;
        return;
      }
      --redirectsLeft_;
      if (status != 307 && status != 308 && currentMethod_ != "GET" && currentMethod_ != "HEAD") {
        currentMethod_ = "GET";
        body_.clear();
      }
      return;
    }
    finalHeaders_ = headerBlock_;
  }

  // `location` as an address of its own, read against the one it came from, as curl
  // reads a Location; empty when it is no HTTP address. A user name or password in it
  // is dropped: the request must not start sending credentials of its own.
  std::string resolved(const std::string& location) const {
    std::string address;
    CURLU* url = curl_url();
    char* text = nullptr;
    char* scheme = nullptr;
    if (url && curl_url_set(url, CURLUPART_URL, url_.c_str(), CURLU_PATH_AS_IS) == CURLUE_OK &&
        curl_url_set(url, CURLUPART_URL, location.c_str(),
                     CURLU_URLENCODE | CURLU_ALLOW_SPACE | CURLU_PATH_AS_IS) == CURLUE_OK &&
        curl_url_set(url, CURLUPART_USER, nullptr, 0) == CURLUE_OK &&
        curl_url_set(url, CURLUPART_PASSWORD, nullptr, 0) == CURLUE_OK &&
        curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        (std::string_view(scheme) == "http" || std::string_view(scheme) == "https") &&
        curl_url_get(url, CURLUPART_URL, &text, 0) == CURLUE_OK) {
      address = text;
    }
    curl_free(scheme);
    curl_free(text);
    curl_url_cleanup(url);
    return address;
  }

  static int onConnected(void* self, char*, char*, int, int) {
    auto& request = *static_cast<Request*>(self);
    request.connected_ = true;
    request.lastProgress_ = Clock::now();
    return CURL_PREREQFUNC_OK;
  }

  static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t uploadTotal,
                        curl_off_t uploaded) {
    auto& request = *static_cast<Request*>(self);
    if (uploaded != request.uploaded_) request.lastProgress_ = Clock::now();
    request.uploaded_ = uploaded;
    request.uploadTotal_ = uploadTotal;
    return 0;
  }

  const Connection connection_;
  const std::string method_;
  const std::string objectPath_;
  const std::string version_;
  std::uint32_t connectMs_ = kDefaultConnectMs;
  std::uint32_t sendMs_ = kDefaultSendMs;
  std::uint32_t receiveMs_ = kDefaultReceiveMs;

  // The transfer; curl holds pointers to url_, currentMethod_, body_ and headerList_ while it runs.
  CURLM* multi_ = nullptr;
  CURL* easy_ = nullptr;
  curl_slist* headerList_ = nullptr;
  std::vector<std::string> lines_;
  std::string url_;
  std::string currentMethod_;
  std::string body_;
  long redirectsLeft_ = 0;
  bool added_ = false;
  bool running_ = false;
  bool paused_ = false;

  // What has arrived.
  std::string buffer_;
  std::size_t bufferStart_ = 0;
  std::string headerBlock_;
  bool inHeaderBlock_ = false;
  std::string location_;
  std::string redirectUrl_;
  bool abandoned_ = false;
  std::optional<std::string> finalHeaders_;

  // Progress, for the time-outs.
  bool connected_ = false;
  curl_off_t uploaded_ = 0;
  curl_off_t uploadTotal_ = 0;
  Clock::time_point lastProgress_ = Clock::now();
};

using Entry = std::variant<Session, Connection, std::unique_ptr<Request>>;

class CurlHttpClient final : public HttpClient {
 public:
  explicit CurlHttpClient(bool usable) : usable_(usable) {}

  HttpHandle openSession(const Text& userAgent, const std::optional<Text>& proxyList) override {
    if (!usable_) return 0;
    Session session{userAgent, {}};
    if (proxyList) {
      std::optional<std::string> proxy = httpProxyFromList(*proxyList);
      if (!proxy) return 0;
      session.proxy = *proxy;
    }
    return handles_.add(0, std::move(session));
  }

  HttpHandle connect(HttpHandle session, const Text& host, std::int32_t port) override {
    const Session* parent = find<Session>(session);
    if (!parent || !isPlainHostName(host) || !isPortOrDefault(port)) return 0;
    return handles_.add(session, Connection{*parent, host, port});
  }

  HttpHandle openRequest(HttpHandle connection, const Text& method, const Text& objectPath,
                         const Text& version, std::uint32_t) override {
    const Connection* parent = find<Connection>(connection);
    if (!parent || !isHttpToken(method)) return 0;
    return handles_.add(connection,
                        std::make_unique<Request>(*parent, method, objectPath, version));
  }

  void setTimeout(HttpHandle request, HttpTimeout which, std::uint32_t milliseconds) override {
    if (Request* r = findRequest(request)) r->setTimeout(which, milliseconds);
  }

  void send(HttpHandle request, const Text& headers, const Text& body) override {
    if (Request* r = findRequest(request)) r->send(headers, body);
  }

  std::int32_t read(HttpHandle request, char* buffer, std::int32_t size) override {
    Request* r = findRequest(request);
    return r ? r->read(buffer, size) : 0;
  }

  void queryRawHeaders(HttpHandle request, char* buffer, std::int32_t size) override {
    if (Request* r = findRequest(request)) r->queryRawHeaders(buffer, size);
  }

  void close(HttpHandle handle) override { handles_.close(handle); }

 private:
  template <typename T>
  T* find(HttpHandle handle) {
    Entry* entry = handles_.find(handle);
    return entry ? std::get_if<T>(entry) : nullptr;
  }

  Request* findRequest(HttpHandle handle) {
    auto* request = find<std::unique_ptr<Request>>(handle);
    return request ? request->get() : nullptr;
  }

  const bool usable_;
  HandleTable<Entry> handles_;
};

}  // namespace

std::unique_ptr<HttpClient> makeHttpClient() {
  // Once for the process, before any handle exists; never undone, since other parts of
  // the process may still be using curl when it ends.
  static const bool initialized = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return std::make_unique<CurlHttpClient>(initialized);
}

}  // namespace ximing
