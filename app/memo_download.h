// One memo's download behind the Save button. The receive starts first; the send timer, whose
// first tick comes from inside the receive's progress callbacks, takes the memo selected at that
// moment and queues the GET line that makes the phone send it. The blocking transfer call and the
// events it lets run stay inside Run. No widgets: the front supplies the selection and the
// progress display.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "phone/safe_names.h"
#include "transfer/ft_proc.h"
#include "ui/message_box.h"

class PhoneSession;
class TransferProgress;

class MemoDownload : public QObject {
  Q_OBJECT

 public:
  static constexpr int kSendDelay = 300;  // ms from Save to the GET line's queueing

  using Selection = std::function<std::optional<MemoNames>()>;
  // Makes the progress display for the memo in `slot` (filled at the send tick), shown.
  using ProgressDisplay = std::function<std::unique_ptr<TransferProgress>(const MemoNames& slot)>;
  // The blocking receive (the engine's, unless a test puts another in its place).
  using Transfer = std::function<TransferOutcome(int port, TransferProgress* progress)>;

  MemoDownload(PhoneSession& session, Selection selection, ProgressDisplay progress, QObject* parent = nullptr,
               Transfer transfer = RunFileTransfer);

  // Downloads the selected memo and returns when the download has ended and been reported. A
  // missing selection or a name that is refused only gets its message. However the transfer
  // ends, even by an exception, the download is over afterwards.
  void Run();
  // The send timer's tick: takes the memo selected now and asks the phone for it, unless its
  // name is refused or its file exists already.
  void SendGetLine();
  // Asked while a download runs: the transfer is aborted, and CloseRequested() tells the caller
  // afterwards to finish its close.
  void RequestClose();

  bool Running() const { return running_; }
  bool CloseRequested() const { return close_requested_; }
  // The memo being downloaded, as the send tick took it.
  const MemoNames& Memo() const { return memo_; }
  // The file the last Run saved the memo in; empty when it saved nothing.
  const std::string& SavedPath() const { return saved_path_; }
  QTimer& SendTimer() { return send_timer_; }

 signals:
  void runningChanged(bool running);

 private:
  struct Refusal {
    MessageIcon icon;
    QString text;
  };

  bool Refused(const std::optional<MemoNames>& selected) const;
  // Ends the waiting receive; the refusal is said once the transfer has ended.
  void Refuse(MessageIcon icon, const QString& text);
  void Finish(const std::optional<TransferOutcome>& outcome);
  void SetRunning(bool running);

  PhoneSession& session_;
  Selection selection_;
  ProgressDisplay progress_;
  Transfer transfer_;
  QTimer send_timer_;
  MemoNames memo_;
  std::string pending_get_line_;  // until the download ends
  std::string saved_path_;
  bool running_ = false;
  bool close_requested_ = false;
  std::optional<Refusal> refusal_;  // what the send tick refused to ask for, and why
};
