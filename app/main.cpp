#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle("Motorola E365");
  window.setFixedSize(577, 247);
  window.show();
  return app.exec();
}
