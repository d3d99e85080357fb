// Our ZMODEM against lrzsz's sz and rz, each running on the device side of a pty pair, in
// both directions; and through a relay that damages the line.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "sio/sio.h"
#include "sio/transfers.h"
#include "sio/zmodem/receiver.h"
#include "tests/support/child_process.h"
#include "tests/support/link_relay.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_folder.h"
#include "tests/zmodem/memory_session.h"

using namespace test_support;

namespace {

const std::string kCyrillic = "\xD0\x97\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD1\x8C \xE2\x84\x96" "1.amr";  // "Запись №1.amr"

struct Case {
  std::string name;
  std::string content;
};

std::vector<Case> cases() {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  auto random = zmodem_test::random_bytes(1 << 20, 77);
  return {{"empty.bin", ""},
          {"small.txt", "less than one subpacket\r\n"},
          {"all-bytes.bin", all + all},
          {"random.bin", std::string(random.begin(), random.end())},
          {kCyrillic, "memo"}};
}

std::size_t files_in(const std::string& folder) {
  auto it = std::filesystem::directory_iterator(folder);
  return static_cast<std::size_t>(std::distance(it, std::filesystem::directory_iterator{}));
}

// One end of a line: the device side where lrzsz runs, and the descriptor our end uses.
struct Line {
  PtyPair near, far;  // `far` exists only with a relay between them
  std::unique_ptr<LinkRelay> relay;
  explicit Line(const LinkFaults* faults = nullptr) {
    if (faults) relay = std::make_unique<LinkRelay>(near.peer(), far.peer(), 0, *faults);
  }
  // Starts lrzsz on the device side; our copy of that side is closed, so that a direct line
  // hangs up when lrzsz ends.
  std::unique_ptr<ChildProcess> start(const std::vector<std::string>& argv, const std::string& cwd) {
    auto child = std::make_unique<ChildProcess>(argv, near.device_fd(), cwd);
    near.close_device();
    return child;
  }
  int our_fd() const { return relay ? far.device_fd() : near.peer(); }
};

// sz's and rz's options that change what crosses the line, one row each. The first row of
// each program carries every case, the others every byte value and random bytes.
struct PeerRow {
  std::vector<std::string> argv;  // "-q" and, for sz, the file name follow
  bool every_case = false;
  std::size_t resume_from = 0;    // rz holds this much of the file already
};

const PeerRow kRows[] = {
    {{"sz"}, true},                // 32-bit CRCs, 1 KiB subpackets, streamed
    {{"sz", "-e"}},                // every control character escaped; ZSINIT in hex, its subpacket after it
    {{"sz", "-o"}},                // 16-bit CRCs
    {{"sz", "-l", "64"}},          // 64-byte subpackets (its -L leaves them at 1 KiB)
    {{"sz", "-w", "2048"}},        // a 2 KiB window: ZCRCQ subpackets that want a ZACK
    {{"sz", "--start-8k"}},        // 8 KiB subpackets
    {{"sz", "-T"}},                // DLE and CR after '@' go bare
    {{"sz", "-a"}},                // asks the receiver to convert line ends: we keep the bytes
    {{"env", "ZNULLS=64", "sz"}},  // nulls before each data frame
    {{"rz"}, true},
    {{"rz", "-e"}},                // its ZRINIT asks for every control character escaped
    {{"rz", "-S"}},                // its ZRINIT asks for a time sync, which we do not offer
    {{"rz", "-r"}, false, 40000},  // resumes: the first ZRPOS is past 0
};

std::vector<Case> cases_for(const PeerRow& row) {
  auto all = cases();
  if (row.every_case) return all;
  return {{"mixed.bin", all[2].content + all[3].content.substr(0, 200000)}};
}

}  // namespace

TEST(ZmodemLrzsz, TransfersWithEachPeerOption) {
  for (const auto& row : kRows) {
    bool we_send = row.argv[0] == "rz";
    for (const auto& c : cases_for(row)) {
      SCOPED_TRACE(testing::PrintToString(row.argv) + c.name);
      TempFolder from, to;
      write_file(from.file(c.name), c.content);
      if (row.resume_from) write_file(to.file(c.name), c.content.substr(0, row.resume_from));
      Line line;
      auto argv = row.argv;
      argv.push_back("-q");
      if (!we_send) argv.push_back(c.name);
      auto peer = line.start(argv, we_send ? to.path() : from.path());
      sio::FdChannel channel(line.our_fd());
      std::string stored = c.name;
      EXPECT_EQ(we_send ? sio::zmodem_send(channel, from.file(c.name), {})
                        : sio::zmodem_receive(channel, to.path(), stored, {}),
                SIOFT_OK);
      EXPECT_EQ(peer->wait(10000), 0);
      EXPECT_EQ(stored, c.name);
      EXPECT_TRUE(read_file(to.file(c.name)) == c.content);
      EXPECT_EQ(files_in(to.path()), 1u);
    }
  }
}

// sz -c waits for the command's status, sz -i for its receipt, which carries the status too:
// nothing runs here, and the session stores nothing.
TEST(ZmodemLrzsz, RunsNoCommandSzSends) {
  for (std::string form : {"-c", "-i"}) {
    TempFolder to;
    Line line;
    auto sz = line.start({"sz", "-q", form, "touch ran"}, to.path());
    sio::FdChannel channel(line.our_fd());
    std::string stored;
    EXPECT_LT(sio::zmodem_receive(channel, to.path(), stored, {}), 0) << form;
    EXPECT_EQ(sz->wait(10000), static_cast<int>(sio::zmodem::Receiver::kCommandRefused)) << form;
    EXPECT_EQ(files_in(to.path()), 0u) << form;
  }
}

TEST(ZmodemLrzsz, BatchStoresTheFirstFileAndCancelEndsTheSession) {
  TempFolder from, to;
  write_file(from.file("first"), "1111");
  write_file(from.file("second"), "2222");
  {
    Line line;
    auto sz = line.start({"sz", "-q", "first", "second"}, from.path());
    sio::FdChannel channel(line.our_fd());
    std::string stored;
    EXPECT_EQ(sio::zmodem_receive(channel, to.path(), stored, {}), SIOFT_OK);
    sz->wait(10000);
    EXPECT_EQ(read_file(to.file("first")), "1111");
    EXPECT_FALSE(file_exists(to.file("second")));
  }
  // sz stopped in the middle cancels the session: -6 and nothing left behind.
  TempFolder empty;
  auto big = zmodem_test::random_bytes(8 << 20, 3);
  write_file(from.file("big"), std::string(big.begin(), big.end()));
  Line line;
  auto sz = line.start({"sz", "-q", "big"}, from.path());
  sio::FdChannel channel(line.our_fd());
  std::string stored;
  bool interrupted = false;
  int result = sio::zmodem_receive(channel, empty.path(), stored, [&](long done, long) {
    if (done > 0 && !interrupted) {
      sz->signal(SIGTERM);
      interrupted = true;
    }
    return 0;
  });
  if (interrupted) {
    // Its cancel sequence, or its hang-up when a pty drops the cancel on its way out.
    EXPECT_TRUE(result == SIOFT_CANABORT || result == SIOFT_WIN32FAIL) << result;
    EXPECT_EQ(files_in(empty.path()), 0u);
  } else {
    EXPECT_EQ(result, SIOFT_OK);  // the whole file came before a report was due
  }
}

TEST(ZmodemLrzsz, DamagedLineNeverGivesAWrongFile) {
  auto content = zmodem_test::random_bytes(24000, 5);
  std::string data(content.begin(), content.end());
  int good = 0;
  for (std::uint32_t seed = 1; seed <= 2; ++seed) {
    LinkFaults faults{seed, 2000, 20000};
    for (bool we_send : {false, true}) {
      TempFolder from, to;
      write_file(from.file("f.bin"), data);
      Line line(&faults);
      int result;
      if (we_send) {
        auto rz = line.start({"rz", "-q"}, to.path());
        sio::FdChannel channel(line.our_fd());
        result = sio::zmodem_send(channel, from.file("f.bin"), {});
        int rz_status = rz->wait(60000);
        if (result == SIOFT_OK && rz_status == 0) {
          EXPECT_TRUE(read_file(to.file("f.bin")) == data) << seed;
        }
      } else {
        auto sz = line.start({"sz", "-q", "f.bin"}, from.path());
        sio::FdChannel channel(line.our_fd());
        std::string stored;
        result = sio::zmodem_receive(channel, to.path(), stored, {});
        sz->wait(60000);
        if (result == SIOFT_OK) EXPECT_TRUE(read_file(to.file("f.bin")) == data) << seed;
        else EXPECT_EQ(files_in(to.path()), 0u) << seed;
      }
      good += result == SIOFT_OK;
    }
  }
  EXPECT_GE(good, 3);  // most sessions get through such a line
}
