// A receiver that discards its input just after each answer, as lrzsz's rx does: a block sent
// the moment its ACK arrives loses its start there. The sender has to learn to wait.
#include <chrono>
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

TEST(XmodemSender, WaitsAfterAnAckForAReceiverThatDiscardsItsInputThen) {
  constexpr std::size_t kBlocks = 24;
  const std::string bytes = random_bytes(kBlocks * kLongBlock, 9);
  TempFolder folder;
  write_file(folder.file("file"), bytes);
  SocketPair line;
  auto sender = in_background([&] {
    sio::FdChannel channel(line.second());
    return send_file(channel, sio::XmodemVariant::Crc1K, folder.file("file"), nullptr, quick_sender());
  });

  const int fd = line.first();
  write_all(fd, "C");
  std::string received;
  std::uint8_t expected = 1;
  int lost = 0;
  bool ended = false;
  for (int round = 0; round < 300 && !ended; ++round) {
    std::string in = read_for(fd, 3 + kLongBlock + 2, 400);
    BlockDecoder decoder(Check::Crc);
    BlockDecoder::Result last = BlockDecoder::Result::Pending;
    for (char c : in) last = decoder.feed(static_cast<std::uint8_t>(c));
    if (in == "\x04") {
      ended = true;
      write_all(fd, "\x06");
    } else if (last == BlockDecoder::Result::Block && decoder.number() == expected) {
      received.append(decoder.data().begin(), decoder.data().end());
      ++expected;
      write_all(fd, "\x06");
    } else if (last == BlockDecoder::Result::Block && decoder.number() == static_cast<std::uint8_t>(expected - 1)) {
      write_all(fd, "\x06");  // a block sent again before our answer came
    } else {
      write_all(fd, "\x15");
    }
    // The receiver's moment between its answer and the discarding of its input.
    std::this_thread::sleep_for(std::chrono::microseconds(500));
    if (discard_waiting_input(fd)) ++lost;
  }
  EXPECT_EQ(sender.get(), SIOFT_OK);
  EXPECT_TRUE(ended);
  EXPECT_EQ(received, bytes);
  // A sender that always answers an ACK at once loses every other block here (half of them
  // go out again unasked, after a pause); this one loses one or two while it finds the pause
  // this receiver needs.
  EXPECT_LE(lost, 6) << "of " << kBlocks << " blocks";
}

}  // namespace
