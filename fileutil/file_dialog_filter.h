// The filter list of the file-open dialog, built from one filter text such as
// "Файлы (*.amr)": the pattern between its parentheses, the list of description and pattern
// pairs (each piece ended by a NUL), and the default extension.
#pragma once

#include <QStringList>
#include <string>

namespace fileutil {

// The description that offers every file.
inline constexpr const char* kAllFilesFilter = "Все файлы (*.*)";

// The text between the first "(" and the first ")" after it (from the start when there is no
// "("). Raises FileUtilError when there is no such ")".
std::string filter_pattern(const std::string& filter);

// "filter\0pattern\0", followed by the all-files pair when asked for and not already the filter.
std::string filter_list(const std::string& filter, const std::string& pattern,
                        bool with_all_files);

// The pattern after its first "." ("amr" for "*.amr", "*" for "*.*"), or the whole pattern.
std::string default_extension(const std::string& pattern);

// The list in the dialog's own form: "description (patterns)" per pair, patterns separated by
// blanks, "*.*" standing for every name as it does in the list.
QStringList dialog_name_filters(const std::string& list);

// The default extension when it names one plain suffix (not "*" or a list); empty otherwise.
QString dialog_default_suffix(const std::string& extension);

}  // namespace fileutil
