#include "app/win32/win32_main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "app/texts.h"
#include "app/win32/resources.h"

namespace ximing {
namespace {

// The program's texts are code page 936 whatever the language of the Windows it runs on.
constexpr UINT kCodePage = 936;

constexpr wchar_t kClassName[] = L"XimingMp3MainWindow";
// A fixed frame with a title bar, a system menu and a minimise box; no sizing border,
// no maximise box.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kOuterWidth = 298;
constexpr int kOuterHeight = 142;
constexpr int kLargeIconSize = 32;
constexpr int kSmallIconSize = 16;

std::wstring wideFromText(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
  const int wide = MultiByteToWideChar(kCodePage, 0, text.data(), size, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring out(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(kCodePage, 0, text.data(), size, out.data(), wide);
  return out;
}

Text textFromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(std::min<std::size_t>(wide.size(), INT_MAX));
  const int bytes =
      WideCharToMultiByte(kCodePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  Text out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(kCodePage, 0, wide.data(), size, out.data(), bytes, nullptr, nullptr);
  return out;
}

struct ControlLayout {
  Win32Control id;
  const wchar_t* windowClass;
  DWORD exStyle;
  DWORD style;
  int x, y, width, height;  // in the window's client area
  std::string_view text;
};

// In creation order, which is also the order of the Tab key: 编辑框1, 按钮1, 按钮2.
// The label is painted text only, never a focus target.
std::array<ControlLayout, 4> controlLayouts() {
  constexpr DWORD kButtonStyle = WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;
  return {{
      {Win32Control::kSongIdLabel, L"STATIC", 0, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 8, 32, 64,
       24, kSongIdLabel},
      // No ES_NOHIDESEL: the selection is hidden while the focus is elsewhere.
      {Win32Control::kSongNumberEdit, L"EDIT", WS_EX_CLIENTEDGE,
       WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, 80, 32, 184, 24, ""},
      {Win32Control::kDownloadButton, L"BUTTON", 0, kButtonStyle, 176, 64, 80, 32,
       kDownloadCaption},
      {Win32Control::kHelpButton, L"BUTTON", 0, kButtonStyle, 24, 64, 72, 32, kHelpCaption},
  }};
}

bool registerWindowClass(HINSTANCE instance, WNDPROC windowProc) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (GetClassInfoExW(instance, kClassName, &windowClass)) return true;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(XIMING_ICON),
                                                    IMAGE_ICON, kLargeIconSize, kLargeIconSize, 0));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(
      instance, MAKEINTRESOURCEW(XIMING_ICON), IMAGE_ICON, kSmallIconSize, kSmallIconSize, 0));
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  // The colour of dialog backgrounds, which the label's text is painted over too.
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_3DFACE + 1));
  windowClass.lpszClassName = kClassName;
  return RegisterClassExW(&windowClass) != 0;
}

bool modifierKeyDown() {
  for (const int key : {VK_CONTROL, VK_SHIFT, VK_MENU}) {
    if (GetKeyState(key) & 0x8000) return true;
  }
  return false;
}

// OpenClipboard fails while another program has the clipboard open; that lasts
// moments, so a few tries are made before giving up.
bool openClipboard(HWND owner) {
  constexpr int kTries = 10;
  for (int i = 0; i < kTries; ++i) {
    if (OpenClipboard(owner)) return true;
    Sleep(10);
  }
  return false;
}

// Hands a copy of `size` bytes at `data` to the open clipboard as `format`.
bool putOnOpenClipboard(UINT format, const void* data, std::size_t size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return false;
  void* locked = GlobalLock(memory);
  if (locked) {
    std::memcpy(locked, data, size);
    GlobalUnlock(memory);
    // Once handed over, the memory belongs to the clipboard.
    if (SetClipboardData(format, memory)) return true;
  }
  GlobalFree(memory);
  return false;
}

}  // namespace

std::unique_ptr<MainWindow> MainWindow::create(MainWindowHandlers handlers) {
  return Win32MainWindow::create(std::move(handlers));
}

Win32MainWindow::Win32MainWindow(MainWindowHandlers handlers) : handlers_(std::move(handlers)) {}

Win32MainWindow::~Win32MainWindow() {
  if (window_) {
    // Gone with its owner: no handler of this object may run any more, and the
    // thread's message loop is not told to quit.
    const HWND window = window_;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    window_ = nullptr;
    DestroyWindow(window);
  }
}

std::unique_ptr<Win32MainWindow> Win32MainWindow::create(MainWindowHandlers handlers) {
  std::unique_ptr<Win32MainWindow> self(new Win32MainWindow(std::move(handlers)));
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  // The controls in the look of the running Windows (common controls 6, as the
  // program's manifest asks).
  const INITCOMMONCONTROLSEX commonControls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&commonControls);
  if (!registerWindowClass(instance, &Win32MainWindow::windowProc)) return self;

  // Centred on the primary screen; integer division truncates toward zero.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - kOuterWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kOuterHeight) / 2;
  CreateWindowExW(0, kClassName, wideFromText(kWindowTitle).c_str(), kWindowStyle, x, y,
                  kOuterWidth, kOuterHeight, nullptr, nullptr, instance, self.get());
  if (!self->window_) return self;

  // The outer size is what the window must have; Windows may have made it otherwise
  // (a minimum track size, say), so it is checked and corrected.
  RECT outer{};
  GetWindowRect(self->window_, &outer);
  if (outer.right - outer.left != kOuterWidth || outer.bottom - outer.top != kOuterHeight) {
    SetWindowPos(self->window_, nullptr, 0, 0, kOuterWidth, kOuterHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ShowWindow(self->window_, SW_SHOWNORMAL);
  UpdateWindow(self->window_);
  SetFocus(self->edit_);
  return self;
}

HWND Win32MainWindow::control(Win32Control which) const {
  return window_ ? GetDlgItem(window_, static_cast<int>(which)) : nullptr;
}

Text Win32MainWindow::songNumber() {
  if (!edit_) return {};
  const int length = GetWindowTextLengthW(edit_);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(edit_, wide.data(), length + 1);
  wide.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return textFromWide(wide);
}

void Win32MainWindow::showMessage(const Text& text) {
  MessageBoxW(nullptr, wideFromText(text).c_str(), wideFromText(kMessageCaption).c_str(),
              MB_OK | MB_TASKMODAL);
}

bool Win32MainWindow::setClipboardText(const Text& text) {
  // As UTF-16 text, so that it reads right in any program. Windows makes the ANSI text
  // for the programs that ask for that with the code page of the clipboard's locale,
  // which would otherwise be that of the active keyboard layout: it is set to Chinese
  // (PRC), whose code page is the program's 936.
  const std::wstring wide = wideFromText(text);
  const LCID locale = MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT);
  // The window owns what it puts there: emptying a clipboard opened without an owner
  // leaves it owned by no one, and SetClipboardData may then fail.
  if (!openClipboard(window_)) return false;
  const bool put = EmptyClipboard() && putOnOpenClipboard(CF_UNICODETEXT, wide.c_str(),
                                                          (wide.size() + 1) * sizeof(wchar_t));
  if (put) putOnOpenClipboard(CF_LOCALE, &locale, sizeof locale);
  CloseClipboard();
  return put;
}

bool Win32MainWindow::processPendingEvents() {
  MSG message;
  while (!ending_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Put back for the loop of run(), which ends on it.
      ending_ = true;
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    dispatch(message);
  }
  return !ending_;
}

int Win32MainWindow::run() {
  if (!window_ && !ending_) return 1;  // there never was a window
  MSG message;
  for (;;) {
    // Once the window is gone the only message that matters is the request to quit,
    // which may already have been taken out of the queue.
    if (ending_ && !PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) return 0;
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) return 0;
    dispatch(message);
  }
}

void Win32MainWindow::dispatch(MSG& message) {
  if (handleKeyboard(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

bool Win32MainWindow::handleKeyboard(MSG& message) {
  if (!window_ || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return false;
  if (message.message == WM_KEYDOWN) {
    if (message.wParam == VK_ESCAPE && !modifierKeyDown()) {
      // Exactly what the close box does.
      SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
      return true;
    }
    // Enter does nothing, wherever the focus is: without this the dialog handling
    // would click a focused button or send IDOK.
    if (message.wParam == VK_RETURN) return true;
    // The dialog handling would move the focus too, but would also make a push button
    // that gets it the default one, drawn as if Enter pressed it.
    if (message.wParam == VK_TAB && !(GetKeyState(VK_CONTROL) & 0x8000) &&
        !(GetKeyState(VK_MENU) & 0x8000)) {
      moveFocus((GetKeyState(VK_SHIFT) & 0x8000) != 0);
      return true;
    }
  }
  return IsDialogMessageW(window_, &message) != FALSE;
}

void Win32MainWindow::moveFocus(bool backwards) {
  const HWND focus = GetFocus();
  const HWND next =
      GetNextDlgTabItem(window_, focus && IsChild(window_, focus) ? focus : nullptr, backwards);
  if (!next) return;
  // As in a dialog: the text of an edit box that gets the focus by the keyboard is
  // selected, so that typing replaces it.
  if (next == edit_) SendMessageW(edit_, EM_SETSEL, 0, -1);
  SetFocus(next);
}

LRESULT CALLBACK Win32MainWindow::windowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    self = static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  return self->handleMessage(message, wParam, lParam);
}

LRESULT Win32MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return onCreate() ? 0 : -1;
    case WM_COMMAND:
      onCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_ACTIVATE:
      onActivate(wParam);
      break;  // and Windows gives the window the focus, which WM_SETFOCUS passes on
    case WM_SETFOCUS:
      onSetFocus();
      return 0;
    case WM_DESTROY:
      onDestroy();
      return 0;
    case WM_NCDESTROY:
      return onNcDestroy(wParam, lParam);
    default:
      break;
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

bool Win32MainWindow::onCreate() {
  const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window_, GWLP_HINSTANCE));
  for (const ControlLayout& layout : controlLayouts()) {
    const HWND control = CreateWindowExW(
        layout.exStyle, layout.windowClass, wideFromText(layout.text).c_str(),
        WS_CHILD | WS_VISIBLE | layout.style, layout.x, layout.y, layout.width, layout.height,
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(static_cast<int>(layout.id))),
        instance, nullptr);
    if (!control) return false;
    SendMessageW(control, WM_SETFONT, font, FALSE);
    if (layout.id == Win32Control::kSongNumberEdit) edit_ = control;
  }
  return true;
}

void Win32MainWindow::onCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  // IDOK and IDCANCEL, which the dialog handling sends for keys, are not ours.
  if (id == static_cast<int>(Win32Control::kDownloadButton) && handlers_.download) {
    handlers_.download();
  } else if (id == static_cast<int>(Win32Control::kHelpButton) && handlers_.instructions) {
    handlers_.instructions();
  }
}

void Win32MainWindow::onActivate(WPARAM wParam) {
  if (LOWORD(wParam) != WA_INACTIVE) return;
  // The focus is still on the control while its window is being deactivated.
  const HWND focus = GetFocus();
  if (focus && IsChild(window_, focus)) savedFocus_ = focus;
}

void Win32MainWindow::onSetFocus() {
  SetFocus(savedFocus_ && IsWindow(savedFocus_) ? savedFocus_ : edit_);
}

void Win32MainWindow::onDestroy() {
  ending_ = true;
  PostQuitMessage(0);
}

LRESULT Win32MainWindow::onNcDestroy(WPARAM wParam, LPARAM lParam) {
  const HWND window = window_;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  window_ = nullptr;
  edit_ = nullptr;
  savedFocus_ = nullptr;
  return DefWindowProcW(window, WM_NCDESTROY, wParam, lParam);
}

}  // namespace ximing
