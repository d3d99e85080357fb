// The receiver's state machine driven directly, without I/O: the test plays a scripted sender
// (whole transfers, lossy ones too, are the contract suite's).
#include <gtest/gtest.h>

#include "sio/kermit/codec.h"
#include "sio/kermit/init.h"
#include "sio/kermit/packet.h"
#include "sio/kermit/receiver.h"
#include "sio/sio.h"
#include "tests/protocol_rig.h"

using namespace sio::kermit;
using protocol_rig::MemorySink;

namespace {

// One packet of the scripted sender, and the receiver's answer as type, sequence number and data
// ("Y5:N"); an error's text is for people and left out.
struct Turn {
  char type;
  int seq;
  std::string data, answer;
};

// A scripted sender that sends each packet with the check the receiver expects.
struct ScriptedPeer {
  MemorySink sink;
  Receiver receiver{sink, Timing{1000, 1000, 10}};
  int check = 1;

  Packet send(char type, int seq, const std::string& data) {
    PacketReader reader;
    for (unsigned char c : encode_packet(Packet{type, seq, data}, check, Framing{})) {
      reader.set_check_type(receiver.check_type());
      if (reader.feed(c) == PacketReader::Event::Packet) receiver.on_packet(reader.packet());
    }
    PacketReader answer;
    answer.set_check_type(check);
    Packet got;
    for (unsigned char c : receiver.take_output())
      if (answer.feed(c) == PacketReader::Event::Packet) got = answer.packet();
    if (type == 'S') check = receiver.check_type();
    return got;
  }
  void play(const std::vector<Turn>& turns) {
    for (const auto& t : turns) {
      const Packet got = send(t.type, t.seq, t.data);
      const std::string data = got.data.empty() || got.type == 'E' ? "" : ":" + got.data;
      EXPECT_EQ(got.type + std::to_string(got.seq) + data, t.answer) << t.type << t.seq << " " << t.data;
    }
  }
};

}  // namespace

// A sender with a sliding window, as C-Kermit's, has its Send-Init and file header answered; then
// the rest of the session, and what the receiver made of it.
TEST(KermitMachines, ReceiverStoresTheFirstFileWholeOrNothing) {
  struct Row {
    const char* name;
    std::vector<Turn> turns;
    int result;
    const char* committed;
  } rows[] = {
      {"first.bin",
       {{'D', 2, "ab#Mc", "Y2"},
        {'D', 2, "ab#Mc", "Y2"},  // our ACK was lost: acknowledged again but not written twice
        {'D', 40, "zz", "N3"},    // beyond the window: a NAK for the one expected
        {'Z', 3, "", "Y3"},
        // The second file of the batch is refused at its attributes and at its data.
        {'F', 4, "second.bin", "Y4"},
        {'A', 5, "1\"10", "Y5:N"},
        {'D', 6, "data", "Y6:X"},
        {'Z', 7, "D", "Y7"},
        {'B', 8, "", "Y8"}},
       0,
       "ab\rc"},
      {"short.bin",  // shorter than its attributes say
       {{'A', 2, "1\"10", "Y2"}, {'D', 3, "123456789", "Y3"}, {'Z', 4, "", "E4"}},
       SIOFT_PROTOCOL,
       ""},
      // D 2 is lost; D 3 and D 4 arrive: each is acknowledged (the NAK of 2, asked for once, follows
      // the ACK of 3), a repeat again; the data ahead waits for the lost packet.
      {"window.bin",
       {{'D', 3, "ccc", "N2"},
        {'D', 4, "ddd", "Y4"},
        {'D', 3, "ccc", "Y3"},
        {'D', 2, "bbb", "Y2"},
        {'Z', 5, "", "Y5"},
        {'B', 6, "", "Y6"}},
       0,
       "bbbcccddd"},
      {"gone.bin", {{'Z', 2, "D", "Y2"}, {'B', 3, "", "Y3"}}, SIOFT_CANABORT, ""},  // the sender gave the file up
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedPeer peer;
    InitParams offer = our_offer(5);
    offer.capas |= kCapWindows;
    offer.window = 30;
    const Packet ack = peer.send('S', 0, encode_init(offer));
    EXPECT_EQ(ack.type, 'Y');
    EXPECT_EQ(parse_init(ack.data).chkt, '3');
    EXPECT_EQ(peer.receiver.wait_ms(), 5000);  // the sender's TIME, within the bounds
    peer.play({{'F', 1, row.name, "Y1"}});
    peer.play(row.turns);
    EXPECT_TRUE(peer.receiver.finished());
    EXPECT_EQ(peer.receiver.result(), row.result);
    EXPECT_EQ(peer.sink.committed, row.committed);
    EXPECT_EQ(peer.sink.commits, *row.committed ? 1 : 0);
    EXPECT_EQ(peer.sink.opened, std::vector<std::string>{row.name});
    EXPECT_FALSE(peer.sink.open_now);
  }
}
