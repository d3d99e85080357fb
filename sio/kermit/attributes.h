// The attribute (A) packet: tag, tochar(length), value, repeated. We send the file's exact
// length and that it is binary, and read the length a sender states.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sio::kermit {

std::string encode_attributes(long length);
// The exact length in bytes ('1'), or else the length in kilobytes ('!') as an estimate.
struct AnnouncedLength {
  long bytes = 0;
  bool exact = false;
};
std::optional<AnnouncedLength> parse_length(std::string_view field);

}  // namespace sio::kermit
