// File, folder, dialog and INI operations behind plain calls. Create an object, call it, drop
// it; objects share nothing. Failures come back as false, empty text or -1; the few misuses
// that the caller must hear of raise FileUtilError. DeleteFile and MoveFile never raise.
//
// File names are bytes handed to the file system unchanged, with "/" between folders.
#pragma once

#include <cstdint>
#include <string>

class clsOpenFile {
 public:
  clsOpenFile() = default;
  clsOpenFile(const clsOpenFile&) = delete;
  clsOpenFile& operator=(const clsOpenFile&) = delete;
  // Closes a descriptor that CreateFile or GetFileSize left open.
  ~clsOpenFile();

  // Copies a file. `owerwritefiles` means "fail if it exists": true keeps an existing
  // destination and fails, false overwrites it.
  bool CopyFile(const std::string& source, const std::string& dectination, bool owerwritefiles);
  // Moves or renames a file, also to another file system; never replaces an existing
  // destination, and a failed move leaves both names as they were.
  bool MoveFile(const std::string& source, const std::string& dectination) noexcept;
  bool DeleteFile(const std::string& lpFileName) noexcept;

  // Creates a new, empty file, deleting an existing file of that name first. The descriptor
  // stays open in the object unless `bCloseFile`.
  bool CreateFile(const std::string& lpFileName, bool bCloseFile);
  // The size of an existing file, its low 32 bits as a signed number; -1 when it cannot be opened.
  std::int32_t GetFileSize(const std::string& lpFileName, bool bCloseFile);

  // True when at least one file or folder matches; the last component may hold "*" and "?".
  bool FindFile(const std::string& lpFileName);

 private:
  // Keeps `fd` as the object's descriptor, closing the one it held before.
  void hold(int fd);

  int hFile = -1;  // the file this object opened most recently, or -1
};
