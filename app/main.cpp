#include <QApplication>

#include "app/main_window.h"
#include "ui/platform_fonts.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  UsePlatformFonts();
  frmMain window;
  window.show();
  return app.exec();
}
