#include "app/qt/qt_main_window.h"

#include <QApplication>
#include <QByteArrayView>
#include <QClipboard>
#include <QCloseEvent>
#include <QEventLoop>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <string_view>
#include <utility>

#include "app/texts.h"

// The icons live in this library's resources; a static library's resources are
// registered explicitly, and the macro cannot stand inside a namespace.
static void registerIcons() { Q_INIT_RESOURCE(ximing_icons); }

namespace ximing {
namespace {

// The outer size of the window, frame and title bar included.
constexpr QSize kOuterSize(298, 142);

struct ControlPlace {
  const char* name;  // the control's form name, kept as its object name
  QRect rect;        // within the window's client area
};
constexpr ControlPlace kLabel{"标签1", QRect(8, 32, 64, 24)};
constexpr ControlPlace kEdit{"编辑框1", QRect(80, 32, 184, 24)};
constexpr ControlPlace kHelpButton{"按钮2", QRect(24, 64, 72, 32)};
constexpr ControlPlace kDownloadButton{"按钮1", QRect(176, 64, 80, 32)};

// The program's texts are code page 936 bytes; Qt speaks Unicode.
QString fromGbk(std::string_view bytes) {
  QStringDecoder decoder("GBK");
  return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

Text toGbk(const QString& text) {
  QStringEncoder encoder("GBK");
  const QByteArray bytes = encoder.encode(text);
  return Text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The texts break their lines with CR LF; a Qt label breaks them at LF alone and
// would show the CR.
QString messageForDisplay(std::string_view bytes) {
  QString text = fromGbk(bytes);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

// Top-left corner of the outer frame, centred on the primary screen.
QPoint centredPosition() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {0, 0};
  const QRect area = screen->geometry();
  return area.topLeft() +
         QPoint((area.width() - kOuterSize.width()) / 2, (area.height() - kOuterSize.height()) / 2);
}

// The top-level widget. It closes on Esc from any of its controls, reports its
// closing, and reports the first time the window system shows it, which is when
// the window manager's frame can be measured.
class Form final : public QWidget {
 public:
  Form(std::function<void()> onClosed, std::function<void()> onFirstExposure)
      : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                             Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                             Qt::WindowCloseButtonHint),
        onClosed_(std::move(onClosed)),
        onFirstExposure_(std::move(onFirstExposure)) {}

  // Watches the native window for its first exposure.
  void watchExposure() {
    winId();  // the native window exists from here on
    windowHandle()->installEventFilter(this);
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->accept();
    onClosed_();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == windowHandle()) {
      if (event->type() == QEvent::Expose && windowHandle()->isExposed() && onFirstExposure_) {
        // Measured once the exposure has been handled, with the frame in place.
        QTimer::singleShot(0, this, std::exchange(onFirstExposure_, nullptr));
      }
      return false;
    }
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<const QKeyEvent*>(event);
      const Qt::KeyboardModifiers held =
          Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier;
      if (key->key() == Qt::Key_Escape && !key->modifiers().testAnyFlags(held)) {
        close();
        return true;
      }
    }
    return QWidget::eventFilter(watched, event);
  }

 private:
  std::function<void()> onClosed_;
  std::function<void()> onFirstExposure_;
};

void place(QWidget& control, const ControlPlace& where) {
  control.setObjectName(QString::fromUtf8(where.name));
  control.setGeometry(where.rect);
}

QPushButton* makeButton(QWidget& form, const ControlPlace& where, std::string_view caption,
                        std::function<void()> handler) {
  auto* button = new QPushButton(fromGbk(caption), &form);
  place(*button, where);
  // Neither button answers Enter: neither is a default button.
  button->setAutoDefault(false);
  button->setDefault(false);
  QObject::connect(button, &QPushButton::clicked, button, [handler = std::move(handler)] {
    if (handler) handler();
  });
  return button;
}

}  // namespace

std::unique_ptr<MainWindow> MainWindow::create(MainWindowHandlers handlers) {
  return std::make_unique<QtMainWindow>(std::move(handlers));
}

QtMainWindow::QtMainWindow(MainWindowHandlers handlers) {
  if (QApplication::instance() == nullptr) {
    // The program takes no arguments; Qt still wants a program name.
    static int argc = 1;
    static char name[] = "ximing-mp3";
    static char* argv[] = {name, nullptr};
    ownApplication_ = std::make_unique<QApplication>(argc, argv);
  }
  // This window's own loop ends the program. An application-wide quit would also
  // stop every later loop, the message boxes' included.
  QGuiApplication::setQuitOnLastWindowClosed(false);
  registerIcons();

  auto form = std::make_unique<Form>([this] { windowClosed(); }, [this] { fitOuterFrame(); });
  form->setObjectName(QStringLiteral("窗口"));
  form->setWindowTitle(fromGbk(kWindowTitle));
  QIcon icon;
  icon.addFile(QStringLiteral(":/ximing-mp3/ximing-mp3-16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/ximing-mp3/ximing-mp3-32.png"), QSize(32, 32));
  form->setWindowIcon(icon);
  // The background of a dialog: the colour buttons are drawn with.
  QPalette palette = form->palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Window, palette.color(group, QPalette::Button));
  }
  form->setPalette(palette);
  form->setAutoFillBackground(true);
  // Until the window manager's frame is known the whole size goes to the client
  // area; fitOuterFrame() takes the frame off once it can be measured. A position
  // set before the window exists places the outer frame.
  form->setFixedSize(kOuterSize);
  form->move(centredPosition());

  auto* label = new QLabel(fromGbk(kSongIdLabel), form.get());
  place(*label, kLabel);
  label->setTextFormat(Qt::PlainText);  // an ampersand is shown, not a mnemonic
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setFocusPolicy(Qt::NoFocus);

  songNumberEdit_ = new QLineEdit(form.get());
  place(*songNumberEdit_, kEdit);

  QPushButton* download =
      makeButton(*form, kDownloadButton, kDownloadCaption, std::move(handlers.download));
  QPushButton* help =
      makeButton(*form, kHelpButton, kHelpCaption, std::move(handlers.instructions));

  QWidget::setTabOrder(songNumberEdit_, download);
  QWidget::setTabOrder(download, help);
  for (QWidget* target : {static_cast<QWidget*>(form.get()), static_cast<QWidget*>(songNumberEdit_),
                          static_cast<QWidget*>(download), static_cast<QWidget*>(help)}) {
    target->installEventFilter(form.get());
  }

  songNumberEdit_->setFocus(Qt::OtherFocusReason);
  form->watchExposure();
  form_ = std::move(form);
  form_->show();
  form_->activateWindow();
}

QtMainWindow::~QtMainWindow() = default;

void QtMainWindow::fitOuterFrame() {
  if (frameFitted_ || closed_) return;
  frameFitted_ = true;
  const QSize outer = form_->frameGeometry().size();
  if (outer != kOuterSize) {
    const QSize frame = outer - form_->size();
    form_->setFixedSize((kOuterSize - frame).expandedTo(QSize(1, 1)));
  }
  form_->move(centredPosition());
}

Text QtMainWindow::songNumber() { return toGbk(songNumberEdit_->text()); }

void QtMainWindow::showMessage(const Text& text) {
  // No parent: the box stands on its own, and while it is open no window of the
  // program takes input.
  QMessageBox box;
  box.setWindowTitle(fromGbk(kMessageCaption));
  // Plain text always: an address from the network must never be read as markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(messageForDisplay(text));
  box.setIcon(QMessageBox::NoIcon);
  box.setStandardButtons(QMessageBox::Ok);
  box.button(QMessageBox::Ok)->setIcon(QIcon());  // just the word, like the window's buttons
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

bool QtMainWindow::setClipboardText(const Text& text) {
  const QString wanted = fromGbk(text);
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(wanted, QClipboard::Clipboard);
  // Qt reports no failure of its own; reading back tells whether the text is there.
  return clipboard->text(QClipboard::Clipboard) == wanted;
}

bool QtMainWindow::processPendingEvents() {
  if (!closed_) QCoreApplication::processEvents();
  return !closed_;
}

int QtMainWindow::run() {
  if (!closed_) {
    QEventLoop loop;
    runningLoop_ = &loop;
    loop.exec();
    runningLoop_ = nullptr;
  }
  return 0;
}

void QtMainWindow::windowClosed() {
  closed_ = true;
  if (runningLoop_ != nullptr) runningLoop_->quit();
}

}  // namespace ximing
