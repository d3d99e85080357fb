#include "fileutil/case_fold.h"

#include <QChar>

namespace fileutil {
namespace {

// Bytes outside valid UTF-8 map above the last code point, so they never equal a character.
constexpr char32_t kRawByteBase = 0x110000;

// Length of the valid UTF-8 sequence at the start of `s` and its code point; 0 if none.
std::size_t decode_one(std::string_view s, char32_t& code) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char lead = byte(0);
  std::size_t length;
  char32_t min;
  if (lead < 0x80) {
    code = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, min = 0x80, code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, min = 0x800, code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, min = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code < min || code > 0x10FFFF || surrogate) return 0;
  return length;
}

}  // namespace

std::u32string folded(std::string_view bytes) {
  std::u32string units;
  units.reserve(bytes.size());
  while (!bytes.empty()) {
    char32_t code;
    std::size_t length = decode_one(bytes, code);
    if (length == 0) {
      units.push_back(kRawByteBase + static_cast<unsigned char>(bytes[0]));
      length = 1;
    } else {
      units.push_back(QChar::toCaseFolded(code));
    }
    bytes.remove_prefix(length);
  }
  return units;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) { return folded(a) == folded(b); }

}  // namespace fileutil
