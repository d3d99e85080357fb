#include <sys/stat.h>
#include <unistd.h>

#include "tests/fileutil/in_temp_folder.h"

using CreateFile = InTempFolder;
using GetFileSize = InTempFolder;
using FileDescriptor = InTempFolder;

TEST_F(CreateFile, ReplacesAnExistingFileWithAnEmptyOne) {
  const std::string name = put("memo", "0123456789");
  EXPECT_TRUE(file.CreateFile(name, true));
  EXPECT_TRUE(file_exists(name));
  EXPECT_EQ(read_file(name), "");
  EXPECT_FALSE(file.CreateFile(at("no/such"), true));
  EXPECT_FALSE(file.CreateFile(make_folder("dir"), true));
}

TEST_F(GetFileSize, TheLowThirtyTwoBitsOfTheSizeOrMinusOne) {
  const std::string ten = put("ten", "0123456789");
  EXPECT_EQ(file.GetFileSize(ten, true), 10);
  EXPECT_EQ(file.GetFileSize(put("empty", ""), true), 0);
  EXPECT_EQ(file.GetFileSize(at("missing"), true), -1);
  EXPECT_EQ(file.GetFileSize(make_folder("dir"), true), -1);
  // A file nobody may read still has a size.
  chmod(ten.c_str(), 0);
  EXPECT_EQ(file.GetFileSize(ten, true), 10);

  const std::string sparse = put("sparse", "");
  ASSERT_EQ(truncate(sparse.c_str(), (1LL << 32) + 5), 0);
  EXPECT_EQ(file.GetFileSize(sparse, true), 5);
  ASSERT_EQ(truncate(sparse.c_str(), 0xFFFFFFFELL), 0);
  EXPECT_EQ(file.GetFileSize(sparse, true), -2);
}

TEST_F(FileDescriptor, AnOpenDescriptorIsClosedWithTheObjectAndWhenReplaced) {
  const std::string a = put("a", "a");
  const std::size_t before = open_descriptors();
  {
    clsOpenFile holder;
    ASSERT_TRUE(holder.CreateFile(at("new"), false));
    EXPECT_EQ(open_descriptors(), before + 1);
    // The next open takes the place of the one held, it does not pile up.
    EXPECT_EQ(holder.GetFileSize(a, false), 1);
    EXPECT_EQ(open_descriptors(), before + 1);
    EXPECT_EQ(holder.GetFileSize(at("missing"), false), -1);
    EXPECT_EQ(open_descriptors(), before);
    EXPECT_EQ(holder.GetFileSize(a, false), 1);
  }
  EXPECT_EQ(open_descriptors(), before);
  EXPECT_TRUE(file.CreateFile(at("closed"), true));
  EXPECT_EQ(open_descriptors(), before);
}
