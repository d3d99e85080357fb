// The phone session without a window: the queue and its sender, the busy flag, opening and
// closing, opens that fail; and a download on it whose transfer throws. The answer's signals and
// the poll are the window's tests' (they react to nothing else).
// The port is a pty whose far end the test reads.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/memo_download.h"
#include "app/phone_session.h"
#include "sio/sio.h"
#include "tests/support/message_recorder.h"
#include "tools/testbed/pty_pair.h"
#include "tools/testbed/qt_application.h"
#include "tools/testbed/temp_folder.h"
#include "transfer/transfer_progress.h"

namespace {

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() : session(settings) {
    folder.link_port(5, pty.device());
    QObject::connect(&session, &PhoneSession::portClosed, [this] { ++closed; });
  }

  // What the phone has heard so far.
  std::string Heard() { return heard += testbed::read_for(pty.peer(), 1 << 20, 20); }

  const bool application = (testbed::EnsureApplication(), true);  // before the session's timers
  testbed::ScopedProgramFolder folder;
  testbed::PtyPair pty;
  test_support::MessageRecorder recorder;
  PortSettingsRecord settings = kStartupPortSettings;
  PhoneSession session;
  int closed = 0;
  std::string heard;
};

}  // namespace

TEST_F(SessionTest, OpeningQueuesTheIdentificationBehindWaitingLinesAndLinesQueuedMeanwhileWait) {
  session.Queue("AT+RAW", true);
  session.SendNext();  // closed: the line waits, the sender keeps ticking
  EXPECT_EQ(session.Queued().size(), 1u);
  EXPECT_TRUE(session.SendTimer().isActive());
  ASSERT_TRUE(session.Open());
  EXPECT_EQ(session.Queued(), (std::deque<std::string>{"AT+RAW", "ATZ\r", "AT+GMM\r", "AT+GMR\r"}));
  // Busy while a line goes out; a line queued meanwhile goes last.
  std::vector<bool> busy;
  QObject::connect(&session, &PhoneSession::lineSent, [&](const std::string& line) {
    busy.push_back(session.IsBusy());
    if (line == "ATZ\r") session.Queue("AT+LATE");
  });
  for (int tick = 0; tick < 5; ++tick) session.SendNext();
  EXPECT_EQ(Heard(), "AT+RAWATZ\rAT+GMM\rAT+GMR\rAT+LATE\r");
  EXPECT_EQ(busy, std::vector<bool>(5, true));
  EXPECT_FALSE(session.IsBusy());
  EXPECT_TRUE(session.SendTimer().isActive());
  // The next tick finds the queue empty and stops the sender.
  session.SendNext();
  EXPECT_FALSE(session.SendTimer().isActive());
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(SessionTest, AFailedWriteIsReportedAndTheQueueGoesOn) {
  ASSERT_TRUE(session.Open());
  while (!session.Queued().empty()) session.SendNext();
  // The phone does not read: a line larger than the pty's buffer cannot be written in time.
  const std::string huge(256 * 1024, 'A');
  session.Queue(huge);
  session.Queue("AT+NEXT");
  session.SendNext();
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Warning);
  EXPECT_EQ(recorder.messages[0].text,
            QStringLiteral("Команду ") + QString::fromStdString(huge) + QStringLiteral("\r не удалось послать на запись"));
  Heard();
  session.SendNext();
  EXPECT_TRUE(Heard().ends_with("AT+NEXT\r"));
  EXPECT_EQ(recorder.messages.size(), 1u);
}

TEST_F(SessionTest, ADownloadEndsAlsoWhenItsTransferThrows) {
  MemoDownload download(
      session, [] { return std::optional<MemoNames>(MemoNames{"memo01", "memo01"}); },
      [](const MemoNames&) { return std::unique_ptr<TransferProgress>(); }, nullptr,
      [](int, TransferProgress*) -> TransferOutcome { throw std::runtime_error("out of the library"); });
  std::vector<bool> running;
  QObject::connect(&download, &MemoDownload::runningChanged, [&](bool now) { running.push_back(now); });
  download.Run();
  // Not running any more, so the window may close; the poll reads again, the GET is not sent.
  EXPECT_EQ(running, (std::vector<bool>{true, false}));
  EXPECT_FALSE(download.Running());
  EXPECT_TRUE(session.PollTimer().isActive());
  EXPECT_FALSE(download.SendTimer().isActive());
  EXPECT_EQ(recorder.Only(), QStringLiteral("Во время записи произошла ошибка!"));
  EXPECT_EQ(recorder.messages[0].icon, MessageIcon::Warning);
}
