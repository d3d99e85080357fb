// Whole transfers over real channels: our two ends through a faulty relay, aborts on either
// side, time-outs, existing files, and the sio_FtKermit* operations on a port.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "sio/channel.h"
#include "sio/kermit/kermit.h"
#include "sio/sio.h"
#include "sio/transfers.h"
#include "tests/kermit/peer_process.h"
#include "tests/kermit/test_data.h"
#include "tests/support/link_relay.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_folder.h"

using namespace test_support;
using namespace kermit_test;
using test_support::LinkFaults;
using test_support::LinkRelay;
using sio::kermit::Timing;

namespace {

std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  return names;
}

struct SocketPair {
  int fd[2];
  SocketPair() { EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fd), 0); }
  ~SocketPair() {
    close(fd[0]);
    close(fd[1]);
  }
};

const Timing kQuick{500, 10000, 20};

}  // namespace

// C-Kermit through a relay that flips bits, both directions, sliding windows on both sides
// (C-Kermit offers 30 packets). (No drops here: C-Kermit asks for 15 s time-outs, which a lost
// byte would cost.)
TEST(KermitLink, FaultyLinkWithCKermitGivesTheExactFileOrAFailure) {
  const std::string data = random_bytes(128 * 1024, 6);
  for (bool we_send : {true, false}) {
    int delivered = 0;
    for (unsigned seed : {11u, 12u, 13u}) {
      SCOPED_TRACE(std::to_string(seed) + (we_send ? " send" : " receive"));
      TempFolder ours, theirs;
      write_file((we_send ? ours : theirs).file("noisy.bin"), data);
      PtyPair near, far;
      LinkRelay relay(near.peer(), far.peer(), 0, LinkFaults{seed, 20000, 0});
      PeerProcess process(we_send ? ckermit_receive(far.device()) : ckermit_send(far.device(), "noisy.bin"),
                          theirs.path());
      sio::FdChannel channel(near.device_fd());
      std::string stored;
      const int result = we_send ? sio::kermit::send_file(channel, ours.file("noisy.bin"), nullptr, kQuick)
                                 : sio::kermit::receive_file(channel, ours.path(), stored, nullptr, kQuick);
      const int peer = process.wait();
      EXPECT_GT(relay.faults_made(), 0u);
      if (we_send) {
        // Our success means C-Kermit acknowledged the whole file: it must hold it exactly.
        if (result == 0) {
          EXPECT_EQ(peer, 0);
          EXPECT_TRUE(read_file(theirs.file("noisy.bin")) == data);
        }
      } else if (result == 0) {
        EXPECT_TRUE(read_file(ours.file("noisy.bin")) == data);
      } else {
        EXPECT_TRUE(names_in(ours.path()).empty());
      }
      delivered += result == 0;
    }
    EXPECT_GE(delivered, 2) << (we_send ? "send" : "receive");  // this rate of damage is survivable
  }
}

TEST(KermitLink, ProgressReportsTheLengthAndAReceiverAbortReachesTheSender) {
  const std::string data = random_bytes(3 * 1024 * 1024, 9);
  TempFolder from, to;
  write_file(from.file("big.bin"), data);
  // A line of 4 MB/s: unpaced, the whole file may pass before the receiver's next report is due.
  SocketPair near, far;
  LinkRelay relay(near.fd[1], far.fd[1], 4'000'000);
  long sender_total = -1;
  int sent = 1;
  std::thread sender([&] {
    sio::FdChannel channel(near.fd[0]);
    sent = sio::kermit::send_file(channel, from.file("big.bin"), [&](long, long total) {
      sender_total = total;
      return 0;
    }, kQuick);
  });
  sio::FdChannel channel(far.fd[0]);
  std::string stored;
  long receiver_total = -1;
  const int received = sio::kermit::receive_file(channel, to.path(), stored, [&](long done, long total) {
    receiver_total = total;
    return done > 100000 ? -1 : 0;
  }, kQuick);
  sender.join();
  EXPECT_EQ(received, SIOFT_ABORT);
  EXPECT_EQ(sent, SIOFT_CANABORT);  // our receiver's E packet
  EXPECT_EQ(sender_total, static_cast<long>(data.size()));
  EXPECT_EQ(receiver_total, static_cast<long>(data.size()));
  EXPECT_TRUE(names_in(to.path()).empty());
}

TEST(KermitLink, TimesOutOnASilentPeer) {
  TempFolder folder;
  write_file(folder.file("x.bin"), "x");
  SocketPair link;
  sio::FdChannel channel(link.fd[0]);
  std::string stored;
  EXPECT_EQ(sio::kermit::receive_file(channel, folder.path(), stored, nullptr, Timing{200, 300, 3}), SIOFT_TIMEOUT);
  EXPECT_EQ(sio::kermit::send_file(channel, folder.file("x.bin"), nullptr, Timing{200, 300, 2}), SIOFT_TIMEOUT);
  EXPECT_EQ(sio::kermit::send_file(channel, folder.file("missing.bin"), nullptr, Timing{200, 300, 2}), SIOFT_FOPEN);
}

TEST(KermitLink, AbortFromTheCallbackTellsGKermit) {
  TempFolder ours, theirs;
  write_file(ours.file("abort.bin"), random_bytes(2 * 1024 * 1024, 2));
  PtyPair pty;
  PeerProcess process(gkermit_receive(), theirs.path(), pty.device());
  sio::FdChannel channel(pty.peer());
  int calls = 0;
  EXPECT_EQ(sio::kermit_send(channel, ours.file("abort.bin"), [&](long done, long) {
    ++calls;
    return done > 20000 ? -1 : 0;
  }), SIOFT_ABORT);
  EXPECT_NE(process.wait(), 0);  // G-Kermit saw the error packet and failed its receive
  EXPECT_GT(calls, 0);
  // G-Kermit keeps what it got of an interrupted file; it must not be the whole file.
  for (auto& n : names_in(theirs.path())) EXPECT_LT(read_file(theirs.file(n)).size(), 2u * 1024 * 1024);
}

// The line is paced like a 57600 bit/s serial line, on which the file takes over a minute: the
// abort, asked for as soon as the first data is in, always lands long before the end.
TEST(KermitLink, AbortWhileReceivingFromCKermitLeavesNothing) {
  const std::size_t size = 400 * 1024;
  TempFolder ours, theirs;
  write_file(theirs.file("abort.bin"), random_bytes(size, 4));
  PtyPair near, far;
  LinkRelay line(near.peer(), far.peer(), 57600 / 10);
  PeerProcess process(ckermit_send(far.device(), "abort.bin"), theirs.path());
  sio::FdChannel channel(near.device_fd());
  std::string stored;
  long aborted_at = -1;
  EXPECT_EQ(sio::kermit_receive(channel, ours.path(), stored, [&](long done, long) {
    if (done == 0) return 0;
    aborted_at = done;
    return -1;
  }), SIOFT_ABORT);
  EXPECT_GT(aborted_at, 0);
  EXPECT_LT(aborted_at, static_cast<long>(size));
  EXPECT_NE(process.wait(), 0);  // C-Kermit took our error packet and failed its send
  EXPECT_TRUE(names_in(ours.path()).empty());
}

TEST(KermitLink, AnExistingFileIsNeverTouched) {
  TempFolder ours, theirs;
  write_file(ours.file("memo.amr"), "old contents");
  write_file(theirs.file("memo.amr"), "new contents");
  PtyPair pty;
  PeerProcess process(gkermit_send("memo.amr"), theirs.path(), pty.device());
  sio::FdChannel channel(pty.peer());
  std::string stored;
  EXPECT_EQ(sio::kermit_receive(channel, ours.path(), stored, nullptr), SIOFT_FOPEN);
  process.wait();
  EXPECT_EQ(read_file(ours.file("memo.amr")), "old contents");
  EXPECT_EQ(names_in(ours.path()).size(), 1u);
}

TEST(KermitLink, AnErrorPacketFromGKermitIsACancelByThePeer) {
  TempFolder ours, theirs;
  write_file(ours.file("dup.bin"), "ours");
  // G-Kermit cannot create a file where a folder of that name stands, and says so.
  std::filesystem::create_directory(theirs.file("dup.bin"));
  PtyPair pty;
  PeerProcess process(gkermit_receive(), theirs.path(), pty.device());
  sio::FdChannel channel(pty.peer());
  EXPECT_EQ(sio::kermit_send(channel, ours.file("dup.bin"), nullptr), SIOFT_CANABORT);
  process.wait();
  EXPECT_TRUE(std::filesystem::is_directory(theirs.file("dup.bin")));
}

TEST(KermitLink, PortOperationsFillTheNameBuffer) {
  constexpr int kPort = 9;
  ScopedProgramFolder folder;
  PtyPair pty;
  folder.link_port(kPort, pty.device());
  ASSERT_EQ(sio_open(kPort), SIO_OK);
  TempFolder from;
  const std::string data = random_bytes(10000, 8);
  write_file(from.file("Запись.amr"), data);
  int sent = 1;
  std::thread sender([&] {
    sio::FdChannel channel(pty.peer());
    sent = sio::kermit_send(channel, from.file("Запись.amr"), nullptr);
  });
  char buffer[261] = "stale";
  char* names[1] = {buffer};
  static long last_total;
  last_total = -1;
  const int received = sio_FtKermitRx(kPort, names, 1, [](long, int, int, long total) {
    last_total = total;
    return 0;
  }, 27);
  sender.join();
  sio_close(kPort);
  EXPECT_EQ(received, 0);
  EXPECT_EQ(sent, 0);
  EXPECT_STREQ(buffer, "Запись.amr");
  EXPECT_EQ(last_total, 10000);
  EXPECT_TRUE(read_file(folder.file("Запись.amr")) == data);
}
