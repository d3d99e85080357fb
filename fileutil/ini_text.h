// The text of an INI file, read and changed by the private-profile rules: "[section]" lines,
// "key=value" lines, names in either case, ";" lines left alone.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace fileutil {

// The value of `key` in the first `section`: the text after the first "=", blanks around it
// trimmed. Nothing when the section or key is absent.
std::optional<std::string> ini_value(std::string_view text, std::string_view section,
                                     std::string_view key);

// Whether the three can be written so that ini_value finds them again: one line each, a section
// without "]", a key that is not empty and holds no "=" and does not open a comment or section.
bool ini_entry_fits(std::string_view section, std::string_view key, std::string_view value);

// `text` with `key` set to `value`: the key's line replaced, or a line added at the end of the
// section, or the section added at the end of the text. Every other line stays as it was.
std::string ini_with_value(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value);

}  // namespace fileutil
