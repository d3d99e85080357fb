#include "tools/vokarel-cli/memo_json.h"

#include <cstdio>

namespace cli {
namespace {

std::string json_string(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace

std::string memo_json(const std::string& display_utf8, const std::string& raw) {
  static const char* const kHex = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : raw) {
    hex += kHex[c >> 4];
    hex += kHex[c & 15];
  }
  return "{\"name\":" + json_string(display_utf8) + ",\"raw\":\"" + hex + "\"}";
}

}  // namespace cli
