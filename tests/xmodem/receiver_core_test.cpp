// The receiving state machine driven directly (bytes and time in, answers and events out), and a
// YMODEM batch through the transfer loop over an in-memory line.
#include <gtest/gtest.h>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sio/sio.h"
#include "sio/xmodem/receiver_core.h"
#include "sio/xmodem/xmodem.h"
#include "sio/xmodem/ymodem_header.h"
#include "tests/protocol_rig.h"
#include "tools/testbed/temp_folder.h"

using namespace sio::xmodem;
using Event = ReceiverCore::Event;
using Events = std::vector<Event>;
using protocol_rig::Bytes;

namespace {

const ReceiverTiming kTiming;  // the real times: the clock here is ours
const Bytes kAck = {ACK};
const Bytes kNak = {NAK};
const Bytes kCrcRequest = {CRC_REQUEST};
const Bytes kCancel(kCancelSequence.begin(), kCancelSequence.end());

// Bytes that come in, the answer at once, and (if given) the answer once the core's next deadline
// has passed; no bytes at all is a wait alone.
struct Step {
  Bytes in, now;
  std::optional<Bytes> later = std::nullopt;
};

// A receiver with its clock and what it said and did.
struct Receiver {
  ReceiverCore core;
  long now = 0;
  long waited = 0;  // by the latest wait
  Events events;
  Bytes invitation;  // its first request

  explicit Receiver(Check check, bool batch = false) : core(check, batch, kTiming) {
    core.start(now);
    invitation = take_reply();
  }
  Bytes take_reply() { return std::exchange(core.reply(), {}); }
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
    waited = core.deadline() - now;
    now = core.deadline();
    if (auto event = core.tick(now); event != Event::None) events.push_back(event);
    return take_reply();
  }
  // Plays the steps in order, checking each answer.
  void play(const std::vector<Step>& steps) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
      SCOPED_TRACE("step " + std::to_string(i));
      EXPECT_EQ(feed(steps[i].in), steps[i].now);
      if (steps[i].later) {
        EXPECT_EQ(wait(), *steps[i].later);
      }
    }
  }
};

Bytes block(std::uint8_t number, const std::string& text, Check check = Check::Crc, std::size_t size = kShortBlock) {
  return encode_block(number, Bytes(text.begin(), text.end()), size, check);
}
Bytes damaged(Bytes b, std::size_t at) {
  b[at] ^= 0x04;
  return b;
}
Bytes cut(Bytes b, std::size_t size) {
  b.resize(size);
  return b;
}
Bytes batch_header(const std::string& name, long length) {
  return encode_block(0, ymodem_header_bytes(name, length), kShortBlock, Check::Crc, 0);
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

}  // namespace

TEST(XmodemReceiverCore, AcknowledgesBlocksAndRepeatsAndStopsOutOfStep) {
  Receiver rx(Check::Crc);
  rx.play({
      {block(1, "one"), kAck},
      {block(1, "one"), kAck},  // our ACK was lost: acknowledged, not delivered twice
      {block(2, "two", Check::Crc, kLongBlock), kAck},  // 1K blocks are welcome
      {block(4, "four"), kCancel},  // block 3 is lost for good
  });
  EXPECT_EQ(rx.events, (Events{Event::Data, Event::Data, Event::Failed}));
  EXPECT_EQ(rx.core.result(), SIOFT_PROTOCOL);
}

TEST(XmodemReceiverCore, EndsOnlyOnARepeatedEotFollowedByQuiet) {
  Receiver rx(Check::Crc);
  rx.play({{block(1, "data"), kAck}, {{EOT}, {}, kNak}});  // answered once the line is quiet
  EXPECT_EQ(rx.waited, kTiming.eot_quiet_ms);
  rx.play({
      {block(2, "more"), kAck},  // the EOT was a damaged byte: go on
      {{EOT}, {}, kNak},
      {{}, {}, kNak},            // the repeat was lost
      {{EOT, 'x'}, {}, kNak},    // the repeat asked for, but the line goes on
      {{EOT}, {}, kAck},
  });
  EXPECT_EQ(rx.events, (Events{Event::Data, Event::Data, Event::EndOfFile}));
  EXPECT_TRUE(rx.core.finished());
  EXPECT_EQ(rx.core.result(), 0);
  // An empty file is just the EOT; before any block a NAK would ask for checksums.
  Receiver empty(Check::Crc);
  empty.play({{{EOT}, {}, kCrcRequest}, {{EOT}, {}, kAck}});
  EXPECT_EQ(empty.events, Events{Event::EndOfFile});
}

TEST(XmodemReceiverCore, EotsInsideADamagedBlockNeverEndTheFile) {
  // The block's start was lost: its data reads as noise, and data bytes that equal EOT come
  // among other bytes, even right after our request for another EOT.
  Receiver rx(Check::Crc);
  const Bytes third = block(3, std::string("a\4b\4\4c"));
  rx.play({
      {block(1, "data"), kAck},
      {block(2, "more"), kAck},
      {Bytes(third.begin() + 1, third.end()), {}, kNak},
      {{EOT, 'x'}, {}, kNak},  // the first byte answers the request, but more follow
      {{'y', EOT}, {}, kNak},  // an EOT that is not the first byte after the request
      {third, kAck},           // the sender's answer: the block again
  });
  EXPECT_EQ(rx.events, (Events{Event::Data, Event::Data, Event::Data}));
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
  mid_block.play({{cut(block(1, "x"), 40), {}}, {{CAN, CAN, BS, BS}, {}, Bytes{}}});
  EXPECT_EQ(mid_block.core.result(), SIOFT_CANABORT);
  // A block cut off just after a data byte that happens to be CAN is a damaged block: asked again.
  Receiver one_can(Check::Crc);
  // The block's start and one data byte 0x18.
  one_can.play({{block(1, "x"), kAck}, {cut(block(2, std::string(8, '\x18')), 4), {}, kNak}, {block(2, "y"), kAck}});
}

TEST(XmodemReceiverCore, GivesUpAfterTooManyErrors) {
  for (bool noisy : {false, true}) {
    SCOPED_TRACE(noisy ? "damaged blocks" : "silence");
    Receiver rx(Check::Crc);
    rx.feed(block(1, "x"));
    const Bytes in = noisy ? damaged(block(2, "y"), 10) : Bytes{};
    for (int i = 0; i < kTiming.max_errors; ++i) rx.play({{in, {}, kNak}});
    rx.play({{in, {}, kCancel}});
    EXPECT_EQ(rx.core.result(), noisy ? SIOFT_PROTOCOL : SIOFT_TIMEOUT);
  }
}

TEST(YmodemReceiverCore, RunsABatchOfHeaderDataAndTheEmptyHeader) {
  Receiver rx(Check::Crc, true);
  EXPECT_EQ(rx.invitation, kCrcRequest);
  const Bytes next = {ACK, CRC_REQUEST};
  rx.play({
      {batch_header("file", 5), next},
      {batch_header("file", 5), next},  // our ACK was lost: ask for data again
      {block(1, "hello"), kAck},
      {{EOT}, {}, kNak},
      {{EOT}, {}, next},                // and the next header, please
      {{EOT}, kAck},                    // the sender missed our ACK
      {encode_block(0, {}, kShortBlock, Check::Crc, 0), kAck},
  });
  EXPECT_EQ(rx.events, (Events{Event::Header, Event::Data, Event::EndOfFile, Event::EndOfBatch}));
  EXPECT_EQ(rx.core.result(), 0);

  Receiver plain_xmodem_sender(Check::Crc, true);
  EXPECT_EQ(plain_xmodem_sender.feed(block(1, "no header")), kCancel);
  EXPECT_EQ(plain_xmodem_sender.core.result(), SIOFT_PROTOCOL);
}

// The progress shows the stored file to the end, not the later ones that are received and dropped.
TEST(YmodemReceive, ReportsTheStoredFileWhileTheNextIsDropped) {
  ScriptedSender sender;  // per file: header, data, the EOT and its repeat; then the empty header
  for (auto [name, length] : {std::pair{"first", 300}, std::pair{"second", 200}}) {
    sender.pieces.push_back(batch_header(name, length));
    sender.pieces.push_back(block(1, std::string(length, 'm'), Check::Crc, kLongBlock));
    sender.pieces.insert(sender.pieces.end(), 2, {EOT});
  }
  sender.pieces.push_back(encode_block(0, {}, kShortBlock, Check::Crc, 0));
  testbed::TempFolder folder;
  std::string stored;
  long done = 0, total = 0;
  auto progress = [&](long d, long t) { done = d; total = t; return 0; };
  EXPECT_EQ(receive_batch(sender, folder.path(), stored, progress, {.eot_quiet_ms = 5}), 0);
  EXPECT_EQ(stored, "first");
  EXPECT_EQ(std::pair(done, total), std::pair(300L, 300L));
}
