#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <gtest/gtest.h>

#include "fileutil/cls_open_file.h"
#include "tests/fileutil/counting.h"
#include "tests/support/temp_folder.h"

using namespace test_support;

TEST(CopyFile, TheFlagMeansFailIfItExists) {
  TempFolder folder;
  const std::string source = folder.file("source");
  const std::string target = folder.file("target");
  write_file(source, std::string("new\0bytes", 9));
  chmod(source.c_str(), 0600);

  write_file(target, "old content, longer");
  EXPECT_FALSE(clsOpenFile().CopyFile(source, target, true));
  EXPECT_EQ(read_file(target), "old content, longer");

  EXPECT_TRUE(clsOpenFile().CopyFile(source, target, false));
  EXPECT_EQ(read_file(target), std::string("new\0bytes", 9));
  EXPECT_EQ(read_file(source), std::string("new\0bytes", 9));
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  // A fresh name takes the copy in either sense.
  EXPECT_TRUE(clsOpenFile().CopyFile(source, folder.file("fresh1"), true));
  EXPECT_TRUE(clsOpenFile().CopyFile(source, folder.file("fresh2"), false));
  EXPECT_EQ(read_file(folder.file("fresh1")), read_file(source));
  EXPECT_EQ(read_file(folder.file("fresh2")), read_file(source));

  // An empty file copies as an empty file.
  write_file(folder.file("empty"), "");
  EXPECT_TRUE(clsOpenFile().CopyFile(folder.file("empty"), folder.file("empty copy"), true));
  EXPECT_TRUE(file_exists(folder.file("empty copy")));
  EXPECT_EQ(read_file(folder.file("empty copy")), "");

  // What cannot be copied fails and leaves nothing behind.
  ASSERT_EQ(mkdir(folder.file("dir").c_str(), 0755), 0);
  EXPECT_FALSE(clsOpenFile().CopyFile(folder.file("missing"), folder.file("x"), false));
  EXPECT_FALSE(clsOpenFile().CopyFile(folder.file("dir"), folder.file("x"), false));
  EXPECT_FALSE(clsOpenFile().CopyFile(source, folder.file("dir"), false));
  EXPECT_FALSE(clsOpenFile().CopyFile(source, folder.file("no/such"), false));
  EXPECT_TRUE(std::filesystem::is_directory(folder.file("dir")));
  EXPECT_EQ(entries_in(folder.path()), 7u);
}

TEST(DeleteFile, RemovesFilesOnly) {
  TempFolder folder;
  write_file(folder.file("memo"), "x");
  write_file(folder.file("read-only"), "x");
  chmod(folder.file("read-only").c_str(), 0444);
  ASSERT_EQ(mkdir(folder.file("dir").c_str(), 0755), 0);

  EXPECT_TRUE(clsOpenFile().DeleteFile(folder.file("memo")));
  EXPECT_FALSE(file_exists(folder.file("memo")));
  EXPECT_FALSE(clsOpenFile().DeleteFile(folder.file("memo")));
  EXPECT_TRUE(clsOpenFile().DeleteFile(folder.file("read-only")));
  EXPECT_FALSE(clsOpenFile().DeleteFile(folder.file("dir")));
  EXPECT_TRUE(std::filesystem::is_directory(folder.file("dir")));
  EXPECT_FALSE(clsOpenFile().DeleteFile(""));
}
