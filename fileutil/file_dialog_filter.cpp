#include "fileutil/file_dialog_filter.h"

#include <vector>

#include "fileutil/file_util_error.h"

namespace fileutil {

std::string filter_pattern(const std::string& filter) {
  const auto open = filter.find('(');
  const std::size_t from = open == std::string::npos ? 0 : open + 1;
  const auto close = filter.find(')', from);
  if (close == std::string::npos) {
    throw FileUtilError(FileUtilError::Kind::InvalidArgument,
                        "file filter without a closing parenthesis: " + filter);
  }
  return filter.substr(from, close - from);
}

std::string filter_list(const std::string& filter, const std::string& pattern,
                        bool with_all_files) {
  using namespace std::string_literals;
  std::string list = filter + '\0' + pattern + '\0';
  if (filter != kAllFilesFilter && with_all_files) list += kAllFilesFilter + "\0*.*\0"s;
  return list;
}

std::string default_extension(const std::string& pattern) {
  const auto dot = pattern.find('.');
  return dot == std::string::npos ? pattern : pattern.substr(dot + 1);
}

QStringList dialog_name_filters(const std::string& list) {
  std::vector<std::string> pieces;
  for (std::size_t begin = 0; begin < list.size();) {
    std::size_t end = list.find('\0', begin);
    if (end == std::string::npos) end = list.size();
    pieces.push_back(list.substr(begin, end - begin));
    begin = end + 1;
  }
  QStringList filters;
  for (std::size_t i = 0; i + 1 < pieces.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : QString::fromStdString(pieces[i + 1]).split(';', Qt::SkipEmptyParts)) {
      const QString pattern = p.trimmed();
      patterns << (pattern == "*.*" ? QStringLiteral("*") : pattern);
    }
    // The dialog hides the trailing "(patterns)", so the description shows as it stands.
    filters << QString::fromStdString(pieces[i]) + " (" + patterns.join(' ') + ")";
  }
  return filters;
}

QString dialog_default_suffix(const std::string& extension) {
  if (extension.empty() || extension.find_first_of("*?; \t") != std::string::npos) return {};
  return QString::fromStdString(extension);
}

}  // namespace fileutil
