// Turning one fuzz input into the arguments of a call.
//
// Every target reads its input the same way, so that a person can write a seed with
// printf:
//   - first a fixed number of header bytes (option bits, then integers stored
//     little-endian: an int32 is four bytes), as each target documents;
//   - then the text arguments, separated by NUL bytes. Texts never hold a NUL of their
//     own, so the separator can never be part of an argument. A missing argument is the
//     empty text; what follows the last argument a target reads is ignored.
// An input shorter than the header is padded with zero bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace ximing::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  std::uint8_t byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }

  std::uint16_t uint16() {
    const std::uint16_t lo = byte();
    const std::uint16_t hi = byte();
    return static_cast<std::uint16_t>(lo | (hi << 8));
  }

  std::int32_t int32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t{byte()} << (8 * i);
    return static_cast<std::int32_t>(v);
  }

  // The next text argument: the bytes up to the next NUL (or to the end).
  std::string_view text() {
    const std::size_t nul = rest_.find('\0');
    const std::string_view t = rest_.substr(0, nul);
    rest_.remove_prefix(nul == std::string_view::npos ? rest_.size() : nul + 1);
    return t;
  }

  // Everything not read yet, NUL bytes included.
  std::string_view rest() const { return rest_; }

 private:
  std::string_view rest_;
};

// `t` with every byte 0x01 and the byte after it replaced by kRunLength copies of that
// byte (a 0x01 at the very end is dropped), while the result is below kMaxExpanded
// bytes; later pairs stay as they are. A short input can so stand for a text of some
// tens of kilobytes, whose long runs cross the windows in which the searches scan,
// without making the slow references slower still.
inline constexpr std::size_t kRunLength = 5000;
inline constexpr std::size_t kMaxExpanded = 40000;
inline std::string expandRuns(std::string_view t) {
  std::string out;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] != '\x01' || out.size() >= kMaxExpanded) {
      out += t[i];
    } else if (i + 1 < t.size()) {
      out.append(kRunLength, t[++i]);
    }
  }
  return out;
}

// Stops the run with a message when a property does not hold; libFuzzer then saves
// the input that broke it.
[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "property broken: %s\n", what);
  std::abort();
}

inline void check(bool ok, const char* what) {
  if (!ok) fail(what);
}

}  // namespace ximing::fuzz
