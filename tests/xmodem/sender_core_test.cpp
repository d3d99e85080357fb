// The XMODEM sender's core in simulated time: the test plays the receiver and the clock.
#include <gtest/gtest.h>

#include <string>

#include "sio/sio.h"
#include "sio/outgoing_file.h"
#include "sio/xmodem/file_source.h"
#include "sio/xmodem/sender_core.h"
#include "tools/testbed/temp_folder.h"
#include "tests/support/test_bytes.h"

using namespace sio::xmodem;

namespace {

// An XMODEM-1K send of a file of `size` bytes that the receiver has asked to start with 'C'.
struct Send {
  explicit Send(std::size_t size) : source(file), core(source, 0, true, {}) {
    testbed::write_file(folder.file("f"), test_support::random_bytes(size, 5));
    EXPECT_EQ(file.open(folder.file("f")), 0);
    core.start(now);
    hear("C");
  }
  void hear(const std::string& bytes) {
    core.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), now);
  }
  void wait_ms(long ms) { now += ms * 1000; }
  // Runs the clock to the next send (or the end); returns what went out, which has left the
  // line unless `on_its_way`.
  std::string next_send(bool on_its_way = false) {
    while (!core.finished() && core.output().empty()) {
      now = std::max(now, core.deadline());
      core.tick(now);
    }
    std::string out(core.output().begin(), core.output().end());
    core.output().clear();
    if (!on_its_way) core.drained(now);
    return out;
  }
  long ms() const { return now / 1000; }

  testbed::TempFolder folder;
  sio::OutgoingFile file;
  FileSource source;
  SenderCore core;
  long now = 0;
};

bool is_long(const std::string& block) { return !block.empty() && block[0] == STX; }
std::string cancel_sequence() { return {kCancelSequence.begin(), kCancelSequence.end()}; }

}  // namespace

TEST(XmodemSenderCore, ABlockOnItsWayToASlowLineIsNotSentAgain) {
  Send send(4096);
  send.next_send();
  send.wait_ms(2);
  send.hear("\x06");
  const std::string block = send.next_send(true);
  send.wait_ms(1000);  // a 1 KB block takes that long at 9600 bit/s
  send.core.tick(send.now);
  EXPECT_TRUE(send.core.output().empty());
  send.core.drained(send.now);
  EXPECT_EQ(send.next_send(), block);  // sent again once unanswered after it went out
  EXPECT_GE(send.ms(), 1002 + 100);
}

TEST(XmodemSenderCore, SendsABlockAgainByWhatTheAnswerShows) {
  struct Row {
    const char* answer;  // heard 2 ms after block 2 went out ("" nothing)
    long resend_ms;      // when block 2 goes again, after it first went out
    long unasked_ms;     // then when it goes again unasked: soon only the first time
  } rows[] = {
      {"\x15", 2 + 20, 100 + 4 * 2},      // NAK: once the line has been quiet 20 ms
      {"\x15\x15", 2 + 20, 100 + 4 * 2},  // a repeated NAK is one request
      {"\x07", 2 + 20, 1500 + 4 * 2},     // a damaged answer: as soon as the line is quiet
      {"", 100 + 4 * 2, 1500 + 4 * 2},    // nothing: after 100 ms and 4 round trips of 2 ms
      {"\x13\x11", 100 + 4 * 2, 1500 + 4 * 2},  // XOFF and XON answer nothing
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.answer));
    Send send(4096);
    send.next_send();
    send.wait_ms(2);
    send.hear("\x06");
    const std::string block2 = send.next_send();
    const long sent_at = send.ms();
    send.wait_ms(2);
    send.hear(row.answer);
    EXPECT_EQ(send.next_send(), block2);
    EXPECT_EQ(send.ms() - sent_at, row.resend_ms);
    const long resent_at = send.ms();
    EXPECT_EQ(send.next_send(), block2);
    EXPECT_EQ(send.ms() - resent_at, row.unasked_ms);
  }
}

TEST(XmodemSenderCore, EndsOnCancelsRetriesAndASilentLastEot) {
  struct Row {
    const char* name;
    const char* answer;  // to every send
    int result;
    bool cancels;        // our cancel sequence goes out
  } rows[] = {
      {"NAK to every send", "\x15", SIOFT_PROTOCOL, true},
      {"silence", "", SIOFT_TIMEOUT, true},
      {"two CANs", "\x18\x18", SIOFT_CANABORT, false},
      {"one CAN is noise", "\x18\x06", 0, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Send send(2048);
    int sends = 0;
    std::string out;
    while (!send.core.finished()) {
      out = send.next_send();
      sends += !out.empty() && out != cancel_sequence();
      send.wait_ms(1);
      send.hear(row.answer);
    }
    EXPECT_EQ(send.core.result(), row.result);
    EXPECT_EQ(out == cancel_sequence(), row.cancels);
    if (row.cancels) {
      EXPECT_EQ(sends, 11);  // the first send and ten more
    }
  }
  // The last EOT: a receiver that stays silent through two of them has finished.
  Send send(1024);
  for (int blocks = 0; blocks < 8; ++blocks) {
    send.next_send();
    send.hear("\x06");
  }
  EXPECT_EQ(send.next_send(), "\x04");
  EXPECT_EQ(send.next_send(), "\x04");
  send.next_send();
  EXPECT_TRUE(send.core.finished());
  EXPECT_EQ(send.core.result(), 0);
}

TEST(XmodemSenderCore, LongBlocksOnlyWhileTheLineIsClean) {
  Send send(2 * (32 * 128 + 1024) + 32 * 128 + 768);
  std::string sizes;  // L or S per block taken
  bool damaged = false;
  for (std::string block = send.next_send(); block != "\x04"; block = send.next_send()) {
    // The line spoils each long block once.
    damaged = is_long(block) && !damaged;
    if (!damaged) sizes += is_long(block) ? 'L' : 'S';
    send.hear(damaged ? "\x15" : "\x06");
  }
  // Short blocks first; long ones after 32 clean short ones, and after each long one that
  // needed a second send. A tail of 768 bytes goes in short ones, which waste less on padding.
  const std::string clean_run(32, 'S');
  EXPECT_EQ(sizes, clean_run + "L" + clean_run + "L" + clean_run + "SSSSSS");
}

TEST(XmodemSenderCore, PausesAfterAnAckOnceABlockSentRightAfterOneWasLost) {
  Send send(3072);
  send.next_send();
  send.hear("\x06");
  const long acked_at = send.now;
  const std::string block2 = send.next_send();
  EXPECT_EQ(send.now, acked_at);  // at once after the ACK
  // The receiver was discarding its input and asks again; from now on the next block waits a
  // moment after each ACK.
  send.hear("\x15");
  EXPECT_EQ(send.next_send(), block2);
  send.hear("\x06");
  const long second_ack = send.now;
  send.next_send();
  EXPECT_EQ(send.now - second_ack, 100);  // microseconds
}
