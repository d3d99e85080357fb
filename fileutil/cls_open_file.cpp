#include "fileutil/cls_open_file.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "fileutil/file_copy.h"
#include "fileutil/file_io.h"
#include "fileutil/file_placement.h"
#include "fileutil/find_file.h"

clsOpenFile::~clsOpenFile() { hold(-1); }

void clsOpenFile::hold(int fd) {
  if (hFile >= 0) close(hFile);
  hFile = fd;
}

std::string clsOpenFile::GetShortFileName(const std::string& lpFileName) const {
  return lpFileName.substr(lpFileName.rfind('/') + 1);
}

std::string clsOpenFile::GetCurrentDirectory() const {
  std::unique_ptr<char, decltype(&free)> folder(getcwd(nullptr, 0), &free);
  return folder ? std::string(folder.get()) : std::string();
}

bool clsOpenFile::CreateDirectory(const std::string& lpName) {
  return mkdir(lpName.c_str(), 0777) == 0;
}

bool clsOpenFile::CopyFile(const std::string& source, const std::string& dectination,
                           bool owerwritefiles) {
  return fileutil::copy_file(source, dectination,
                             owerwritefiles ? fileutil::Existing::Keep : fileutil::Existing::Replace);
}

bool clsOpenFile::MoveFile(const std::string& source, const std::string& dectination) noexcept {
  try {
    if (fileutil::place_without_replacing(source, dectination)) return true;
    return errno == EXDEV && fileutil::move_by_copying(source, dectination);
  } catch (const std::exception&) {  // out of memory for a name: the move did not happen
    return false;
  }
}

bool clsOpenFile::DeleteFile(const std::string& lpFileName) noexcept {
  return unlink(lpFileName.c_str()) == 0;
}

bool clsOpenFile::CreateFile(const std::string& lpFileName, bool bCloseFile) {
  if (fileutil::regular_file_exists(lpFileName)) unlink(lpFileName.c_str());
  int fd = open(lpFileName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  hold(fd);
  if (bCloseFile) hold(-1);
  return fd >= 0;
}

std::int32_t clsOpenFile::GetFileSize(const std::string& lpFileName, bool bCloseFile) {
  // O_PATH: a descriptor without read or write access, enough to ask for the size.
  int fd = open(lpFileName.c_str(), O_PATH | O_CLOEXEC);
  hold(fd);
  std::int32_t size = -1;
  struct stat st;
  if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    size = static_cast<std::int32_t>(static_cast<std::uint32_t>(st.st_size));
  }
  if (bCloseFile) hold(-1);
  return size;
}

bool clsOpenFile::FindFile(const std::string& lpFileName) {
  return fileutil::find_first_match(lpFileName);
}

bool clsOpenFile::WFile(const std::string& lpFileName, const std::string& sText) {
  // No O_TRUNC: bytes beyond the new text stay as they were.
  hold(open(lpFileName.c_str(), O_WRONLY | O_CLOEXEC));
  if (hFile < 0) return false;
  if (sText.empty()) {
    hold(-1);
    throw FileUtilError(FileUtilError::Kind::InvalidArgument, "no text to write to " + lpFileName);
  }
  bool written = fileutil::write_at_start(hFile, sText);
  // A failure on closing may mean the bytes never reached the file.
  written = close(hFile) == 0 && written;
  hFile = -1;
  return written;
}

std::string clsOpenFile::RFile(const std::string& lpFileName) {
  hold(open(lpFileName.c_str(), O_RDONLY | O_CLOEXEC));
  std::string text;
  const bool read = hFile >= 0 && fileutil::read_to_end(hFile, text);
  hold(-1);
  if (!read || text.empty()) {
    throw FileUtilError(FileUtilError::Kind::ReadFailed,
                        (read ? "empty file: " : "cannot read: ") + lpFileName);
  }
  return text;
}
