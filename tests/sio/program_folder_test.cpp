#include "sio/program_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "tests/support/temp_folder.h"

namespace {

bool is_folder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A build tree keeps its files beside the program; an installed program gets a folder per user.
TEST(ProgramFolder, InstalledProgramsUseAFolderOfTheUsersOwn) {
  test_support::TempFolder home;
  setenv("HOME", home.path().c_str(), 1);
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(sio::user_folder_for(home.path()), home.path());

  const std::string per_user = home.path() + "/.local/share/vokarel";
  EXPECT_EQ(sio::user_folder_for("/usr/bin"), per_user);
  EXPECT_TRUE(is_folder(per_user));

  const std::string data_home = home.path() + "/data";
  setenv("XDG_DATA_HOME", data_home.c_str(), 1);
  EXPECT_EQ(sio::user_folder_for("/usr/local/bin"), data_home + "/vokarel");
  EXPECT_TRUE(is_folder(data_home + "/vokarel"));
  unsetenv("XDG_DATA_HOME");
}

}  // namespace
