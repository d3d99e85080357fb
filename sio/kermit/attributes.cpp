#include "sio/kermit/attributes.h"

#include <charconv>

#include "sio/kermit/check.h"

namespace sio::kermit {
namespace {

void add(std::string& out, char tag, const std::string& value) {
  out += tag;
  out += tochar(static_cast<int>(value.size()));
  out += value;
}

std::optional<long> number(std::string_view text) {
  long v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < 0) return std::nullopt;
  return v;
}

}  // namespace

std::string encode_attributes(long length) {
  std::string out;
  add(out, '"', "B8");  // binary, 8-bit: the receiver must not convert line ends
  add(out, '1', std::to_string(length));
  add(out, '!', std::to_string((length + 1023) / 1024));
  return out;
}

std::optional<AnnouncedLength> parse_length(std::string_view field) {
  std::optional<AnnouncedLength> found;
  std::size_t i = 0;
  while (i + 2 <= field.size()) {
    const char tag = field[i];
    const int len = unchar(field[i + 1]);
    if (len < 0 || i + 2 + static_cast<std::size_t>(len) > field.size()) break;
    const std::string_view value = field.substr(i + 2, static_cast<std::size_t>(len));
    if (tag == '1') {
      if (auto v = number(value)) return AnnouncedLength{*v, true};
    } else if (tag == '!' && !found) {
      if (auto v = number(value)) found = AnnouncedLength{*v * 1024, false};
    }
    i += 2 + static_cast<std::size_t>(len);
  }
  return found;
}

}  // namespace sio::kermit
