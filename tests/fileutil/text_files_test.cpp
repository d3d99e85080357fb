#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "fileutil/cls_open_file.h"
#include "tests/fileutil/counting.h"
#include "tests/support/temp_folder.h"

using namespace test_support;

TEST(WFile, WritesOverTheStartAndKeepsTheLength) {
  TempFolder folder;
  const std::string name = folder.file("ten");
  write_file(name, "0123456789");
  const std::size_t descriptors = open_descriptors();
  clsOpenFile file;

  EXPECT_TRUE(file.WFile(name, "abc"));
  EXPECT_EQ(read_file(name), "abc3456789");
  EXPECT_EQ(file.GetFileSize(name, true), 10);
  // Bytes go as they are, the phone's code page and zero bytes included.
  EXPECT_TRUE(file.WFile(name, std::string("\xc7\0\xff", 3)));
  EXPECT_EQ(read_file(name), std::string("\xc7\0\xff", 3) + "3456789");
  // A longer text makes the file longer.
  EXPECT_TRUE(file.WFile(name, "twelve bytes"));
  EXPECT_EQ(read_file(name), "twelve bytes");

  EXPECT_FALSE(file.WFile(folder.file("missing"), "abc"));
  EXPECT_FALSE(file_exists(folder.file("missing")));
  ASSERT_EQ(mkdir(folder.file("dir").c_str(), 0755), 0);
  EXPECT_FALSE(file.WFile(folder.file("dir"), "abc"));

  EXPECT_THROW(file.WFile(name, ""), FileUtilError);
  EXPECT_EQ(read_file(name), "twelve bytes");
  EXPECT_EQ(open_descriptors(), descriptors);
}

TEST(RFile, ReadsTheWholeFileAndRefusesMissingOrEmptyOnes) {
  TempFolder folder;
  std::string bytes(200000, 'x');
  bytes[0] = '\0';
  bytes[199999] = '\xff';
  write_file(folder.file("big"), bytes);
  write_file(folder.file("empty"), "");
  const std::size_t descriptors = open_descriptors();
  clsOpenFile file;

  EXPECT_EQ(file.RFile(folder.file("big")), bytes);
  try {
    file.RFile(folder.file("empty"));
    ADD_FAILURE() << "an empty file was read";
  } catch (const FileUtilError& e) {
    EXPECT_EQ(e.kind(), FileUtilError::Kind::ReadFailed);
  }
  EXPECT_THROW(file.RFile(folder.file("missing")), FileUtilError);
  ASSERT_EQ(mkdir(folder.file("dir").c_str(), 0755), 0);
  EXPECT_THROW(file.RFile(folder.file("dir")), FileUtilError);
  EXPECT_EQ(open_descriptors(), descriptors);
}

TEST(Folders, CreateOneFolderAndTellTheCurrentOne) {
  TempFolder folder;
  clsOpenFile file;
  EXPECT_TRUE(file.CreateDirectory(folder.file("memos")));
  EXPECT_FALSE(file.CreateDirectory(folder.file("memos")));
  EXPECT_FALSE(file.CreateDirectory(folder.file("a/b")));
  EXPECT_FALSE(file.CreateDirectory(""));
  struct stat st;
  ASSERT_EQ(stat(folder.file("memos").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));

  // A folder far deeper than 255 characters is told whole.
  std::string deep = folder.path();
  for (int i = 0; i < 30; ++i) {
    deep += "/папка-" + std::to_string(i);
    ASSERT_TRUE(file.CreateDirectory(deep));
  }
  char* previous = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(deep.c_str()), 0);
  const std::string current = file.GetCurrentDirectory();
  ASSERT_EQ(chdir(previous), 0);
  free(previous);
  EXPECT_GT(current.size(), 255u);
  EXPECT_EQ(current, deep);
}

TEST(Names, ShortNameIsTheLastComponent) {
  clsOpenFile file;
  EXPECT_EQ(file.GetShortFileName("/home/user/Запись 1.amr"), "Запись 1.amr");
  EXPECT_EQ(file.GetShortFileName("memo.amr"), "memo.amr");
  EXPECT_EQ(file.GetShortFileName("a/b.c/noext"), "noext");
  EXPECT_EQ(file.GetShortFileName("folder/"), "");
  EXPECT_EQ(file.GetShortFileName(""), "");
  EXPECT_FALSE(file.IsWinNT());
}
