// File, folder, dialog and INI operations behind plain calls. Create an object, call it, drop
// it; objects share nothing. Failures come back as false, empty text or -1; the few misuses
// that the caller must hear of raise FileUtilError. DeleteFile and MoveFile never raise.
//
// File names are bytes handed to the file system unchanged, with "/" between folders. Texts
// written and read (WFile, RFile, the INI values) are bytes too, one character per byte. The
// dialogs take and give UTF-8; a window is named by its id (QWidget::winId()), 0 for none.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

#include "fileutil/file_util_error.h"

class clsOpenFile {
 public:
  clsOpenFile() = default;
  clsOpenFile(const clsOpenFile&) = delete;
  clsOpenFile& operator=(const clsOpenFile&) = delete;
  // Closes a descriptor that CreateFile or GetFileSize left open.
  ~clsOpenFile();

  // False here: this platform is not of the NT family. Nothing depends on the answer, the
  // dialogs handle every text in Unicode either way.
  bool IsWinNT() const { return false; }

  // Shows the file-open dialog over `hWnd` starting in the folder `drive`, offering the
  // pattern of `filter` (the text in its parentheses, as in "Файлы (*.amr)") and, when
  // `bFlagWithAllFiles`, every file as well. `filter` comes back as the dialog's filter list:
  // description and pattern pairs, each piece ended by a NUL. Gives the chosen path, or empty
  // text when the user cancelled or `hWnd` names no window of this program. Raises
  // FileUtilError for a filter without ")".
  std::string GetFileNameWithCommonDialog(WId hWnd, const std::string& drive, std::string& filter,
                                          const std::string& captiontitle, bool bFlagWithAllFiles);
  // Shows a picker of folders over `hWndOwner`; the chosen folder, or empty text.
  std::string GetFolderName(WId hWndOwner);

  // The last component of a file name, extension included ("memo.amr" for "a/b/memo.amr").
  std::string GetShortFileName(const std::string& lpFileName) const;
  // The process's current folder, whole; empty text when it cannot be told.
  std::string GetCurrentDirectory() const;
  // Creates one folder in an existing one.
  bool CreateDirectory(const std::string& lpName);

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
  // Writes `sText` over the start of an existing file, which keeps its length when longer.
  // False when the file cannot be opened; raises FileUtilError for an empty text.
  bool WFile(const std::string& lpFileName, const std::string& sText);
  // The whole file. Raises FileUtilError when it is missing, empty or unreadable.
  std::string RFile(const std::string& lpFileName);

  // True when at least one file or folder matches; the last component may hold "*" and "?".
  bool FindFile(const std::string& lpFileName);

  // One key of the INI file NameIniFile, which must exist: it is never created. Reading gives
  // empty text for a missing key and at most 254 characters of a value.
  bool WriteIniFile(const std::string& sAppl, const std::string& sKey, const std::string& lpString);
  std::string ReadIniFile(const std::string& sAppl, const std::string& sKey);
  const std::string& NameIniFile() const { return nameIniFile; }
  void NameIniFile(const std::string& vNewValue) { nameIniFile = vNewValue; }

 private:
  // Keeps `fd` as the object's descriptor, closing the one it held before.
  void hold(int fd);

  int hFile = -1;  // the file this object opened most recently, or -1
  std::string nameIniFile;
};
