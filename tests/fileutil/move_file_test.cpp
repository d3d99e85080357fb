#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "fileutil/file_placement.h"
#include "tests/fileutil/in_temp_folder.h"

using MoveFile = InTempFolder;

namespace {

// A writable folder on another file system than the tmpfs /dev/shm, for the moves that must copy:
// the build tree (where ctest runs each test), /var/tmp or /tmp. Empty when this machine offers none.
std::string folder_beside_shm() {
  struct stat shm, st;
  if (stat("/dev/shm", &shm) != 0 || access("/dev/shm", W_OK) != 0) return {};
  for (const std::string& candidate :
       {std::filesystem::current_path().string(), std::string("/var/tmp"), std::string("/tmp")}) {
    if (stat(candidate.c_str(), &st) == 0 && st.st_dev != shm.st_dev && access(candidate.c_str(), W_OK) == 0)
      return candidate;
  }
  return {};
}

// Sets or clears a file's immutable flag; false where this file system or user may not.
bool set_immutable(const std::string& file, bool on) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  int flags = 0;
  bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  if (fd >= 0) close(fd);
  return done;
}

// Makes a file impossible to remove while it lives: immutable where we may set that (root on
// most disk file systems), else through a read-only folder (which root would ignore).
class Unremovable {
 public:
  explicit Unremovable(const std::string& file) : file_(file), immutable_(set_immutable(file, true)) {
    if (!immutable_ && geteuid() != 0) {
      folder_ = fileutil::folder_of(file);
      if (chmod(folder_.c_str(), 0555) != 0) folder_.clear();
    }
  }
  ~Unremovable() {
    if (immutable_) set_immutable(file_, false);
    if (!folder_.empty()) chmod(folder_.c_str(), 0755);
  }
  explicit operator bool() const { return immutable_ || !folder_.empty(); }

 private:
  std::string file_;
  bool immutable_;
  std::string folder_;
};

}  // namespace

// Within a file system a move renames, by either way of refusing to replace.
TEST_F(MoveFile, RenamesWithinAFileSystemAndNeverReplaces) {
  const std::string a = put("a", "a");
  const std::string b = put("b", "b");
  for (auto place : {fileutil::rename_noreplace, fileutil::link_then_unlink}) {
    EXPECT_FALSE(place(a, b));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_TRUE(place(a, at("c")));
    EXPECT_FALSE(file_exists(a));
    EXPECT_EQ(read_file(at("c")), "a");
    ASSERT_TRUE(file.MoveFile(at("c"), a));
  }
  EXPECT_FALSE(file.MoveFile(a, b));
  EXPECT_EQ(read_file(a), "a");
  EXPECT_EQ(read_file(b), "b");
  EXPECT_TRUE(file.MoveFile(a, at("Запись 1.amr")));
  EXPECT_FALSE(file_exists(a));
  EXPECT_EQ(read_file(at("Запись 1.amr")), "a");
  EXPECT_FALSE(file.MoveFile(a, at("again.amr")));
  EXPECT_FALSE(file.MoveFile(at("Запись 1.amr"), at("no/such.amr")));
  EXPECT_EQ(entries_in(folder.path()), 2u);

  // A folder moves too, and not onto another folder.
  EXPECT_FALSE(file.MoveFile(make_folder("dir"), make_folder("other")));
  EXPECT_TRUE(file.MoveFile(at("dir"), at("moved")));
  EXPECT_TRUE(std::filesystem::is_directory(at("moved")));
}

TEST_F(MoveFile, CopiesAcrossFileSystemsWithoutLeavingAnythingHalfDone) {
  const std::string beside_shm = folder_beside_shm();
  if (beside_shm.empty()) GTEST_SKIP() << "no writable /dev/shm on a file system of its own";
  const TempFolder shm("/dev/shm");
  const TempFolder disk(beside_shm);

  std::string bytes(300000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  write_file(shm.file("memo"), bytes);
  chmod(shm.file("memo").c_str(), 0640);
  const struct timespec times[2] = {{1000000000, 0}, {1100000000, 0}};
  utimensat(AT_FDCWD, shm.file("memo").c_str(), times, 0);

  write_file(disk.file("taken.amr"), "keep me");
  EXPECT_FALSE(file.MoveFile(shm.file("memo"), disk.file("taken.amr")));
  EXPECT_EQ(read_file(disk.file("taken.amr")), "keep me");
  EXPECT_EQ(read_file(shm.file("memo")), bytes);
  EXPECT_EQ(entries_in(disk.path()), 1u);

  ASSERT_TRUE(file.MoveFile(shm.file("memo"), disk.file("memo.amr")));
  EXPECT_FALSE(file_exists(shm.file("memo")));
  EXPECT_EQ(read_file(disk.file("memo.amr")), bytes);
  struct stat st;
  ASSERT_EQ(stat(disk.file("memo.amr").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1100000000);
  EXPECT_EQ(entries_in(disk.path()), 2u);

  // And back, onto the tmpfs.
  ASSERT_TRUE(file.MoveFile(disk.file("memo.amr"), shm.file("back")));
  EXPECT_EQ(read_file(shm.file("back")), bytes);

  // A link is not followed to another file system, and a folder does not cross.
  ASSERT_EQ(symlink(shm.file("back").c_str(), shm.file("link").c_str()), 0);
  EXPECT_FALSE(file.MoveFile(shm.file("link"), disk.file("link")));
  EXPECT_TRUE(std::filesystem::is_symlink(shm.file("link")));
  ASSERT_EQ(mkdir(shm.file("dir").c_str(), 0755), 0);
  EXPECT_FALSE(file.MoveFile(shm.file("dir"), disk.file("dir")));
  EXPECT_FALSE(file.MoveFile(shm.file("back"), disk.file("no/such")));
  EXPECT_EQ(entries_in(disk.path()), 1u);
  EXPECT_EQ(read_file(shm.file("back")), bytes);

  // A source that cannot be removed: the copy is taken back and the move fails.
  write_file(disk.file("stuck"), "stuck");
  Unremovable lock(disk.file("stuck"));
  if (lock) {
    EXPECT_FALSE(file.MoveFile(disk.file("stuck"), shm.file("stuck.amr")));
    EXPECT_EQ(read_file(disk.file("stuck")), "stuck");
    EXPECT_FALSE(file_exists(shm.file("stuck.amr")));
    EXPECT_EQ(entries_in(shm.path()), 3u);  // back, link, dir
  }
}
