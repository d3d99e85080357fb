// Our sender against our receiver over socketpairs: every variant, a damaging link, aborts,
// refusals and time-outs.
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <string>

#include "sio/channel.h"
#include "sio/sio.h"
#include "sio/xmodem/xmodem.h"
#include "sio/xmodem/ymodem_header.h"
#include "tests/support/link_relay.h"
#include "tests/support/socket_pair.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_folder.h"
#include "tests/xmodem/transfer_helpers.h"

using namespace test_support;
using namespace xmodem_test;
using sio::XmodemVariant;
using sio::xmodem::ReceiverTiming;
using sio::xmodem::SenderTiming;

namespace {

const XmodemVariant kVariants[] = {XmodemVariant::Checksum, XmodemVariant::Crc, XmodemVariant::Crc1K};

}  // namespace

TEST(XmodemLoopback, EveryVariantDeliversTheFileLessItsTrailingSubs) {
  const std::string cases[] = {"", "x", random_bytes(128, 1) + "z", all_byte_values(), random_bytes(70000, 2) + "z",
                               "ends in padding\x1a\x1a\x1a"};
  for (auto variant : kVariants) {
    for (const auto& bytes : cases) {
      TempFolder folder;
      write_file(folder.file("source"), bytes);
      SocketPair line;
      auto sending = in_background([&] {
        sio::FdChannel channel(line.first());
        return sio::xmodem::send_file(channel, variant, folder.file("source"), nullptr);
      });
      sio::FdChannel channel(line.second());
      long last_done = -1;
      auto progress = [&](long done, long total) {
        EXPECT_GE(done, last_done);
        EXPECT_EQ(total, 0);  // XMODEM carries no length
        last_done = done;
        return 0;
      };
      EXPECT_EQ(sio::xmodem::receive_file(channel, variant, folder.file("received"), progress), SIOFT_OK);
      EXPECT_EQ(sending.get(), SIOFT_OK);
      std::string expected = bytes.substr(0, bytes.find_last_not_of('\x1a') + 1);
      EXPECT_EQ(read_file(folder.file("received")), expected);
      EXPECT_EQ(last_done, static_cast<long>(expected.size()));
    }
  }
}

TEST(YmodemLoopback, DeliversTheExactFileUnderItsNameWithProgress) {
  for (const std::string& bytes : {std::string(), random_bytes(5000, 3) + "\x1a\x1a"}) {
    TempFolder sending, receiving;
    write_file(sending.file("Запись 7.amr"), bytes);
    SocketPair line;
    std::vector<std::pair<long, long>> sent_progress;
    auto sender = in_background([&] {
      sio::FdChannel channel(line.first());
      return sio::xmodem::send_batch(channel, sending.file("Запись 7.amr"), [&](long done, long total) {
        sent_progress.emplace_back(done, total);
        return 0;
      });
    });
    sio::FdChannel channel(line.second());
    std::string stored;
    long final_total = -1;
    EXPECT_EQ(sio::xmodem::receive_batch(channel, receiving.path(), stored,
                                         [&](long, long total) {
                                           final_total = total;
                                           return 0;
                                         }),
              SIOFT_OK);
    EXPECT_EQ(sender.get(), SIOFT_OK);
    EXPECT_EQ(stored, "Запись 7.amr");
    EXPECT_EQ(read_file(receiving.file(stored)), bytes);
    EXPECT_EQ(final_total, static_cast<long>(bytes.size()));
    ASSERT_FALSE(sent_progress.empty());
    EXPECT_EQ(sent_progress.back(), std::make_pair(static_cast<long>(bytes.size()), static_cast<long>(bytes.size())));
  }
}

// The heart of it: over a link that flips bits and drops bytes, every transfer ends with the
// exact file or with a failure and nothing stored, never with a wrong file reported as good.
TEST(XmodemLoopback, DamagedLinkGivesTheExactFileOrAFailure) {
  const std::string bytes = random_bytes(24 * 1024, 4) + "z";
  std::atomic<int> delivered = 0, failed = 0;
  auto transfer = [&](std::uint32_t seed, int protocol) {  // the three XMODEM variants, then YMODEM
    SCOPED_TRACE("seed " + std::to_string(seed) + ", protocol " + std::to_string(protocol));
    TempFolder sending, receiving;
    write_file(sending.file("file"), bytes);
    SocketPair near, far;
    LinkRelay link(near.second(), far.first(), 0, {.seed = seed, .flip_one_in = 3000, .drop_one_in = 6000});
    auto sender = in_background([&] {
      sio::FdChannel channel(near.first());
      return protocol < 3 ? sio::xmodem::send_file(channel, kVariants[protocol], sending.file("file"), nullptr,
                                                   quick_sender())
                          : sio::xmodem::send_batch(channel, sending.file("file"), nullptr, quick_sender());
    });
    sio::FdChannel channel(far.second());
    std::string stored;
    int result = protocol < 3 ? sio::xmodem::receive_file(channel, kVariants[protocol], receiving.file("file"),
                                                          nullptr, quick_receiver())
                              : sio::xmodem::receive_batch(channel, receiving.path(), stored, nullptr,
                                                           quick_receiver());
    sender.get();
    if (result == SIOFT_OK) {
      ++delivered;
      EXPECT_EQ(read_file(receiving.file("file")), bytes);
      EXPECT_GT(link.faults_made(), 0u);  // it came through damage (a failure may come before any)
    } else {
      ++failed;
      EXPECT_LT(result, 0);
      EXPECT_FALSE(file_exists(receiving.file("file")));
    }
  };
  std::vector<std::future<void>> running;
  for (std::uint32_t seed = 1; seed <= 4; ++seed)
    for (int protocol = 0; protocol < 4; ++protocol) running.push_back(in_background([=] { transfer(seed, protocol); }));
  for (auto& run : running) run.get();
  EXPECT_GT(delivered, failed);  // recovery works, not just detection
}
