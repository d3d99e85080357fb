// XMODEM and YMODEM against lrzsz (sx, rx, sb, rb) over pty pairs, both directions, byte for byte.
#include <csignal>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "sio/channel.h"
#include "sio/sio.h"
#include "sio/xmodem/xmodem.h"
#include "tests/support/child_process.h"
#include "tests/support/link_relay.h"
#include "tests/support/socket_pair.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_folder.h"
#include "tests/xmodem/transfer_helpers.h"

using namespace test_support;
using namespace xmodem_test;
using sio::XmodemVariant;

namespace {

struct FileCase {
  std::string label;
  std::string bytes;
  XmodemVariant variant = XmodemVariant::Crc1K;
};

// XMODEM drops trailing SUBs (its padding), so these files never end in one.
std::vector<FileCase> file_cases(std::size_t block_size, XmodemVariant variant = XmodemVariant::Crc1K) {
  std::string one_block = random_bytes(block_size, 11);
  one_block.back() = 'z';
  std::string large = random_bytes(256 * 1024, 12);
  large.back() = 'z';
  return {{"empty", "", variant},
          {"one byte", "A", variant},
          {"one block", one_block, variant},
          {"all byte values", all_byte_values(), variant},
          {"256 KB random", large, variant}};
}

// Every file case of every XMODEM variant, with blocks of the variant's size.
std::vector<FileCase> xmodem_cases() {
  std::vector<FileCase> cases;
  for (auto variant : {XmodemVariant::Checksum, XmodemVariant::Crc, XmodemVariant::Crc1K}) {
    auto some = file_cases(variant == XmodemVariant::Crc1K ? 1024 : 128, variant);
    cases.insert(cases.end(), some.begin(), some.end());
  }
  return cases;
}

std::vector<FileCase> ymodem_cases() {
  auto cases = file_cases(1024);
  cases.push_back({"ends in SUBs", "data\x1a\x1a"});
  return cases;
}

// Runs one transfer per case, all at once: each has its own pty and peer, and most of the time
// goes to waiting on the peer.
template <typename Run>
void run_in_parallel(const std::vector<FileCase>& cases, Run run) {
  std::vector<std::future<void>> running;
  for (const auto& file : cases) running.push_back(in_background([&run, &file] { run(file); }));
  for (auto& transfer : running) transfer.get();
}

const char* variant_name(XmodemVariant variant) {
  switch (variant) {
    case XmodemVariant::Checksum: return "checksum";
    case XmodemVariant::Crc: return "CRC";
    case XmodemVariant::Crc1K: return "1K";
  }
  return "?";
}

// What rx stores: the file padded with SUBs to a whole 128-byte block.
std::string padded(const std::string& bytes) {
  std::string out = bytes;
  out.resize((bytes.size() + 127) / 128 * 128, '\x1a');
  return out;
}

// On a noisy line our sender mixes long and short blocks, so the last block, 128 or 1024 bytes,
// may start at any multiple of 128: rx pads the file to that block's end.
bool padded_to_some_block(const std::string& received, const std::string& bytes) {
  for (std::size_t start = 0; start < bytes.size(); start += 128)
    for (std::size_t block : {128u, 1024u}) {
      if (start + block < bytes.size()) continue;  // not the last block
      std::string expected = bytes;
      expected.resize(start + block, '\x1a');
      if (received == expected) return true;
    }
  return false;
}

}  // namespace

TEST(XmodemLrzsz, ReceivesEveryVariantFromSx) {
  run_in_parallel(xmodem_cases(), [](const FileCase& file) {
    SCOPED_TRACE(std::string(variant_name(file.variant)) + ", " + file.label);
    std::vector<std::string> args = {"sx", "-q", "source"};
    if (file.variant == XmodemVariant::Crc1K) args.insert(args.begin() + 1, "-k");
    LrzszPeer sx("source", file.bytes, args);
    sio::FdChannel channel(sx.pty.peer());
    EXPECT_EQ(sio::xmodem::receive_file(channel, file.variant, sx.folder.file("received"), nullptr), SIOFT_OK);
    EXPECT_EQ(sx.wait(), 0);
    EXPECT_EQ(read_file(sx.folder.file("received")), file.bytes);
  });
}

TEST(XmodemLrzsz, SendsEveryVariantToRx) {
  run_in_parallel(xmodem_cases(), [](const FileCase& file) {
    SCOPED_TRACE(std::string(variant_name(file.variant)) + ", " + file.label);
    std::vector<std::string> args = {"rx", "-q", "received"};
    if (file.variant != XmodemVariant::Checksum) args.insert(args.begin() + 1, "-c");
    LrzszPeer rx("source", file.bytes, args);
    sio::FdChannel channel(rx.pty.peer());
    EXPECT_EQ(sio::xmodem::send_file(channel, file.variant, rx.folder.file("source"), nullptr), SIOFT_OK);
    EXPECT_EQ(rx.wait(), 0);
    EXPECT_EQ(read_file(rx.folder.file("received")), padded(file.bytes));
  });
}

// sb sends 128-byte blocks, and 1K blocks with -k (the variant says which).
TEST(YmodemLrzsz, ReceivesFromSbUnderTheAnnouncedName) {
  auto cases = ymodem_cases();
  auto short_blocks = file_cases(128, XmodemVariant::Crc);
  cases.insert(cases.end(), short_blocks.begin(), short_blocks.end());
  run_in_parallel(cases, [](const FileCase& file) {
    SCOPED_TRACE(std::string(variant_name(file.variant)) + ", " + file.label);
    const std::string name = "запись-1.amr";
    std::vector<std::string> args = {"sb", "-q", name};
    if (file.variant == XmodemVariant::Crc1K) args.insert(args.begin() + 1, "-k");
    LrzszPeer sb(name, file.bytes, args);
    TempFolder receiving;
    sio::FdChannel channel(sb.pty.peer());
    std::string stored;
    EXPECT_EQ(sio::xmodem::receive_batch(channel, receiving.path(), stored, nullptr), SIOFT_OK);
    EXPECT_EQ(sb.wait(), 0);
    EXPECT_EQ(stored, name);
    EXPECT_EQ(read_file(receiving.file(name)), file.bytes);
  });
}

TEST(YmodemLrzsz, SendsToRb) {
  run_in_parallel(ymodem_cases(), [](const FileCase& file) {
    SCOPED_TRACE(file.label);
    TempFolder sending;
    const std::string name = "запись-1.amr";
    write_file(sending.file(name), file.bytes);
    LrzszPeer rb("unused", "", {"rb", "-q"});
    sio::FdChannel channel(rb.pty.peer());
    EXPECT_EQ(sio::xmodem::send_batch(channel, sending.file(name), nullptr), SIOFT_OK);
    EXPECT_EQ(rb.wait(), 0);
    EXPECT_EQ(read_file(rb.folder.file(name)), file.bytes);
  });
}

// lrzsz behind a line that flips bits and drops bytes: the exact file or a failure, never a
// wrong file reported as good. lrzsz's time-out is cut to a second (-t 10) so that it recovers
// quickly too.
TEST(XmodemLrzsz, DamagedLinkGivesTheExactFileOrAFailure) {
  const std::string bytes = random_bytes(24 * 1024, 13) + "z";
  std::atomic<int> delivered = 0;
  auto transfer = [&](std::uint32_t seed, bool we_send) {
    SCOPED_TRACE("seed " + std::to_string(seed) + (we_send ? ", to rx" : ", from sx"));
    auto args = we_send ? std::vector<std::string>{"rx", "-q", "-c", "-t", "10", "received"}
                        : std::vector<std::string>{"sx", "-q", "-k", "-t", "10", "source"};
    LrzszPeer peer("source", bytes, args);
    SocketPair ours;
    LinkRelay line(peer.pty.peer(), ours.first(), 0, {.seed = seed, .flip_one_in = 4000, .drop_one_in = 8000});
    sio::FdChannel channel(ours.second());
    // Our sender keeps its own times: rx waits a second inside a block and a second's quiet
    // before it answers an EOT, which the quick test times would cut short.
    int result = we_send ? sio::xmodem::send_file(channel, XmodemVariant::Crc1K, peer.folder.file("source"), nullptr)
                         : sio::xmodem::receive_file(channel, XmodemVariant::Crc1K, peer.folder.file("received"),
                                                     nullptr, quick_receiver());
    int peer_status = peer.wait();
    // The receiving side decides whether the file is good: ours by its result, rx by its status.
    bool good = we_send ? peer_status == 0 : result == SIOFT_OK;
    if (good) {
      ++delivered;
      std::string received = read_file(peer.folder.file("received"));
      if (we_send)
        EXPECT_TRUE(padded_to_some_block(received, bytes)) << received.size() << " bytes";
      else
        EXPECT_EQ(received, bytes);
    } else if (!we_send) {
      EXPECT_LT(result, 0);
      EXPECT_FALSE(file_exists(peer.folder.file("received")));
    }
    EXPECT_GT(line.faults_made(), 0u);
  };
  std::vector<std::future<void>> running;
  for (std::uint32_t seed = 1; seed <= 3; ++seed)
    for (bool we_send : {false, true}) running.push_back(in_background([=] { transfer(seed, we_send); }));
  for (auto& run : running) run.get();
  EXPECT_GT(delivered, 3);
}
