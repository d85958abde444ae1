// The program's window on Windows: one top-level window with a label, an edit box and
// two push buttons, drawn by Windows' own controls through the W functions. The
// program's texts are code page 936 bytes; they are converted to and from UTF-16 here,
// at the window system, so that they show right on a Windows of any language.
#pragma once

#include <windows.h>

#include <memory>

#include "app/main_window.h"

namespace ximing {

// The controls' identifiers. None of them is IDOK (1) or IDCANCEL (2): the dialog
// keyboard handling sends those for Enter and Esc, and neither key may click a button.
enum class Win32Control : int {
  kSongIdLabel = 101,     // 标签1
  kSongNumberEdit = 102,  // 编辑框1
  kDownloadButton = 103,  // 按钮1
  kHelpButton = 104,      // 按钮2
};

class Win32MainWindow final : public MainWindow {
 public:
  // Creates the window centred on the primary screen and shows it with the focus in
  // the edit box. Should Windows refuse the window, handle() is null and run()
  // answers 1 at once.
  static std::unique_ptr<Win32MainWindow> create(MainWindowHandlers handlers);

  ~Win32MainWindow() override;
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  Text songNumber() override;
  // An owner-less, task-modal MessageBoxW: every window of this thread is disabled
  // while it is open.
  void showMessage(const Text& text) override;
  bool setClipboardText(const Text& text) override;
  // Runs the messages that are waiting through the same keyboard handling as run();
  // leaves a request to quit waiting for run() to see.
  bool processPendingEvents() override;
  int run() override;

  // The window and its controls, for the tests; null once the window is gone.
  HWND handle() const { return window_; }
  HWND control(Win32Control which) const;

 private:
  explicit Win32MainWindow(MainWindowHandlers handlers);

  static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool onCreate();
  void onCommand(int id, int code);
  void onActivate(WPARAM wParam);
  void onSetFocus();
  void onDestroy();
  LRESULT onNcDestroy(WPARAM wParam, LPARAM lParam);

  // One message of a loop: the window's keyboard handling first, then the usual
  // translation and dispatch.
  void dispatch(MSG& message);
  // Esc closes the window, Enter does nothing, Tab and Shift+Tab move the focus.
  // Answers whether the message has been dealt with.
  bool handleKeyboard(MSG& message);
  // To the next control in the Tab order, or the one before.
  void moveFocus(bool backwards);

  MainWindowHandlers handlers_;
  HWND window_ = nullptr;
  HWND edit_ = nullptr;
  // The control that had the focus when the window was last deactivated.
  HWND savedFocus_ = nullptr;
  // The window has been destroyed or a request to quit has been seen.
  bool ending_ = false;
};

}  // namespace ximing
