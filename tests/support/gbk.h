// Expected texts for the tests: written readably as UTF-8 and turned into the code
// page 936 bytes that the program works with, independently of how the program's
// own texts are compiled.
#pragma once

#include <string>
#include <string_view>

namespace ximing::testing_support {

// `utf8` in code page 936.
std::string gbk(std::u8string_view utf8);

// `bytes` (code page 936) as UTF-8, for readable failure messages and for
// comparing with what a UTF-8 window system shows.
std::string utf8FromGbk(std::string_view bytes);

}  // namespace ximing::testing_support
