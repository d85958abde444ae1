// Properties of the header-block completion that fetchPage performs.
//
// Input: four texts separated by NULs: the caller's header block, the address, the
// method and the body.
//
// - The caller's block comes first, unchanged; when lines were added after a block
//   that does not end in CR LF, one CR LF separates them.
// - What follows is made of the default lines only, in their fixed order, each at
//   most once, each ending in CR LF: Accept, Referer naming the address,
//   Accept-Language, and for a method other than GET with a body, Content-Type and
//   Content-Length giving the body's length.
// - A line is added only when its "Name: " occurs nowhere in the caller's block, and
//   afterwards every such name occurs in the result. Both searches ignore ASCII case
//   and try only character starts, as findText does.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "web/fetch.h"

namespace {

constexpr std::string_view kCrLf = "\r\n";

char fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Whether `name` occurs in `t` at a character start (a byte of 0x80 or above takes
// the next one along), ASCII letters matching in either case.
bool occurs(std::string_view t, std::string_view name) {
  for (std::size_t i = 0; i + name.size() <= t.size();) {
    std::size_t k = 0;
    while (k < name.size() && fold(t[i + k]) == fold(name[k])) ++k;
    if (k == name.size()) return true;
    i += static_cast<unsigned char>(t[i]) >= 0x80 ? 2 : 1;
  }
  return false;
}

struct DefaultLine {
  std::string name;
  std::string line;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using ximing::fuzz::check;
  ximing::fuzz::FuzzInput in(data, size);
  const std::string headers(in.text());
  const std::string address(in.text());
  const std::string method(in.text());
  const std::string body(in.text());

  const std::string result = ximing::completeRequestHeaders(headers, address, method, body);

  std::vector<DefaultLine> defaults = {
      {"Accept: ",
       "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, "
       "application/x-shockwave-flash, application/vnd.ms-excel, "
       "application/vnd.ms-powerpoint, application/msword, */*\r\n"},
      {"Referer: ", "Referer: " + address + "\r\n"},
      {"Accept-Language: ", "Accept-Language: zh-cn\r\n"},
  };
  if (method != "GET" && !body.empty()) {
    defaults.push_back({"Content-Type: ", "Content-Type: application/x-www-form-urlencoded\r\n"});
    defaults.push_back(
        {"Content-Length: ", "Content-Length: " + std::to_string(body.size()) + "\r\n"});
  }

  check(result.starts_with(headers), "the caller's block is not kept as the prefix");
  std::string_view added = std::string_view(result).substr(headers.size());
  if (!added.empty() && !headers.empty() && !headers.ends_with(kCrLf)) {
    check(added.starts_with(kCrLf), "no CR LF between the caller's block and the added lines");
    added.remove_prefix(kCrLf.size());
  }
  for (const DefaultLine& d : defaults) {
    if (added.starts_with(d.line)) {
      check(!occurs(headers, d.name), "a line was added although the caller's block names it");
      added.remove_prefix(d.line.size());
    }
    check(occurs(result, d.name), "a default header is missing from the completed block");
  }
  check(added.empty(), "the block holds more than the default lines, once each and in order");
  return 0;
}
