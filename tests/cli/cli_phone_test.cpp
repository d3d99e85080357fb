// vokarel-cli as a child process against the phone simulator: what it saves, skips and refuses,
// what it says, and its exit status.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "tools/e365sim/sim_process.h"
#include "tools/testbed/temp_folder.h"

namespace {

using testbed::names_in;
using testbed::read_file;

std::string Sample(const std::string& name) { return read_file(std::string(VOKAREL_SAMPLES_DIR) + "/" + name + ".amr"); }

// The work folder holds the simulator's link, the program's output and the memo folder, which is
// the program's current folder.
class CliTest : public testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directory(memos); }

  void StartPhone(std::vector<std::string> args) {
    args.insert(args.end(), {"--folder", work.path()});
    sim = std::make_unique<e365sim_client::SimProcess>(args);
    ASSERT_FALSE(sim->device().empty());
  }

  std::unique_ptr<testbed::ChildProcess> Start(std::vector<std::string> args) {
    args.insert(args.begin(), std::filesystem::path(e365sim_client::simulator_path()).replace_filename("vokarel-cli"));
    const int out = open(work.file("out").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    auto child = std::make_unique<testbed::ChildProcess>(args, out, memos, work.file("err"));
    close(out);
    return child;
  }

  // Runs the program to its end: its exit status, with `out` and `err` what it printed.
  int Run(const std::vector<std::string>& args) {
    const int status = Start(args)->wait(120000);
    out = read_file(work.file("out"));
    err = read_file(work.file("err"));
    return status;
  }

  testbed::TempFolder work;
  const std::string memos = work.file("memos");
  std::unique_ptr<e365sim_client::SimProcess> sim;
  std::string out, err;
};

TEST_F(CliTest, IdentifiesListsAndGetsOneMemoThroughADeviceLink) {
  StartPhone({"--no-pacing"});
  // As a /dev/serial/by-id/ link would be.
  const std::string link = work.file("usb-Motorola_E365-if00");
  std::filesystem::create_symlink(sim->device(), link);
  ASSERT_EQ(Run({"--device", link, "identify"}), 0) << err;
  EXPECT_EQ(out, "Model: E365\nFirmware: R365_G_0B.A0.1DR\n");
  ASSERT_EQ(Run({"--device", link, "list"}), 0) << err;
  EXPECT_EQ(out, "memo01\nЁлка_2006\nЗаметка_1_встреча_с_клиентом\nЗвонок_от_Алёны\nЛекция\nСписок покупок\n");
  ASSERT_EQ(Run({"--device", link, "list", "--json"}), 0) << err;
  EXPECT_NE(out.find("\n{\"name\":\"Лекция\",\"raw\":\"d09bd0b5d0bad186d0b8d18f\"}\n"), std::string::npos) << out;
  ASSERT_EQ(Run({"--device", link, "get", "Лекция"}), 0) << err;
  EXPECT_EQ(names_in(memos), std::vector<std::string>{"Лекция.amr"});
  EXPECT_EQ(read_file(memos + "/Лекция.amr"), Sample("Лекция"));
}

TEST_F(CliTest, GetAllKeepsAnExistingFileAndEveryNameInTheFolder) {
  StartPhone({"--no-pacing", "--extra-memo", "../escaped", "--extra-memo", "sub/escaped"});
  testbed::write_file(memos + "/memo01.amr", "mine");
  EXPECT_EQ(Run({"--device", sim->device(), "get", "--all", "--dir", memos, "--quiet"}), 1) << err;
  EXPECT_EQ(read_file(memos + "/memo01.amr"), "mine");
  for (const char* memo : {"Ёлка_2006", "Заметка_1_встреча_с_клиентом", "Звонок_от_Алёны", "Лекция"})
    EXPECT_EQ(read_file(memos + "/" + memo + ".amr"), Sample(memo)) << memo;
  // Nothing else: no raw file, not the memo with a space in its name, nothing of the extras.
  EXPECT_EQ(names_in(memos).size(), 5u);
  EXPECT_EQ(names_in(work.path()), (std::vector<std::string>{"COM5", "err", "memos", "out"}));
  EXPECT_NE(out.find("skipped memo01: " + memos + "/memo01.amr"), std::string::npos) << out;
  EXPECT_NE(out.find("\n4 saved, 1 skipped, 3 not saved\n"), std::string::npos) << out;
  EXPECT_EQ(err, "");
}

TEST_F(CliTest, APhoneThatHangsUpLeavesTheRestReported) {
  StartPhone({"--no-pacing", "--hangup-after", "4500"});
  EXPECT_EQ(Run({"--device", sim->device(), "get", "Звонок_от_Алёны", "memo01", "Лекция"}), 1);
  EXPECT_EQ(names_in(memos), std::vector<std::string>{"Звонок_от_Алёны.amr"});
  EXPECT_NE(out.find("failed  Лекция: not tried: the phone has gone\n1 saved, 0 skipped, 2 not saved\n"),
            std::string::npos) << out;
}

TEST_F(CliTest, CtrlCAbortsTheRunningTransferAndLeavesNoFile) {
  StartPhone({});  // paced: the large memo takes half a minute
  auto cli = Start({"--device", sim->device(), "get", "Лекция", "memo01"});
  for (int i = 0; i < 400 && read_file(work.file("err")).find("Лекция: ") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  cli->signal(SIGINT);
  EXPECT_EQ(cli->wait(10000), 1);
  EXPECT_EQ(names_in(memos), std::vector<std::string>{});
  EXPECT_NE(read_file(work.file("out")).find("failed  memo01: not tried: interrupted\n"), std::string::npos);
}

TEST_F(CliTest, NoPhoneAndABadCommandLineHaveTheirOwnStatus) {
  EXPECT_EQ(Run({"--port", "256", "list"}), 3);
  EXPECT_NE(err.find("cannot open /dev/ttyS255"), std::string::npos) << err;
  StartPhone({"--no-pacing", "--model", "V300"});
  EXPECT_EQ(Run({"--device", sim->device(), "identify"}), 3);
  EXPECT_NE(err.find("not a Motorola E365: V300"), std::string::npos) << err;
  EXPECT_EQ(Run({"--device", sim->device(), "get"}), 2);
}

}  // namespace
