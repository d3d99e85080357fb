// The prefix encoding of a packet's data field: control characters behind QCTL, the 8th bit
// behind QBIN where it was agreed, and runs behind REPT where it was agreed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sio::kermit {

struct Prefixing {
  char qctl = '#';
  char qbin = 0;  // 0: the line carries 8 bits, no 8th-bit prefix
  char rept = 0;  // 0: no repeat counts
  // On an 8-bit clean session, control characters that lines and peers are known to pass
  // travel bare; the others (packet start and end, flow control, line breaks, ...) keep their
  // prefix. Off: every control character is prefixed.
  bool bare_safe_controls = false;
};

// Encodes bytes from the front of `data` into `out` while `out` stays within `limit`
// characters; returns how many bytes went in (0 only when the limit leaves no room).
std::size_t encode_data(const Prefixing& prefixing, std::string_view data, std::size_t limit, std::string& out);

// Appends the bytes a data field stands for to `out`; false for a field that breaks off
// inside a prefix sequence or carries an impossible repeat count.
bool decode_data(const Prefixing& prefixing, std::string_view field, std::string& out);

}  // namespace sio::kermit
