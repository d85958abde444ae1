#include "app/program.h"

#include <memory>

#include "app/lookup.h"
#include "app/main_window.h"
#include "web/http_client.h"

namespace ximing {

int runProgram(const ProgramSettings& settings) {
  // The answer of the latest lookup: the program's only state, released when the
  // window is gone and this returns.
  Text lastPageText;
  const std::unique_ptr<HttpClient> http = makeHttpClient();
  std::unique_ptr<MainWindow> window;
  window = MainWindow::create({
      .download = [&] { lookUpSong(*window, *http, settings.serviceHost, lastPageText); },
      .instructions = [&] { showInstructions(*window, settings.siteHost); },
  });
  return window->run();
}

}  // namespace ximing
