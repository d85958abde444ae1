// The Linux window in-process, on Qt's offscreen platform: its looks, its keyboard,
// its message boxes and clipboard, and lookups through it against the stand-in service.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/lookup.h"
#include "app/main_window.h"
#include "tests/support/gbk.h"
#include "tests/support/standin.h"
#include "web/http_client.h"

// Readable failure messages for Qt's geometry.
void PrintTo(const QRect& r, std::ostream* os) {
  *os << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}
void PrintTo(const QPoint& p, std::ostream* os) { *os << p.x() << "," << p.y(); }
void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << "x" << s.height(); }

namespace ximing {
namespace {

using namespace std::chrono_literals;
using testing_support::gbk;

constexpr int kWaitMs = 10000;
constexpr std::string_view kSiteHost = "www.ximing.example";

// The program makes its own application object; the tests share one.
class QtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "qt_window_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

std::string utf8(const QString& text) { return text.toUtf8().toStdString(); }
std::string s8(std::u8string_view text) { return std::string(text.begin(), text.end()); }
QString qstr(std::u8string_view text) { return QString::fromStdString(s8(text)); }

// What a message box showed, read from the box itself.
struct SeenBox {
  std::string caption;
  std::string text;
  QMessageBox::StandardButtons buttons;
  qsizetype buttonCount = 0;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool hasParent = false;
  Qt::WindowModality modality = Qt::NonModal;
  Qt::TextFormat textFormat = Qt::AutoText;
  bool okButtonHasIcon = false;
};

// Answers message boxes as a person would: reads each one that is open and modal,
// then presses its OK button. It looks every few milliseconds from whichever event
// loop is running, the box's own included, so a handler that shows a box returns.
class BoxAnswerer {
 public:
  BoxAnswerer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
    timer_.start();
  }
  const std::vector<SeenBox>& boxes() const { return boxes_; }
  // Waits, bounded, until `count` boxes have been answered.
  bool waitFor(std::size_t count) {
    return QTest::qWaitFor([&] { return boxes_.size() >= count; }, kWaitMs);
  }

 private:
  void answer() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) {
      ADD_FAILURE() << "a modal window that is not a message box: "
                    << modal->metaObject()->className();
      modal->close();
      return;
    }
    boxes_.push_back({utf8(box->windowTitle()), utf8(box->text()), box->standardButtons(),
                      box->buttons().size(), box->icon(), box->parentWidget() != nullptr,
                      box->windowModality(), box->textFormat(),
                      box->button(QMessageBox::Ok) != nullptr &&
                          !box->button(QMessageBox::Ok)->icon().isNull()});
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
      ok->click();
    } else {
      box->reject();
    }
  }

  QTimer timer_;
  std::vector<SeenBox> boxes_;
};

// The real HTTP client with one hook, run once the first bytes of an answer have been
// read: the moment to act while a lookup is reading.
class HookedHttpClient final : public HttpClient {
 public:
  explicit HookedHttpClient(std::function<void()> afterFirstRead)
      : real_(makeHttpClient()), afterFirstRead_(std::move(afterFirstRead)) {}

  HttpHandle openSession(const Text& userAgent, const std::optional<Text>& proxyList) override {
    return real_->openSession(userAgent, proxyList);
  }
  HttpHandle connect(HttpHandle session, const Text& host, std::int32_t port) override {
    return real_->connect(session, host, port);
  }
  HttpHandle openRequest(HttpHandle connection, const Text& method, const Text& objectPath,
                         const Text& version, std::uint32_t flags) override {
    return real_->openRequest(connection, method, objectPath, version, flags);
  }
  void setTimeout(HttpHandle request, HttpTimeout which, std::uint32_t milliseconds) override {
    real_->setTimeout(request, which, milliseconds);
  }
  void send(HttpHandle request, const Text& headers, const Text& body) override {
    real_->send(request, headers, body);
  }
  std::int32_t read(HttpHandle request, char* buffer, std::int32_t size) override {
    const std::int32_t got = real_->read(request, buffer, size);
    if (got > 0 && afterFirstRead_) std::exchange(afterFirstRead_, nullptr)();
    return got;
  }
  void queryRawHeaders(HttpHandle request, char* buffer, std::int32_t size) override {
    real_->queryRawHeaders(request, buffer, size);
  }
  void close(HttpHandle handle) override { real_->close(handle); }

 private:
  std::unique_ptr<HttpClient> real_;
  std::function<void()> afterFirstRead_;
};

// Runs `action` from the event loop, at the next dispatch of pending events.
void post(std::function<void()> action) {
  QMetaObject::invokeMethod(qApp, std::move(action), Qt::QueuedConnection);
}

// A loopback port on which nothing listens: one the system hands out, let go at once.
int closedPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) throw std::runtime_error("no socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  const bool ok = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  ::close(s);
  if (!ok) throw std::runtime_error("no free port");
  return ntohs(address.sin_port);
}

class QtWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { openWindow(); }
  void TearDown() override { window_.reset(); }

  // A new window, active, with the focus where it starts.
  void openWindow() {
    form_ = nullptr;
    window_ = MainWindow::create({
        .download =
            [this] {
              ++downloadClicks_;
              if (download_) download_();
            },
        .instructions =
            [this] {
              ++instructionClicks_;
              if (instructions_) instructions_();
            },
    });
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() == QStringLiteral("窗口")) form_ = widget;
    }
    ASSERT_NE(form_, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_, kWaitMs));
  }

  template <class Widget>
  Widget& control(std::u8string_view name) {
    auto* widget = form_->findChild<Widget*>(qstr(name));
    if (widget == nullptr) throw std::runtime_error("no control " + s8(name));
    return *widget;
  }
  QLineEdit& edit() { return control<QLineEdit>(u8"编辑框1"); }
  QPushButton& downloadButton() { return control<QPushButton>(u8"按钮1"); }
  QPushButton& helpButton() { return control<QPushButton>(u8"按钮2"); }

  // The handlers of the program itself, over `http`.
  void useProgramHandlers(HttpClient& http, std::string host) {
    download_ = [this, &http, host = std::move(host)] {
      lookUpSong(*window_, http, host, lastPageText_);
    };
    instructions_ = [this] { showInstructions(*window_, kSiteHost); };
  }

  // The window's loop, bounded: should it not end, it is ended from outside.
  int runBounded() {
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
      timedOut = true;
      QCoreApplication::exit(1);
    });
    guard.start(30s);
    const int result = window_->run();
    EXPECT_FALSE(timedOut) << "run() did not return after the window was closed";
    return result;
  }

  std::unique_ptr<MainWindow> window_;
  QWidget* form_ = nullptr;
  std::function<void()> download_;
  std::function<void()> instructions_;
  int downloadClicks_ = 0;
  int instructionClicks_ = 0;
  Text lastPageText_;
};

// ---------------------------------------------------------------------------------
// Looks

TEST_F(QtWindowTest, ControlsStandWhereTheFormPutsThemWithTheirTexts) {
  struct Expected {
    std::u8string_view name;
    const char* className;
    QRect rect;
    std::u8string_view text;
  };
  const Expected controls[] = {
      {u8"标签1", "QLabel", QRect(8, 32, 64, 24), u8"歌曲ID："},
      {u8"编辑框1", "QLineEdit", QRect(80, 32, 184, 24), u8""},
      {u8"按钮2", "QPushButton", QRect(24, 64, 72, 32), u8"说明"},
      {u8"按钮1", "QPushButton", QRect(176, 64, 80, 32), u8"下载"},
  };
  for (const Expected& expected : controls) {
    SCOPED_TRACE(s8(expected.name));
    const QWidget& widget = control<QWidget>(expected.name);
    EXPECT_STREQ(widget.metaObject()->className(), expected.className);
    EXPECT_EQ(widget.geometry(), expected.rect);
    EXPECT_EQ(utf8(widget.property("text").toString()), s8(expected.text));
    EXPECT_TRUE(widget.isVisible());
    EXPECT_TRUE(widget.isEnabled());
    EXPECT_EQ(widget.font(), QApplication::font());
  }
}

TEST_F(QtWindowTest, WindowHasItsTitleIconFixedSizeAndFaceColour) {
  EXPECT_EQ(utf8(form_->windowTitle()), s8(u8"溪鸣MP3 下载 by 阿砚"));

  const Qt::WindowFlags flags = form_->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize()) << "the user must not resize it";

  const QList<QSize> iconSizes = form_->windowIcon().availableSizes();
  for (const QSize size : {QSize(16, 16), QSize(32, 32)}) {
    EXPECT_TRUE(iconSizes.contains(size)) << size.width();
    EXPECT_FALSE(form_->windowIcon().pixmap(size).isNull()) << size.width();
  }

  EXPECT_TRUE(form_->autoFillBackground());
  EXPECT_EQ(form_->palette().color(QPalette::Window), form_->palette().color(QPalette::Button));
}

// The offscreen platform draws a frame of its own, so the window must correct its
// size once the frame is known, and stand centred on the screen.
TEST_F(QtWindowTest, OuterFrameIsCorrectedToItsSizeAndCentred) {
  const QSize outer(298, 142);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form_->frameGeometry().size() == outer; }, kWaitMs))
      << "outer size stays " << form_->frameGeometry().width() << " x "
      << form_->frameGeometry().height();
  EXPECT_LT(form_->width(), outer.width()) << "the frame was not taken off the client area";
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(form_->frameGeometry().topLeft(),
            QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2));
  EXPECT_EQ(form_->minimumSize(), form_->maximumSize());
}

TEST_F(QtWindowTest, LabelIsPlainTextOutOfTheFocusChainAndButtonsAreNotDefault) {
  auto& label = control<QLabel>(u8"标签1");
  EXPECT_EQ(label.focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(label.textFormat(), Qt::PlainText);
  EXPECT_EQ(label.buddy(), nullptr);
  for (QPushButton* button : {&downloadButton(), &helpButton()}) {
    EXPECT_FALSE(button->isDefault()) << utf8(button->objectName());
    EXPECT_FALSE(button->autoDefault()) << utf8(button->objectName());
  }
}

// ---------------------------------------------------------------------------------
// Keyboard

TEST_F(QtWindowTest, FocusStartsInTheEditBoxAndTabCyclesBothWays) {
  EXPECT_EQ(QApplication::focusWidget(), &edit());
  struct Cycle {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::vector<std::u8string_view> order;
  };
  const Cycle cycles[] = {
      {"Tab", Qt::Key_Tab, Qt::NoModifier, {u8"按钮1", u8"按钮2", u8"编辑框1"}},
      {"Shift+Tab", Qt::Key_Tab, Qt::ShiftModifier, {u8"按钮2", u8"按钮1", u8"编辑框1"}},
      {"Backtab", Qt::Key_Backtab, Qt::ShiftModifier, {u8"按钮2", u8"按钮1", u8"编辑框1"}},
  };
  for (const Cycle& cycle : cycles) {
    SCOPED_TRACE(cycle.name);
    edit().setFocus(Qt::OtherFocusReason);
    for (const std::u8string_view next : cycle.order) {
      QTest::keyClick(QApplication::focusWidget(), cycle.key, cycle.modifiers);
      ASSERT_NE(QApplication::focusWidget(), nullptr);
      EXPECT_EQ(utf8(QApplication::focusWidget()->objectName()), s8(next));
    }
  }
}

TEST_F(QtWindowTest, EnterAndF1DoNothingWhereverTheFocusIs) {
  const std::pair<const char*, Qt::Key> keys[] = {
      {"Return", Qt::Key_Return}, {"Enter", Qt::Key_Enter}, {"F1", Qt::Key_F1}};
  for (QWidget* target :
       std::initializer_list<QWidget*>{&edit(), &downloadButton(), &helpButton()}) {
    for (const auto& [name, key] : keys) {
      SCOPED_TRACE(utf8(target->objectName()) + " " + name);
      target->setFocus(Qt::OtherFocusReason);
      QTest::keyClick(target, key);
      EXPECT_TRUE(window_->processPendingEvents());
      EXPECT_EQ(downloadClicks_, 0);
      EXPECT_EQ(instructionClicks_, 0);
      EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
      EXPECT_TRUE(form_->isVisible());
    }
  }
}

TEST_F(QtWindowTest, EscWithoutModifiersFromAnyControlClosesLikeTheCloseBox) {
  struct Case {
    const char* name;
    std::u8string_view focus;
    std::function<void(QWidget&)> press;
    bool closes;
  };
  const auto esc = [](Qt::KeyboardModifiers modifiers) {
    return [modifiers](QWidget& target) { QTest::keyClick(&target, Qt::Key_Escape, modifiers); };
  };
  const Case cases[] = {
      {"Esc in the edit box", u8"编辑框1", esc(Qt::NoModifier), true},
      {"Esc on 下载", u8"按钮1", esc(Qt::NoModifier), true},
      {"Esc on 说明", u8"按钮2", esc(Qt::NoModifier), true},
      {"the close box", u8"编辑框1",
       [](QWidget& target) { target.window()->windowHandle()->close(); }, true},
      {"Ctrl+Esc", u8"编辑框1", esc(Qt::ControlModifier), false},
      {"Shift+Esc", u8"编辑框1", esc(Qt::ShiftModifier), false},
      {"Alt+Esc", u8"编辑框1", esc(Qt::AltModifier), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!window_) {
      ASSERT_NO_FATAL_FAILURE(openWindow());
    }
    QWidget& target = control<QWidget>(c.focus);
    bool closedByKey = false;
    post([&] {
      target.setFocus(Qt::OtherFocusReason);
      edit().setText(QStringLiteral("12"));  // typing is under way
      c.press(target);
      closedByKey = !form_->isVisible();
      if (!closedByKey) form_->close();
    });
    EXPECT_EQ(runBounded(), 0);
    EXPECT_EQ(closedByKey, c.closes);
    EXPECT_FALSE(form_->isVisible());
    EXPECT_FALSE(window_->processPendingEvents()) << "the window is closed";
    EXPECT_EQ(window_->run(), 0) << "a closed window has no loop left to run";
    window_.reset();
  }
}

// ---------------------------------------------------------------------------------
// The desktop seam

TEST_F(QtWindowTest, SongNumberIsTheEditBoxTextInCodePage936) {
  const std::u8string_view typed[] = {u8"1001",   u8"",      u8" 12 ",
                                      u8"歌曲七", u8"a&b=1", u8"１００１"};
  for (const std::u8string_view text : typed) {
    SCOPED_TRACE(s8(text));
    edit().setText(qstr(text));
    EXPECT_EQ(window_->songNumber(), gbk(text));
  }
  edit().clear();
  QTest::keyClicks(&edit(), QStringLiteral("2001"));
  EXPECT_EQ(window_->songNumber(), "2001");
}

TEST_F(QtWindowTest, ShowMessageShowsOneOwnerlessModalBoxWithTheTextAsWritten) {
  struct Case {
    std::string text;
    std::u8string_view shown;
  };
  const Case cases[] = {
      {gbk(u8"歌曲不存在"), u8"歌曲不存在"},
      {"", u8""},
      {gbk(u8"第一行\r\n第二行"), u8"第一行\n第二行"},
      {"<b>a.mp3</b> &amp; <br>", u8"<b>a.mp3</b> &amp; <br>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(s8(c.shown));
    BoxAnswerer answerer;
    window_->showMessage(c.text);
    ASSERT_EQ(answerer.boxes().size(), 1u);
    const SeenBox& box = answerer.boxes().front();
    EXPECT_EQ(box.caption, s8(u8"信息："));
    EXPECT_EQ(box.text, s8(c.shown));
    EXPECT_EQ(box.textFormat, Qt::PlainText) << "markup must be shown as written";
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(box.buttonCount, 1);
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_FALSE(box.okButtonHasIcon);
    EXPECT_FALSE(box.hasParent);
    EXPECT_EQ(box.modality, Qt::ApplicationModal);
  }
}

TEST_F(QtWindowTest, SetClipboardTextPutsTheTextThere) {
  const std::u8string_view texts[] = {u8"http://media.ximing.example/sound/1001.mp3",
                                      u8"http://例子.example/歌.mp3", u8""};
  for (const std::u8string_view text : texts) {
    SCOPED_TRACE(s8(text));
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    EXPECT_TRUE(window_->setClipboardText(gbk(text)));
    EXPECT_EQ(utf8(QGuiApplication::clipboard()->text()), s8(text));
  }
}

TEST_F(QtWindowTest, ProcessPendingEventsRunsWaitingWorkAndAnswersFalseOnceClosed) {
  bool ran = false;
  post([&ran] { ran = true; });
  EXPECT_TRUE(window_->processPendingEvents());
  EXPECT_TRUE(ran);

  // A close among the waiting events is seen by that very call.
  post([this] { QTest::keyClick(&edit(), Qt::Key_Escape); });
  EXPECT_FALSE(window_->processPendingEvents());
  EXPECT_FALSE(window_->processPendingEvents());
}

// ---------------------------------------------------------------------------------
// The buttons

TEST_F(QtWindowTest, HelpButtonShowsTheHintEachTimeItIsClicked) {
  instructions_ = [this] { showInstructions(*window_, kSiteHost); };
  BoxAnswerer answerer;
  QTest::mouseClick(&helpButton(), Qt::LeftButton);
  ASSERT_TRUE(answerer.waitFor(1));
  QTest::mouseClick(&helpButton(), Qt::LeftButton);
  ASSERT_TRUE(answerer.waitFor(2));

  ASSERT_EQ(answerer.boxes().size(), 2u);
  for (const SeenBox& box : answerer.boxes()) {
    EXPECT_EQ(box.caption, s8(u8"信息："));
    EXPECT_EQ(box.text, s8(u8"例如：http://www.ximing.example/sound/731685\n"
                           u8"把后面的数字 填到编辑框 按下载即可！"));
    const std::string secondLine = box.text.substr(box.text.find('\n') + 1);
    EXPECT_EQ(secondLine, s8(u8"把后面的数字 填到编辑框 按下载即可！"));
  }
  EXPECT_EQ(downloadClicks_, 0);
}

const std::u8string_view kSentinel = u8"剪贴板原有的内容";

std::string addressMessage(std::u8string_view address) {
  return s8(u8"下载地址：") + s8(address) + s8(u8"\n下载地址已经复制到剪贴板！请粘贴到迅雷下载！");
}

TEST_F(QtWindowTest, DownloadButtonLooksUpTheTypedSong) {
  struct Case {
    const char* name;
    std::string host;  // empty: the stand-in
    const char* song;
    std::string message;
    std::u8string_view clipboard;  // kSentinel: left as it was
  };
  const std::string nobody = "127.0.0.1:" + std::to_string(closedPort());
  const Case cases[] = {
      {"found", "", "1001", addressMessage(u8"http://media.ximing.example/sound/1001.mp3"),
       u8"http://media.ximing.example/sound/1001.mp3"},
      {"does not exist", "", "1002", s8(u8"歌曲不存在"), kSentinel},
      {"no source member", "", "1003", s8(u8"没有找到下载地址！"), kSentinel},
      {"source is the last member", "", "1004",
       addressMessage(u8"http://media.ximing.example/sound/1004.mp3"),
       u8"http://media.ximing.example/sound/1004.mp3"},
      {"escaped slashes", "", "1005",
       addressMessage(u8R"(http:\/\/media.ximing.example\/sound\/1005.mp3)"),
       u8R"(http:\/\/media.ximing.example\/sound\/1005.mp3)"},
      {"source is the first member", "", "1006", s8(u8"没有找到下载地址！"), kSentinel},
      {"nobody listens", nobody, "1001", s8(u8"无法获取歌曲信息，请检查网络连接！"), kSentinel},
  };
  const std::unique_ptr<HttpClient> http = makeHttpClient();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    useProgramHandlers(*http, c.host.empty() ? testing_support::standinHost() : c.host);
    QGuiApplication::clipboard()->setText(qstr(kSentinel));
    edit().clear();
    QTest::keyClicks(&edit(), QString::fromLatin1(c.song));

    BoxAnswerer answerer;
    QTest::mouseClick(&downloadButton(), Qt::LeftButton);
    ASSERT_TRUE(answerer.waitFor(1));
    ASSERT_EQ(answerer.boxes().size(), 1u);
    EXPECT_EQ(answerer.boxes().front().caption, s8(u8"信息："));
    EXPECT_EQ(answerer.boxes().front().text, c.message);
    EXPECT_EQ(utf8(QGuiApplication::clipboard()->text()), s8(c.clipboard));
  }
}

// A second click while the first lookup reads its slow answer runs a whole lookup of
// its own inside the first; the first then ends with its own answer.
TEST_F(QtWindowTest, ClickDuringASlowAnswerRunsToItsEndInsideTheFirstLookup) {
  HookedHttpClient http([this] {
    post([this] {
      edit().setText(QStringLiteral("1001"));
      QTest::mouseClick(&downloadButton(), Qt::LeftButton);
    });
  });
  useProgramHandlers(http, testing_support::standinHost());
  QGuiApplication::clipboard()->setText(qstr(kSentinel));
  QTest::keyClicks(&edit(), QStringLiteral("2001"));

  BoxAnswerer answerer;
  QTest::mouseClick(&downloadButton(), Qt::LeftButton);
  ASSERT_TRUE(answerer.waitFor(2));

  EXPECT_EQ(downloadClicks_, 2);
  ASSERT_EQ(answerer.boxes().size(), 2u);
  EXPECT_EQ(answerer.boxes()[0].text,
            addressMessage(u8"http://media.ximing.example/sound/1001.mp3"));
  EXPECT_EQ(answerer.boxes()[1].text,
            addressMessage(u8"http://media.ximing.example/sound/2001.mp3"));
  EXPECT_EQ(utf8(QGuiApplication::clipboard()->text()),
            "http://media.ximing.example/sound/2001.mp3");
}

// Closing the window while a lookup waits for the rest of its answer ends the lookup
// without a word and ends the program's loop.
TEST_F(QtWindowTest, ClosingDuringAStalledAnswerEndsQuietly) {
  struct Closer {
    const char* name;
    std::function<void()> close;
  };
  const Closer closers[] = {
      {"the close box", [this] { form_->windowHandle()->close(); }},
      {"Esc", [this] { QTest::keyClick(&edit(), Qt::Key_Escape); }},
  };
  for (const Closer& closer : closers) {
    SCOPED_TRACE(closer.name);
    if (!window_) {
      ASSERT_NO_FATAL_FAILURE(openWindow());
    }
    HookedHttpClient http([&closer] { post(closer.close); });
    useProgramHandlers(http, testing_support::standinHost());
    QGuiApplication::clipboard()->setText(qstr(kSentinel));
    BoxAnswerer answerer;
    post([this] {
      QTest::keyClicks(&edit(), QStringLiteral("2002"));
      QTest::mouseClick(&downloadButton(), Qt::LeftButton);
    });
    EXPECT_EQ(runBounded(), 0);
    EXPECT_EQ(downloadClicks_, 1);
    EXPECT_TRUE(answerer.boxes().empty()) << answerer.boxes().front().text;
    EXPECT_EQ(utf8(QGuiApplication::clipboard()->text()), s8(kSentinel));
    EXPECT_FALSE(form_->isVisible());
    window_.reset();
    downloadClicks_ = 0;
  }
}

}  // namespace
}  // namespace ximing
