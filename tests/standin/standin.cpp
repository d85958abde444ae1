// ximing-standin: a local stand-in for the music service's song-information interface.
//
// The tests and the local demo point ximing-mp3 at this program instead of the real service.
// It answers GET /sound/info?sound_id=N from a fixed table of songs, each of which exercises one
// way the answer can look, and it plays back hand-written "reply scripts" for /case/NAME so a
// test can produce any byte stream (broken headers, pauses, stalls, endless bodies). Every
// request is recorded byte for byte so a test can check exactly what the client sent.
//
// Deliberately a single file using only POSIX and the standard library: the Windows cross-build
// compiles it with the host compiler and no build system.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t kMaxRequestBytes = 1024 * 1024;  // header block plus body
constexpr auto kRequestTimeout = 10s;                  // for the whole request, not per recv
constexpr auto kPauseTime = 150ms;
constexpr auto kStallLimit = 60s;
constexpr std::uint64_t kEndlessLimit = std::uint64_t{1} << 30;
constexpr std::size_t kEndlessChunk = 64 * 1024;
constexpr auto kSlowPieceGap = 200ms;
constexpr int kSlowPieces = 10;
constexpr std::size_t kStallPrefixBytes = 10;
// A client that stops reading without closing must not pin a thread forever.
constexpr int kSendTimeoutSeconds = 30;
// After our last byte we read until the client closes, so unread input never turns our close
// into a reset that could destroy the reply before the client has read it.
constexpr auto kLingerLimit = 2s;
constexpr std::size_t kLingerMaxBytes = 1024 * 1024;
constexpr std::size_t kMaxScriptBytes = 64 * 1024 * 1024;
constexpr std::size_t kMaxCaseNameLength = 200;  // NAME.request must stay a legal file name
constexpr int kMaxConnections = 256;
constexpr long kDefaultLifetimeSeconds = 3600;

// ---------------------------------------------------------------------------------------------
// The song table.

enum class Delivery { kAtOnce, kSlowly, kStall };

struct Song {
  std::string_view id;
  std::string_view status;
  std::string_view body;
  Delivery delivery;
  std::string_view what;  // shown to a person trying the demo
};

constexpr Song kSongs[] = {
    {"1001", "200 OK",
     R"({"code":0,"info":{"id":1001,"name":"Spring Rain","source":"http://media.ximing.example/sound/1001.mp3","duration":183}})",
     Delivery::kAtOnce, "found; \"source\" in the middle of the object"},
    {"1002", "200 OK", R"({"code":404,"msg":"SoUnD nOt ExIsT"})", Delivery::kAtOnce,
     "not-exist answer in mixed case"},
    {"1003", "200 OK",
     R"({"code":0,"info":{"id":1003,"name":"Quiet Field","singer":"Lin","duration":201}})",
     Delivery::kAtOnce, "found, but no \"source\" member anywhere"},
    {"1004", "200 OK",
     R"({"info":{"id":1004,"source":"http://media.ximing.example/sound/1004.mp3"},"user":{"name":"kai","city":"x"}})",
     Delivery::kAtOnce, "\"source\" is the last member of its object; more \",\" follow"},
    {"1005", "200 OK",
     R"({"code":0,"info":{"id":1005,"name":"North Wind","source":"http:\/\/media.ximing.example\/sound\/1005.mp3","duration":95}})",
     Delivery::kAtOnce, "\"source\" with escaped slashes (\\/)"},
    {"1006", "200 OK",
     R"({"code":0,"info":{"source":"http://media.ximing.example/sound/1006.mp3","id":1006,"name":"Morning Bell"}})",
     Delivery::kAtOnce, "\"source\" is the first member of its object (no comma before it)"},
    {"2001", "200 OK",
     R"({"code":0,"info":{"id":2001,"name":"Slow River","source":"http://media.ximing.example/sound/2001.mp3","duration":240}})",
     Delivery::kSlowly, "like 1001, body in 10 pieces 200 ms apart (about 2 s)"},
    {"2002", "200 OK",
     R"({"code":0,"info":{"id":2002,"name":"Stuck","source":"http://media.ximing.example/sound/2002.mp3","duration":60}})",
     Delivery::kStall, "headers and the first 10 body bytes, then stalls (up to 60 s)"},
    {"500", "500 Internal Server Error",
     R"({"code":500,"info":{"id":500,"name":"Broken","source":"http://media.ximing.example/sound/500.mp3","duration":1}})",
     Delivery::kAtOnce, "status 500, body still has a \"source\""},
};

constexpr Song kNotExist = {"", "200 OK", R"({"code":404,"msg":"Sound not exist"})",
                            Delivery::kAtOnce, "not-exist answer (status 200)"};

const Song& find_song(std::string_view id) {
  for (const Song& song : kSongs) {
    if (song.id == id) return song;
  }
  return kNotExist;
}

void print_song_table() {
  std::printf("songs (GET /sound/info?sound_id=N):\n");
  for (const Song& song : kSongs) {
    std::printf("  %-6.*s %.*s\n", static_cast<int>(song.id.size()), song.id.data(),
                static_cast<int>(song.what.size()), song.what.data());
  }
  std::printf("  %-6s %.*s\n", "other", static_cast<int>(kNotExist.what.size()),
              kNotExist.what.data());
  std::printf(
      "reply scripts: GET /case/NAME plays DIR/NAME.reply (markers <<pause>> <<stall>> "
      "<<endless>>)\n");
  std::fflush(stdout);
}

// ---------------------------------------------------------------------------------------------
// Small helpers.

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string errno_text(int err) { return std::error_code(err, std::generic_category()).message(); }

int ms_until(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return 0;
  return static_cast<int>(std::min<long long>(left.count(), 60'000));
}

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Writes next to the target and renames over it, so a reader sees the old file or the whole new
// one, never a partial one. Returns an error text, empty on success.
std::string write_file_atomically(const std::string& path, std::string_view data) {
  const std::string tmp = path + ".tmp";
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return tmp + ": " + errno_text(errno);
  const bool written = write_all(fd, data);
  const int write_err = errno;
  if (::close(fd) != 0 && written) return tmp + ": " + errno_text(errno);
  if (!written) {
    ::unlink(tmp.c_str());
    return tmp + ": " + errno_text(write_err);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    return path + ": " + errno_text(err);
  }
  return {};
}

std::string append_to_file(const std::string& path, std::string_view data) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return path + ": " + errno_text(errno);
  const bool written = write_all(fd, data);
  const int write_err = errno;
  if (::close(fd) != 0 && written) return path + ": " + errno_text(errno);
  if (!written) return path + ": " + errno_text(write_err);
  return {};
}

// ---------------------------------------------------------------------------------------------
// Recording requests.

class Recorder {
 public:
  // Starts a fresh recording so all.requests and all.count always describe the same run.
  std::string start(std::string dir) {
    dir_ = std::move(dir);
    if (std::string err = write_file_atomically(dir_ + "/all.requests", ""); !err.empty()) {
      return err;
    }
    return write_file_atomically(dir_ + "/all.count", "0\n");
  }

  // Appends to all.requests, writes each named per-request file, then bumps all.count, so once a
  // reader sees the count reach N every file of request N is complete.
  std::string record(std::string_view bytes, std::initializer_list<std::string_view> names) {
    const std::lock_guard lock(mutex_);
    if (std::string err = append_to_file(dir_ + "/all.requests", bytes); !err.empty()) return err;
    for (std::string_view name : names) {
      if (std::string err = write_file_atomically(dir_ + "/" + std::string(name), bytes);
          !err.empty()) {
        return err;
      }
    }
    ++count_;
    return write_file_atomically(dir_ + "/all.count", std::to_string(count_) + "\n");
  }

  // Taken for good when the process stops, so it never exits halfway through a record.
  std::mutex& mutex() { return mutex_; }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
  std::mutex mutex_;
  std::uint64_t count_ = 0;
};

Recorder g_recorder;
std::atomic<int> g_active_connections{0};
volatile std::sig_atomic_t g_stop_signal = 0;

// ---------------------------------------------------------------------------------------------
// Socket output.

bool send_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;  // includes the send time-out (EAGAIN)
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Reads and discards until the client closes, an error, or the deadline. Returns when done.
void drain_until_closed(int fd, Clock::time_point deadline, std::size_t max_bytes) {
  char buf[16 * 1024];
  std::size_t total = 0;
  while (total < max_bytes) {
    const int wait_ms = ms_until(deadline);
    if (wait_ms <= 0) return;
    pollfd pfd{fd, POLLIN, 0};
    const int r = ::poll(&pfd, 1, wait_ms);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return;
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    total += static_cast<std::size_t>(n);
  }
}

void close_gracefully(int fd) {
  ::shutdown(fd, SHUT_WR);
  drain_until_closed(fd, Clock::now() + kLingerLimit, kLingerMaxBytes);
  ::close(fd);
}

// Sends nothing more and keeps the connection open until the client gives up.
void stall(int fd) { drain_until_closed(fd, Clock::now() + kStallLimit, SIZE_MAX); }

void send_endlessly(int fd) {
  const std::string chunk(kEndlessChunk, 'x');
  for (std::uint64_t sent = 0; sent < kEndlessLimit; sent += chunk.size()) {
    if (!send_all(fd, chunk)) return;
  }
}

std::string make_head(std::string_view status, std::string_view content_type,
                      std::size_t content_length) {
  std::string head = "HTTP/1.1 ";
  head += status;
  head += "\r\nContent-Type: ";
  head += content_type;
  head += "\r\nContent-Length: ";
  head += std::to_string(content_length);
  head += "\r\nConnection: close\r\n\r\n";
  return head;
}

void send_text(int fd, std::string_view status, std::string_view body) {
  send_all(fd, make_head(status, "text/plain; charset=utf-8", body.size()) + std::string(body));
}

// ---------------------------------------------------------------------------------------------
// Reading a request.

struct Request {
  std::string bytes;  // exactly what was received: header block plus body
  std::string target;
};

// Parses the header block (without the final CRLF CRLF). Returns false for a request we refuse.
bool parse_head(std::string_view head, std::string& target, std::size_t& content_length) {
  const std::size_t line_end = head.find("\r\n");
  const std::string_view request_line = head.substr(0, line_end);
  const std::size_t sp1 = request_line.find(' ');
  if (sp1 == 0 || sp1 == std::string_view::npos) return false;
  const std::size_t sp2 = request_line.find(' ', sp1 + 1);
  if (sp2 == std::string_view::npos || sp2 == sp1 + 1) return false;
  if (request_line.substr(sp2 + 1).substr(0, 5) != "HTTP/") return false;
  target = std::string(request_line.substr(sp1 + 1, sp2 - sp1 - 1));

  std::optional<std::size_t> length;
  std::string_view rest =
      line_end == std::string_view::npos ? std::string_view{} : head.substr(line_end + 2);
  while (!rest.empty()) {
    const std::size_t end = rest.find("\r\n");
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 2);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = trim(line.substr(colon + 1));
    // Only Content-Length framing is supported; a chunked body could not be recorded faithfully.
    if (iequals(name, "transfer-encoding")) return false;
    if (!iequals(name, "content-length")) continue;
    if (value.empty() || value.size() > 9 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
    const std::size_t n = std::stoul(std::string(value));
    if (length && *length != n) return false;
    length = n;
  }
  content_length = length.value_or(0);
  return true;
}

std::optional<Request> read_request(int fd) {
  const auto deadline = Clock::now() + kRequestTimeout;
  Request req;
  std::string& buf = req.bytes;
  std::size_t searched = 0;
  std::size_t total = 0;  // header block plus body, once the header block is complete
  char chunk[16 * 1024];
  for (;;) {
    if (total == 0) {
      const std::size_t start = searched >= 3 ? searched - 3 : 0;
      const std::size_t end = buf.find("\r\n\r\n", start);
      searched = buf.size();
      if (end != std::string::npos) {
        std::size_t content_length = 0;
        if (!parse_head(std::string_view(buf).substr(0, end), req.target, content_length)) {
          return std::nullopt;
        }
        total = end + 4 + content_length;
        if (total > kMaxRequestBytes) return std::nullopt;
      } else if (buf.size() >= kMaxRequestBytes) {
        return std::nullopt;
      }
    }
    if (total != 0 && buf.size() >= total) {
      buf.resize(total);  // anything past the body is not part of this request
      return req;
    }
    const std::size_t want =
        std::min(sizeof chunk, (total ? total : kMaxRequestBytes) - buf.size());
    const int wait_ms = ms_until(deadline);
    if (wait_ms <= 0) return std::nullopt;
    pollfd pfd{fd, POLLIN, 0};
    const int r = ::poll(&pfd, 1, wait_ms);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return std::nullopt;
    const ssize_t n = ::recv(fd, chunk, want, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    buf.append(chunk, static_cast<std::size_t>(n));
  }
}

// ---------------------------------------------------------------------------------------------
// Answers.

// Returns true when the connection should still be closed gracefully by the caller.
bool answer_song(int fd, const Song& song) {
  const std::string head =
      make_head(song.status, "application/json; charset=utf-8", song.body.size());
  switch (song.delivery) {
    case Delivery::kAtOnce:
      return send_all(fd, head + std::string(song.body));
    case Delivery::kSlowly: {
      if (!send_all(fd, head)) return false;
      const std::size_t piece = (song.body.size() + kSlowPieces - 1) / kSlowPieces;
      for (std::size_t at = 0; at < song.body.size(); at += piece) {
        std::this_thread::sleep_for(kSlowPieceGap);
        if (!send_all(fd, song.body.substr(at, piece))) return false;
      }
      return true;
    }
    case Delivery::kStall:
      if (send_all(fd, head + std::string(song.body.substr(0, kStallPrefixBytes)))) stall(fd);
      return false;
  }
  return false;
}

struct Marker {
  std::string_view text;
  enum Kind { kPause, kStall, kEndless } kind;
};
constexpr Marker kMarkers[] = {{"<<pause>>", Marker::kPause},
                               {"<<stall>>", Marker::kStall},
                               {"<<endless>>", Marker::kEndless}};

// Plays a reply script. Returns true when the connection should still be closed gracefully.
bool play_script(int fd, std::string_view script) {
  std::size_t pos = 0;
  for (;;) {
    const Marker* marker = nullptr;
    std::size_t at = pos;
    while ((at = script.find("<<", at)) != std::string_view::npos) {
      for (const Marker& m : kMarkers) {
        if (script.substr(at, m.text.size()) == m.text) marker = &m;
      }
      if (marker) break;
      ++at;
    }
    const std::string_view before = script.substr(pos, marker ? at - pos : std::string_view::npos);
    if (!before.empty() && !send_all(fd, before)) return false;
    if (!marker) return true;
    pos = at + marker->text.size();
    switch (marker->kind) {
      case Marker::kPause:
        std::this_thread::sleep_for(kPauseTime);
        break;
      case Marker::kStall:
        stall(fd);
        return false;
      case Marker::kEndless:
        send_endlessly(fd);
        return true;
    }
  }
}

enum class ReadResult { kOk, kMissing, kFailed };

ReadResult read_script(const std::string& path, std::string& out, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return ReadResult::kMissing;
    error = path + ": " + errno_text(errno);
    return ReadResult::kFailed;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = path + ": not a regular file";
    ::close(fd);
    return ReadResult::kFailed;
  }
  char buf[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = path + ": " + errno_text(errno);
      ::close(fd);
      return ReadResult::kFailed;
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
    if (out.size() > kMaxScriptBytes) {
      error = path + ": larger than 64 MiB";
      ::close(fd);
      return ReadResult::kFailed;
    }
  }
  ::close(fd);
  return ReadResult::kOk;
}

bool is_name_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

// Value of the sound_id query parameter, empty when absent.
std::string_view sound_id(std::string_view query) {
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view param = query.substr(0, amp);
    if (param.substr(0, 9) == "sound_id=") return param.substr(9);
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return {};
}

// Returns true when the connection should still be closed gracefully.
bool answer(int fd, const Request& req) {
  std::string_view target = req.target;
  // Absolute-form targets (as a proxy would send) are routed by their path.
  if (const std::size_t scheme = target.find("://");
      scheme != std::string_view::npos && target.substr(0, 1) != "/") {
    const std::size_t slash = target.find('/', scheme + 3);
    target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
  }
  const std::size_t question = target.find('?');
  const std::string_view path = target.substr(0, question);
  const std::string_view query =
      question == std::string_view::npos ? std::string_view{} : target.substr(question + 1);

  const auto failed_to_record = [&](const std::string& err) {
    std::fprintf(stderr, "ximing-standin: could not record a request: %s\n", err.c_str());
    send_text(fd, "500 Internal Server Error",
              "ximing-standin could not record the request: " + err + "\n");
    return true;
  };

  constexpr std::string_view kCasePrefix = "/case/";
  if (target.substr(0, kCasePrefix.size()) == kCasePrefix) {
    std::string_view name = target.substr(kCasePrefix.size());
    name = name.substr(0, std::find_if_not(name.begin(), name.end(), is_name_char) - name.begin());
    if (!name.empty() && name.size() <= kMaxCaseNameLength) {
      const std::string base(name);
      if (std::string err = g_recorder.record(req.bytes, {base + ".request"}); !err.empty()) {
        return failed_to_record(err);
      }
      std::string script;
      std::string error;
      switch (read_script(g_recorder.dir() + "/" + base + ".reply", script, error)) {
        case ReadResult::kMissing:
          send_text(fd, "404 Not Found", "no reply script for case " + base + "\n");
          return true;
        case ReadResult::kFailed:
          std::fprintf(stderr, "ximing-standin: %s\n", error.c_str());
          send_text(fd, "500 Internal Server Error", "cannot read reply script: " + error + "\n");
          return true;
        case ReadResult::kOk:
          return play_script(fd, script);
      }
    }
  }

  if (path == "/sound/info") {
    if (std::string err = g_recorder.record(req.bytes, {"sound.request"}); !err.empty()) {
      return failed_to_record(err);
    }
    return answer_song(fd, find_song(sound_id(query)));
  }

  if (std::string err = g_recorder.record(req.bytes, {}); !err.empty()) {
    return failed_to_record(err);
  }
  send_text(fd, "404 Not Found", "not found\n");
  return true;
}

void serve_connection(int fd) {
  try {
    const timeval send_timeout{kSendTimeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &send_timeout, sizeof send_timeout);
    const int one = 1;
    // Pieces and pauses should reach the client when the script says, not when Nagle decides.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (const std::optional<Request> req = read_request(fd); req && answer(fd, *req)) {
      close_gracefully(fd);
    } else {
      ::close(fd);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ximing-standin: connection failed: %s\n", e.what());
    ::close(fd);
  }
  --g_active_connections;
}

// ---------------------------------------------------------------------------------------------
// Start-up.

void on_stop_signal(int sig) { g_stop_signal = sig; }

[[noreturn]] void usage(int code) {
  std::fprintf(code == 0 ? stdout : stderr,
               "usage: ximing-standin --port N --dir D [--port-file F] [--lifetime SECONDS]\n"
               "  --port N        listen on 127.0.0.1:N (0: any free port)\n"
               "  --dir D         existing folder for reply scripts and recorded requests\n"
               "  --port-file F   also write the port number to F\n"
               "  --lifetime S    stop after S seconds even without a signal (default %ld)\n",
               kDefaultLifetimeSeconds);
  std::exit(code);
}

bool parse_number(std::string_view text, long max, long& out) {
  if (text.empty() || text.size() > 9 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return false;
  }
  out = std::stol(std::string(text));
  return out <= max;
}

struct Options {
  long port = -1;
  std::string dir;
  std::string port_file;
  long lifetime = kDefaultLifetimeSeconds;
};

Options parse_options(int argc, char** argv) {
  Options opt;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") usage(0);
    if (i + 1 >= argc) {
      std::fprintf(stderr, "ximing-standin: %s needs a value\n", argv[i]);
      usage(2);
    }
    const std::string_view value = argv[++i];
    if (arg == "--port") {
      if (!parse_number(value, 65535, opt.port)) {
        std::fprintf(stderr, "ximing-standin: bad port '%s'\n", argv[i]);
        usage(2);
      }
    } else if (arg == "--dir") {
      opt.dir = value;
    } else if (arg == "--port-file") {
      opt.port_file = value;
    } else if (arg == "--lifetime") {
      if (!parse_number(value, 100'000'000, opt.lifetime) || opt.lifetime == 0) {
        std::fprintf(stderr, "ximing-standin: bad lifetime '%s'\n", argv[i]);
        usage(2);
      }
    } else {
      std::fprintf(stderr, "ximing-standin: unknown option %s\n", argv[i - 1]);
      usage(2);
    }
  }
  if (opt.port < 0 || opt.dir.empty()) usage(2);
  struct stat st {};
  if (::stat(opt.dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "ximing-standin: --dir %s is not an existing folder\n", opt.dir.c_str());
    std::exit(2);
  }
  return opt;
}

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "ximing-standin: %s: %s\n", what, std::strerror(errno));
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  const Options opt = parse_options(argc, argv);

  // SIGINT/SIGTERM stay blocked everywhere except inside ppoll below, so they can only interrupt
  // the accept loop and connection threads never see EINTR because of them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigset_t wait_mask;
  pthread_sigmask(SIG_BLOCK, &stop_signals, &wait_mask);
  sigdelset(&wait_mask, SIGINT);
  sigdelset(&wait_mask, SIGTERM);
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  if (std::string err = g_recorder.start(opt.dir); !err.empty()) {
    std::fprintf(stderr, "ximing-standin: %s\n", err.c_str());
    return 1;
  }

  const int listen_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listen_fd < 0) fail("socket");
  const int one = 1;
  ::setsockopt(listen_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(opt.port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(listen_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) fail("bind");
  if (::listen(listen_fd, 64) != 0) fail("listen");
  socklen_t addr_len = sizeof addr;
  if (::getsockname(listen_fd, reinterpret_cast<sockaddr*>(&addr), &addr_len) != 0) {
    fail("getsockname");
  }
  const unsigned port = ntohs(addr.sin_port);

  std::printf("ximing-standin listening on 127.0.0.1:%u\n", port);
  std::fflush(stdout);
  if (!opt.port_file.empty()) {
    if (std::string err = write_file_atomically(opt.port_file, std::to_string(port) + "\n");
        !err.empty()) {
      std::fprintf(stderr, "ximing-standin: cannot write port file %s\n", err.c_str());
      return 1;
    }
  }
  print_song_table();

  const auto stop_at = Clock::now() + std::chrono::seconds(opt.lifetime);
  const char* stop_reason = nullptr;
  while (!stop_reason) {
    const int wait_ms = ms_until(stop_at);
    if (wait_ms <= 0) {
      stop_reason = "lifetime over";
      break;
    }
    const timespec wait{wait_ms / 1000, (wait_ms % 1000) * 1'000'000L};
    pollfd pfd{listen_fd, POLLIN, 0};
    const int r = ::ppoll(&pfd, 1, &wait, &wait_mask);
    if (g_stop_signal != 0) {
      stop_reason = g_stop_signal == SIGINT ? "SIGINT" : "SIGTERM";
      break;
    }
    if (r < 0 && errno != EINTR) fail("poll");
    if (r <= 0) continue;
    const int fd = ::accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        std::this_thread::sleep_for(50ms);  // out of resources: do not spin
      }
      continue;
    }
    if (g_active_connections.load() >= kMaxConnections) {
      ::close(fd);
      continue;
    }
    ++g_active_connections;
    try {
      // Detached: a stalled client must never keep the process from exiting.
      std::thread(serve_connection, fd).detach();
    } catch (const std::system_error&) {
      --g_active_connections;
      ::close(fd);
    }
  }

  ::close(listen_fd);
  // Never stop halfway through writing a record; connection threads are simply abandoned.
  g_recorder.mutex().lock();
  std::fprintf(stderr, "ximing-standin: stopping (%s)\n", stop_reason);
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(0);
}
