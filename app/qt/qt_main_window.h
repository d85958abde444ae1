// The program's window on Linux, drawn with Qt Widgets.
#pragma once

#include <memory>

#include "app/main_window.h"

class QApplication;
class QEventLoop;
class QLineEdit;
class QWidget;

namespace ximing {

// The window and its four controls, and the desktop seam over Qt: texts cross into Qt
// from code page 936 and back. It makes the application object when none exists yet.
class QtMainWindow final : public MainWindow {
 public:
  explicit QtMainWindow(MainWindowHandlers handlers);
  ~QtMainWindow() override;
  QtMainWindow(const QtMainWindow&) = delete;
  QtMainWindow& operator=(const QtMainWindow&) = delete;

  Text songNumber() override;
  void showMessage(const Text& text) override;
  bool setClipboardText(const Text& text) override;
  bool processPendingEvents() override;
  int run() override;

 private:
  // The window was closed, by Esc or by its close box: the loop ends, and a lookup
  // under way learns it from processPendingEvents().
  void windowClosed();
  // Once the window manager's frame is known: outer size 298 x 142, centred.
  void fitOuterFrame();

  // Set when this window had to create the application object; it goes last.
  std::unique_ptr<QApplication> ownApplication_;
  std::unique_ptr<QWidget> form_;
  QLineEdit* songNumberEdit_ = nullptr;
  QEventLoop* runningLoop_ = nullptr;  // run()'s loop while it runs
  bool closed_ = false;
  bool frameFitted_ = false;
};

}  // namespace ximing
