#include "tools/vokarel-cli/memo_fetch.h"

#include <QElapsedTimer>

#include "app/phone_session.h"
#include "sio/sio.h"
#include "tools/vokarel-cli/interrupt.h"
#include "tools/vokarel-cli/memo_text.h"
#include "transfer/ft_proc.h"
#include "transfer/memo_file.h"
#include "transfer/transfer_progress.h"
#include "ui/message_box.h"

namespace cli {
namespace {

// One memo's transfer on the progress view; its clock starts with the memo's first bytes, so the
// rate is the line's.
class ViewProgress : public TransferProgress {
 public:
  ViewProgress(ProgressView& view, std::string memo) : view_(view), memo_(std::move(memo)) {}

  void Refresh(long xlen, long flen) override {
    if (xlen <= 0 && flen <= 0) return;  // the phone has not begun
    if (!clock_.isValid()) clock_.start();
    view_.update({memo_, xlen, flen, static_cast<double>(clock_.elapsed()) / 1000.0});
  }
  void Unload() override { view_.finish(); }

 private:
  ProgressView& view_;
  std::string memo_;
  QElapsedTimer clock_;
};

}  // namespace

MemoFetch::MemoFetch(PhoneSession& session, ProgressView& view)
    : session_(session),
      view_(view),
      download_(
          session, [this] { return std::optional<MemoNames>(current_); },
          [this](const MemoNames&) { return std::make_unique<ViewProgress>(view_, PrintableName(current_)); }) {
  interrupt_check_.setInterval(kInterruptCheck);
  // Ticks inside the transfer's progress callbacks: the transfer's next callback aborts it.
  QObject::connect(&interrupt_check_, &QTimer::timeout, [this] {
    if (Interrupted()) download_.RequestClose();
  });
}

FetchResult MemoFetch::Fetch(const MemoNames& memo) {
  const std::string name = PrintableName(memo);
  if (Interrupted()) return {name, FetchResult::Fate::NotSaved, "not tried: interrupted"};
  if (phone_gone_) return {name, FetchResult::Fate::NotSaved, "not tried: the phone has gone"};
  // The Save sequence refuses such a name too, but only with a general message.
  if (!NamesAreSafe(memo)) return {name, FetchResult::Fate::NotSaved, "its name would lead out of the folder: not asked for"};
  // Never replaced, so never asked for.
  const std::string path = MemoFilePath(memo);
  if (!path.empty() && PathIsTaken(path)) return {name, FetchResult::Fate::Skipped, path + " is already there"};
  return Download(memo);
}

FetchResult MemoFetch::Download(const MemoNames& memo) {
  current_ = memo;
  std::string said;
  MessageHandler previous = SetMessageHandler([&said](MessageIcon, const QString& text) {
    said += (said.empty() ? "" : "; ") + MessageLine(text);
  });
  interrupt_check_.start();
  download_.Run();
  interrupt_check_.stop();
  SetMessageHandler(std::move(previous));
  if (!download_.SavedPath().empty()) return {PrintableName(memo), FetchResult::Fate::Saved, download_.SavedPath()};
  // A device that has vanished stays so, and every read says it.
  char probe[PhoneSession::kPollBlock];
  phone_gone_ = sio_read(session_.Port(), probe, sizeof probe) == SIO_GONE;
  return {PrintableName(memo), FetchResult::Fate::NotSaved, said.empty() ? "not saved" : said};
}

}  // namespace cli
