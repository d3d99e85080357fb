// The sender's state machine driven directly: a scripted receiver answers (or does not) and
// the test checks each packet the sender puts on the line.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "sio/kermit/init.h"
#include "sio/kermit/packet.h"
#include "sio/kermit/sender.h"
#include "sio/sio.h"
#include "tests/support/test_bytes.h"

using namespace sio::kermit;
using Seqs = std::vector<int>;

namespace {

constexpr int kRetries = 5;

struct MemorySource : DataSource {
  std::string bytes;
  std::size_t pos = 0;
  explicit MemorySource(std::string b) : bytes(std::move(b)) {}
  long read(std::uint8_t* buf, std::size_t len) override {
    std::size_t n = std::min(len, bytes.size() - pos);
    std::copy_n(bytes.data() + pos, n, buf);
    pos += n;
    return static_cast<long>(n);
  }
};

Seqs seqs(const std::vector<Packet>& packets) {
  Seqs s;
  for (const auto& p : packets) s.push_back(p.seq);
  return s;
}

// A sender whose Send-Init, file header and attributes a scripted receiver has answered with
// the window it names; the test then plays the receiver packet by packet.
class WindowedSender {
 public:
  explicit WindowedSender(const std::string& reply_field)
      : source_(test_support::random_bytes(200000, 3)), sender_("w.bin", 200000, source_, Timing{1000, 1000, kRetries}) {
    sender_.start();
    EXPECT_EQ(sent_now().at(0).type, 'S');
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
  std::vector<Packet> sent_now() {
    std::vector<Packet> packets;
    PacketReader reader;
    reader.set_check_type(sender_.check_type());
    for (unsigned char c : sender_.take_output())
      if (reader.feed(c) == PacketReader::Event::Packet) packets.push_back(reader.packet());
    return packets;
  }
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
  // Plays the receiver's answers, such as "Y3 N5" ("T" is a time-out instead).
  void play(const std::string& answers) {
    std::istringstream words(answers);
    for (std::string word; words >> word;) {
      if (word == "T") sender_.on_timeout();
      if (word != "T") answer(word[0], std::stoi(word.substr(1)));
    }
  }
  // The numbers of the packets sent after the answers: at once, or also new ones on a free line.
  Seqs after(const std::string& answers, bool free_line = true) {
    play(answers);
    return seqs(free_line ? sent_on_free_line() : sent_now());
  }
  Sender& sender() { return sender_; }

 private:
  MemorySource source_;
  Sender sender_;
};

}  // namespace

TEST(KermitWindow, DamageShortensPacketsAndACleanRunLengthensThem) {
  // C-Kermit's answer to our Send-Init, as it came off the line: window 30, long packets of 3999.
  WindowedSender w("~/ @-#Y3~^>J)0___F\"U1A");
  EXPECT_EQ(w.sender().window(), 30);
  ASSERT_EQ(w.sent_on_free_line().size(), 30u);  // short packets at first, a full window of them
  EXPECT_EQ(w.sender().packet_length(), 512);
  // The same copy reported twice: the length was halved for it already.
  EXPECT_EQ(w.after("N3 N3", false), (Seqs{3, 3}));
  EXPECT_EQ(w.sender().packet_length(), 256);
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

TEST(KermitWindow, ALostAckCostsOneResendAndNoTimeOutAndAllLostOneTimeOut) {
  WindowedSender w(WindowedSender::reply_with_window(4));
  ASSERT_EQ(w.after(""), (Seqs{3, 4, 5, 6}));
  EXPECT_EQ(w.after("Y4 Y5 Y6"), (Seqs{3}));  // the ACK of 3 is lost; the others come
  EXPECT_EQ(w.after("Y3"), (Seqs{7, 8, 9, 10}));
  // A window whose ACKs were all lost comes back after one time-out, first only the oldest.
  WindowedSender all_lost(WindowedSender::reply_with_window(4));
  ASSERT_EQ(all_lost.after(""), (Seqs{3, 4, 5, 6}));
  EXPECT_EQ(all_lost.after("T", false), (Seqs{3}));
  // The receiver answered a packet sent after 4, 5 and 6 but not them: they go again together,
  // before the new 7.
  EXPECT_EQ(all_lost.after("Y3"), (Seqs{4, 5, 6, 7}));
}

TEST(KermitWindow, ANakBeyondTheNewestRepeatsOnePacketOrWithOneSlotIsAnAck) {
  WindowedSender w(WindowedSender::reply_with_window(4));
  ASSERT_EQ(w.after(""), (Seqs{3, 4, 5, 6}));
  // C-Kermit names the packet after the newest when a damaged one arrives or it waits in vain
  // (a lost packet or a lost ACK): the oldest open one goes again, not the window.
  EXPECT_EQ(w.after("N7", false), Seqs{3});
  EXPECT_EQ(w.sender().in_flight(), 4);
  EXPECT_EQ(w.after("N4", false), Seqs{4});
  EXPECT_EQ(w.after("N7", false), Seqs{3});  // again the oldest of those sent more than once
  // With one slot it is an ACK, by the stop-and-wait rule: 3 arrived, its ACK was lost.
  WindowedSender one(WindowedSender::reply_with_window(1));
  ASSERT_EQ(one.after(""), Seqs{3});
  EXPECT_EQ(one.after("N4"), Seqs{4});
}
