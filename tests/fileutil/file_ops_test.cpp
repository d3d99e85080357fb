#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "tests/fileutil/in_temp_folder.h"

using FileOps = InTempFolder;

TEST_F(FileOps, CopyFileFlagMeansFailIfItExists) {
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

TEST_F(FileOps, DeleteFileRemovesFilesOnly) {
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

TEST_F(FileOps, GetFileSizeGivesTheLowThirtyTwoBitsOrMinusOne) {
  const std::string ten = put("ten", "0123456789");
  chmod(ten.c_str(), 0);  // a file nobody may read still has a size
  EXPECT_EQ(file.GetFileSize(ten, true), 10);
  EXPECT_EQ(file.GetFileSize(at("missing"), true), -1);
  EXPECT_EQ(file.GetFileSize(make_folder("dir"), true), -1);
  const std::string sparse = put("sparse", "");
  ASSERT_EQ(truncate(sparse.c_str(), (1LL << 32) + 5), 0);
  EXPECT_EQ(file.GetFileSize(sparse, true), 5);
  ASSERT_EQ(truncate(sparse.c_str(), 0xFFFFFFFELL), 0);
  EXPECT_EQ(file.GetFileSize(sparse, true), -2);
}

// CreateFile empties an existing file; the descriptor it holds goes with the object or the next open.
TEST_F(FileOps, AnOpenDescriptorIsClosedWithTheObjectAndWhenReplaced) {
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
  EXPECT_TRUE(file.CreateFile(a, true));
  EXPECT_EQ(read_file(a), "");
  EXPECT_EQ(open_descriptors(), before);
  EXPECT_FALSE(file.CreateFile(at("no/such"), true));
  EXPECT_FALSE(file.CreateFile(make_folder("dir"), true));
}

TEST_F(FileOps, WFileWritesOverTheStartAndKeepsTheLength) {
  const std::string name = put("ten", "0123456789");
  const std::size_t descriptors = open_descriptors();

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

TEST_F(FileOps, RFileReadsTheWholeFileAndRefusesMissingOrEmptyOnes) {
  std::string bytes(200000, 'x');
  bytes[0] = '\0';
  bytes[199999] = '\xff';
  const std::size_t descriptors = open_descriptors();
  EXPECT_EQ(file.RFile(put("big", bytes)), bytes);
  try {
    file.RFile(put("empty", ""));
    ADD_FAILURE() << "an empty file was read";
  } catch (const FileUtilError& e) {
    EXPECT_EQ(e.kind(), FileUtilError::Kind::ReadFailed);
  }
  EXPECT_THROW(file.RFile(at("missing")), FileUtilError);
  EXPECT_THROW(file.RFile(make_folder("dir")), FileUtilError);
  EXPECT_EQ(open_descriptors(), descriptors);
}

TEST_F(FileOps, CreateOneFolderTellTheCurrentOneAndNameTheLastComponent) {
  EXPECT_TRUE(file.CreateDirectory(at("memos")));
  EXPECT_FALSE(file.CreateDirectory(at("memos")));
  EXPECT_FALSE(file.CreateDirectory(at("a/b")));
  // Open to all, as far as the process's mask allows.
  const mode_t mask = umask(0);
  umask(mask);
  struct stat st;
  ASSERT_EQ(stat(at("memos").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0777 & ~mask);

  // A folder far deeper than 255 characters is told whole.
  std::string deep = folder.path();
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(file.CreateDirectory(deep += "/папка-" + std::to_string(i)));
  char* previous = getcwd(nullptr, 0);
  ASSERT_EQ(chdir(deep.c_str()), 0);
  const std::string current = file.GetCurrentDirectory();
  ASSERT_EQ(chdir(previous), 0);
  free(previous);
  EXPECT_EQ(current, deep);

  EXPECT_EQ(file.GetShortFileName("/home/user/Запись 1.amr"), "Запись 1.amr");
  EXPECT_EQ(file.GetShortFileName("memo.amr"), "memo.amr");
  EXPECT_EQ(file.GetShortFileName("folder/"), "");
}
