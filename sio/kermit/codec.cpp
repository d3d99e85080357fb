#include "sio/kermit/codec.h"

#include <array>
#include <cstring>

#include "sio/kermit/check.h"

namespace sio::kermit {
namespace {

constexpr std::size_t kMaxRepeat = 94;

bool is_control(unsigned char c7) { return c7 < 32 || c7 == 127; }

// The control characters that stay prefixed on an 8-bit clean session: NUL, the packet mark,
// ^C and ^D (interrupts), LF and CR, ^N/^O (shifts), ^P (escapes), XON/XOFF, ^U, ^X..^Z,
// ^\ ^] ^^, and 8-bit forms of several of them that terminals and modems also act on.
bool needs_prefix_on_clean_line(unsigned char byte) {
  static const std::array<bool, 256> table = [] {
    std::array<bool, 256> t{};
    for (int c : {0, 1, 3, 4, 10, 13, 14, 15, 16, 17, 19, 21, 24, 25, 26, 28, 29, 30, 129, 131, 132, 138, 141, 144,
                  145, 147, 149, 154, 156, 157, 158, 255})
      t[static_cast<std::size_t>(c)] = true;
    return t;
  }();
  return table[byte];
}

// One byte's encoding without a repeat count: [QBIN] [QCTL] character.
void append_unit(const Prefixing& p, unsigned char byte, std::string& out) {
  if (p.qbin && (byte & 0x80)) {
    out += p.qbin;
    byte &= 0x7F;
  }
  const unsigned char c7 = byte & 0x7F;
  if (is_control(c7) && (!p.bare_safe_controls || p.qbin || needs_prefix_on_clean_line(byte))) {
    out += p.qctl;
    byte ^= 64;
  } else if (c7 == static_cast<unsigned char>(p.qctl) || (p.qbin && c7 == static_cast<unsigned char>(p.qbin)) ||
             (p.rept && c7 == static_cast<unsigned char>(p.rept))) {
    out += p.qctl;
  }
  out += static_cast<char>(byte);
}

}  // namespace

std::size_t encode_data(const Prefixing& p, std::string_view data, std::size_t limit, std::string& out) {
  std::size_t used = 0;
  std::string unit;
  while (used < data.size()) {
    const unsigned char byte = static_cast<unsigned char>(data[used]);
    std::size_t run = 1;
    if (p.rept)
      while (used + run < data.size() && run < kMaxRepeat && static_cast<unsigned char>(data[used + run]) == byte) ++run;
    unit.clear();
    // A run pays off from three bytes on; shorter ones go out byte by byte.
    if (run >= 3) {
      unit += p.rept;
      unit += tochar(static_cast<int>(run));
    } else {
      run = 1;
    }
    append_unit(p, byte, unit);
    if (out.size() + unit.size() > limit) break;
    out += unit;
    used += run;
  }
  return used;
}

bool decode_data(const Prefixing& p, std::string_view field, std::string& out) {
  // Written in place: a field decodes to at most one byte a character, but for runs.
  std::size_t n = out.size();
  out.resize(n + field.size());
  std::size_t i = 0;
  auto next = [&](char& c) {
    if (i >= field.size()) return false;
    c = field[i++];
    return true;
  };
  // A field that breaks off leaves what came before it.
  auto broken = [&] {
    out.resize(n);
    return false;
  };
  char c;
  while (next(c)) {
    std::size_t count = 1;
    if (p.rept && c == p.rept) {
      char k;
      const int repeat = next(k) ? unchar(k) : -1;
      if (repeat < 0 || repeat > 94 || !next(c)) return broken();
      count = static_cast<std::size_t>(repeat);
    }
    unsigned char high = 0;
    if (p.qbin && c == p.qbin) {
      high = 0x80;
      if (!next(c)) return broken();
    }
    if (c == p.qctl) {
      if (!next(c)) return broken();
      const unsigned char c7 = static_cast<unsigned char>(c) & 0x7F;
      if ((c7 >= 0x40 && c7 <= 0x5F) || c7 == 0x3F) c = ctl(c);
    }
    const char byte = static_cast<char>(static_cast<unsigned char>(c) | high);
    if (n + count > out.size()) out.resize(n + count + (field.size() - i));
    std::memset(out.data() + n, byte, count);
    n += count;
  }
  out.resize(n);
  return true;
}

}  // namespace sio::kermit
