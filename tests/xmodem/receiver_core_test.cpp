// The receiving state machine driven directly (bytes and time in, answers and events out), and a
// YMODEM batch through the transfer loop over an in-memory line.
#include <gtest/gtest.h>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sio/sio.h"
#include "sio/xmodem/receiver_core.h"
#include "sio/xmodem/xmodem.h"
#include "sio/xmodem/ymodem_header.h"
#include "tests/support/temp_folder.h"

using namespace sio::xmodem;
using Event = ReceiverCore::Event;
using Bytes = std::vector<std::uint8_t>;

namespace {

const ReceiverTiming kTiming;  // the real times: the clock here is ours

// A receiver with its clock and what it said and did.
struct Receiver {
  ReceiverCore core;
  long now = 0;
  std::vector<Event> events;

  explicit Receiver(Check check, bool batch = false) : core(check, batch, kTiming) { core.start(now); }

  Bytes take_reply() {
    Bytes reply = core.reply();
    core.reply().clear();
    return reply;
  }
  // Feeds the bytes (all at the current time) and returns what the core answered.
  Bytes feed(const Bytes& bytes) {
    for (auto byte : bytes) {
      if (auto event = core.feed(byte, now); event != Event::None) events.push_back(event);
      if (!events.empty() && events.back() == Event::Header) core.accept_header(now);
    }
    return take_reply();
  }
  // Lets time pass to the core's next deadline and returns its answer.
  Bytes wait() {
    now = core.deadline();
    if (auto event = core.tick(now); event != Event::None) events.push_back(event);
    return take_reply();
  }
};

Bytes block(std::uint8_t number, const std::string& text, Check check = Check::Crc, std::size_t size = kShortBlock) {
  return encode_block(number, Bytes(text.begin(), text.end()), size, check);
}

// A YMODEM sender that sends its next piece once the receiver has answered the last one.
struct ScriptedSender : sio::ByteChannel {
  std::vector<Bytes> pieces;
  std::size_t sent = 0, answers = 0;
  int read(std::uint8_t* buf, std::size_t, int timeout_ms) override {
    if (sent == answers || sent == pieces.size()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
      return 0;
    }
    std::copy(pieces[sent].begin(), pieces[sent].end(), buf);
    return static_cast<int>(pieces[sent++].size());
  }
  int write(const std::uint8_t*, std::size_t) override { ++answers; return 0; }
};

const Bytes kAck = {ACK};
const Bytes kNak = {NAK};
const Bytes kCrcRequest = {CRC_REQUEST};
const Bytes kCancel(kCancelSequence.begin(), kCancelSequence.end());

}  // namespace

TEST(XmodemReceiverCore, AsksForCrcThenFallsBackToChecksumsUnlessABlockCameThenTimesOut) {
  Receiver rx(Check::Crc);
  EXPECT_EQ(rx.take_reply(), kCrcRequest);
  for (int i = 1; i < kTiming.crc_requests; ++i) EXPECT_EQ(rx.wait(), kCrcRequest);
  EXPECT_EQ(rx.wait(), kNak);  // the sender may know only checksums
  EXPECT_EQ(rx.core.check(), Check::Sum);
  // Line noise does not hold the requests off.
  for (int i = 0; i < 50; ++i) rx.feed({'~'});
  for (int i = kTiming.crc_requests + 1; i < kTiming.start_requests; ++i) EXPECT_EQ(rx.wait(), kNak);
  EXPECT_TRUE(rx.wait().empty());
  EXPECT_EQ(rx.events, std::vector<Event>{Event::Failed});
  EXPECT_EQ(rx.core.result(), SIOFT_TIMEOUT);
  EXPECT_EQ(rx.now, long{kTiming.start_requests} * kTiming.start_retry_ms);
  // A sender whose first blocks come damaged has answered 'C': the receiver keeps asking for CRC blocks.
  Receiver damaged_start(Check::Crc);
  Bytes damaged = block(1, "data");
  damaged[10] ^= 0x01;
  for (int i = 0; i <= kTiming.crc_requests; ++i) {
    damaged_start.feed(damaged);
    EXPECT_EQ(damaged_start.wait(), kCrcRequest);
  }
  EXPECT_EQ(damaged_start.feed(block(1, "data")), kAck);
}

TEST(XmodemReceiverCore, AcknowledgesBlocksAndRepeatsAndStopsOutOfStep) {
  Receiver rx(Check::Crc);
  rx.take_reply();
  EXPECT_EQ(rx.feed(block(1, "one")), kAck);
  EXPECT_EQ(rx.feed(block(1, "one")), kAck);  // our ACK was lost: acknowledged, not delivered twice
  EXPECT_EQ(rx.feed(block(2, "two", Check::Crc, kLongBlock)), kAck);  // 1K blocks are welcome
  EXPECT_EQ(rx.events, (std::vector<Event>{Event::Data, Event::Data}));
  EXPECT_EQ(rx.feed(block(4, "four")), kCancel);  // block 3 is lost for good
  EXPECT_EQ(rx.events.back(), Event::Failed);
  EXPECT_EQ(rx.core.result(), SIOFT_PROTOCOL);
}

TEST(XmodemReceiverCore, AsksAgainForDamagedAndMissingBlocks) {
  Receiver rx(Check::Sum);
  EXPECT_EQ(rx.take_reply(), kNak);
  auto damaged = block(1, "data", Check::Sum);
  damaged[20] ^= 1;
  EXPECT_TRUE(rx.feed(damaged).empty());  // the rest of the line is discarded first
  EXPECT_TRUE(rx.feed({'j', 'u', 'n', 'k'}).empty());
  const long before = rx.now;
  EXPECT_EQ(rx.wait(), kNak);  // a start request: nothing was received yet
  EXPECT_EQ(rx.now - before, kTiming.purge_quiet_ms);

  EXPECT_EQ(rx.feed(block(1, "data", Check::Sum)), kAck);
  auto cut = block(2, "more", Check::Sum);
  cut.resize(60);  // bytes lost inside the block
  EXPECT_TRUE(rx.feed(cut).empty());
  EXPECT_EQ(rx.wait(), kNak);
  EXPECT_EQ(rx.feed(block(2, "more", Check::Sum)), kAck);
  EXPECT_EQ(rx.wait(), kNak);  // nothing comes after an ACK
  EXPECT_EQ(rx.events, (std::vector<Event>{Event::Data, Event::Data}));
}

TEST(XmodemReceiverCore, EndsOnlyOnARepeatedEotFollowedByQuiet) {
  Receiver rx(Check::Crc);
  rx.take_reply();
  EXPECT_EQ(rx.feed(block(1, "data")), kAck);
  EXPECT_TRUE(rx.feed({EOT}).empty());  // answered once the line is quiet
  long before = rx.now;
  EXPECT_EQ(rx.wait(), kNak);
  EXPECT_EQ(rx.now - before, kTiming.eot_quiet_ms);
  EXPECT_EQ(rx.feed(block(2, "more")), kAck);  // the EOT was a damaged byte: go on
  EXPECT_TRUE(rx.feed({EOT}).empty());
  EXPECT_EQ(rx.wait(), kNak);
  EXPECT_EQ(rx.wait(), kNak);  // the repeat was lost
  EXPECT_TRUE(rx.feed({EOT, 'x'}).empty());  // the repeat asked for, but the line goes on
  EXPECT_EQ(rx.wait(), kNak);
  EXPECT_TRUE(rx.feed({EOT}).empty());
  EXPECT_EQ(rx.wait(), kAck);
  EXPECT_EQ(rx.events, (std::vector<Event>{Event::Data, Event::Data, Event::EndOfFile}));
  EXPECT_TRUE(rx.core.finished());
  EXPECT_EQ(rx.core.result(), 0);
  // An empty file is just the EOT; before any block a NAK would ask for checksums.
  Receiver empty(Check::Crc);
  empty.take_reply();
  EXPECT_TRUE(empty.feed({EOT}).empty());
  EXPECT_EQ(empty.wait(), kCrcRequest);
  EXPECT_TRUE(empty.feed({EOT}).empty());
  EXPECT_EQ(empty.wait(), kAck);
  EXPECT_EQ(empty.events, std::vector<Event>{Event::EndOfFile});
}

TEST(XmodemReceiverCore, EotsInsideADamagedBlockNeverEndTheFile) {
  // The block's start was lost: its data reads as noise, and data bytes that equal EOT come
  // among other bytes, even right after our request for another EOT.
  Receiver rx(Check::Crc);
  rx.take_reply();
  EXPECT_EQ(rx.feed(block(1, "data")), kAck);
  EXPECT_EQ(rx.feed(block(2, "more")), kAck);
  auto headless = block(3, std::string("a\4b\4\4c"));
  headless.erase(headless.begin());
  EXPECT_TRUE(rx.feed(headless).empty());
  EXPECT_EQ(rx.wait(), kNak);
  EXPECT_TRUE(rx.feed({EOT, 'x'}).empty());  // the first byte answers the request, but more follow
  EXPECT_EQ(rx.wait(), kNak);
  EXPECT_TRUE(rx.feed({'y', EOT}).empty());  // an EOT that is not the first byte after the request
  EXPECT_EQ(rx.wait(), kNak);
  EXPECT_EQ(rx.feed(block(3, "a\4b\4\4c")), kAck);  // the sender's answer: the block again
  EXPECT_EQ(rx.events, (std::vector<Event>{Event::Data, Event::Data, Event::Data}));
  EXPECT_FALSE(rx.core.finished());
}

TEST(XmodemReceiverCore, StopsWhenThePeerCancels) {
  Receiver between_blocks(Check::Crc);
  between_blocks.feed(block(1, "x"));
  between_blocks.feed({CAN, CAN});
  EXPECT_EQ(between_blocks.events.back(), Event::Failed);
  EXPECT_EQ(between_blocks.core.result(), SIOFT_CANABORT);

  // Cancelled in the middle of a block: two CANs at least, and backspaces, followed by silence.
  Receiver mid_block(Check::Crc);
  auto cut = block(1, "x");
  cut.resize(40);
  mid_block.feed(cut);
  mid_block.feed({CAN, CAN, BS, BS});
  EXPECT_TRUE(mid_block.wait().empty());
  EXPECT_EQ(mid_block.core.result(), SIOFT_CANABORT);

  // A block cut off just after a data byte that happens to be CAN is a damaged block: asked again.
  Receiver one_can(Check::Crc);
  EXPECT_EQ(one_can.take_reply(), kCrcRequest);
  EXPECT_EQ(one_can.feed(block(1, "x")), kAck);
  auto cut_at_can = block(2, std::string(8, '\x18'));
  cut_at_can.resize(4);  // the block's start and one data byte 0x18
  one_can.feed(cut_at_can);
  EXPECT_EQ(one_can.wait(), kNak);
  EXPECT_EQ(one_can.feed(block(2, "y")), kAck);
}

TEST(XmodemReceiverCore, GivesUpAfterTooManyErrors) {
  Receiver silent(Check::Crc);
  silent.feed(block(1, "x"));
  for (int i = 0; i < kTiming.max_errors; ++i) EXPECT_EQ(silent.wait(), kNak);
  EXPECT_EQ(silent.wait(), kCancel);
  EXPECT_EQ(silent.core.result(), SIOFT_TIMEOUT);

  Receiver noisy(Check::Crc);
  noisy.feed(block(1, "x"));
  auto damaged = block(2, "y");
  damaged[10] ^= 4;
  for (int i = 0; i < kTiming.max_errors; ++i) {
    noisy.feed(damaged);
    EXPECT_EQ(noisy.wait(), kNak);
  }
  noisy.feed(damaged);
  EXPECT_EQ(noisy.wait(), kCancel);
  EXPECT_EQ(noisy.core.result(), SIOFT_PROTOCOL);
}

TEST(YmodemReceiverCore, RunsABatchOfHeaderDataAndTheEmptyHeader) {
  Receiver rx(Check::Crc, true);
  EXPECT_EQ(rx.take_reply(), kCrcRequest);
  auto header = encode_block(0, ymodem_header_bytes("file", 5), kShortBlock, Check::Crc, 0);
  EXPECT_EQ(rx.feed(header), (Bytes{ACK, CRC_REQUEST}));
  EXPECT_EQ(rx.feed(header), (Bytes{ACK, CRC_REQUEST}));  // our ACK was lost: ask for data again
  EXPECT_EQ(rx.feed(block(1, "hello")), kAck);
  EXPECT_TRUE(rx.feed({EOT}).empty());
  EXPECT_EQ(rx.wait(), kNak);
  EXPECT_TRUE(rx.feed({EOT}).empty());
  EXPECT_EQ(rx.wait(), (Bytes{ACK, CRC_REQUEST}));  // and the next header, please
  EXPECT_EQ(rx.feed({EOT}), kAck);  // the sender missed our ACK
  EXPECT_EQ(rx.feed(encode_block(0, {}, kShortBlock, Check::Crc, 0)), kAck);
  EXPECT_EQ(rx.events, (std::vector<Event>{Event::Header, Event::Data, Event::EndOfFile, Event::EndOfBatch}));
  EXPECT_EQ(rx.core.result(), 0);

  Receiver plain_xmodem_sender(Check::Crc, true);
  EXPECT_EQ(plain_xmodem_sender.feed(block(1, "no header")), kCancel);
  EXPECT_EQ(plain_xmodem_sender.core.result(), SIOFT_PROTOCOL);
}

// The progress shows the stored file to the end, not the later ones that are received and dropped.
TEST(YmodemReceive, ReportsTheStoredFileWhileTheNextIsDropped) {
  ScriptedSender sender;  // per file: header, data, the EOT and its repeat; then the empty header
  for (auto [name, length] : {std::pair{"first", 300}, std::pair{"second", 200}}) {
    sender.pieces.push_back(encode_block(0, ymodem_header_bytes(name, length), kShortBlock, Check::Crc, 0));
    sender.pieces.push_back(block(1, std::string(length, 'm'), Check::Crc, kLongBlock));
    sender.pieces.insert(sender.pieces.end(), 2, {EOT});
  }
  sender.pieces.push_back(encode_block(0, {}, kShortBlock, Check::Crc, 0));
  test_support::TempFolder folder;
  std::string stored;
  long done = 0, total = 0;
  auto progress = [&](long d, long t) { done = d; total = t; return 0; };
  EXPECT_EQ(receive_batch(sender, folder.path(), stored, progress, {.eot_quiet_ms = 5}), 0);
  EXPECT_EQ(stored, "first");
  EXPECT_EQ(std::pair(done, total), std::pair(300L, 300L));
}
