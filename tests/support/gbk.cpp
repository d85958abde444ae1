#include "tests/support/gbk.h"

#include <stdexcept>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace ximing::testing_support {
namespace {

#ifdef _WIN32
std::string convert(std::string_view in, UINT from, UINT to) {
  if (in.empty()) return {};
  const int wide = MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), w.data(), wide);
  const int n = WideCharToMultiByte(to, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(to, 0, w.data(), wide, out.data(), n, nullptr, nullptr);
  return out;
}
std::string toGbk(std::string_view utf8) { return convert(utf8, CP_UTF8, 936); }
std::string toUtf8(std::string_view gbk) { return convert(gbk, 936, CP_UTF8); }
#else
std::string convert(std::string_view in, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
  std::string input(in);
  std::vector<char> out(in.size() * 4 + 4);
  char* src = input.data();
  std::size_t srcLeft = input.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("iconv could not convert");
  return std::string(out.data(), static_cast<std::size_t>(dst - out.data()));
}
std::string toGbk(std::string_view utf8) { return convert(utf8, "GBK", "UTF-8"); }
std::string toUtf8(std::string_view gbk) { return convert(gbk, "UTF-8", "GBK"); }
#endif

}  // namespace

std::string gbk(std::u8string_view utf8) {
  return toGbk(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

std::string utf8FromGbk(std::string_view bytes) { return toUtf8(bytes); }

}  // namespace ximing::testing_support
