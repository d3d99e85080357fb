// Our ZMODEM against lrzsz's sz and rz, each running on the device side of a pty pair, in
// both directions; and through a relay that damages the line.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "sio/sio.h"
#include "sio/transfers.h"
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

}  // namespace

TEST(ZmodemLrzsz, ReceivesWhatSzSends) {
  for (const auto& c : cases()) {
    TempFolder from, to;
    write_file(from.file(c.name), c.content);
    Line line;
    auto sz = line.start({"sz", "-q", c.name}, from.path());
    sio::FdChannel channel(line.our_fd());
    std::string stored;
    EXPECT_EQ(sio::zmodem_receive(channel, to.path(), stored, {}), SIOFT_OK) << c.name;
    EXPECT_EQ(sz->wait(10000), 0) << c.name;
    EXPECT_EQ(stored, c.name);
    EXPECT_TRUE(read_file(to.file(c.name)) == c.content) << c.name;
    EXPECT_EQ(files_in(to.path()), 1u);
  }
}

TEST(ZmodemLrzsz, SendsWhatRzReceives) {
  for (const auto& c : cases()) {
    TempFolder from, to;
    write_file(from.file(c.name), c.content);
    Line line;
    auto rz = line.start({"rz", "-q"}, to.path());
    sio::FdChannel channel(line.our_fd());
    EXPECT_EQ(sio::zmodem_send(channel, from.file(c.name), {}), SIOFT_OK) << c.name;
    EXPECT_EQ(rz->wait(10000), 0) << c.name;
    EXPECT_TRUE(file_exists(to.file(c.name))) << c.name;
    EXPECT_TRUE(read_file(to.file(c.name)) == c.content) << c.name;
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
