// e365sim as a process: its link, and its answers over the pty.
#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

#include "tests/e365sim/sim_process.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_folder.h"

namespace e365sim_test {
namespace {

using test_support::file_exists;
using test_support::write_file;

std::string link_target(const std::string& path) {
  char target[256];
  ssize_t n = readlink(path.c_str(), target, sizeof target);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

// One small memo.
struct Phone : PhoneFolders {
  Phone() { write_file(memos.file("memo01.amr"), "#!AMR\nfirst"); }
};

TEST(Simulator, LinksItsPtyAsComNAndRemovesTheLinkWhenStopped) {
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
    Phone phone;
    // A stale link from an earlier run is replaced.
    ASSERT_EQ(symlink("/dev/nonexistent", phone.folder.file("COM7").c_str()), 0);
    SimProcess sim(phone.args({"--port", "7"}));
    ASSERT_FALSE(sim.device().empty());
    EXPECT_EQ(link_target(phone.folder.file("COM7")), sim.device());
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
  EXPECT_EQ(test_support::read_file(phone.folder.file("COM5")), "a file of the user's");
}

TEST(Simulator, AnswersOverItsPtyAndSurvivesTheToolReopeningThePort) {
  Phone phone;
  SimProcess sim(phone.args({"--error-on", "AT+GMR"}));
  ASSERT_FALSE(sim.device().empty());
  // How a listing reads is the dialogue's test; here the folder is looked at afresh for each.
  const std::string list = "AT%PCTL=DIR /Voice Memo";
  EXPECT_NE(PhoneClient(phone.folder.file("COM5")).command(list).find("\r\nmemo01 | FRW | 11\r\n"), std::string::npos);
  // The tool closes the port and opens it again: the phone is still there, and a memo added
  // meanwhile is listed.
  write_file(phone.memos.file("later.amr"), "12");
  PhoneClient again(phone.folder.file("COM5"));
  const std::string listing = again.command(list);
  EXPECT_NE(listing.find("\r\nlater | FRW | 2\r\n"), std::string::npos) << listing;
  // Two lines in one write, and a line in pieces, are each answered.
  test_support::write_all(again.fd(), "ATZ\rAT+GMM\r");
  EXPECT_EQ(read_until(again.fd(), {"E365\r\n\r\nOK\r\n"}, 5000), "ATZ\r\r\nOK\r\nAT+GMM\r\r\nE365\r\n\r\nOK\r\n");
  test_support::write_all(again.fd(), "AT+G");
  EXPECT_EQ(test_support::read_for(again.fd(), 1, 200), "");
  EXPECT_EQ(again.command("MR"), "AT+GMR\r\r\nERROR\r\n");  // as told to refuse it
}

}  // namespace
}  // namespace e365sim_test
