// The program's one window, as each build's window system draws it. Its handlers
// are the program's; the window only calls them.
#pragma once

#include <functional>
#include <memory>

#include "app/desktop.h"

namespace ximing {

struct MainWindowHandlers {
  std::function<void()> download;      // the click on 下载
  std::function<void()> instructions;  // the click on 说明
};

class MainWindow : public Desktop {
 public:
  // Creates the window and its controls, centred on the primary screen, and shows it
  // with the focus in the edit box.
  static std::unique_ptr<MainWindow> create(MainWindowHandlers handlers);

  // Runs the event loop until the window has been closed; answers the exit code, 0.
  virtual int run() = 0;
};

}  // namespace ximing
