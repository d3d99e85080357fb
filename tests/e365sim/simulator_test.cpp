// e365sim as a process: its link, its answers over the pty, and its fault modes.
#include <gtest/gtest.h>

#include <chrono>
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

// Two small memos.
struct Phone : PhoneFolders {
  Phone() {
    write_file(memos.file("memo01.amr"), "#!AMR\nfirst");
    write_file(memos.file("\xD0\x97\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD1\x8C \xD1\x91.amr"), "#!AMR\n");  // Запись ё
  }
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
  SimProcess sim(phone.args());
  ASSERT_FALSE(sim.device().empty());
  {
    PhoneClient client(phone.folder.file("COM5"));
    EXPECT_EQ(client.command("AT%PCTL=DIR /Voice Memo"),
              "AT%PCTL=DIR /Voice Memo\r\r\n"
              "memo01 | FRW | 11\r\n"
              "\xD0\x97\xD0\xB0\xD0\xBF\xD0\xB8\xD1\x81\xD1\x8C \xD1\x91 | FRW | 6\r\n"
              "Transfer OK\r\n\r\nOK\r\n");
  }
  // The tool closes the port and opens it again: the phone is still there, and a memo added
  // meanwhile is listed.
  write_file(phone.memos.file("later.amr"), "12");
  PhoneClient again(phone.folder.file("COM5"));
  const std::string listing = again.command("AT%PCTL=DIR /Voice Memo");
  EXPECT_NE(listing.find("\r\nlater | FRW | 2\r\n"), std::string::npos) << listing;
  // Two lines in one write, and a line in pieces, are each answered.
  test_support::write_all(again.fd(), "ATZ\rAT+GMM\r");
  EXPECT_EQ(read_until(again.fd(), {"E365\r\n\r\nOK\r\n"}, 5000), "ATZ\r\r\nOK\r\nAT+GMM\r\r\nE365\r\n\r\nOK\r\n");
  test_support::write_all(again.fd(), "AT+G");
  EXPECT_EQ(test_support::read_for(again.fd(), 1, 200), "");
  EXPECT_EQ(again.command("MR"), "AT+GMR\r\r\nR365_G_0B.A0.1DR\r\n\r\nOK\r\n");
}

TEST(Simulator, FaultModesForTheModelErrorsAndGet) {
  Phone phone;
  SimProcess sim(phone.args({"--model", "V300", "--error-on", "AT+GMR", "--silent-get", "--extra-memo", "../x",
                             "--extra-memo", "a/b"}));
  PhoneClient client(phone.folder.file("COM5"));
  EXPECT_EQ(client.command("AT+GMM"), "AT+GMM\r\r\nV300\r\n\r\nOK\r\n");
  EXPECT_EQ(client.command("AT+GMR"), "AT+GMR\r\r\nERROR\r\n");
  std::string listing = client.command("AT%PCTL=DIR /Voice Memo");
  EXPECT_TRUE(listing.ends_with("\r\n../x | FRW | 56\r\na/b | FRW | 56\r\nTransfer OK\r\n\r\nOK\r\n")) << listing;
  // No answer to GET: the echo and then silence.
  test_support::write_all(client.fd(), "AT%PCTL=GET /Voice Memo/memo01\r");
  EXPECT_EQ(read_until(client.fd(), {"\r"}, 5000), "AT%PCTL=GET /Voice Memo/memo01\r");
  EXPECT_EQ(test_support::read_for(client.fd(), 1, 1000), "");
  EXPECT_EQ(client.command("ATZ"), "ATZ\r\r\nOK\r\n");
}

TEST(Simulator, PacesItsAnswersToTheSpeedTheToolSet) {
  Phone phone;
  std::vector<std::string> args = phone.args();
  args.pop_back();  // pacing on
  SimProcess sim(args);
  // 2400 bit/s carry 240 bytes a second: the 110-byte listing takes about half a second.
  PhoneClient client(phone.folder.file("COM5"), B2400);
  auto start = std::chrono::steady_clock::now();
  std::string listing = client.command("AT%PCTL=DIR /Voice Memo", 20000);
  auto took = std::chrono::steady_clock::now() - start;
  ASSERT_TRUE(listing.ends_with("\r\nOK\r\n")) << listing;
  EXPECT_GE(took, std::chrono::milliseconds(listing.size() * 1000 / 240 * 3 / 4)) << listing.size();
}

}  // namespace
}  // namespace e365sim_test
