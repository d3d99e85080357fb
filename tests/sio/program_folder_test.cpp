#include "sio/program_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tools/testbed/temp_folder.h"

// A build tree keeps its files beside the program; an installed program gets a folder per user.
TEST(ProgramFolder, InstalledProgramsUseAFolderOfTheUsersOwn) {
  testbed::TempFolder home;
  setenv("HOME", home.path().c_str(), 1);
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(sio::user_folder_for(home.path()), home.path());

  const std::string per_user = home.path() + "/.local/share/vokarel";
  EXPECT_EQ(sio::user_folder_for("/usr/bin"), per_user);
  EXPECT_TRUE(std::filesystem::is_directory(per_user));

  const std::string data_home = home.path() + "/data";
  setenv("XDG_DATA_HOME", data_home.c_str(), 1);
  EXPECT_EQ(sio::user_folder_for("/usr/local/bin"), data_home + "/vokarel");
  EXPECT_TRUE(std::filesystem::is_directory(data_home + "/vokarel"));
  unsetenv("XDG_DATA_HOME");
}

