// Our Kermit against G-Kermit and C-Kermit over pty pairs, both directions, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "sio/channel.h"
#include "sio/sio.h"
#include "sio/transfers.h"
#include "tests/kermit/peer_process.h"
#include "tests/kermit/test_data.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_folder.h"

using namespace test_support;
using namespace kermit_test;

namespace {

enum class Peer { GKermit, CKermit };

std::string all_byte_values() {
  std::string s;
  for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
  return s;
}

// Compares without printing megabytes of bytes.
::testing::AssertionResult same_bytes(const std::string& got, const std::string& want) {
  if (got == want) return ::testing::AssertionSuccess();
  std::size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  return ::testing::AssertionFailure() << "got " << got.size() << " bytes, want " << want.size()
                                       << ", first difference at " << i;
}

std::string listing(const std::string& folder) {
  std::string names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names += "[" + e.path().filename().string() + "] ";
  return names;
}

struct Case {
  std::string name;
  std::string bytes;
};

// Printable bytes that need no prefix and never repeat: each goes as one character.
std::string plain_bytes(std::size_t n) {
  const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += alphabet[i % alphabet.size()];
  return s;
}

// Both peers take long packets of about 4000 characters: with the CRC that leaves 3987 data
// characters in our packets, so this file fills exactly one, and one byte more needs two.
constexpr std::size_t kOnePacket = 3987;

std::vector<Case> cases() {
  return {
      {"empty.bin", ""},
      {"one.bin", "\x01"},
      {"packet.bin", plain_bytes(kOnePacket)},
      {"packet1.bin", plain_bytes(kOnePacket + 1)},
      {"all256.bin", all_byte_values()},
      {"random.bin", random_bytes(256 * 1024, 7)},
      {"Запись 1.amr", "cyrillic name\r\n"},
  };
}

// A peer with the options that change what crosses the line: G-Kermit's flags or C-Kermit's
// settings. The first row of each peer carries every case, the others every byte value and
// random bytes.
struct PeerRow {
  Peer peer;
  std::vector<std::string> options;
  bool peer_sends_only = false;
};

const PeerRow kRows[] = {
    {Peer::GKermit, {}},
    {Peer::GKermit, {"-e", "40"}},                 // the shortest packets it takes
    {Peer::GKermit, {"-e", "9000"}},               // the longest
    {Peer::GKermit, {"-S"}},                       // no streaming: each packet acknowledged
    {Peer::GKermit, {"-p", "e"}},                  // even parity: the 8th bit goes behind a prefix
    {Peer::GKermit, {"-p", "m"}},                  // mark parity: every byte arrives with its 8th bit set
    {Peer::CKermit, {}},
    {Peer::CKermit, {"set block-check 1"}},        // 6-bit sum
    {Peer::CKermit, {"set block-check 2"}},        // 12-bit sum
    {Peer::CKermit, {"set block-check 4"}},        // 12-bit sum without blanks
    // The CRC from the Send-Init on: a receiver set so takes only a sender set so (C-Kermit too).
    {Peer::CKermit, {"set block-check 5"}, true},
    {Peer::CKermit, {"set receive packet-length 40", "set send packet-length 40"}},
    {Peer::CKermit, {"set window 1"}},
    {Peer::CKermit, {"set window 31"}},
    {Peer::CKermit, {"set parity even"}},
    {Peer::CKermit, {"set prefixing all"}},        // every control character prefixed
    {Peer::CKermit, {"set prefixing none"}},       // control characters bare but the packet framing
    {Peer::CKermit, {"set receive end-of-packet 10"}},
    {Peer::CKermit, {"set parity even", "set transfer locking-shift on"}},
    {Peer::CKermit, {"set clear-channel on"}},
    {Peer::CKermit, {"set repeat counts off"}},
    {Peer::CKermit, {"set attributes off"}},       // no length, no date
    {Peer::CKermit, {"set reliable on", "set streaming on"}},
    {Peer::CKermit, {"set send padding 4", "set receive padding 4"}},
};

std::vector<Case> cases_for(const PeerRow& row) {
  if (row.options.empty()) return cases();
  return {{"mixed.bin", all_byte_values() + random_bytes(64 * 1024, 9)}};
}

std::string described(const PeerRow& row) {
  return (row.peer == Peer::GKermit ? "G-Kermit " : "C-Kermit ") + testing::PrintToString(row.options);
}

// Each case crosses to the other side, which stores it under its name. G-Kermit cannot
// announce names with 8-bit characters (it sends an empty name), which we refuse.
void transfer(const PeerRow& row, bool we_send) {
  for (const auto& c : cases_for(row)) {
    SCOPED_TRACE(described(row) + " " + c.name);
    bool g = row.peer == Peer::GKermit;
    bool unnamed = !we_send && g && static_cast<unsigned char>(c.name[0]) >= 0x80;
    TempFolder ours, theirs;
    write_file((we_send ? ours : theirs).file(c.name), c.bytes);
    PtyPair pty;
    auto argv = we_send ? (g ? gkermit_receive(row.options) : ckermit_receive(pty.device(), row.options))
                        : (g ? gkermit_send(c.name, row.options) : ckermit_send(pty.device(), c.name, row.options));
    PeerProcess process(argv, theirs.path(), g ? pty.device() : std::string());
    sio::FdChannel channel(pty.peer());
    std::string stored = c.name;
    int result = we_send ? sio::kermit_send(channel, ours.file(c.name), nullptr)
                         : sio::kermit_receive(channel, ours.path(), stored, nullptr);
    EXPECT_EQ(result, unnamed ? SIOFT_FOPEN : 0);
    EXPECT_TRUE(process.wait() == 0 || unnamed);
    EXPECT_EQ(stored, unnamed ? "" : c.name);
    TempFolder& receiving = we_send ? theirs : ours;
    EXPECT_EQ(listing(receiving.path()), unnamed ? "" : "[" + c.name + "] ");
    if (!unnamed) {
      EXPECT_TRUE(same_bytes(read_file(receiving.file(c.name)), c.bytes));
    }
  }
}

}  // namespace

TEST(KermitInterop, SendsToEachPeerOption) {
  for (const auto& row : kRows)
    if (!row.peer_sends_only) transfer(row, true);
}
TEST(KermitInterop, ReceivesFromEachPeerOption) {
  for (const auto& row : kRows) transfer(row, false);
}
