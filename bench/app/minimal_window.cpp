// The smallest Qt 6 window: what any Qt program costs before it does anything.

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label(QStringLiteral("A minimal Qt window"));
  label.setWindowTitle(QStringLiteral("minimal"));
  label.show();
  return QApplication::exec();
}
