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

// We send each case to the peer, which stores it in its folder.
void send_to(Peer peer) {
  for (const auto& c : cases()) {
    SCOPED_TRACE(c.name);
    TempFolder ours, theirs;
    write_file(ours.file(c.name), c.bytes);
    PtyPair pty;
    PeerProcess process(peer == Peer::GKermit ? gkermit_receive() : ckermit_receive(pty.device()), theirs.path(),
                        peer == Peer::GKermit ? pty.device() : std::string());
    sio::FdChannel channel(pty.peer());
    EXPECT_EQ(sio::kermit_send(channel, ours.file(c.name), nullptr), 0);
    EXPECT_EQ(process.wait(), 0);
    EXPECT_TRUE(same_bytes(read_file(theirs.file(c.name)), c.bytes)) << listing(theirs.path());
  }
}

// The peer sends each case; we store it under its announced name. G-Kermit cannot announce
// names with 8-bit characters (it sends an empty name): that case is refused.
void receive_from(Peer peer) {
  for (const auto& c : cases()) {
    if (peer == Peer::GKermit && static_cast<unsigned char>(c.name[0]) >= 0x80) continue;
    SCOPED_TRACE(c.name);
    TempFolder ours, theirs;
    write_file(theirs.file(c.name), c.bytes);
    PtyPair pty;
    PeerProcess process(peer == Peer::GKermit ? gkermit_send(c.name) : ckermit_send(pty.device(), c.name),
                        theirs.path(), peer == Peer::GKermit ? pty.device() : std::string());
    sio::FdChannel channel(pty.peer());
    std::string stored;
    EXPECT_EQ(sio::kermit_receive(channel, ours.path(), stored, nullptr), 0);
    EXPECT_EQ(stored, c.name);
    EXPECT_EQ(process.wait(), 0);
    EXPECT_TRUE(file_exists(ours.file(c.name)));
    EXPECT_TRUE(same_bytes(read_file(ours.file(c.name)), c.bytes));
  }
}

}  // namespace

TEST(KermitInterop, SendsToGKermit) { send_to(Peer::GKermit); }
TEST(KermitInterop, ReceivesFromGKermit) { receive_from(Peer::GKermit); }

TEST(KermitInterop, RefusesTheEmptyNameGKermitAnnouncesForCyrillic) {
  TempFolder ours, theirs;
  const std::string name = "Запись.amr";
  write_file(theirs.file(name), "data");
  PtyPair pty;
  PeerProcess process(gkermit_send(name), theirs.path(), pty.device());
  sio::FdChannel channel(pty.peer());
  std::string stored;
  EXPECT_EQ(sio::kermit_receive(channel, ours.path(), stored, nullptr), SIOFT_FOPEN);
  EXPECT_EQ(stored, "");
  process.wait();
  EXPECT_EQ(listing(ours.path()), "");
}
TEST(KermitInterop, SendsToCKermit) { send_to(Peer::CKermit); }
TEST(KermitInterop, ReceivesFromCKermit) { receive_from(Peer::CKermit); }
