#include "tools/vokarel-cli/cli_phone.h"

#include <QEventLoop>
#include <QTimer>
#include <functional>

#include "phone/answer_parser.h"
#include "phone/convert_code_page.h"
#include "tools/vokarel-cli/interrupt.h"

namespace cli {
namespace {

// Runs the event loop until `done` holds, `timeout_ms` pass or Ctrl-C; returns `done()`.
bool WaitUntil(const std::function<bool()>& done, int timeout_ms) {
  if (done()) return true;
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, &loop, [&] {
    if (done() || Interrupted()) loop.quit();
  });
  check.start(20);
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  loop.exec();
  return done();
}

}  // namespace

CliPhone::CliPhone(PortSettingsRecord& settings) : session_(settings) {
  QObject::connect(&session_, &PhoneSession::answerCompleted, [this] { AnswerCompleted(); });
}

// Each block after an answer is complete announces it again; reading it again gives the same.
void CliPhone::AnswerCompleted() {
  AnswerAssembly& answer = session_.Answer();
  switch (answer.Kind()) {
    case AnswerKind::AcceptedModel:
    case AnswerKind::RejectedModel:
      if (!identity_) identity_ = Identity{answer.Kind() == AnswerKind::AcceptedModel, answer.Reply(), {}};
      if (!identity_->e365) session_.Close();
      break;
    case AnswerKind::Firmware:
      if (identity_) identity_->firmware = answer.Reply();
      firmware_answered_ = true;
      break;
    case AnswerKind::MemoList:
      if (!memos_) {
        memos_.emplace();
        for (const std::string& raw : answer.MemoNames()) memos_->push_back({ConvertCodePage(raw), raw});
      }
      break;
    case AnswerKind::Ignored:
    case AnswerKind::SmsList:
      break;
  }
}

std::optional<Identity> CliPhone::Identify(bool with_firmware) {
  if (!session_.Open()) return std::nullopt;
  if (!WaitUntil([this] { return identity_.has_value(); }, kModelWait)) return std::nullopt;
  if (with_firmware && identity_->e365) WaitUntil([this] { return firmware_answered_; }, kFirmwareWait);
  return identity_;
}

std::optional<std::vector<MemoNames>> CliPhone::ListMemos() {
  memos_.reset();
  session_.Queue(std::string(kMemoListCommand));
  WaitUntil([this] { return memos_.has_value(); }, kListingWait);
  return memos_;
}

}  // namespace cli
