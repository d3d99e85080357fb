// Our sender against scripted receivers over a local line: one that discards its input just
// after each answer, as lrzsz's rx does, and one on a line that spoils long blocks.
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

#include "sio/sio.h"
#include "sio/xmodem/block.h"
#include "sio/xmodem/xmodem.h"
#include "tests/support/pty_pair.h"
#include "tests/support/socket_pair.h"
#include "tests/support/temp_folder.h"
#include "tests/xmodem/transfer_helpers.h"

using namespace test_support;
using namespace xmodem_test;
using namespace sio::xmodem;

namespace {

// True when something was there to discard.
bool discard_waiting_input(int fd) {
  char buf[4096];
  pollfd pfd{fd, POLLIN, 0};
  bool discarded = false;
  while (poll(&pfd, 1, 0) > 0 && read(fd, buf, sizeof buf) > 0) discarded = true;
  return discarded;
}

// Our XMODEM-1K sender on one end of a local line, sending `blocks` KB of random bytes; the
// test plays the receiver on the other end.
struct SenderOnALine {
  explicit SenderOnALine(std::size_t blocks, SenderTiming timing = quick_sender())
      : bytes(random_bytes(blocks * kLongBlock, 9)) {
    write_file(folder.file("file"), bytes);
    sender = in_background([this, timing] {
      sio::FdChannel channel(line.second());
      return send_file(channel, sio::XmodemVariant::Crc1K, folder.file("file"), nullptr, timing);
    });
    write_all(fd(), "C");
  }
  int fd() const { return line.first(); }

  // The next block or EOT as it arrives, whatever its length.
  std::string next_block(int wait_ms = 400) {
    std::string in = read_for(fd(), 1, wait_ms);
    if (in.empty() || in[0] == EOT) return in;
    const std::size_t size = static_cast<std::uint8_t>(in[0]) == STX ? kLongBlock : kShortBlock;
    return in + read_for(fd(), 2 + size + 2, 400);  // number, its complement, data, CRC
  }

  const std::string bytes;
  TempFolder folder;
  SocketPair line;
  std::future<int> sender;
  std::string received;
  std::uint8_t expected = 1;
  bool ended = false;

  // Answers a block: ACK and keeps it when it is the next one, ACK for a repeat of the last one,
  // NAK otherwise. Returns true when the block was new.
  bool answer(const std::string& in) {
    BlockDecoder decoder(Check::Crc);
    BlockDecoder::Result last = BlockDecoder::Result::Pending;
    for (char c : in) last = decoder.feed(static_cast<std::uint8_t>(c));
    if (in == "\x04") {
      ended = true;
      write_all(fd(), "\x06");
      return false;
    }
    if (last == BlockDecoder::Result::Block && decoder.number() == expected) {
      received.append(decoder.data().begin(), decoder.data().end());
      ++expected;
      write_all(fd(), "\x06");
      return true;
    }
    // A repeat of the last block is one sent again before our answer came.
    const bool repeat = last == BlockDecoder::Result::Block && decoder.number() == static_cast<std::uint8_t>(expected - 1);
    write_all(fd(), repeat ? "\x06" : "\x15");
    return false;
  }
};

TEST(XmodemSender, WaitsAfterAnAckForAReceiverThatDiscardsItsInputThen) {
  constexpr std::size_t kBlocks = 24;
  SenderOnALine run(kBlocks);
  int lost = 0;
  for (int round = 0; round < 300 && !run.ended; ++round) {
    run.answer(run.next_block());
    // The receiver's moment between its answer and the discarding of its input.
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    if (discard_waiting_input(run.fd())) ++lost;
  }
  EXPECT_EQ(run.sender.get(), SIOFT_OK);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(run.received, run.bytes);
  // A sender that always answers an ACK at once loses every other block here (half of them
  // go out again unasked, after a pause); this one loses one or two while it finds the pause
  // this receiver needs.
  EXPECT_LE(lost, 6) << "of " << kBlocks << " blocks";
}

// A block lost whole draws no answer: the receiver waits seconds for it before it asks again.
// The sender sends it again after a few round trips, but only once that soon: a receiver that
// got part of it reads until the line has been quiet for a while.
TEST(XmodemSender, SendsABlockThatDrewNoAnswerAgainSoonOnce) {
  using Clock = std::chrono::steady_clock;
  auto ms_since = [](Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
  };
  SenderOnALine run(6, SenderTiming{});
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(run.answer(run.next_block()));
  // Block 4 is lost, then its first resend too.
  ASSERT_EQ(run.next_block().size(), 3 + kLongBlock + 2);
  auto lost_at = Clock::now();
  ASSERT_EQ(run.next_block(3000).size(), 3 + kLongBlock + 2);
  const auto first_resend_ms = ms_since(lost_at);
  lost_at = Clock::now();
  const std::string again = run.next_block(3000);
  const auto second_resend_ms = ms_since(lost_at);
  EXPECT_GE(first_resend_ms, 90);
  EXPECT_LT(first_resend_ms, 1000);  // a receiver's own time-out takes seconds here
  EXPECT_GE(second_resend_ms, 1400);
  EXPECT_TRUE(run.answer(again));
  for (int round = 0; round < 20 && !run.ended; ++round) run.answer(run.next_block());
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(run.sender.get(), SIOFT_OK);
  EXPECT_EQ(run.received, run.bytes);
}

// Every long block arrives damaged twice before it gets through; short blocks get through at
// once. The sender goes on in short blocks after the first long one, and tries long blocks
// again only after a run of clean short ones.
TEST(XmodemSender, GoesOnInShortBlocksWhileLongOnesKeepGettingDamaged) {
  constexpr std::size_t kBlocks = 48;
  SenderOnALine run(kBlocks);
  int long_sends = 0;
  int short_blocks = 0;
  int damaged_in_a_row = 0;
  std::string sizes;  // L or S per block taken
  for (int round = 0; round < 1000 && !run.ended; ++round) {
    std::string in = run.next_block();
    const bool is_long = !in.empty() && static_cast<std::uint8_t>(in[0]) == STX;
    if (is_long) {
      ++long_sends;
      if (damaged_in_a_row < 2) {
        ++damaged_in_a_row;
        in[100] ^= 0x01;  // the line's noise
      }
    }
    if (run.answer(in)) {
      sizes += is_long ? 'L' : 'S';
      if (!is_long) ++short_blocks;
      if (is_long) damaged_in_a_row = 0;
    }
  }
  EXPECT_EQ(run.sender.get(), SIOFT_OK);
  EXPECT_TRUE(run.ended);
  EXPECT_EQ(run.received, run.bytes);
  // Long blocks throughout would take 48 * 3 sends; here one long block in every 4 KB.
  EXPECT_LE(long_sends, 3 * 12) << sizes;
  EXPECT_GE(short_blocks, 32) << sizes;
  // Long blocks come back after 32 clean short ones.
  EXPECT_NE(sizes.find(std::string(32, 'S') + "L"), std::string::npos) << sizes;
}

}  // namespace
