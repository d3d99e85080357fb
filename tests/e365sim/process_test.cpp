// e365sim as a process: its link, its answers over the pty, and the memos it sends by ZMODEM,
// received through our own ZMODEM receive as the tool does: the receive starts first and the GET
// line goes out from its progress callback.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <unistd.h>

#include "sio/sio.h"
#include "sio/transfers.h"
#include "tools/e365sim/sim_process.h"
#include "tools/testbed/pty_pair.h"
#include "tools/testbed/temp_folder.h"

namespace e365sim_client {
namespace {

using testbed::file_exists;
using testbed::TempFolder;
using testbed::write_file;

const std::string kGet = "AT%PCTL=GET /Voice Memo/";

struct Phone : PhoneFolders {
  TempFolder received;
  std::string content;  // every byte value, ZMODEM's escaped ones included
  Phone() {
    for (int i = 0; i < 20000; ++i) content.push_back(static_cast<char>((i * 7 + i / 256) & 0xFF));
    write_file(memos.file("memo01.amr"), content);
  }
};

struct Download {
  int result = 0;
  std::string stored_name;
};

// Downloads `name` the tool's way into `folder`; `progress` hears the bytes received so far.
Download download(PhoneClient& client, const std::string& name, const std::string& folder,
                  const std::function<void(long)>& progress = {}) {
  sio::FdChannel channel(client.fd());
  Download got;
  bool asked = false;
  got.result = sio::zmodem_receive(channel, folder, got.stored_name, [&](long done, long) {
    if (!asked) testbed::write_all(client.fd(), kGet + name + "\r");
    asked = true;
    if (progress) progress(done);
    return 0;
  });
  return got;
}

// The download succeeded and left `bytes` in the folder under `stored_name`.
void expect_received(const Download& got, const std::string& folder, const std::string& stored_name,
                     const std::string& bytes) {
  ASSERT_EQ(got.result, SIOFT_OK);
  EXPECT_EQ(got.stored_name, stored_name);
  EXPECT_EQ(testbed::read_file(folder + "/" + stored_name), bytes);
}

// A cut transfer fails and leaves no file; after a cancel the phone reports ERROR and answers
// again, after a hang-up it ends and removes its link.
TEST(SimulatorGet, CancelsOrHangsUpAfterNBytes) {
  for (const std::string cut : {"--cancel-after", "--hangup-after"}) {
    SCOPED_TRACE(cut);
    Phone phone;
    SimProcess sim(phone.args({cut, "5000"}));
    PhoneClient client(phone.folder.file("COM5"));
    const int result = download(client, "memo01", phone.received.path()).result;
    EXPECT_FALSE(file_exists(phone.received.file("memo01")));
    if (cut == "--cancel-after") {
      EXPECT_EQ(result, SIOFT_CANABORT);
      EXPECT_TRUE(read_until(client.fd(), {"\r\nERROR\r\n"}, 5000).ends_with("\r\nERROR\r\n"));
      EXPECT_EQ(client.command("ATZ"), "ATZ\r\r\nOK\r\n");
      continue;
    }
    EXPECT_LT(result, 0);
    pollfd pfd{client.fd(), POLLIN, 0};
    ASSERT_EQ(poll(&pfd, 1, 1000), 1);
    EXPECT_TRUE(pfd.revents & POLLHUP);
    EXPECT_EQ(sim.stop(0), 0);
    EXPECT_FALSE(file_exists(phone.folder.file("COM5")));
  }
}


TEST(SimulatorGet, ARecoveringReceiverGetsTheExactBytesThroughLightNoise) {
  Phone phone;
  // How far the streaming sender runs ahead of a damaged frame depends on the scheduling, and
  // with it how many bytes pass the noisy line and which of them it hits. A fixed number of
  // faults bounds the recovery work, however the machine schedules the two ends.
  SimProcess sim(phone.args({"--noise", "0.001", "--drop", "0.0005", "--seed", "11", "--fault-limit", "20",
                             "--extra-memo", "../x"}));
  PhoneClient client(phone.folder.file("COM5"));
  const std::string into = phone.received.path();
  expect_received(download(client, "memo01", into), into, "memo01", phone.content);
  // Back in the dialogue, which itself stays clean: the phone reports the transfer and answers again.
  EXPECT_EQ(read_until(client.fd(), {"\r\nOK\r\n"}, 5000), "\r\nOK\r\n");
  EXPECT_EQ(client.command("AT+GMM"), "AT+GMM\r\r\nE365\r\n\r\nOK\r\n");
  // A name no file can have is listed and sent; its announcement keeps only what a file
  // name can carry. (That a long name is announced by its first 30 bytes is the dialogue's test.)
  expect_received(download(client, "../x", into), into, "x", "#!AMR\n" + std::string(50, '\x7C'));
}

TEST(Simulator, LinksItsPtyAsComNAndRemovesTheLinkWhenStopped) {
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
    Phone phone;
    // A stale link from an earlier run is replaced.
    ASSERT_EQ(symlink("/dev/nonexistent", phone.folder.file("COM7").c_str()), 0);
    SimProcess sim(phone.args({"--port", "7"}));
    ASSERT_FALSE(sim.device().empty());
    EXPECT_EQ(std::filesystem::read_symlink(phone.folder.file("COM7")), sim.device());
    EXPECT_FALSE(file_exists(phone.folder.file("COM5")));
    {
      PhoneClient client(phone.folder.file("COM7"));
      EXPECT_EQ(client.command("ATZ"), "ATZ\r\r\nOK\r\n");
    }
    EXPECT_EQ(sim.stop(signal_number), 0) << signal_number;
    EXPECT_FALSE(file_exists(phone.folder.file("COM7"))) << signal_number;
  }
}

TEST(Simulator, RefusesToReplaceAnythingButALink) {
  Phone phone;
  write_file(phone.folder.file("COM5"), "a file of the user's");
  SimProcess sim(phone.args());
  EXPECT_TRUE(sim.device().empty());
  EXPECT_NE(sim.stop(0), 0);
  EXPECT_EQ(testbed::read_file(phone.folder.file("COM5")), "a file of the user's");
}

TEST(Simulator, AnswersOverItsPtyAndSurvivesTheToolReopeningThePort) {
  Phone phone;
  SimProcess sim(phone.args({"--error-on", "AT+GMR"}));
  ASSERT_FALSE(sim.device().empty());
  // How a listing reads is the dialogue's test; here the folder is looked at afresh for each.
  const std::string list = "AT%PCTL=DIR /Voice Memo";
  const std::string first = PhoneClient(phone.folder.file("COM5")).command(list);
  EXPECT_NE(first.find("\r\nmemo01 | FRW | 20000\r\n"), std::string::npos) << first;
  // The tool closes the port and opens it again: the phone is still there, and a memo added
  // meanwhile is listed.
  write_file(phone.memos.file("later.amr"), "12");
  PhoneClient again(phone.folder.file("COM5"));
  const std::string listing = again.command(list);
  EXPECT_NE(listing.find("\r\nlater | FRW | 2\r\n"), std::string::npos) << listing;
  // Two lines in one write, and a line in pieces, are each answered.
  testbed::write_all(again.fd(), "ATZ\rAT+GMM\r");
  EXPECT_EQ(read_until(again.fd(), {"E365\r\n\r\nOK\r\n"}, 5000), "ATZ\r\r\nOK\r\nAT+GMM\r\r\nE365\r\n\r\nOK\r\n");
  testbed::write_all(again.fd(), "AT+G");
  EXPECT_EQ(testbed::read_for(again.fd(), 1, 200), "");
  EXPECT_EQ(again.command("MR"), "AT+GMR\r\r\nERROR\r\n");  // as told to refuse it
}

}  // namespace
}  // namespace e365sim_client
