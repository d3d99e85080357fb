// What the session's events do to the window: the terminal, the queue list, the title, the memo
// lists, the connected and SMS-listing states.
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/main_window.h"
#include "app/terminal_box.h"
#include "phone/convert_code_page.h"
#include "phone/text_scan.h"
#include "phone/windows1251.h"
#include "serial/serial_errors.h"
#include "sio/sio.h"
#include "ui/guarded_step.h"
#include "ui/message_box.h"

namespace {

constexpr int kSeparatorLength = 132;

void AddItem(QListWidget* list, const std::string& bytes) { list->addItem(FromWindows1251(bytes)); }

}  // namespace

void frmMain::AnswerCompleted() {
  GuardedStep([this] { ParseAnswer(session_.Answer()); });
  LeaveSmsListing();
  // The first complete answer after the open connects the window; a phone that was refused has
  // closed the port meanwhile and stays closed.
  if (!connected_ && GbOpen()) {
    connected_ = true;
    UpdateControls();
  }
}

void frmMain::ParseAnswer(AnswerAssembly& answer) {
  switch (answer.Kind()) {
    case AnswerKind::MemoList:
      ParseMemoList(answer);
      break;
    case AnswerKind::Firmware:
      // Rebuilt from the base title, so a repeated answer does not pile up.
      setWindowTitle(BaseTitle() + QStringLiteral(" Версия прошивки: ") + FromWindows1251(answer.Reply()));
      break;
    case AnswerKind::RejectedModel: {
      const std::string model = answer.Reply();
      cmdPortClose_Click();
      ShowMessage(MessageIcon::Information,
                  QStringLiteral("Извините, но программа только для телефонов Motorola E365.\r\nУ вас: ") +
                      FromWindows1251(model));
      break;
    }
    case AnswerKind::Ignored:
    case AnswerKind::SmsList:
    case AnswerKind::AcceptedModel:
      break;
  }
}

// Every block of a listing answer interprets it again; the lists then only grow by the names
// that block completed, which is what refilling them from the whole answer would give.
void frmMain::ParseMemoList(AnswerAssembly& answer) {
  const std::vector<std::string>& names = answer.MemoNames();
  if (listed_answer_ != answer.Serial()) {
    listed_answer_ = answer.Serial();
    memos_.clear();
    lstAmr->clear();
    lstName->clear();
  }
  // Both lists get an entry for every name, so they stay aligned.
  for (std::size_t i = memos_.size(); i < names.size(); ++i) {
    memos_.push_back({ConvertCodePage(names[i]), names[i]});
    AddItem(lstName, memos_.back().raw);
    AddItem(lstAmr, memos_.back().display);
  }
  lblCount->setText(QString::number(lstAmr->count()));
}

void frmMain::LineSent(const std::string& line) {
  if (Contains(line, kSmsListCommand)) EnterSmsListing();
}

void frmMain::ShowQueue() {
  lstCommand->clear();
  for (const std::string& line : session_.Queued()) AddItem(lstCommand, line);
}

void frmMain::PortClosed() {
  connected_ = false;
  unanswered_ = false;
  LeaveSmsListing();
  UpdateControls();
}

// The session has closed the port already; the window is in its closed state when this shows.
void frmMain::ConnectionLost() { ShowSerialError(SIO_GONE, 0); }

void frmMain::PhoneSilent() {
  unanswered_ = true;
  UpdateControls();
  ShowMessage(MessageIcon::Warning,
              QStringLiteral("Телефон не отвечает на этом порту. Проверьте кабель, номер порта и скорость в "
                             "«Настройка соединения...», затем закройте порт и откройте его снова"));
}

void frmMain::EnterSmsListing() {
  if (!sms_listing_) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    sms_listing_ = true;
  }
  UpdateControls();
  lblCount->setText(QStringLiteral("0"));
  Term->ClearBytes();
  // The box keeps a line break as "\n".
  txtMSG->setPlainText(QString(kSeparatorLength, u'-') + QStringLiteral("\n"));
  // Lets the busy pointer show. The state is complete before this: an answer that completes in
  // here ends it, and nothing after turns the buttons off again.
  QCoreApplication::processEvents();
}

void frmMain::LeaveSmsListing() {
  if (!sms_listing_) return;
  sms_listing_ = false;
  QApplication::restoreOverrideCursor();
  UpdateControls();
}
