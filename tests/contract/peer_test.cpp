// Our ends against the real programs of each protocol, both directions, with each option of
// theirs that changes what crosses the line; aborted, killed, and on a damaging line.
#include <csignal>
#include <fcntl.h>

#include "tests/contract/harness.h"
#include "tools/testbed/child_process.h"

using namespace contract;
using testbed::ChildProcess;
using testbed::read_file;
using testbed::TempFolder;
using testbed::write_file;

namespace {

// Our end and the peer's folder for one transfer of `bytes` as `name`.
struct Sides {
  const PeerRow& peer;
  std::string name;
  std::string bytes;
  TempFolder theirs;
  std::unique_ptr<End> ours;

  Sides(const PeerRow& row, std::string bytes_in)
      : peer(row), name(row.plain_names ? "memo-1.amr" : "Запись №1.amr"), bytes(std::move(bytes_in)) {
    if (peer.peer_sends) {
      write_file(theirs.file(name), bytes);
      write_file(theirs.file("second"), "the batch's second file");
      ours = End::receiver(name);
    } else {
      ours = End::sender(name, bytes);
      if (peer.peer_holds) write_file(theirs.file(name), bytes.substr(0, peer.peer_holds));
    }
  }
  // The peer program on the line's device, in its folder, for `name` (its name, and its length).
  // One that opens the device itself gets no standard input or output.
  std::unique_ptr<ChildProcess> start(Line& line) {
    Argv argv = peer.command;
    for (auto& arg : argv)
      for (const auto& [mark, value] : {std::pair<std::string, std::string>{"{file}", name},
                                        {"{size}", std::to_string(bytes.size())}, {"{device}", line.device()}})
        if (auto at = arg.find(mark); at != std::string::npos) arg.replace(at, mark.size(), value);
    static const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    return std::make_unique<ChildProcess>(argv, peer.opens_device() ? null : line.device_fd(), theirs.path());
  }
  int run(const Line& line) { return ours->run(peer.row(), !peer.peer_sends, line.ours()); }
  // Whether the receiving side stored `bytes` as `name`, and nothing else (rx pads an XMODEM file
  // to the end of its last block).
  testing::AssertionResult received() const {
    if (peer.peer_sends) return ours->holds(peer.row(), name, bytes);
    if (names_in(theirs.path()) != std::vector<std::string>{name}) return testing::AssertionFailure() << "not stored";
    const std::string got = read_file(theirs.file(name));
    if (got.size() >= bytes.size() + 1024) return testing::AssertionFailure() << got.size() << " bytes: padded past a block";
    return same_bytes(as_received(peer.row(), got), bytes);
  }
};

constexpr int kPeerWaitMs = 60000;

class AgainstPeer : public testing::TestWithParam<PeerRow> {};
class PeerEnds : public testing::TestWithParam<PeerRow> {};
class PeerOnDamagedLine : public testing::TestWithParam<PeerRow> {};

}  // namespace

TEST_P(AgainstPeer, DeliversTheExactFile) {
  const PeerRow& peer = GetParam();
  const Row& row = peer.row();
  // A receiving peer takes the empty and the mixed file only: rx and rb answer every block of
  // a long file, and an EOT only after a second of quiet.
  const bool base = peer.use & PeerRow::Base;
  auto files = base ? every_file(row) : std::vector<TestFile>{mixed_file()};
  if (base && !peer.peer_sends) files = {files.front(), mixed_file()};
  for (const auto& [label, bytes] : files) {
    SCOPED_TRACE(label);
    Sides sides(peer, bytes);
    Line line;
    auto program = sides.start(line);
    const int result = sides.run(line);
    const int status = program->wait(kPeerWaitMs);
    if (peer.refused) {
      EXPECT_LT(result, 0);
      EXPECT_TRUE(sides.ours->stored().empty());
      continue;
    }
    EXPECT_EQ(result, peer.peer_sends ? row.received_result() : SIOFT_OK);
    EXPECT_EQ(status, peer.status);
    EXPECT_TRUE(sides.received());
  }
}

// In the middle of a transfer, our abort ends it (whether the peer hears it is up to the peer: rx
// and G-Kermit's sender give up only after their time-outs), and a killed peer hangs the line up:
// a failure. We store nothing, and a peer keeps no whole file. Nothing tells an ASCII peer of an
// abort; C-Kermit opens the device itself, so the line cannot hang up when it dies.
TEST_P(PeerEnds, InTheMiddle) {
  const PeerRow& peer = GetParam();
  for (bool killed : {false, true}) {
    if (killed ? peer.opens_device() : peer.row().ascii()) continue;
    SCOPED_TRACE(killed ? "peer killed" : "our abort");
    Sides sides(peer, random_bytes(200000, 7));
    Line line(11520);
    auto program = sides.start(line);
    if (killed) line.close_device();
    sides.ours->stop = [&](long done) { return done > 0 && (!killed || (program->signal(SIGKILL), false)); };
    const int result = sides.run(line);
    program->signal(SIGKILL);
    EXPECT_TRUE(killed ? result < 0 && result != SIOFT_ABORT : result == SIOFT_ABORT) << result;
    if (peer.peer_sends) {
      EXPECT_TRUE(sides.ours->stored().empty());
    } else {
      for (const auto& name : names_in(sides.theirs.path()))
        EXPECT_LT(read_file(sides.theirs.file(name)).size(), sides.bytes.size());
    }
  }
}

// Through a line that flips bits and drops bytes (seeds 1 and 2), the receiving side has the exact
// file or, when it is ours, a failure and nothing stored; once at least the file must come through
// damage (recovery works, not just detection). No drops with C-Kermit: it asks for 15 s time-outs.
TEST_P(PeerOnDamagedLine, GivesTheExactFileOrNothing) {
  const PeerRow& peer = GetParam();
  int delivered = 0;
  for (std::uint32_t seed : {1u, 2u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Line line(0, {.seed = seed, .flip_one_in = 4000, .drop_one_in = peer.opens_device() ? 0u : 20000u});
    Sides sides(peer, random_bytes(8 * 1024, 13) + "z");
    auto program = sides.start(line);
    const int result = sides.run(line);
    const int status = program->wait(kPeerWaitMs);
    if (peer.peer_sends ? result == SIOFT_OK : status == 0) {
      ++delivered;
      EXPECT_GT(line.faults_made(), 0u);
      EXPECT_TRUE(sides.received());
    } else if (peer.peer_sends) {
      EXPECT_TRUE(sides.ours->stored().empty());
    }
  }
  EXPECT_GE(delivered, 1);
}

template <typename Keep>
auto peers_where(Keep keep) { return testing::ValuesIn(where(peer_rows(), keep)); }

INSTANTIATE_TEST_SUITE_P(Peers, AgainstPeer, peers_where([](const PeerRow& p) { return p.use != PeerRow::Damage; }),
                         named<PeerRow>);
INSTANTIATE_TEST_SUITE_P(Peers, PeerEnds, peers_where([](const PeerRow& p) { return (p.use & PeerRow::Base) != 0; }),
                         named<PeerRow>);
INSTANTIATE_TEST_SUITE_P(Peers, PeerOnDamagedLine,
                         peers_where([](const PeerRow& p) { return (p.use & PeerRow::Damage) != 0; }), named<PeerRow>);
