// The program's entry.
#pragma once

#include <string_view>

namespace ximing {

// Where the program finds the service; fixed when it is built.
struct ProgramSettings {
  std::string_view serviceHost;  // host or host:port of the song-information interface
  std::string_view siteHost;     // host of the public site, for the usage hint
};

// Shows the window and runs until it has been closed; answers 0.
int runProgram(const ProgramSettings& settings);

}  // namespace ximing
