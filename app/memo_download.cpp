#include "app/memo_download.h"

#include "app/phone_session.h"
#include "phone/answer_parser.h"
#include "transfer/ft_proc.h"
#include "transfer/transfer_progress.h"
#include "ui/guarded_step.h"
#include "ui/message_box.h"

namespace {

const QString kWriteError = QString::fromUtf8("Во время записи произошла ошибка!");

// A step of the Save sequence whose failure the user is told of.
template <typename Step>
void ReportFailure(Step&& step) noexcept {
  try {
    step();
  } catch (...) {
    GuardedStep([] { ShowMessage(MessageIcon::Warning, kWriteError); });
  }
}

}  // namespace

MemoDownload::MemoDownload(PhoneSession& session, Selection selection, ProgressDisplay progress, QObject* parent)
    : QObject(parent), session_(session), selection_(std::move(selection)), progress_(std::move(progress)) {
  send_timer_.setInterval(kSendDelay);
  connect(&send_timer_, &QTimer::timeout, this, &MemoDownload::SendGetLine);
}

bool MemoDownload::Refused(const std::optional<MemoNames>& selected) const {
  if (!selected) {
    ShowMessage(MessageIcon::Information, QString::fromUtf8("Выберите запись для сохранения."));
    return true;
  }
  if (selected->display.find(' ') != std::string::npos) {
    ShowMessage(MessageIcon::Information,
                QString::fromUtf8("В название записи есть пробел, уберите его и повторите снова."));
    return true;
  }
  // A name that could reach outside the program folder is never asked for.
  if (!NamesAreSafe(*selected)) {
    ShowMessage(MessageIcon::Warning, kWriteError);
    return true;
  }
  return false;
}

void MemoDownload::Run() {
  if (running_) return;
  saved_path_.clear();
  if (Refused(selection_())) return;
  close_requested_ = false;
  name_refused_ = false;
  pending_get_line_.clear();
  session_.PausePoll();  // every byte from the phone goes to the transfer
  FtAbortRequested = false;  // whatever display is made; the dialog also clears it as it loads
  FtProtocol = kFtZmodem;
  FtReceive = 1;
  send_timer_.start();
  SetRunning(true);
  std::unique_ptr<TransferProgress> progress;
  ReportFailure([&] { progress = progress_(memo_); });
  const TransferOutcome outcome = RunFileTransfer(session_.Port(), progress.get());
  send_timer_.stop();
  // A GET that never went out is dropped, so the phone is never told to send a file that nobody
  // receives.
  session_.Unqueue(pending_get_line_);
  progress.reset();
  session_.ResumePoll();
  if (name_refused_)
    ShowMessage(MessageIcon::Warning, kWriteError);
  else
    ReportFailure([&] { saved_path_ = CompleteTransfer(outcome, memo_); });
  SetRunning(false);
}

void MemoDownload::SendGetLine() {
  send_timer_.stop();
  memo_ = selection_().value_or(MemoNames{});
  // The selection may have changed since Save: a name that could leave the program folder ends
  // the waiting receive, and nothing is asked of the phone.
  if (!NamesAreSafe(memo_)) {
    name_refused_ = true;
    FtAbortRequested = true;
    return;
  }
  // No stale file is deleted first: the library never overwrites a file, so a file of that name
  // in the program folder (perhaps the user's own) stays and the receive reports it.
  const std::string line = std::string(kMemoGetCommand) + memo_.raw;
  pending_get_line_ = line + '\r';
  GuardedStep([&] { session_.Queue(line); });
}

void MemoDownload::RequestClose() {
  if (!running_) return;
  close_requested_ = true;
  FtAbortRequested = true;
}

void MemoDownload::SetRunning(bool running) {
  running_ = running;
  emit runningChanged(running);
}

