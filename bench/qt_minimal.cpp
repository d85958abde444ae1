// The smallest Qt Widgets program with a window: one empty top-level window, shown at
// once. scripts/bench.sh measures how long it takes until the window is mapped and
// compares ximing-mp3's start-up with it.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("qt_minimal");
  window.resize(320, 120);
  window.show();
  return app.exec();
}
