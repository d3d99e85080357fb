// The receive path: the poll timer reads what the phone sent, shows it in the terminal, adds it
// to the answer and interprets the answer once it is complete.
#include <QPushButton>
#include <QTimer>

#include "app/answer_parser.h"
#include "app/guarded_step.h"
#include "app/main_window.h"
#include "app/terminal_box.h"
#include "app/text_scan.h"
#include "serial/port_settings.h"
#include "sio/sio.h"

namespace {

constexpr int kReceiveBlock = 512;

}  // namespace

void frmMain::tmrRecive_Timer() {
  char block[kReceiveBlock] = {};
  const int rlen = sio_read(PortSettings.Port, block, kReceiveBlock);
  // No data, a closed port and read errors alike show nothing.
  if (rlen > 0) ShowData(*Term, block, rlen);
}

void frmMain::ShowData(TerminalBox& Term, const char* Dta, int rlen) {
  if (rlen <= 0) return;
  const std::string_view block(Dta, static_cast<std::size_t>(rlen));
  GuardedStep([&] { Term.AppendBytes(block); });
  GuardedStep([&] { GsAnswer.append(block); });
  if (!Contains(GsAnswer, kAnswerComplete)) return;
  // A copy: the interpretation may send a line, which starts a new answer.
  GuardedStep([this] { ParseAnswer(std::string(GsAnswer)); });
  GuardedStep([this] { LeaveSmsListing(); });
  // The first complete answer after the open connects the window; a phone that was refused
  // has closed the port meanwhile and stays closed.
  if (!pcSms->isEnabled() && GbOpen) {
    cmdPortOpen->setEnabled(false);
    cmdPortClose->setEnabled(true);
    pcSms->setEnabled(true);
  }
}
