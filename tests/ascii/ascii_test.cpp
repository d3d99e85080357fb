// ASCII transfers over real ptys: the bytes as they are, both ways, and how a receive ends.
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>

#include "sio/channel.h"
#include "sio/sio.h"
#include "sio/transfers.h"
#include "tests/support/child_process.h"
#include "tests/support/pty_pair.h"
#include "tests/support/socket_pair.h"
#include "tests/support/temp_folder.h"

using namespace test_support;
using Clock = std::chrono::steady_clock;

namespace {

std::string every_byte_and_line_ends() {
  std::string bytes = "line\r\nnext\n\rlast\x1a";
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  std::mt19937 random(3);
  for (int i = 0; i < 100000; ++i) bytes.push_back(static_cast<char>(random()));
  return bytes;
}

}  // namespace

TEST(AsciiTransfer, SendWritesTheFileUnchanged) {
  TempFolder folder;
  const std::string bytes = every_byte_and_line_ends();
  write_file(folder.file("source"), bytes);
  PtyPair pty;
  // `head -c` on the pty's far side stores exactly what came.
  ChildProcess head({"sh", "-c", "head -c " + std::to_string(bytes.size()) + " > received"}, pty.device_fd(),
                    folder.path());
  sio::FdChannel channel(pty.peer());
  long last_done = -1, last_total = -1;
  EXPECT_EQ(sio::ascii_send(channel, folder.file("source"),
                            [&](long done, long total) {
                              last_done = done;
                              last_total = total;
                              return 0;
                            }),
            SIOFT_OK);
  EXPECT_EQ(head.wait(10000), 0);
  EXPECT_EQ(last_done, static_cast<long>(bytes.size()));
  EXPECT_EQ(last_total, static_cast<long>(bytes.size()));
  EXPECT_EQ(read_file(folder.file("received")), bytes);
}

TEST(AsciiTransfer, ReceiveKeepsEveryByteUntilTheLineIsQuiet) {
  TempFolder folder;
  const std::string bytes = every_byte_and_line_ends();
  write_file(folder.file("source"), bytes);
  PtyPair pty;
  ChildProcess cat({"cat", "source"}, pty.device_fd(), folder.path());
  sio::FdChannel channel(pty.peer());
  auto start = Clock::now();
  EXPECT_EQ(sio::ascii_receive(channel, folder.file("received"), nullptr, 1), SIOFT_ABORT);  // the normal end
  EXPECT_GE(Clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(read_file(folder.file("received")), bytes);
}

TEST(AsciiTransfer, BeforeAnyDataOnlyTheUserEndsTheReceive) {
  TempFolder folder;
  SocketPair line;
  sio::FdChannel channel(line.second());
  auto start = Clock::now();
  auto user_waits_1500_ms = [&](long, long) { return Clock::now() - start > std::chrono::milliseconds(1500) ? -1 : 0; };
  EXPECT_EQ(sio::ascii_receive(channel, folder.file("nothing"), user_waits_1500_ms, 1), SIOFT_ABORT);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1500));
  EXPECT_TRUE(file_exists(folder.file("nothing")));  // received: an empty file
  EXPECT_EQ(read_file(folder.file("nothing")), "");

  // The user ends it while data flows: what came is kept.
  write_all(line.first(), "partial data");
  auto stop_after_data = [](long done, long) { return done > 0 ? -1 : 0; };
  EXPECT_EQ(sio::ascii_receive(channel, folder.file("partial"), stop_after_data, 0), SIOFT_ABORT);
  EXPECT_EQ(read_file(folder.file("partial")), "partial data");
}

TEST(AsciiTransfer, ReceiveRefusesAnExistingFileAndDropsDataOnLineFailure) {
  TempFolder folder;
  write_file(folder.file("taken"), "old");
  {
    SocketPair line;
    sio::FdChannel channel(line.second());
    EXPECT_EQ(sio::ascii_receive(channel, folder.file("taken"), nullptr, 1), SIOFT_FOPEN);
    EXPECT_EQ(read_file(folder.file("taken")), "old");
  }
  int result;
  {
    auto line = std::make_unique<SocketPair>();
    write_all(line->first(), "some bytes");
    sio::FdChannel channel(line->second());
    int first = line->first();
    result = sio::ascii_receive(channel, folder.file("broken"),
                                [&](long done, long) {
                                  if (done > 0) shutdown(first, SHUT_RDWR);  // the line goes away
                                  return 0;
                                },
                                5);
  }
  EXPECT_LT(result, 0);
  EXPECT_NE(result, SIOFT_ABORT);
  EXPECT_FALSE(file_exists(folder.file("broken")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);  // only "taken"
}

TEST(AsciiTransfer, SendRefusesAMissingFileAndStopsOnAbort) {
  TempFolder folder;
  SocketPair line;
  sio::FdChannel channel(line.first());
  EXPECT_EQ(sio::ascii_send(channel, folder.file("missing"), nullptr), SIOFT_FOPEN);
  write_file(folder.file("source"), std::string(100000, 'a'));
  EXPECT_EQ(sio::ascii_send(channel, folder.file("source"), [](long, long) { return -1; }), SIOFT_ABORT);
  EXPECT_EQ(read_for(line.second(), 1, 100), "");  // aborted before the first byte
}

TEST(AsciiTransfer, ALineThatTakesNothingStillReportsAndAborts) {
  // Nobody reads the far side: once the line's buffer is full, the send waits, but the
  // progress report keeps coming and its abort ends the send then and there.
  TempFolder folder;
  write_file(folder.file("source"), std::string(4 << 20, 'a'));
  PtyPair pty;
  sio::FdChannel channel(pty.peer());
  long stalled_at = -1;
  int reports_while_stalled = 0;
  const auto start = Clock::now();
  const int result = sio::ascii_send(channel, folder.file("source"), [&](long done, long) {
    if (done > 0 && done == stalled_at) ++reports_while_stalled;
    stalled_at = done;
    return reports_while_stalled >= 3 ? -1 : 0;
  });
  EXPECT_EQ(result, SIOFT_ABORT);
  EXPECT_GT(stalled_at, 0);
  EXPECT_LT(stalled_at, 4 << 20);
  // Far below the 30 s a blocked write would take to fail.
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(15));
}
