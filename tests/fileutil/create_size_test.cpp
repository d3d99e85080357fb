#include <sys/stat.h>

#include <gtest/gtest.h>

#include "fileutil/cls_open_file.h"
#include "tests/fileutil/counting.h"
#include "tests/support/temp_folder.h"

using namespace test_support;

TEST(CreateFile, ReplacesAnExistingFileWithAnEmptyOne) {
  TempFolder folder;
  const std::string name = folder.file("memo");
  write_file(name, "0123456789");
  EXPECT_TRUE(clsOpenFile().CreateFile(name, true));
  EXPECT_TRUE(file_exists(name));
  EXPECT_EQ(read_file(name), "");
  EXPECT_TRUE(clsOpenFile().CreateFile(name, true));

  EXPECT_FALSE(clsOpenFile().CreateFile(folder.file("no/such"), true));
  ASSERT_EQ(mkdir(folder.file("dir").c_str(), 0755), 0);
  EXPECT_FALSE(clsOpenFile().CreateFile(folder.file("dir"), true));
}

TEST(GetFileSize, SizeOfAFileOrMinusOne) {
  TempFolder folder;
  write_file(folder.file("ten"), "0123456789");
  write_file(folder.file("empty"), "");
  ASSERT_EQ(mkdir(folder.file("dir").c_str(), 0755), 0);
  clsOpenFile file;
  EXPECT_EQ(file.GetFileSize(folder.file("ten"), true), 10);
  EXPECT_EQ(file.GetFileSize(folder.file("empty"), true), 0);
  EXPECT_EQ(file.GetFileSize(folder.file("missing"), true), -1);
  EXPECT_EQ(file.GetFileSize(folder.file("dir"), true), -1);
  // A file nobody may read still has a size.
  chmod(folder.file("ten").c_str(), 0);
  EXPECT_EQ(file.GetFileSize(folder.file("ten"), true), 10);
}

TEST(GetFileSize, KeepsOnlyTheLowThirtyTwoBits) {
  TempFolder folder;
  const std::string name = folder.file("sparse");
  write_file(name, "");
  ASSERT_EQ(truncate(name.c_str(), (1LL << 32) + 5), 0);
  EXPECT_EQ(clsOpenFile().GetFileSize(name, true), 5);
  ASSERT_EQ(truncate(name.c_str(), 0xFFFFFFFELL), 0);
  EXPECT_EQ(clsOpenFile().GetFileSize(name, true), -2);
}

TEST(FileDescriptor, AnOpenDescriptorIsClosedWithTheObjectAndWhenReplaced) {
  TempFolder folder;
  write_file(folder.file("a"), "a");
  const std::size_t before = open_descriptors();
  {
    clsOpenFile file;
    ASSERT_TRUE(file.CreateFile(folder.file("new"), false));
    EXPECT_EQ(open_descriptors(), before + 1);
    // The next open takes the place of the one held, it does not pile up.
    EXPECT_EQ(file.GetFileSize(folder.file("a"), false), 1);
    EXPECT_EQ(open_descriptors(), before + 1);
    EXPECT_EQ(file.GetFileSize(folder.file("missing"), false), -1);
    EXPECT_EQ(open_descriptors(), before);
    EXPECT_EQ(file.GetFileSize(folder.file("a"), false), 1);
  }
  EXPECT_EQ(open_descriptors(), before);
  {
    clsOpenFile file;
    EXPECT_TRUE(file.CreateFile(folder.file("closed"), true));
    EXPECT_EQ(open_descriptors(), before);
  }
}
