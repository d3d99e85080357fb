// Times the whole download of the large sample memo through the main window, from Save to the
// success message, with the simulator pacing the line like a 57600 bit/s cable. Prints the time
// against the line's limit (file size / 5760 bytes per second) plus the sequence's fixed start.
// Run it offscreen: QT_QPA_PLATFORM=offscreen build/bin/bench_download
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <cstdio>

#include "app/main_window.h"
#include "ui/message_box.h"
#include "tools/e365sim/sim_process.h"
#include "tools/testbed/qt_application.h"
#include "tools/testbed/temp_folder.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  testbed::ScopedProgramFolder folder;
  e365sim_client::SimProcess sim({"--folder", folder.path(), "--port", "5"});
  if (sim.device().empty()) {
    std::fprintf(stderr, "the simulator did not start\n");
    return 1;
  }
  QString message;
  qint64 message_at = 0;
  QElapsedTimer clock;
  SetMessageHandler([&](MessageIcon, const QString& text) {
    message = text;
    message_at = clock.elapsed();
  });

  frmMain window;
  window.cmdPortOpen->click();
  testbed::PumpUntil([&] { return window.pcSms->isEnabled() && window.lstCommand->count() == 0; }, 20000);
  window.cmdRefresh->click();
  testbed::PumpUntil([&] { return window.lstAmr->count() > 0; }, 20000);
  testbed::PumpFor(500);

  const QString memo = QString::fromUtf8("Лекция");
  const auto found = window.lstAmr->findItems(memo, Qt::MatchExactly);
  if (found.isEmpty()) {
    std::fprintf(stderr, "the large sample memo is not listed\n");
    return 1;
  }
  window.lstAmr->setCurrentItem(found.first());
  clock.start();
  window.cmdsaveSMS->click();

  const std::string saved = folder.file("Лекция.amr");
  const double size = static_cast<double>(testbed::read_file(saved).size());
  const double seconds = message_at / 1000.0;
  const double line_limit = size / 5760.0;
  const double fixed_start = 0.6;  // the send timer's 300 ms and the queue timer's next tick
  std::printf("| case | bytes | time, s | line limit + start, s | efficiency |\n");
  std::printf("|---|---|---|---|---|\n");
  std::printf("| Save to message, 57600 bit/s paced | %.0f | %.2f | %.2f | %.1f%% |\n", size, seconds,
              line_limit + fixed_start, 100.0 * (line_limit + fixed_start) / seconds);
  if (!message.startsWith(QString::fromUtf8("Прием файла успешно завершен!"))) {
    std::fprintf(stderr, "the download failed: %s\n", message.toUtf8().constData());
    return 1;
  }
  window.close();
  return 0;
}
