// A memo's names as the command line shows them and matches them.
#pragma once

#include <QString>
#include <string>

#include "phone/safe_names.h"

namespace cli {

// The display name in UTF-8, as `get NAME` takes it.
std::string DisplayUtf8(const MemoNames& memo);
// Text from the phone (Windows-1251 bytes) as one line of a terminal: control characters (line
// breaks, escapes) as "?".
std::string PrintableText(const std::string& bytes);
inline std::string PrintableName(const MemoNames& memo) { return PrintableText(memo.display); }
// A message of the tool's own as one line: line breaks as "; ".
std::string MessageLine(const QString& text);

}  // namespace cli
