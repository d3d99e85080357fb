// `list --json`: one JSON object a line per memo, so a script can read the list line by line.
#pragma once

#include <string>

namespace cli {

// {"name":"<display name, UTF-8>","raw":"<the raw name's bytes in hex>"}; the raw name is what
// the phone sent, byte for byte (it need not be UTF-8), so it goes as hex.
std::string memo_json(const std::string& display_utf8, const std::string& raw);

}  // namespace cli
