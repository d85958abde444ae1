// The Win32 window in this process, under Wine on the test display: its frame and
// controls as drawn, its keyboard handling, its message boxes read back as another
// program would read them, the clipboard, and lookups against the stand-in service.
#include "app/win32/win32_main_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/lookup.h"
#include "tests/support/gbk.h"
#include "tests/support/standin.h"
#include "web/http_client.h"

namespace ximing {
namespace {

using namespace std::chrono_literals;
using testing_support::gbk;
using testing_support::utf8FromGbk;
using Clock = std::chrono::steady_clock;

// How long a test waits for something the window system does on its own time.
constexpr auto kPatience = 20s;
constexpr char kSiteHost[] = "www.ximing.example";

// Code page 936 <-> UTF-16, written here again rather than taken from the window, so
// that the tests do not check the window's conversions with themselves.
std::string gbkFromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::wstring wideFromUtf8(std::u8string_view utf8) {
  const std::string bytes = gbk(utf8);
  if (bytes.empty()) return {};
  const int n =
      MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(936, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::wstring wideText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), text.size())));
  return text;
}

std::wstring className(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

bool waitFor(const std::function<bool()>& done) {
  const auto deadline = Clock::now() + kPatience;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// Runs the window's waiting messages until `done` holds; false if it never does.
bool pumpUntil(Win32MainWindow& window, const std::function<bool()>& done) {
  const auto deadline = Clock::now() + kPatience;
  while (!done()) {
    if (Clock::now() > deadline) return false;
    window.processPendingEvents();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// Presses `key` on the control that has the focus while `held` keys are down: the
// key's messages go through the window's own message handling, as typed keys do.
void pressKey(Win32MainWindow& window, WORD key, std::initializer_list<BYTE> held = {}) {
  BYTE saved[256];
  GetKeyboardState(saved);
  BYTE state[256];
  std::copy(std::begin(saved), std::end(saved), std::begin(state));
  for (const BYTE k : held) state[k] |= 0x80;
  SetKeyboardState(state);
  const HWND target = GetFocus();
  const auto scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, WM_KEYDOWN, key, 1 | scan);
  PostMessageW(target, WM_KEYUP, key, 1 | scan | static_cast<LPARAM>(0xC0000000u));
  window.processPendingEvents();
  SetKeyboardState(saved);
}

// Types `text` into the control that has the focus, one character at a time.
void typeText(Win32MainWindow& window, std::u8string_view text) {
  const HWND target = GetFocus();
  for (const wchar_t c : wideFromUtf8(text)) PostMessageW(target, WM_CHAR, c, 1);
  window.processPendingEvents();
}

bool openClipboardPatiently() {
  return waitFor([] { return OpenClipboard(nullptr) != FALSE; });
}

void putOnClipboard(const std::wstring& text) {
  ASSERT_TRUE(openClipboardPatiently());
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  std::memcpy(GlobalLock(memory), text.c_str(), bytes);
  GlobalUnlock(memory);
  const bool handed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  CloseClipboard();
  ASSERT_TRUE(handed);
}

// The clipboard's text in `format` (CF_UNICODETEXT read as code page 936), if any.
std::optional<std::string> clipboardText(UINT format) {
  if (!IsClipboardFormatAvailable(format)) return std::nullopt;
  if (!openClipboardPatiently()) return std::nullopt;
  std::optional<std::string> text;
  if (HANDLE data = GetClipboardData(format)) {
    if (const void* locked = GlobalLock(data)) {
      text = format == CF_UNICODETEXT ? gbkFromWide(static_cast<const wchar_t*>(locked))
                                      : std::string(static_cast<const char*>(locked));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

// What was seen of one message box.
struct SeenBox {
  std::string text;  // code page 936
  bool ownerless = false;
  bool programDisabled = false;  // the program's window could not be used meanwhile
  std::vector<int> buttons;      // the ids of the visible buttons
  bool iconShown = false;
};

SeenBox readBox(HWND box, HWND program) {
  SeenBox seen;
  std::wstring text(4096, L'\0');
  text.resize(static_cast<std::size_t>(GetDlgItemTextW(box, 0xFFFF, text.data(), 4096)));
  seen.text = gbkFromWide(text);
  seen.ownerless = GetWindow(box, GW_OWNER) == nullptr;
  seen.programDisabled = !IsWindowEnabled(program);
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    const std::wstring kind = className(child);
    if (CompareStringOrdinal(kind.c_str(), -1, L"Button", -1, TRUE) == CSTR_EQUAL) {
      seen.buttons.push_back(GetDlgCtrlID(child));
    } else if (CompareStringOrdinal(kind.c_str(), -1, L"Static", -1, TRUE) == CSTR_EQUAL &&
               (GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      // Wine keeps an empty icon control in every box; what counts is an icon in it.
      seen.iconShown = seen.iconShown || SendMessageW(child, STM_GETICON, 0, 0) != 0;
    }
  }
  return seen;
}

// Answers the program's message boxes from a thread of its own, as another program
// would: finds each by its caption "信息：" and its class, reads it and presses OK.
// Stops after `count` boxes, when told to, or when none comes in time.
class BoxAnswerer {
 public:
  BoxAnswerer(HWND program, std::size_t count)
      : result_(std::async(std::launch::async,
                           [this, program, count] { return answer(program, count); })) {}
  ~BoxAnswerer() { stop(); }

  // The boxes answered so far; ends the answering.
  std::vector<SeenBox> stop() {
    stopping_ = true;
    if (result_.valid()) seen_ = result_.get();
    return seen_;
  }
  // Waits until `count` boxes have been answered (or none came in time).
  std::vector<SeenBox> boxes() {
    if (result_.valid()) seen_ = result_.get();
    return seen_;
  }

 private:
  std::vector<SeenBox> answer(HWND program, std::size_t count) {
    const std::wstring caption = wideFromUtf8(u8"信息：");
    std::vector<SeenBox> seen;
    auto deadline = Clock::now() + kPatience;
    while (seen.size() < count && !stopping_ && Clock::now() < deadline) {
      const HWND box = FindWindowW(L"#32770", caption.c_str());
      if (!box || !IsWindowVisible(box)) {
        std::this_thread::sleep_for(10ms);
        continue;
      }
      seen.push_back(readBox(box, program));
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      while (IsWindow(box) && Clock::now() < deadline) std::this_thread::sleep_for(10ms);
      deadline = Clock::now() + kPatience;
    }
    return seen;
  }

  std::atomic<bool> stopping_ = false;
  std::vector<SeenBox> seen_;
  std::future<std::vector<SeenBox>> result_;
};

class Win32WindowTest : public ::testing::Test {
 protected:
  void TearDown() override {
    window.reset();
    // Whatever a test left waiting, a request to quit included, is not the next one's.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  // Opens the window with handlers that count their clicks, or with the real ones.
  void open(MainWindowHandlers handlers = {}) {
    if (!handlers.download) handlers.download = [this] { ++downloads; };
    if (!handlers.instructions) handlers.instructions = [this] { ++hints; };
    window = Win32MainWindow::create(std::move(handlers));
    ASSERT_NE(window->handle(), nullptr);
    // The window manager activates the new window in its own time.
    ASSERT_TRUE(pumpUntil(*window, [this] { return GetFocus() == edit(); }));
  }

 public:
  HWND edit() const { return window->control(Win32Control::kSongNumberEdit); }
  HWND download() const { return window->control(Win32Control::kDownloadButton); }
  HWND help() const { return window->control(Win32Control::kHelpButton); }

 protected:
  std::unique_ptr<Win32MainWindow> window;
  int downloads = 0;
  int hints = 0;
};

TEST_F(Win32WindowTest, FrameIsFixedCentredOwnerlessWithTheProgramsTitleAndIcons) {
  ASSERT_NO_FATAL_FAILURE(open());
  const HWND main = window->handle();
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(main, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(main, GWL_EXSTYLE));
  constexpr DWORD kFrameBits = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                               WS_THICKFRAME | WS_POPUP | WS_CHILD;
  EXPECT_EQ(style & kFrameBits, static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_FALSE(exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_LAYERED));
  EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);  // its own taskbar button

  // The test display is 1024 x 768: the outer frame's corner is at (363, 313).
  ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  RECT outer{};
  GetWindowRect(main, &outer);
  EXPECT_EQ(outer.left, 363);
  EXPECT_EQ(outer.top, 313);
  EXPECT_EQ(outer.right - outer.left, 298);
  EXPECT_EQ(outer.bottom - outer.top, 142);

  EXPECT_EQ(gbkFromWide(wideText(main)), gbk(u8"溪鸣MP3 下载 by 阿砚"));
  EXPECT_EQ(GetClassLongPtrW(main, GCLP_HBRBACKGROUND), COLOR_3DFACE + 1);
  for (const auto& [which, size] : {std::pair{GCLP_HICON, 32}, std::pair{GCLP_HICONSM, 16}}) {
    SCOPED_TRACE(size);
    const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(main, which));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
}

struct ExpectedControl {
  const char* name;
  const wchar_t* windowClass;
  DWORD typeMask, type;     // (style & typeMask) == type
  DWORD required, refused;  // style bits that must be set, must not be set
  DWORD exRequired, exRefused;
  int x, y, width, height;
  std::u8string_view text;
};

TEST_F(Win32WindowTest, ControlsAreDrawnAsLaidOutInTabOrder) {
  ASSERT_NO_FATAL_FAILURE(open());
  constexpr DWORD kAlways = WS_CHILD | WS_VISIBLE;
  constexpr DWORD kEditRefused = ES_MULTILINE | ES_PASSWORD | ES_READONLY | ES_UPPERCASE |
                                 ES_LOWERCASE | ES_NUMBER | ES_NOHIDESEL | WS_DISABLED;
  constexpr DWORD kButtonRequired = kAlways | WS_TABSTOP | BS_CENTER | BS_VCENTER | BS_MULTILINE;
  // In the windows' order, which is their creation order and the Tab key's order.
  const ExpectedControl expected[] = {
      {"标签1", L"Static", SS_TYPEMASK, SS_LEFT, kAlways | SS_CENTERIMAGE | SS_NOPREFIX,
       WS_TABSTOP | WS_BORDER | WS_DISABLED | SS_SUNKEN, 0, WS_EX_CLIENTEDGE | WS_EX_STATICEDGE, 8,
       32, 64, 24, u8"歌曲ID："},
      {"编辑框1", L"Edit", ES_CENTER | ES_RIGHT, ES_LEFT, kAlways | WS_TABSTOP | ES_AUTOHSCROLL,
       kEditRefused, WS_EX_CLIENTEDGE, 0, 80, 32, 184, 24, u8""},
      {"按钮1", L"Button", BS_TYPEMASK, BS_PUSHBUTTON, kButtonRequired, WS_DISABLED, 0, 0, 176, 64,
       80, 32, u8"下载"},
      {"按钮2", L"Button", BS_TYPEMASK, BS_PUSHBUTTON, kButtonRequired, WS_DISABLED, 0, 0, 24, 64,
       72, 32, u8"说明"},
  };
  const HWND main = window->handle();
  std::vector<HWND> children;
  for (HWND c = GetWindow(main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  ASSERT_EQ(children.size(), std::size(expected));
  const auto defaultFont = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  for (std::size_t i = 0; i < children.size(); ++i) {
    const ExpectedControl& e = expected[i];
    const HWND c = children[i];
    SCOPED_TRACE(e.name);
    EXPECT_EQ(CompareStringOrdinal(className(c).c_str(), -1, e.windowClass, -1, TRUE), CSTR_EQUAL);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(c, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(c, GWL_EXSTYLE));
    EXPECT_EQ(style & e.typeMask, e.type);
    EXPECT_EQ(style & e.required, e.required);
    EXPECT_EQ(style & e.refused, 0u);
    EXPECT_EQ(exStyle & e.exRequired, e.exRequired);
    EXPECT_EQ(exStyle & e.exRefused, 0u);
    RECT r{};
    GetWindowRect(c, &r);
    MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, e.x);
    EXPECT_EQ(r.top, e.y);
    EXPECT_EQ(r.right - r.left, e.width);
    EXPECT_EQ(r.bottom - r.top, e.height);
    const std::string text = gbkFromWide(wideText(c));
    EXPECT_EQ(text, gbk(e.text)) << utf8FromGbk(text);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), defaultFont);
  }
}

TEST_F(Win32WindowTest, TabAndShiftTabCycleThroughEditDownloadAndHelp) {
  ASSERT_NO_FATAL_FAILURE(open());
  struct Step {
    bool shift;
    HWND (Win32WindowTest::*then)() const;
  };
  const Step steps[] = {
      {false, &Win32WindowTest::download}, {false, &Win32WindowTest::help},
      {false, &Win32WindowTest::edit},     {true, &Win32WindowTest::help},
      {true, &Win32WindowTest::download},  {true, &Win32WindowTest::edit},
  };
  for (const Step& step : steps) {
    pressKey(*window, VK_TAB,
             step.shift ? std::initializer_list<BYTE>{VK_SHIFT} : std::initializer_list<BYTE>{});
    EXPECT_EQ(GetFocus(), (this->*step.then)());
    // Neither button becomes the default one on the way.
    for (const HWND button : {download(), help()}) {
      EXPECT_EQ(GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    }
  }
  EXPECT_EQ(downloads + hints, 0);
}

TEST_F(Win32WindowTest, EscWithoutModifiersClosesTheWindowAndEndsTheLoop) {
  struct Case {
    const char* what;
    std::u8string_view typed;
    int tabs;  // from the edit box
    std::initializer_list<BYTE> held;
    bool closes;
  };
  const Case cases[] = {
      {"while typing in the edit box", u8"10", 0, {}, true},
      {"on 说明", u8"", 2, {}, true},
      {"with Shift", u8"", 0, {VK_SHIFT}, false},
      {"with Ctrl", u8"", 1, {VK_CONTROL}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(open());
    typeText(*window, c.typed);
    for (int i = 0; i < c.tabs; ++i) pressKey(*window, VK_TAB);
    const HWND main = window->handle();
    pressKey(*window, VK_ESCAPE, c.held);
    if (c.closes) {
      EXPECT_FALSE(IsWindow(main));
      EXPECT_FALSE(window->processPendingEvents());
      EXPECT_EQ(window->run(), 0);  // the request to quit was left waiting for it
    } else {
      EXPECT_TRUE(window->processPendingEvents());
      EXPECT_TRUE(IsWindow(main));
    }
    TearDown();
  }
}

TEST_F(Win32WindowTest, EnterAndF1DoNothingWhileSpaceStillClicks) {
  struct Case {
    const char* what;
    int tabs;  // from the edit box: 0 the edit box, 1 下载, 2 说明
    WORD key;
    int downloads, hints;
  };
  const Case cases[] = {
      {"Enter in the edit box", 0, VK_RETURN, 0, 0},
      {"Enter on 下载", 1, VK_RETURN, 0, 0},
      {"Enter on 说明", 2, VK_RETURN, 0, 0},
      {"F1 in the edit box", 0, VK_F1, 0, 0},
      {"F1 on 下载", 1, VK_F1, 0, 0},
      // The keys do reach the buttons: Space presses the one with the focus.
      {"Space on 下载", 1, VK_SPACE, 1, 0},
      {"Space on 说明", 2, VK_SPACE, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    downloads = hints = 0;
    ASSERT_NO_FATAL_FAILURE(open());
    typeText(*window, u8"1001");
    for (int i = 0; i < c.tabs; ++i) pressKey(*window, VK_TAB);
    pressKey(*window, c.key);
    EXPECT_TRUE(window->processPendingEvents());
    EXPECT_EQ(downloads, c.downloads);
    EXPECT_EQ(hints, c.hints);
    EXPECT_EQ(window->songNumber(), "1001");
    TearDown();
  }
}

TEST_F(Win32WindowTest, SongNumberIsWhatWasTypedInCodePage936) {
  for (const std::u8string_view typed : {u8"1001", u8" 42 ", u8"１００１", u8"歌曲 731685", u8""}) {
    SCOPED_TRACE(utf8FromGbk(gbk(typed)));
    ASSERT_NO_FATAL_FAILURE(open());
    typeText(*window, typed);
    EXPECT_EQ(window->songNumber(), gbk(typed));
    TearDown();
  }
}

TEST_F(Win32WindowTest, PendingEventsRunTheirHandlersAndLeaveTheQuitForTheLoop) {
  struct Case {
    const char* what;
    void (*end)(HWND main);
    bool windowGone;
  };
  const Case cases[] = {
      {"the window is closed", [](HWND main) { PostMessageW(main, WM_CLOSE, 0, 0); }, true},
      {"the thread is asked to quit", [](HWND) { PostQuitMessage(3); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    downloads = 0;
    ASSERT_NO_FATAL_FAILURE(open());
    PostMessageW(download(), BM_CLICK, 0, 0);
    EXPECT_TRUE(window->processPendingEvents());
    EXPECT_EQ(downloads, 1);

    c.end(window->handle());
    EXPECT_FALSE(window->processPendingEvents());
    EXPECT_EQ(window->handle() == nullptr, c.windowGone);
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(window->run(), 0);
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    TearDown();
  }
}

TEST_F(Win32WindowTest, ClipboardReceivesTheTextForUnicodeAndAnsiReaders) {
  ASSERT_NO_FATAL_FAILURE(open());
  for (const std::u8string_view text :
       {u8"http://media.ximing.example/sound/1001.mp3", u8"下载地址：歌曲", u8""}) {
    SCOPED_TRACE(utf8FromGbk(gbk(text)));
    putOnClipboard(L"sentinel");
    EXPECT_TRUE(window->setClipboardText(gbk(text)));
    EXPECT_EQ(clipboardText(CF_UNICODETEXT), gbk(text));
    // Windows makes the ANSI text from the UTF-16 one, in code page 936 here.
    EXPECT_EQ(clipboardText(CF_TEXT), gbk(text));
  }
}

TEST_F(Win32WindowTest, HelpShowsTheUsageHintInAnOwnerlessTaskModalBoxEachTime) {
  MainWindowHandlers handlers;
  handlers.instructions = [this] { showInstructions(*window, kSiteHost); };
  ASSERT_NO_FATAL_FAILURE(open(std::move(handlers)));
  const std::string hint =
      gbk(u8"例如：http://www.ximing.example/sound/731685\r\n把后面的数字 填到编辑框 按下载即可！");
  BoxAnswerer answerer(window->handle(), 2);
  SendMessageW(help(), BM_CLICK, 0, 0);  // returns when the box has been answered
  SendMessageW(help(), BM_CLICK, 0, 0);
  const std::vector<SeenBox> boxes = answerer.boxes();
  ASSERT_EQ(boxes.size(), 2u);
  for (const SeenBox& box : boxes) {
    EXPECT_EQ(box.text, hint) << utf8FromGbk(box.text);
    EXPECT_TRUE(box.ownerless);
    EXPECT_TRUE(box.programDisabled);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_FALSE(box.iconShown);
  }
  // Back in the window, the focus is where it was: on 说明, which was clicked.
  EXPECT_TRUE(IsWindowEnabled(window->handle()));
  EXPECT_TRUE(pumpUntil(*window, [this] { return GetFocus() == help(); }));
}

// Lookups through the real HTTP client of the build (WinInet) against the stand-in.
class Win32LookupTest : public Win32WindowTest {
 protected:
  void openLookingUpAt(const std::string& serviceHost) {
    http = makeHttpClient();
    MainWindowHandlers handlers;
    handlers.download = [this, serviceHost] { lookUpSong(*window, *http, serviceHost, lastPage); };
    open(std::move(handlers));
  }

  std::unique_ptr<HttpClient> http;
  Text lastPage;
};

struct LookupCase {
  const char* what;
  std::u8string_view song;
  bool serviceReachable;
  std::u8string_view message;
  std::optional<std::u8string_view> clipboard;  // none: left as it was
};

TEST_F(Win32LookupTest, EachKindOfAnswerGivesOneBoxAndTheClipboardOnlyTheAddress) {
  const LookupCase cases[] = {
      {"found", u8"1001", true,
       u8"下载地址：http://media.ximing.example/sound/1001.mp3\r\n"
       u8"下载地址已经复制到剪贴板！请粘贴到迅雷下载！",
       u8"http://media.ximing.example/sound/1001.mp3"},
      {"does not exist", u8"1002", true, u8"歌曲不存在", std::nullopt},
      {"no source member", u8"1003", true, u8"没有找到下载地址！", std::nullopt},
      {"source is the last member", u8"1004", true,
       u8"下载地址：http://media.ximing.example/sound/1004.mp3\r\n"
       u8"下载地址已经复制到剪贴板！请粘贴到迅雷下载！",
       u8"http://media.ximing.example/sound/1004.mp3"},
      {"escaped slashes are kept", u8"1005", true,
       u8"下载地址：http:\\/\\/media.ximing.example\\/sound\\/1005.mp3\r\n"
       u8"下载地址已经复制到剪贴板！请粘贴到迅雷下载！",
       u8"http:\\/\\/media.ximing.example\\/sound\\/1005.mp3"},
      {"service unreachable", u8"1001", false, u8"无法获取歌曲信息，请检查网络连接！",
       std::nullopt},
  };
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(c.what);
    // Nothing listens on port 1 of the loopback address: the connection is refused.
    ASSERT_NO_FATAL_FAILURE(
        openLookingUpAt(c.serviceReachable ? testing_support::standinHost() : "127.0.0.1:1"));
    const std::wstring sentinel = L"sentinel 哨兵";
    putOnClipboard(sentinel);
    typeText(*window, c.song);

    BoxAnswerer answerer(window->handle(), 1);
    SendMessageW(download(), BM_CLICK, 0, 0);
    const std::vector<SeenBox> boxes = answerer.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, gbk(c.message)) << utf8FromGbk(boxes[0].text);
    EXPECT_EQ(clipboardText(CF_UNICODETEXT), gbk(c.clipboard.value_or(u8"sentinel 哨兵")));
    TearDown();
  }
}

// A Desktop that passes everything on to the window and counts the boxes shown.
class CountingDesktop : public Desktop {
 public:
  explicit CountingDesktop(Desktop& inner) : inner_(inner) {}
  Text songNumber() override { return inner_.songNumber(); }
  void showMessage(const Text& text) override {
    ++messages;
    inner_.showMessage(text);
  }
  bool setClipboardText(const Text& text) override { return inner_.setClipboardText(text); }
  bool processPendingEvents() override { return inner_.processPendingEvents(); }
  int messages = 0;

 private:
  Desktop& inner_;
};

TEST_F(Win32LookupTest, ClosingDuringASlowAnswerEndsTheProgramQuietly) {
  http = makeHttpClient();
  std::unique_ptr<CountingDesktop> counting;
  const std::string host = testing_support::standinHost();
  MainWindowHandlers handlers;
  handlers.download = [&] { lookUpSong(*counting, *http, host, lastPage); };
  ASSERT_NO_FATAL_FAILURE(open(std::move(handlers)));
  counting = std::make_unique<CountingDesktop>(*window);
  putOnClipboard(L"sentinel");
  typeText(*window, u8"2002");  // the answer stops after its first bytes
  const HWND main = window->handle();
  const HWND editBox = edit();

  // Esc is pressed once the service has the request and the lookup is reading.
  testing_support::forgetRecordedRequest("sound");
  auto esc = std::async(std::launch::async, [editBox] {
    const bool asked = testing_support::waitUntil(
        [] {
          const auto request = testing_support::readRecordedRequest("sound");
          return request && request->find("sound_id=2002 ") != std::string::npos;
        },
        kPatience);
    PostMessageW(editBox, WM_KEYDOWN, VK_ESCAPE, 1);
    return asked;
  });
  BoxAnswerer answerer(main, 1);  // should a box come after all, it is answered
  PostMessageW(download(), BM_CLICK, 0, 0);
  EXPECT_EQ(window->run(), 0);
  EXPECT_TRUE(esc.get());
  EXPECT_TRUE(answerer.stop().empty());
  EXPECT_EQ(counting->messages, 0);
  EXPECT_FALSE(IsWindow(main));
  EXPECT_EQ(clipboardText(CF_UNICODETEXT), "sentinel");
}

}  // namespace
}  // namespace ximing
