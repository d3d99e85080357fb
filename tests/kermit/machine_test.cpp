// The sender and receiver state machines driven directly, without I/O: the test carries
// their packets, loses some, and plays a scripted peer.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "sio/kermit/codec.h"
#include "sio/kermit/init.h"
#include "sio/kermit/packet.h"
#include "sio/kermit/receiver.h"
#include "sio/kermit/sender.h"
#include "sio/sio.h"
#include "tests/kermit/memory_source.h"

using namespace sio::kermit;
using kermit_test::MemorySource;
using test_support::random_bytes;

namespace {

class MemorySink : public sio::FileSink {
 public:
  int open(const std::string& announced) override {
    announced_.push_back(announced);
    open_ = true;
    data_.clear();
    return 0;
  }
  int write(const std::uint8_t* data, std::size_t len) override {
    data_.append(reinterpret_cast<const char*>(data), len);
    return 0;
  }
  int commit() override {
    committed_ = data_;
    open_ = false;
    ++commits_;
    return 0;
  }
  void discard() override {
    open_ = false;
    data_.clear();
  }

  bool open_ = false;
  int commits_ = 0;
  std::string data_, committed_;
  std::vector<std::string> announced_;
};

// What an endpoint sends on a line that takes everything at once: its answers, then new
// packets while its window has room.
std::string line_output(Endpoint& e) {
  std::string out = e.take_output();
  for (;;) {
    e.send_more();
    std::string more = e.take_output();
    if (more.empty()) return out;
    out += more;
  }
}

// The frames of `bytes` that `lose` spares; `n` counts the frames across calls.
std::string spare(const std::string& bytes, const std::function<bool(int)>& lose, int& n) {
  if (!lose) return bytes;
  std::string kept;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find(kMark, start + 1);
    if (end == std::string::npos) end = bytes.size();
    if (!lose(n++)) kept += bytes.substr(start, end - start);
    start = end;
  }
  return kept;
}

// Carries each side's output to the other; `lose(n)` drops the n-th frame. When nothing is in
// flight, the side that waits times out.
void run(Endpoint& a, Endpoint& b, const std::function<bool(int)>& lose = {}) {
  PacketReader ra, rb;
  a.start();
  b.start();
  int frames = 0, idle = 0;
  while (!(a.finished() && b.finished()) && idle < 50) {
    const std::string to_b = spare(line_output(a), lose, frames), to_a = spare(line_output(b), lose, frames);
    if (to_a.empty() && to_b.empty()) {
      ++idle;
      if (!a.finished()) a.on_timeout();
      if (!b.finished()) b.on_timeout();
      continue;
    }
    idle = 0;
    auto deliver = [](Endpoint& e, PacketReader& r, const std::string& bytes) {
      for (unsigned char c : bytes) {
        if (e.finished()) return;
        r.set_check_type(e.check_type());
        auto ev = r.feed(c);
        if (ev == PacketReader::Event::Packet) e.on_packet(r.packet());
        if (ev == PacketReader::Event::Bad) e.on_bad_packet();
      }
    };
    deliver(b, rb, to_b);
    deliver(a, ra, to_a);
  }
}

Timing quick() { return Timing{1000, 1000, 10}; }

}  // namespace

TEST(KermitMachines, TransferAFileAndSurviveLostPackets) {
  // No loss; then packets and answers lost at random, whole windows' worth now and then.
  for (int one_in : {0, 3, 5, 8}) {
    for (unsigned seed = 1; seed <= (one_in ? 4u : 1u); ++seed) {
      SCOPED_TRACE(std::to_string(one_in) + " seed " + std::to_string(seed));
      const std::string data = random_bytes(100000, 11) + std::string(5000, 'z');
      MemorySource source(data);
      MemorySink sink;
      // A frame in three lost: a packet and its answer cross together 4 times in 9, so ten
      // retries would end about one transfer in thirty; this tests recovery, not that limit.
      const Timing patient{1000, 1000, 20};
      Sender sender("memo.amr", static_cast<long>(data.size()), source, patient);
      Receiver receiver(sink, patient);
      std::mt19937 gen(seed);
      // The first Send-Init arrives: an idle round here is the receiver's whole first wait.
      run(sender, receiver, [&](int n) { return n > 0 && one_in && gen() % one_in == 0; });
      EXPECT_EQ(sender.result(), 0);
      EXPECT_EQ(receiver.result(), 0);
      EXPECT_EQ(sink.commits_, 1);
      EXPECT_TRUE(sink.committed_ == data);
      EXPECT_EQ(sink.announced_, std::vector<std::string>{"memo.amr"});
      EXPECT_EQ(receiver.total(), static_cast<long>(data.size()));
    }
  }
}

TEST(KermitMachines, SenderGivesUpOnASilentReceiver) {
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

// A scripted sender: a batch of two files, duplicate packets, a packet out of order.
class ScriptedPeer {
 public:
  explicit ScriptedPeer(Receiver& r) : receiver_(r) {}
  // Sends one packet with the check the receiver expects; returns the receiver's answer.
  Packet send(char type, int seq, const std::string& data) {
    PacketReader reader;
    reader.set_check_type(receiver_.check_type());
    for (unsigned char c : encode_packet(Packet{type, seq, data}, check_, Framing{})) {
      reader.set_check_type(receiver_.check_type());
      if (reader.feed(c) == PacketReader::Event::Packet) receiver_.on_packet(reader.packet());
    }
    PacketReader answer;
    answer.set_check_type(check_);
    Packet got;
    for (unsigned char c : receiver_.take_output())
      if (answer.feed(c) == PacketReader::Event::Packet) got = answer.packet();
    if (type == 'S') check_ = receiver_.check_type();
    return got;
  }

 private:
  Receiver& receiver_;
  int check_ = 1;
};

TEST(KermitMachines, ReceiverStoresTheFirstFileOfABatchAndSkipsTheRest) {
  MemorySink sink;
  Receiver receiver(sink, quick());
  ScriptedPeer peer(receiver);
  Packet ack = peer.send('S', 0, encode_init(our_offer(5)));
  EXPECT_EQ(ack.type, 'Y');
  EXPECT_EQ(parse_init(ack.data).chkt, '3');
  EXPECT_EQ(peer.send('F', 1, "first.bin").type, 'Y');
  EXPECT_EQ(peer.send('D', 2, "ab#Mc").type, 'Y');
  // Our ACK was lost: the repeated packet is acknowledged again but not written twice.
  EXPECT_EQ(peer.send('D', 2, "ab#Mc").seq, 2);
  // A packet beyond the window is answered with a NAK for the one expected.
  Packet nak = peer.send('D', 40, "zz");
  EXPECT_EQ(nak.type, 'N');
  EXPECT_EQ(nak.seq, 3);
  EXPECT_EQ(peer.send('Z', 3, "").type, 'Y');
  EXPECT_EQ(sink.committed_, "ab\rc");
  // The second file is refused at its attributes and at its data.
  EXPECT_EQ(peer.send('F', 4, "second.bin").type, 'Y');
  EXPECT_EQ(peer.send('A', 5, "1\"10").data, "N");
  EXPECT_EQ(peer.send('D', 6, "data").data, "X");
  EXPECT_EQ(peer.send('Z', 7, "D").type, 'Y');
  EXPECT_EQ(peer.send('B', 8, "").type, 'Y');
  EXPECT_TRUE(receiver.finished());
  EXPECT_EQ(receiver.result(), 0);
  EXPECT_EQ(sink.commits_, 1);
  EXPECT_EQ(sink.announced_, std::vector<std::string>{"first.bin"});
}

// A receiver that has answered a Send-Init and a file header.
struct ScriptedFile {
  MemorySink sink;
  Receiver receiver{sink, quick()};
  ScriptedPeer peer{receiver};
  explicit ScriptedFile(const std::string& name) {
    InitParams offer = our_offer(5);  // a sender with a sliding window, as C-Kermit's
    offer.capas |= kCapWindows;
    offer.window = 30;
    peer.send('S', 0, encode_init(offer));
    peer.send('F', 1, name);
  }
};

TEST(KermitMachines, ReceiverRefusesAFileShorterThanItsAttributesSay) {
  ScriptedFile session("short.bin");
  auto& [sink, receiver, peer] = session;
  peer.send('A', 2, "1\"10");
  peer.send('D', 3, "123456789");
  EXPECT_EQ(peer.send('Z', 4, "").type, 'E');
  EXPECT_EQ(receiver.result(), SIOFT_PROTOCOL);
  EXPECT_EQ(sink.commits_, 0);
  EXPECT_FALSE(sink.open_);
}

TEST(KermitMachines, DataAheadOfALostPacketWaitsForIt) {
  ScriptedFile session("window.bin");
  auto& [sink, receiver, peer] = session;
  // D 2 is lost; D 3 and D 4 arrive: each is acknowledged, and 2 is asked for once.
  const Packet first = peer.send('D', 3, "ccc");
  EXPECT_EQ(first.type, 'N');  // the NAK follows the ACK of 3
  EXPECT_EQ(first.seq, 2);
  EXPECT_EQ(peer.send('D', 4, "ddd").type, 'Y');
  EXPECT_EQ(peer.send('D', 3, "ccc").seq, 3);  // a repeat is acknowledged again
  EXPECT_EQ(sink.data_, "");
  EXPECT_EQ(peer.send('D', 2, "bbb").seq, 2);
  EXPECT_EQ(sink.data_, "bbbcccddd");
  EXPECT_EQ(peer.send('Z', 5, "").type, 'Y');
  EXPECT_EQ(peer.send('B', 6, "").type, 'Y');
  EXPECT_EQ(receiver.result(), 0);
  EXPECT_EQ(sink.committed_, "bbbcccddd");
}

TEST(KermitMachines, ASessionWithoutAFileIsNoSuccess) {
  ScriptedFile session("gone.bin");
  auto& [sink, receiver, peer] = session;
  peer.send('Z', 2, "D");  // the sender gave the file up
  peer.send('B', 3, "");
  EXPECT_EQ(receiver.result(), SIOFT_CANABORT);
  EXPECT_EQ(sink.commits_, 0);
}
