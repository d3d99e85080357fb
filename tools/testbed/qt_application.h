// The application object for the GUI tests and benchmarks (offscreen) with the program's fonts, and
// event pumping with a deadline.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>
#include <ostream>

#include "ui/platform_fonts.h"

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace testbed {

inline void EnsureApplication() {
  static int argc = 1;
  static char name[] = "vokarel-test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance()) return;
  new QApplication(argc, argv);
  UsePlatformFonts();
}

// Processes events (and runs `each` between rounds) until `done` holds or `timeout_ms` passed;
// returns whether `done` held. The time-out is a safety net only.
inline bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 5000,
                      const std::function<void()>& each = {}) {
  QElapsedTimer clock;
  clock.start();
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (each) each();
    if (done()) return true;
    if (clock.elapsed() > timeout_ms) return false;
    QThread::msleep(5);
  }
}

// Processes events for `ms` milliseconds.
inline void PumpFor(int ms, const std::function<void()>& each = {}) {
  PumpUntil([] { return false; }, ms, each);
}

}  // namespace testbed
