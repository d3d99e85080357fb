// What ends a transfer other than success: aborts on either side, refused names and files,
// silent peers, short files, and the sio_Ft* operations on a port.
#include <csignal>
#include <cstring>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <string>

#include "sio/channel.h"
#include "sio/sio.h"
#include "sio/xmodem/xmodem.h"
#include "sio/xmodem/ymodem_header.h"
#include "tests/support/child_process.h"
#include "tests/support/link_relay.h"
#include "tests/support/pty_pair.h"
#include "tests/support/socket_pair.h"
#include "tests/support/temp_folder.h"
#include "tests/xmodem/transfer_helpers.h"

using namespace test_support;
using namespace xmodem_test;
using namespace sio::xmodem;
using sio::XmodemVariant;

namespace {

// A callback that aborts once some data has gone by.
int abort_once_started(long done, long) { return done > 0 ? -1 : 0; }

// A line of 11520 bytes a second between `near` (its first end is ours) and a far end, so that
// a transfer lasts long enough for progress reports.
constexpr long kSlowLine = 11520;

// Plays a YMODEM sender by hand on `fd`: waits for the receiver's 'C', sends `header` as block 0,
// and returns the receiver's answer (`answer_size` bytes at most).
std::string offer_header(int fd, const std::vector<std::uint8_t>& header, std::size_t answer_size = 2) {
  EXPECT_EQ(read_for(fd, 1, 5000), "C");
  auto block = encode_block(0, header, kShortBlock, Check::Crc, 0);
  write_all(fd, std::string(block.begin(), block.end()));
  return read_for(fd, answer_size, 2000);
}

// Plays the rest of a YMODEM sender's file by hand: one data block, then the EOT twice. Returns
// the answer to the second EOT.
std::string send_one_block_file(int fd, const std::string& payload) {
  auto block = encode_block(1, std::vector<std::uint8_t>(payload.begin(), payload.end()), kShortBlock, Check::Crc);
  write_all(fd, std::string(block.begin(), block.end()));
  EXPECT_EQ(read_for(fd, 1, 2000), "\x06");
  write_all(fd, "\x04");
  EXPECT_EQ(read_for(fd, 1, 2000), "\x15");
  write_all(fd, "\x04");
  return read_for(fd, 2, 2000);
}

std::future<int> receive_batch_in_background(int fd, const std::string& folder, std::string& stored) {
  return in_background([fd, folder, &stored] {
    sio::FdChannel channel(fd);
    return receive_batch(channel, folder, stored, nullptr, quick_receiver());
  });
}

// An lrzsz program behind a slow line, so that a transfer lasts long enough for progress reports.
struct SlowLrzsz {
  LrzszPeer peer;
  SocketPair ours;
  LinkRelay line{peer.pty.peer(), ours.first(), kSlowLine};
  sio::FdChannel channel{ours.second()};

  SlowLrzsz(const std::string& name, const std::string& bytes, const std::vector<std::string>& argv)
      : peer(name, bytes, argv) {}
};

// A local line with our channel on one end; the test plays the peer on the other.
struct LocalLine {
  SocketPair pair;
  sio::FdChannel ours{pair.second()};
  int peer() const { return pair.first(); }
};

const std::string kCancelText(kCancelSequence.begin(), kCancelSequence.end());

}  // namespace

TEST(XmodemControl, AbortFromEitherCallbackCancelsThePeer) {
  const std::string bytes = random_bytes(100000, 5);
  for (bool receiver_aborts : {true, false}) {
    for (bool batch : {false, true}) {
      SCOPED_TRACE(std::string(receiver_aborts ? "receiver" : "sender") + (batch ? " YMODEM" : " XMODEM"));
      TempFolder sending, receiving;
      write_file(sending.file("file"), bytes);
      SocketPair near, far;
      LinkRelay line(near.second(), far.first(), kSlowLine);
      auto sender_progress = receiver_aborts ? sio::ProgressFn() : abort_once_started;
      auto sender = in_background([&] {
        sio::FdChannel channel(near.first());
        return batch ? send_batch(channel, sending.file("file"), sender_progress)
                     : send_file(channel, XmodemVariant::Crc1K, sending.file("file"), sender_progress);
      });
      sio::FdChannel channel(far.second());
      auto receiver_progress = receiver_aborts ? abort_once_started : sio::ProgressFn();
      std::string stored;
      int received = batch ? receive_batch(channel, receiving.path(), stored, receiver_progress)
                           : receive_file(channel, XmodemVariant::Crc1K, receiving.file("file"), receiver_progress);
      int sent = sender.get();
      EXPECT_EQ(received, receiver_aborts ? SIOFT_ABORT : SIOFT_CANABORT);
      EXPECT_EQ(sent, receiver_aborts ? SIOFT_CANABORT : SIOFT_ABORT);
      EXPECT_EQ(stored, "");
      EXPECT_TRUE(std::filesystem::is_empty(receiving.path()));  // no partial or temporary file
    }
  }
}

TEST(XmodemControl, LrzszCancelsAndIsCancelled) {
  const std::string bytes = random_bytes(256 * 1024, 6);
  {  // sx is stopped by a signal half-way
    SlowLrzsz sx("source", bytes, {"sx", "-q", "-k", "source"});
    bool signalled = false;
    auto stop_sx = [&](long done, long) {
      if (done > 0 && !signalled) {
        sx.peer.program->signal(SIGTERM);
        signalled = true;
      }
      return 0;
    };
    // sx sends its cancel sequence, then flushes its output as it exits, which on a pty often
    // loses the cancel: then the receive ends by time-out, or as a broken block when sx died
    // in the middle of one. Either way nothing is stored.
    auto timing = quick_receiver();
    timing.max_errors = 3;
    int result = receive_file(sx.channel, XmodemVariant::Crc1K, sx.peer.folder.file("received"), stop_sx, timing);
    EXPECT_TRUE(result == SIOFT_CANABORT || result == SIOFT_TIMEOUT || result == SIOFT_PROTOCOL) << result;
    EXPECT_FALSE(file_exists(sx.peer.folder.file("received")));
  }
  {  // our receiver aborts: sb gives up
    SlowLrzsz sb("memo.amr", bytes, {"sb", "-q", "memo.amr"});
    TempFolder receiving;
    std::string stored;
    EXPECT_EQ(receive_batch(sb.channel, receiving.path(), stored, abort_once_started), SIOFT_ABORT);
    EXPECT_NE(sb.peer.wait(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(receiving.path()));
  }
}

TEST(XmodemControl, NeverReplacesAnExistingFile) {
  TempFolder folder;
  write_file(folder.file("taken"), "old");
  LocalLine line;
  EXPECT_EQ(receive_file(line.ours, XmodemVariant::Crc, folder.file("taken"), nullptr), SIOFT_FOPEN);
  EXPECT_EQ(read_file(folder.file("taken")), "old");
  EXPECT_EQ(read_for(line.peer(), 1, 100), "");  // nothing was asked of a sender

  // YMODEM: the announced file exists; the batch is cancelled.
  std::string stored;
  auto receiving = receive_batch_in_background(line.pair.second(), folder.path(), stored);
  EXPECT_EQ(offer_header(line.peer(), ymodem_header_bytes("taken", 3)).substr(0, 2), kCancelText.substr(0, 2));
  EXPECT_EQ(receiving.get(), SIOFT_FOPEN);
  EXPECT_EQ(read_file(folder.file("taken")), "old");
}

TEST(YmodemControl, AnnouncedNamesStayInTheFolder) {
  struct Case {
    std::string announced;
    std::string stored;  // empty: refused
  };
  for (const auto& c : {Case{"../../escape.amr", "escape.amr"}, Case{"/etc/passwd", "passwd"}, Case{"..", ""},
                        Case{"dir/", ""}, Case{"bad\nname", ""}}) {
    SCOPED_TRACE(c.announced);
    TempFolder parent;
    std::string folder = parent.file("in");
    std::filesystem::create_directory(folder);
    SocketPair line;
    std::string stored = "untouched";
    auto receiving = receive_batch_in_background(line.second(), folder, stored);
    std::string answer = offer_header(line.first(), ymodem_header_bytes(c.announced, 2));
    if (c.stored.empty()) {
      EXPECT_EQ(answer.substr(0, 2), kCancelText.substr(0, 2));
      EXPECT_EQ(receiving.get(), SIOFT_FOPEN);
      EXPECT_EQ(stored, "");
    } else {
      EXPECT_EQ(answer, "\x06" "C");
      EXPECT_EQ(send_one_block_file(line.first(), "ok"), "\x06" "C");
      auto end = encode_block(0, {}, kShortBlock, Check::Crc, 0);
      write_all(line.first(), std::string(end.begin(), end.end()));
      EXPECT_EQ(receiving.get(), SIOFT_OK);
      EXPECT_EQ(stored, c.stored);
      EXPECT_EQ(read_file(folder + "/" + c.stored), "ok");
    }
    EXPECT_EQ(std::filesystem::directory_iterator(parent.path())->path().filename(), "in");  // nothing beside it
  }
}

TEST(YmodemControl, StoresOnlyTheFirstFileOfABatch) {
  TempFolder sending, receiving;
  write_file(sending.file("first.amr"), random_bytes(3000, 7));
  write_file(sending.file("second.amr"), random_bytes(2000, 8));
  PtyPair pty;
  ChildProcess sb({"sb", "-q", "first.amr", "second.amr"}, pty.device_fd(), sending.path());
  sio::FdChannel channel(pty.peer());
  std::string stored;
  EXPECT_EQ(receive_batch(channel, receiving.path(), stored, nullptr), SIOFT_OK);
  EXPECT_EQ(sb.wait(60000), 0);
  EXPECT_EQ(stored, "first.amr");
  EXPECT_EQ(read_file(receiving.file("first.amr")), read_file(sending.file("first.amr")));
  EXPECT_FALSE(file_exists(receiving.file("second.amr")));
}

TEST(YmodemControl, ABatchWithoutAStoredFileFails) {
  for (bool short_file : {false, true}) {
    TempFolder folder;
    SocketPair line;
    std::string stored;
    auto receiving = receive_batch_in_background(line.second(), folder.path(), stored);
    if (short_file) {  // announces 500 bytes, sends one block
      EXPECT_EQ(offer_header(line.first(), ymodem_header_bytes("short", 500)), "\x06" "C");
      EXPECT_EQ(send_one_block_file(line.first(), std::string(100, 'x')), kCancelText.substr(0, 2));
    } else {  // the empty header at once
      EXPECT_EQ(offer_header(line.first(), {0}, 1), "\x06");
    }
    EXPECT_EQ(receiving.get(), SIOFT_PROTOCOL);
    EXPECT_EQ(stored, "");
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
  }
}

TEST(XmodemControl, SilentPeersTimeOut) {
  LocalLine line;
  TempFolder folder;
  EXPECT_EQ(receive_file(line.ours, XmodemVariant::Crc, folder.file("received"), nullptr, quick_receiver()),
            SIOFT_TIMEOUT);
  EXPECT_FALSE(file_exists(folder.file("received")));
  EXPECT_EQ(read_for(line.peer(), 100, 100).substr(0, 2), "CC");  // it kept asking

  write_file(folder.file("source"), "data");
  EXPECT_EQ(send_file(line.ours, XmodemVariant::Crc, folder.file("source"), nullptr, quick_sender()), SIOFT_TIMEOUT);
  // A receiver that starts and then falls silent.
  write_all(line.peer(), "C");
  EXPECT_EQ(send_file(line.ours, XmodemVariant::Crc, folder.file("source"), nullptr, quick_sender()), SIOFT_TIMEOUT);
}

TEST(XmodemControl, SendRefusesWhatIsNotAReadableFile) {
  TempFolder folder;
  LocalLine line;
  EXPECT_EQ(send_file(line.ours, XmodemVariant::Crc, folder.file("missing"), nullptr), SIOFT_FOPEN);
  EXPECT_EQ(send_batch(line.ours, folder.path(), nullptr), SIOFT_FOPEN);
}

// The sio_Ft* operations on a pty port: the name buffer, and a port closed by the callback.
TEST(XmodemControl, PortOperationsFillTheNameBufferAndSurviveAClosedPort) {
  constexpr int kPort = 9;
  ScopedProgramFolder program;
  TempFolder sending;
  write_file(sending.file("memo.amr"), random_bytes(40000, 9));
  PtyPair pty;
  program.link_port(kPort, pty.device());
  ASSERT_EQ(sio_open(kPort), SIO_OK);
  {
    ChildProcess sb({"sb", "-q", "memo.amr"}, pty.peer(), sending.path());
    static char buffer[SIO_NAME_BUFFER];
    std::strcpy(buffer, "stale");
    char* names[] = {buffer};
    static std::string seen_during;  // what the buffer showed while data came
    seen_during.clear();
    auto callback = +[](long done, int, int, long) -> int {
      if (done > 0) seen_during = buffer;
      return 0;
    };
    EXPECT_EQ(sio_FtYmodemRx(kPort, names, 1, callback, 27), SIOFT_OK);
    EXPECT_STREQ(buffer, "memo.amr");
    EXPECT_EQ(seen_during, "memo.amr");
    EXPECT_EQ(read_file(program.file("memo.amr")), read_file(sending.file("memo.amr")));
    EXPECT_EQ(sb.wait(20000), 0);
  }
  {
    write_file(sending.file("big.bin"), random_bytes(4 * 1024 * 1024, 10));  // lasts beyond the first report
    ChildProcess sx({"sx", "-q", "-k", "big.bin"}, pty.peer(), sending.path());
    static int port_to_close;
    port_to_close = kPort;
    auto closing = +[](long done, int, int, long) -> int {
      if (done > 0) sio_close(port_to_close);
      return 0;
    };
    EXPECT_EQ(sio_FtXmodem1KCRCRx(kPort, program.file("xmodem").c_str(), closing, 27), SIOFT_BADPORT);
    EXPECT_FALSE(file_exists(program.file("xmodem")));
  }
  sio_close(kPort);
}
