// The dialog operations of clsOpenFile.
#include "fileutil/cls_open_file.h"
#include "fileutil/file_dialog_filter.h"
#include "fileutil/file_dialogs.h"

std::string clsOpenFile::GetFileNameWithCommonDialog(WId hWnd, const std::string& drive,
                                                     std::string& filter,
                                                     const std::string& captiontitle,
                                                     bool bFlagWithAllFiles) {
  const auto owner = fileutil::dialog_owner(hWnd);
  if (!owner) return {};
  const std::string pattern = fileutil::filter_pattern(filter);
  filter = fileutil::filter_list(filter, pattern, bFlagWithAllFiles);
  const std::string extension = fileutil::default_extension(pattern);
  return fileutil::choose_file(*owner, drive, fileutil::dialog_name_filters(filter),
                               fileutil::dialog_default_suffix(extension), captiontitle);
}

std::string clsOpenFile::GetFolderName(WId hWndOwner) {
  const auto owner = fileutil::dialog_owner(hWndOwner);
  if (!owner) return {};
  // The root of this platform, where the other shows "C:\".
  return fileutil::choose_folder(*owner, "/");
}
