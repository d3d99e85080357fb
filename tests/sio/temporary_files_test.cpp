// Temporary files of receives in one folder shared by several copies of the program: the cleanup
// removes what a dead program left and nothing a running one holds.
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sio/incoming_file.h"
#include "sio/temporary_files.h"
#include "tests/support/temp_folder.h"

using namespace test_support;

namespace {

// A child process that starts receiving `target` with the library's own file and then either
// dies at once (its temporary file stays, unlocked) or keeps receiving until it is killed.
pid_t StartReceiver(const std::string& target, bool keep_running) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    auto* file = new sio::IncomingFile;  // never destroyed: the program dies with it open
    const bool opened = file->open(target) == 0;
    [[maybe_unused]] auto written = write(ready[1], opened ? "1" : "0", 1);
    if (keep_running) {
      alarm(60);  // ends it should the test stop before killing it
      pause();
    }
    _exit(0);
  }
  close(ready[1]);
  char opened = '0';
  [[maybe_unused]] auto got = read(ready[0], &opened, 1);
  close(ready[0]);
  return opened == '1' ? pid : -1;
}

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

}  // namespace

TEST(TemporaryFiles, CleanupRemovesWhatADeadProgramLeftAndNothingARunningOneHolds) {
  TempFolder folder;
  write_file(folder.file("memo01"), "the user's");
  write_file(folder.file(".sio-receive-"), "not ours: no unique part");
  const pid_t dead = StartReceiver(folder.file("dead"), false);
  const pid_t running = StartReceiver(folder.file("running"), true);
  ASSERT_GT(dead, 0);
  ASSERT_GT(running, 0);
  ASSERT_EQ(waitpid(dead, nullptr, 0), dead);
  const std::set<std::string> before = Names(folder.path());
  ASSERT_EQ(before.size(), 4u);

  EXPECT_EQ(sio::remove_stale_temporaries(folder.path()), 1);
  const std::set<std::string> after = Names(folder.path());
  EXPECT_EQ(after.size(), 3u);
  EXPECT_TRUE(after.count("memo01") && after.count(".sio-receive-"));
  EXPECT_EQ(read_file(folder.file("memo01")), "the user's");

  // Once the running program is gone too, its file goes as well.
  kill(running, SIGKILL);
  ASSERT_EQ(waitpid(running, nullptr, 0), running);
  EXPECT_EQ(sio::remove_stale_temporaries(folder.path()), 1);
  EXPECT_EQ(Names(folder.path()), (std::set<std::string>{"memo01", ".sio-receive-"}));
}
