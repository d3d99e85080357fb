#include "sio/zmodem/encoder.h"

#include "sio/crc.h"

namespace sio::zmodem {
namespace {

void put_hex(Bytes& out, std::uint8_t byte) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out.push_back(static_cast<std::uint8_t>(kDigits[byte >> 4]));
  out.push_back(static_cast<std::uint8_t>(kDigits[byte & 15]));
}

std::array<std::uint8_t, 5> header_bytes(const Header& h) {
  return {h.type, h.data[0], h.data[1], h.data[2], h.data[3]};
}

}  // namespace

Escaper::Escaper(bool escape_controls) {
  // ZDLE, and the flow-control bytes a line may act on. (DLE, which old packet networks ate,
  // goes out bare unless the receiver asks for every control character escaped.)
  for (int c : {0x11, 0x13, 0x18, 0x91, 0x93}) escaped_[c] = true;
  if (escape_controls)
    for (int c = 0; c < 256; ++c)
      if ((c & 0x60) == 0) escaped_[c] = true;
  for (int c = 0; c < 256; ++c) watched_[c] = escaped_[c] || (c & 0x7F) == '\r';
}

// File data passes through here: one table look-up per byte, straight into the output.
void Escaper::put(Bytes& out, const std::uint8_t* data, std::size_t len) {
  std::size_t start = out.size();
  out.resize(start + 2 * len);  // room for every byte escaped
  std::uint8_t* to = out.data() + start;
  std::uint8_t last = last_;
  for (std::size_t i = 0; i < len; ++i) {
    std::uint8_t c = data[i];
    if (watched_[c] && (escaped_[c] || (last & 0x7F) == '@')) {
      *to++ = ZDLE;
      *to++ = c ^ 0x40;
    } else {
      *to++ = c;
    }
    last = c;
  }
  last_ = last;
  out.resize(static_cast<std::size_t>(to - out.data()));
}

void append_header(Bytes& out, const Header& h, Escaper& escaper) {
  auto bytes = header_bytes(h);
  if (h.format == HeaderFormat::Hex) {
    out.insert(out.end(), {ZPAD, ZPAD, ZDLE, ZHEX});
    for (auto b : bytes) put_hex(out, b);
    std::uint16_t crc = crc16_xmodem(bytes.data(), bytes.size());
    put_hex(out, static_cast<std::uint8_t>(crc >> 8));
    put_hex(out, static_cast<std::uint8_t>(crc));
    out.push_back('\r');
    out.push_back('\n' | 0x80);
    // XON restarts a sender that a stray XOFF stopped; not after the last frames of a session.
    if (h.type != ZACK && h.type != ZFIN) out.push_back(XON);
    return;
  }
  bool wide = h.format == HeaderFormat::Bin32;
  out.insert(out.end(), {ZPAD, ZDLE, wide ? ZBIN32 : ZBIN});
  escaper.put(out, bytes.data(), bytes.size());
  if (wide) {
    std::uint32_t crc = crc32_ieee(bytes.data(), bytes.size());
    for (int i = 0; i < 4; ++i) escaper.put(out, static_cast<std::uint8_t>(crc >> (8 * i)));
  } else {
    std::uint16_t crc = crc16_xmodem(bytes.data(), bytes.size());
    escaper.put(out, static_cast<std::uint8_t>(crc >> 8));
    escaper.put(out, static_cast<std::uint8_t>(crc));
  }
}

void append_subpacket(Bytes& out, const std::uint8_t* data, std::size_t len, FrameEnd end, bool crc32, Escaper& escaper) {
  out.reserve(out.size() + len + len / 16 + 16);
  escaper.put(out, data, len);
  auto end_byte = static_cast<std::uint8_t>(end);
  out.push_back(ZDLE);
  out.push_back(end_byte);
  if (crc32) {
    std::uint32_t crc = ~crc32_update(&end_byte, 1, crc32_update(data, len, 0xFFFFFFFFu));
    for (int i = 0; i < 4; ++i) escaper.put(out, static_cast<std::uint8_t>(crc >> (8 * i)));
  } else {
    std::uint16_t crc = crc16_xmodem(&end_byte, 1, crc16_xmodem(data, len));
    escaper.put(out, static_cast<std::uint8_t>(crc >> 8));
    escaper.put(out, static_cast<std::uint8_t>(crc));
  }
  if (end == FrameEnd::ZCRCW) out.push_back(XON);
}

}  // namespace sio::zmodem
