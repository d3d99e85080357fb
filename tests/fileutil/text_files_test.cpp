#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "tests/fileutil/in_temp_folder.h"

using WFile = InTempFolder;
using RFile = InTempFolder;
using Folders = InTempFolder;

TEST_F(WFile, WritesOverTheStartAndKeepsTheLength) {
  const std::string name = put("ten", "0123456789");
  const std::size_t descriptors = open_descriptors();

  EXPECT_TRUE(file.WFile(name, "abc"));
  EXPECT_EQ(read_file(name), "abc3456789");
  // Bytes go as they are, the phone's code page and zero bytes included.
  EXPECT_TRUE(file.WFile(name, std::string("\xc7\0\xff", 3)));
  EXPECT_EQ(read_file(name), std::string("\xc7\0\xff", 3) + "3456789");
  // A longer text makes the file longer.
  EXPECT_TRUE(file.WFile(name, "twelve bytes"));
  EXPECT_EQ(read_file(name), "twelve bytes");

  EXPECT_FALSE(file.WFile(at("missing"), "abc"));
  EXPECT_FALSE(file_exists(at("missing")));
  EXPECT_FALSE(file.WFile(make_folder("dir"), "abc"));
  EXPECT_THROW(file.WFile(name, ""), FileUtilError);
  EXPECT_EQ(read_file(name), "twelve bytes");

  // A write that the file system stops part way is a failure.
  const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
  const rlimit small{4, limit.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_FALSE(file.WFile(name, "more than four bytes"));
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, previous_handler);
  EXPECT_EQ(open_descriptors(), descriptors);
}

TEST_F(RFile, ReadsTheWholeFileAndRefusesMissingOrEmptyOnes) {
  std::string bytes(200000, 'x');
  bytes[0] = '\0';
  bytes[199999] = '\xff';
  const std::string big = put("big", bytes);
  const std::string empty = put("empty", "");
  const std::string dir = make_folder("dir");
  const std::size_t descriptors = open_descriptors();

  EXPECT_EQ(file.RFile(big), bytes);
  try {
    file.RFile(empty);
    ADD_FAILURE() << "an empty file was read";
  } catch (const FileUtilError& e) {
    EXPECT_EQ(e.kind(), FileUtilError::Kind::ReadFailed);
  }
  EXPECT_THROW(file.RFile(at("missing")), FileUtilError);
  EXPECT_THROW(file.RFile(dir), FileUtilError);
  EXPECT_EQ(open_descriptors(), descriptors);
}

TEST_F(Folders, CreateOneFolderTellTheCurrentOneAndNameTheLastComponent) {
  EXPECT_TRUE(file.CreateDirectory(at("memos")));
  EXPECT_FALSE(file.CreateDirectory(at("memos")));
  EXPECT_FALSE(file.CreateDirectory(at("a/b")));
  EXPECT_FALSE(file.CreateDirectory(""));
  // Open to all, as far as the process's mask allows.
  const mode_t mask = umask(0);
  umask(mask);
  struct stat st;
  ASSERT_EQ(stat(at("memos").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0777 & ~mask);

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

  EXPECT_EQ(file.GetShortFileName("/home/user/Запись 1.amr"), "Запись 1.amr");
  EXPECT_EQ(file.GetShortFileName("memo.amr"), "memo.amr");
  EXPECT_EQ(file.GetShortFileName("a/b.c/noext"), "noext");
  EXPECT_EQ(file.GetShortFileName("folder/"), "");
  EXPECT_EQ(file.GetShortFileName(""), "");
}
