#include <sys/stat.h>

#include <filesystem>

#include "tests/fileutil/in_temp_folder.h"

using CopyFile = InTempFolder;
using DeleteFile = InTempFolder;

TEST_F(CopyFile, TheFlagMeansFailIfItExists) {
  const std::string bytes("new\0bytes", 9);
  const std::string source = put("source", bytes);
  chmod(source.c_str(), 0600);
  const std::string target = put("target", "old content, longer");

  EXPECT_FALSE(file.CopyFile(source, target, true));
  EXPECT_EQ(read_file(target), "old content, longer");
  EXPECT_TRUE(file.CopyFile(source, target, false));
  EXPECT_EQ(read_file(target), bytes);
  EXPECT_EQ(read_file(source), bytes);
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A fresh name takes the copy that keeps an existing one; an empty file copies as one.
  EXPECT_TRUE(file.CopyFile(source, at("fresh"), true));
  EXPECT_EQ(read_file(at("fresh")), bytes);
  EXPECT_TRUE(file.CopyFile(put("empty", ""), at("empty copy"), true));
  EXPECT_TRUE(file_exists(at("empty copy")));
  EXPECT_EQ(read_file(at("empty copy")), "");

  // What cannot be copied fails and leaves nothing behind.
  const std::string dir = make_folder("dir");
  EXPECT_FALSE(file.CopyFile(at("missing"), at("x"), false));
  EXPECT_FALSE(file.CopyFile(dir, at("x"), false));
  EXPECT_FALSE(file.CopyFile(source, dir, false));
  EXPECT_FALSE(file.CopyFile(source, at("no/such"), false));
  EXPECT_TRUE(std::filesystem::is_directory(dir));
  EXPECT_EQ(entries_in(folder.path()), 6u);
}

TEST_F(DeleteFile, RemovesFilesOnly) {
  const std::string memo = put("memo", "x");
  chmod(put("read-only", "x").c_str(), 0444);
  const std::string dir = make_folder("dir");

  EXPECT_TRUE(file.DeleteFile(memo));
  EXPECT_FALSE(file_exists(memo));
  EXPECT_FALSE(file.DeleteFile(memo));
  EXPECT_TRUE(file.DeleteFile(at("read-only")));
  EXPECT_FALSE(file.DeleteFile(dir));
  EXPECT_TRUE(std::filesystem::is_directory(dir));
}
