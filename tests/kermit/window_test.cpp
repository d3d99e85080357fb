// The sender's state machine driven directly: a scripted receiver answers (or does not) and
// the test checks each packet the sender puts on the line.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sio/kermit/init.h"
#include "sio/kermit/packet.h"
#include "sio/kermit/sender.h"
#include "sio/sio.h"
#include "tests/support/test_bytes.h"

using namespace sio::kermit;

namespace {

constexpr int kRetries = 5;

class MemorySource : public DataSource {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
  long read(std::uint8_t* buf, std::size_t len) override {
    std::size_t n = std::min(len, bytes_.size() - pos_);
    std::copy_n(bytes_.data() + pos_, n, buf);
    pos_ += n;
    return static_cast<long>(n);
  }

 private:
  std::string bytes_;
  std::size_t pos_ = 0;
};

// A sender whose Send-Init, file header and attributes a scripted receiver has answered with
// the window it names; the test then plays the receiver packet by packet.
class WindowedSender {
 public:
  explicit WindowedSender(const std::string& reply_field, std::size_t file_size = 200000)
      : source_(test_support::random_bytes(file_size, 3)), sender_("w.bin", static_cast<long>(file_size), source_, Timing{1000, 1000, kRetries}) {
    sender_.start();
    const Packet init = sent_now().at(0);
    EXPECT_EQ(init.type, 'S');
    answer('Y', 0, reply_field, 1);
    for (int seq : {1, 2}) {
      EXPECT_EQ(sent_now().at(0).seq, seq);  // F, then A
      answer('Y', seq, seq == 2 ? "Y" : "");  // the attributes accepted in so many words
    }
  }
  static std::string reply_with_window(int window) {
    InitParams reply = reply_to(parse_init(encode_init(our_offer(5))), 5);
    reply.window = window;
    reply.maxlx = 1000;  // short enough that the bytes in flight never limit these windows
    return encode_init(reply);
  }

  // What the sender puts out at once (answers, resends), without asking for new packets.
  std::vector<Packet> sent_now() { return parse(sender_.take_output()); }
  // Everything it sends on a line that takes all: then new packets while the window has room.
  std::vector<Packet> sent_on_free_line() {
    std::vector<Packet> all = sent_now();
    for (;;) {
      sender_.send_more();
      std::vector<Packet> more = sent_now();
      if (more.empty()) return all;
      all.insert(all.end(), more.begin(), more.end());
    }
  }
  void answer(char type, int seq, const std::string& data = {}, int check = 3) {
    PacketReader reader;
    for (unsigned char c : encode_packet(Packet{type, seq, data}, check, Framing{})) {
      reader.set_check_type(sender_.check_type());
      if (reader.feed(c) == PacketReader::Event::Packet) sender_.on_packet(reader.packet());
    }
  }
  Sender& sender() { return sender_; }

 private:
  std::vector<Packet> parse(const std::string& bytes) {
    std::vector<Packet> packets;
    PacketReader reader;
    reader.set_check_type(sender_.check_type());
    for (unsigned char c : bytes)
      if (reader.feed(c) == PacketReader::Event::Packet) packets.push_back(reader.packet());
    return packets;
  }

  MemorySource source_;
  Sender sender_;
};

std::vector<int> seqs(const std::vector<Packet>& packets) {
  std::vector<int> s;
  for (const auto& p : packets) s.push_back(p.seq);
  return s;
}

}  // namespace

TEST(KermitWindow, DamageShortensPacketsAndACleanRunLengthensThem) {
  // C-Kermit's answer to our Send-Init, as it came off the line: window 30, long packets of 3999.
  WindowedSender w("~/ @-#Y3~^>J)0___F\"U1A");
  EXPECT_EQ(w.sender().window(), 30);
  ASSERT_EQ(w.sent_on_free_line().size(), 30u);  // short packets at first, a full window of them
  EXPECT_EQ(w.sender().packet_length(), 512);
  w.answer('N', 3);
  w.answer('N', 3);  // the same copy reported twice: the length was halved for it already
  EXPECT_EQ(w.sender().packet_length(), 256);
  EXPECT_EQ(seqs(w.sent_now()), (std::vector<int>{3, 3}));
  // 29 packets taken at their first send: the length doubles after each 8.
  for (int seq = 3; seq < 33; ++seq) w.answer('Y', seq);
  EXPECT_EQ(w.sender().packet_length(), 2048);
  const auto longer = w.sent_on_free_line();
  ASSERT_FALSE(longer.empty());
  EXPECT_GT(longer[0].data.size(), 1024u);
  // Each window that is damaged halves the length, once, down to the shortest; then the window.
  for (int round = 0; round < 6; ++round) {
    const auto sent = round == 0 ? longer : w.sent_on_free_line();
    for (const auto& p : sent) w.answer('N', p.seq);
    for (const auto& p : sent) w.answer('Y', p.seq);
  }
  EXPECT_EQ(w.sender().packet_length(), 64);
  EXPECT_EQ(w.sender().window_now(), 15);
  EXPECT_FALSE(w.sender().finished());
}

TEST(KermitWindow, AFullWindowWaitsAndEachAckLetsOneMoreGo) {
  WindowedSender w(WindowedSender::reply_with_window(4));
  EXPECT_EQ(seqs(w.sent_on_free_line()), (std::vector<int>{3, 4, 5, 6}));
  EXPECT_TRUE(w.sent_on_free_line().empty());  // full
  w.answer('Y', 3);
  EXPECT_EQ(seqs(w.sent_on_free_line()), (std::vector<int>{7}));
  // Answers out of order: the window slides only past the oldest, and 4, sent before the
  // answered 5, was lost and goes again at once.
  w.answer('Y', 5);
  EXPECT_EQ(seqs(w.sent_on_free_line()), (std::vector<int>{4}));
  w.answer('Y', 4);  // the new copy: 6 and 7, sent before it and unanswered, go again
  EXPECT_EQ(seqs(w.sent_on_free_line()), (std::vector<int>{6, 7, 8, 9}));
  // Answers again and answers to packets never sent change nothing.
  w.answer('Y', 4);
  w.answer('Y', 40);
  EXPECT_TRUE(w.sent_on_free_line().empty());
  EXPECT_EQ(w.sender().in_flight(), 4);
}

TEST(KermitWindow, ANakInTheMiddleResendsThatPacketAlone) {
  WindowedSender w(WindowedSender::reply_with_window(6));
  const auto first = w.sent_on_free_line();
  ASSERT_EQ(seqs(first), (std::vector<int>{3, 4, 5, 6, 7, 8}));
  w.answer('Y', 3);
  w.answer('Y', 4);
  w.answer('N', 6);
  const auto resent = w.sent_now();
  ASSERT_EQ(resent.size(), 1u);
  EXPECT_EQ(resent[0].seq, 6);
  EXPECT_EQ(resent[0].data, first[3].data);  // the same packet, byte for byte
  // Meanwhile the window moved on by the two answered.
  EXPECT_EQ(seqs(w.sent_on_free_line()), (std::vector<int>{9, 10}));
  for (int seq : {5, 7, 8, 9, 10}) w.answer('Y', seq);
  EXPECT_TRUE(w.sent_now().empty());  // no time-out resends what is answered
  w.answer('Y', 6);
  EXPECT_EQ(w.sender().in_flight(), 0);
  EXPECT_EQ(seqs(w.sent_on_free_line()), (std::vector<int>{11, 12, 13, 14, 15, 16}));
}

TEST(KermitWindow, ALostAckCostsOneResendAndNoTimeOutAndAllLostOneTimeOut) {
  WindowedSender w(WindowedSender::reply_with_window(4));
  ASSERT_EQ(seqs(w.sent_on_free_line()), (std::vector<int>{3, 4, 5, 6}));
  // The ACK of 3 is lost; the others come.
  for (int seq : {4, 5, 6}) w.answer('Y', seq);
  EXPECT_EQ(seqs(w.sent_on_free_line()), (std::vector<int>{3}));
  w.answer('Y', 3);
  EXPECT_EQ(seqs(w.sent_on_free_line()), (std::vector<int>{7, 8, 9, 10}));
  // A window whose ACKs were all lost comes back after one time-out, first only the oldest.
  WindowedSender all_lost(WindowedSender::reply_with_window(4));
  ASSERT_EQ(seqs(all_lost.sent_on_free_line()), (std::vector<int>{3, 4, 5, 6}));
  all_lost.sender().on_timeout();
  EXPECT_EQ(seqs(all_lost.sent_now()), (std::vector<int>{3}));
  // The receiver answered a packet sent after 4, 5 and 6 but not them: they go again together,
  // before the new 7.
  all_lost.answer('Y', 3);
  EXPECT_EQ(seqs(all_lost.sent_on_free_line()), (std::vector<int>{4, 5, 6, 7}));
}

TEST(KermitWindow, ANakBeyondTheNewestRepeatsOnePacketOrWithOneSlotIsAnAck) {
  WindowedSender w(WindowedSender::reply_with_window(4));
  ASSERT_EQ(seqs(w.sent_on_free_line()), (std::vector<int>{3, 4, 5, 6}));
  // C-Kermit names the packet after the newest when a damaged one arrives or it waits in vain
  // (a lost packet or a lost ACK): the oldest open one goes again, not the window.
  w.answer('N', 7);
  EXPECT_EQ(seqs(w.sent_now()), (std::vector<int>{3}));
  EXPECT_EQ(w.sender().in_flight(), 4);
  w.answer('N', 4);
  EXPECT_EQ(seqs(w.sent_now()), (std::vector<int>{4}));
  w.answer('N', 7);  // again the oldest of those sent more than once
  EXPECT_EQ(seqs(w.sent_now()), (std::vector<int>{3}));
  // With one slot it is an ACK, by the stop-and-wait rule: 3 arrived, its ACK was lost.
  WindowedSender one(WindowedSender::reply_with_window(1));
  ASSERT_EQ(seqs(one.sent_on_free_line()), (std::vector<int>{3}));
  one.answer('N', 4);
  EXPECT_EQ(seqs(one.sent_on_free_line()), (std::vector<int>{4}));
}

TEST(KermitWindow, RetriesCountOnlyWhileNoPacketIsAnswered) {
  WindowedSender w(WindowedSender::reply_with_window(4));
  ASSERT_EQ(seqs(w.sent_on_free_line()), (std::vector<int>{3, 4, 5, 6}));
  // NAKs that may have crossed the copy on its way count a quarter of a retry each...
  for (int i = 0; i < 4 * kRetries; ++i) w.answer('N', 5);
  EXPECT_EQ(seqs(w.sent_now()), std::vector<int>(4 * kRetries, 5));
  // ...and an answered packet renews the retries of the others.
  w.answer('Y', 3);
  for (int i = 0; i < 4; ++i) w.answer('N', 5);
  // Time-outs count whole: the oldest unanswered goes again until its retries are used up, and
  // the same answer repeated meanwhile renews nothing.
  w.answer('Y', 6);
  for (int i = 0; i < kRetries; ++i) {
    w.sender().on_timeout();
    w.answer('Y', 6);
  }
  EXPECT_FALSE(w.sender().finished());
  w.sent_now();
  w.sender().on_timeout();
  const auto last = w.sent_now();
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(last[0].type, 'E');
  EXPECT_EQ(last[0].seq, 4);  // the packet the receiver still expects
  EXPECT_EQ(w.sender().result(), SIOFT_PROTOCOL);
}

TEST(KermitSender, GivesUpOnASilentReceiver) {
  MemorySource source("x");
  Sender sender("x", 1, source, Timing{1000, 1000, 3});
  sender.start();
  int frames = 0;
  while (!sender.finished()) {
    frames += !sender.take_output().empty();
    sender.on_timeout();
  }
  EXPECT_EQ(sender.result(), SIOFT_TIMEOUT);
  EXPECT_EQ(frames, 4);  // the first try and three retries
}
