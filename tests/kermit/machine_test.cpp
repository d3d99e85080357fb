// The receiver's state machine driven directly, without I/O: the test plays a scripted sender
// (whole transfers, lossy ones too, are the contract suite's).
#include <gtest/gtest.h>

#include "sio/kermit/codec.h"
#include "sio/kermit/init.h"
#include "sio/kermit/packet.h"
#include "sio/kermit/receiver.h"
#include "sio/sio.h"

using namespace sio::kermit;

namespace {

struct MemorySink : sio::FileSink {
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
  void discard() override { open_ = false; }

  bool open_ = false;
  int commits_ = 0;
  std::string data_, committed_;
  std::vector<std::string> announced_;
};

Timing quick() { return Timing{1000, 1000, 10}; }

}  // namespace

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
  EXPECT_EQ(receiver.wait_ms(), 5000);  // the sender's TIME, within the bounds
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
