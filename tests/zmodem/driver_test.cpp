// The blocking transfers over real descriptors: scripted peers on socketpairs, the sio_Ft*
// operations on a pty port, and the progress callback doing what the download does with it.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "sio/sio.h"
#include "sio/transfers.h"
#include "sio/zmodem/drivers.h"
#include "sio/zmodem/encoder.h"
#include "sio/zmodem/file_info.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_folder.h"
#include "tests/zmodem/memory_session.h"

using namespace sio::zmodem;
using namespace test_support;

namespace {

struct SocketPair {
  int ours = -1, theirs = -1;
  SocketPair() {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0) {
      ours = fds[0];
      theirs = fds[1];
    }
  }
  ~SocketPair() {
    close(ours);
    close(theirs);
  }
};

// A sender that offers a file and streams its first 1000 bytes, then stops.
std::string stalled_sender_start() {
  Escaper e;
  Bytes wire;
  append_header(wire, Header::at(ZRQINIT, 0), e);
  Header file = Header::flags(ZFILE, ZCBIN);
  file.format = HeaderFormat::Bin32;
  append_header(wire, file, e);
  auto info = format_file_info("memo.amr", 100000, 0);
  append_subpacket(wire, info.data(), info.size(), FrameEnd::ZCRCW, true, e);
  Header data = Header::at(ZDATA, 0);
  data.format = HeaderFormat::Bin32;
  append_header(wire, data, e);
  Bytes chunk = zmodem_test::random_bytes(1000, 1);
  append_subpacket(wire, chunk.data(), chunk.size(), FrameEnd::ZCRCG, true, e);
  return std::string(wire.begin(), wire.end());
}

// Reads until `needle` arrived (true) or timeout_ms passed.
bool read_until(int fd, const std::string& needle, int timeout_ms) {
  std::string got;
  for (int waited = 0; got.find(needle) == std::string::npos; waited += 10) {
    if (waited >= timeout_ms) return false;
    got += read_for(fd, 1 << 16, 10);
  }
  return true;
}

bool folder_is_empty(const std::string& path) {
  return std::filesystem::is_empty(path);
}

}  // namespace

TEST(ZmodemDriver, AbortFromTheCallbackCancelsThePeer) {
  SocketPair link;
  TempFolder folder;
  write_all(link.theirs, stalled_sender_start());
  sio::FdChannel channel(link.ours);
  std::string stored;
  int result = sio::zmodem_receive(channel, folder.path(), stored,
                                   [](long done, long) { return done > 0 ? -1 : 0; });
  EXPECT_EQ(result, SIOFT_ABORT);
  EXPECT_TRUE(stored.empty());
  EXPECT_TRUE(read_until(link.theirs, std::string(8, '\x18'), 5000));
  EXPECT_TRUE(folder_is_empty(folder.path()));
}

TEST(ZmodemDriver, PeerCancelEndsTheReceive) {
  SocketPair link;
  TempFolder folder;
  write_all(link.theirs, stalled_sender_start() + std::string(8, '\x18') + std::string(8, '\b'));
  sio::FdChannel channel(link.ours);
  std::string stored;
  EXPECT_EQ(sio::zmodem_receive(channel, folder.path(), stored, {}), SIOFT_CANABORT);
  EXPECT_TRUE(folder_is_empty(folder.path()));
}

TEST(ZmodemDriver, SilentPeerTimesOutWithProgressMeanwhile) {
  Timing quick;
  quick.start_ms = 400;
  for (bool sending : {false, true}) {
    SocketPair link;
    TempFolder folder;
    write_file(folder.file("f"), "data");
    sio::FdChannel channel(link.ours);
    int calls = 0;
    auto count = [&](long, long) { return ++calls, 0; };
    std::string stored;
    int result = sending ? send(channel, folder.file("f"), count, quick)
                         : receive(channel, folder.path(), stored, count, quick);
    EXPECT_EQ(result, SIOFT_TIMEOUT) << sending;
    EXPECT_GE(calls, 3) << sending;  // a report at least every 100 ms while waiting
  }
}

// A receiver that starts the file and then stops reading: the line fills up, yet the sender
// keeps reporting progress, and an abort from the callback ends it at once (the cancel cannot
// get through a full line, and is not waited for long).
TEST(ZmodemDriver, SenderOnAStoppedLineStillHearsTheCallback) {
  PtyPair pty;
  TempFolder folder;
  auto data = zmodem_test::random_bytes(1 << 20, 4);
  write_file(folder.file("big.bin"), std::string(data.begin(), data.end()));
  Escaper e;
  Bytes answers;
  append_header(answers, Header::flags(ZRINIT, CANFDX | CANOVIO | CANFC32), e);
  append_header(answers, Header::at(ZRPOS, 0), e);
  write_all(pty.peer(), std::string(answers.begin(), answers.end()));
  sio::FdChannel channel(pty.device_fd());
  long stalled_at = -1;
  int stalled_calls = 0;
  auto impatient = [&](long done, long) {
    stalled_calls = done == stalled_at ? stalled_calls + 1 : 0;
    stalled_at = done;
    return stalled_calls >= 10 ? -1 : 0;
  };
  EXPECT_EQ(send(channel, folder.file("big.bin"), impatient, Timing{}), SIOFT_ABORT);
  EXPECT_GT(stalled_at, 0);
  EXPECT_LT(stalled_at, 1 << 20);
}

TEST(ZmodemDriver, ClosedPeerEndsTheTransfer) {
  signal(SIGPIPE, SIG_IGN);  // our answers go to a socket nobody reads any more
  TempFolder folder;
  SocketPair link;
  write_all(link.theirs, stalled_sender_start());
  shutdown(link.theirs, SHUT_RDWR);
  sio::FdChannel channel(link.ours);
  std::string stored;
  EXPECT_LT(sio::zmodem_receive(channel, folder.path(), stored, {}), 0);
  EXPECT_TRUE(folder_is_empty(folder.path()));
}

namespace {

constexpr int kPort = 9;
std::atomic<int> g_calls{0};
int g_close_at_call = 0;
int g_answer_after_close = 0;
std::string g_get_command;

int closing_callback(long, int, int, long) {
  if (++g_calls == g_close_at_call) {
    sio_close(kPort);
    return g_answer_after_close;
  }
  return 0;
}

// Sends the download command from inside the transfer, as the tool's timers do.
int commanding_callback(long, int, int, long) {
  if (++g_calls == 2) sio_write(kPort, g_get_command.data(), static_cast<int>(g_get_command.size()));
  return 0;
}

}  // namespace

TEST(ZmodemDriver, PortClosedInsideTheCallbackEndsWithMinusOne) {
  for (int answer : {0, -1}) {
    ScopedProgramFolder folder;
    PtyPair pty;
    folder.link_port(kPort, pty.device());
    ASSERT_EQ(sio_open(kPort), SIO_OK);
    write_all(pty.peer(), stalled_sender_start());
    g_calls = 0;
    g_close_at_call = 3;
    g_answer_after_close = answer;
    char name[SIO_NAME_BUFFER] = "junk";
    char* names[] = {name};
    EXPECT_EQ(sio_FtZmodemRx(kPort, names, 1, closing_callback, 27), SIOFT_BADPORT) << answer;
    EXPECT_STREQ(name, "");
    EXPECT_FALSE(file_exists(folder.file("memo.amr")));
  }
  EXPECT_EQ(sio_FtZmodemRx(kPort, nullptr, 1, closing_callback, 27), SIOFT_FOPEN);
}

TEST(ZmodemDriver, DownloadFromAnEchoingPhone) {
  // The phone echoes the command line and our first ZRINIT, then sends the memo with our own
  // sender; the receive runs through the port operation, the command goes out from its callback.
  ScopedProgramFolder folder;
  TempFolder phone;
  PtyPair pty;
  folder.link_port(kPort, pty.device());
  ASSERT_EQ(sio_open(kPort), SIO_OK);
  std::string memo = std::string("\xD0\x97\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD1\x8C 1.amr");
  auto content = zmodem_test::random_bytes(70000, 11);
  write_file(phone.file(memo), std::string(content.begin(), content.end()));
  write_file(folder.file("old.amr"), "keep");
  g_get_command = "AT%PCTL=GET /Voice Memo/" + memo + "\r";
  g_calls = 0;
  int phone_result = 1;
  std::thread phone_thread([&] {
    std::string heard;
    while (heard.find('\r', heard.find("GET")) == std::string::npos && heard.size() < 10000) {
      std::string more = read_for(pty.peer(), 1, 5000);
      if (more.empty()) return;
      heard += more;
    }
    write_all(pty.peer(), heard + "\r\n");
    sio::FdChannel channel(pty.peer());
    phone_result = sio::zmodem_send(channel, phone.file(memo), {});
  });
  char name[SIO_NAME_BUFFER] = "";
  char* names[] = {name};
  int result = sio_FtZmodemRx(kPort, names, 1, commanding_callback, 27);
  phone_thread.join();
  EXPECT_EQ(result, SIOFT_OK);
  EXPECT_EQ(phone_result, SIOFT_OK);
  EXPECT_EQ(std::string(name), memo);
  EXPECT_EQ(read_file(folder.file(memo)), std::string(content.begin(), content.end()));

  // The same memo again: the file in place is kept, the sender told to skip it.
  g_calls = 0;
  std::thread again([&] {
    read_for(pty.peer(), 1 << 16, 300);
    sio::FdChannel channel(pty.peer());
    phone_result = sio::zmodem_send(channel, phone.file(memo), {});
  });
  write_file(folder.file(memo), "older");
  EXPECT_EQ(sio_FtZmodemRx(kPort, names, 1, nullptr, 27), SIOFT_FOPEN);
  again.join();
  EXPECT_EQ(phone_result, SIOFT_CANABORT);
  EXPECT_EQ(read_file(folder.file(memo)), "older");
  EXPECT_EQ(read_file(folder.file("old.amr")), "keep");
  sio_close(kPort);
}
