// Saves pictures of the main window (connected, with a few memos listed), the settings dialog and
// the progress dialog, drawn on the offscreen platform with the program's fonts:
//   window-shots FOLDER
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <cstdio>

#include "app/main_window.h"
#include "serial/config_dialog.h"
#include "serial/port_settings.h"
#include "transfer/ft_stat.h"
#include "ui/platform_fonts.h"

namespace {

bool Save(QWidget& window, const QString& folder, const char* name) {
  window.show();
  QApplication::processEvents();
  const QString path = folder + "/" + QString::fromLatin1(name) + ".png";
  if (window.grab().save(path)) return true;
  std::fprintf(stderr, "window-shots: cannot write %s\n", path.toLocal8Bit().constData());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: window-shots FOLDER\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  UsePlatformFonts();
  const QString folder = QString::fromLocal8Bit(argv[1]);

  frmMain window;
  window.pcSms->setEnabled(true);
  window.cmdPortOpen->setEnabled(false);
  window.cmdPortClose->setEnabled(true);
  for (const char* memo : {"Запись1", "Встреча_в_пятницу", "Ёлка_2005"}) window.lstAmr->addItem(QString::fromUtf8(memo));
  window.lstAmr->setCurrentRow(1);
  window.lblCount->setText(QString::number(window.lstAmr->count()));
  Config settings(PortSettings, true, &window);
  FtStat progress(&window, [] { return QString::fromUtf8("Встреча_в_пятницу"); });
  progress.RefreshDlg(20480, 61440);

  const bool saved = Save(window, folder, "main-window") && Save(settings, folder, "settings-dialog") &&
                     Save(progress, folder, "progress-dialog");
  return saved ? 0 : 1;
}
