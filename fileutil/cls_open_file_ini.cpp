// The INI operations of clsOpenFile.
#include "fileutil/cls_open_file.h"
#include "fileutil/ini_file.h"

namespace {
constexpr std::size_t kLongestIniValue = 254;
}

bool clsOpenFile::WriteIniFile(const std::string& sAppl, const std::string& sKey,
                               const std::string& lpString) {
  if (!FindFile(nameIniFile)) return false;
  return fileutil::write_ini_value(nameIniFile, sAppl, sKey, lpString);
}

std::string clsOpenFile::ReadIniFile(const std::string& sAppl, const std::string& sKey) {
  if (!FindFile(nameIniFile)) return {};
  return fileutil::read_ini_value(nameIniFile, sAppl, sKey)
      .value_or(std::string())
      .substr(0, kLongestIniValue);
}
