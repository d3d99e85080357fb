// Temporary files of receives in one folder shared by several copies of the program: the cleanup
// removes what a dead program left and nothing a running one holds.
#include <gtest/gtest.h>
#include <set>

#include "sio/incoming_file.h"
#include "sio/temporary_files.h"
#include "tests/sio/other_program.h"
#include "tools/testbed/temp_folder.h"

using namespace testbed;

namespace {

std::set<std::string> Names(const std::string& folder) {
  const std::vector<std::string> names = names_in(folder);
  return {names.begin(), names.end()};
}

}  // namespace

TEST(TemporaryFiles, CleanupRemovesWhatADeadProgramLeftAndNothingARunningOneHolds) {
  TempFolder folder;
  write_file(folder.file("memo01"), "the user's");
  write_file(folder.file(".sio-receive-"), "not ours: no unique part");
  // Programs that started receiving with the library's own file, never closed: one has died since.
  const auto receiving = [&](const std::string& target) { (new sio::IncomingFile)->open(folder.file(target)); };
  stop_holder(start_holder([&] { receiving("dead"); }));
  const pid_t running = start_holder([&] { receiving("running"); });
  ASSERT_EQ(Names(folder.path()).size(), 4u);

  EXPECT_EQ(sio::remove_stale_temporaries(folder.path()), 1);
  const std::set<std::string> after = Names(folder.path());
  EXPECT_EQ(after.size(), 3u);
  EXPECT_TRUE(after.count("memo01") && after.count(".sio-receive-"));
  EXPECT_EQ(read_file(folder.file("memo01")), "the user's");

  // Once the running program is gone too, its file goes as well.
  stop_holder(running);
  EXPECT_EQ(sio::remove_stale_temporaries(folder.path()), 1);
  EXPECT_EQ(Names(folder.path()), (std::set<std::string>{"memo01", ".sio-receive-"}));
}
