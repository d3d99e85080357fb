#include "sio/zmodem/decoder.h"

#include "sio/crc.h"

namespace sio::zmodem {
namespace {

// Flow-control bytes that a link may insert anywhere; real ones always travel escaped.
bool is_flow_control(std::uint8_t c) { return (c & 0x7F) == XON || (c & 0x7F) == XOFF; }

bool carries_data(std::uint8_t type) {
  return type == ZSINIT || type == ZFILE || type == ZDATA || type == ZCOMMAND;
}

int hex_value(std::uint8_t c) {
  c &= 0x7F;
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::size_t crc_size(HeaderFormat f) { return f == HeaderFormat::Bin32 ? 4 : 2; }

}  // namespace

FrameDecoder::FrameDecoder() { data_.reserve(kMaxSubpacket); }

void FrameDecoder::hunt() {
  state_ = State::Hunt;
  zdle_ = false;
  data_.clear();
}

void FrameDecoder::emit(Kind kind) {
  event_.kind = kind;
  if (kind == Kind::Subpacket) {
    event_.data = data_.data();
    event_.size = data_.size();
    event_.end = end_;
  }
}

FrameDecoder::Unescaped FrameDecoder::unescape(std::uint8_t c, std::uint8_t& out) {
  if (!zdle_) {
    if (c == ZDLE) {
      zdle_ = true;
      return Unescaped::Skip;
    }
    if (is_flow_control(c)) return Unescaped::Skip;
    out = c;
    return Unescaped::Byte;
  }
  if (c == ZDLE || is_flow_control(c)) return Unescaped::Skip;
  zdle_ = false;
  if (c >= static_cast<std::uint8_t>(FrameEnd::ZCRCE) && c <= static_cast<std::uint8_t>(FrameEnd::ZCRCW)) {
    out = c;
    return Unescaped::End;
  }
  if (c == ZRUB0) out = 0x7F;
  else if (c == ZRUB1) out = 0xFF;
  else if ((c & 0x60) == 0x40) out = c ^ 0x40;
  else return Unescaped::Error;
  return Unescaped::Byte;
}

std::size_t FrameDecoder::feed(const std::uint8_t* bytes, std::size_t len) {
  if (event_.kind == Kind::Subpacket || event_.kind == Kind::BadSubpacket) data_.clear();
  event_ = Event{};
  std::size_t i = 0;
  while (i < len && event_.kind == Kind::None) {
    // The fast path: plain data bytes go straight into the subpacket.
    if (state_ == State::Data && !zdle_) {
      std::size_t run = i;
      std::size_t room = kMaxSubpacket - data_.size();
      while (run < len && run - i <= room && bytes[run] != ZDLE && !is_flow_control(bytes[run])) ++run;
      if (run - i > room) {
        i += room + 1;
        state_ = State::Hunt;
        emit(Kind::BadSubpacket);
        break;
      }
      if (run > i) {
        data_.insert(data_.end(), bytes + i, bytes + run);
        cans_ = 0;
        i = run;
        continue;
      }
    }
    std::uint8_t c = bytes[i++];
    cans_ = c == CAN ? cans_ + 1 : 0;
    if (cans_ >= 5) {
      cans_ = 0;
      hunt();
      emit(Kind::Cancel);
      break;
    }
    switch (state_) {
      case State::Hunt:
        if ((c & 0x7F) == ZPAD) state_ = State::Pad;
        break;
      case State::Pad:
        if (c == ZDLE) state_ = State::PadDle;
        else if ((c & 0x7F) != ZPAD) state_ = State::Hunt;
        break;
      case State::PadDle:
        header_len_ = 0;
        hex_digits_ = 0;
        zdle_ = false;
        switch (c & 0x7F) {
          case ZHEX: format_ = HeaderFormat::Hex; state_ = State::HexDigits; break;
          case ZBIN: format_ = HeaderFormat::Bin16; state_ = State::BinHeader; break;
          case ZBIN32: format_ = HeaderFormat::Bin32; state_ = State::BinHeader; break;
          default: state_ = c == ZDLE ? State::PadDle : State::Hunt;  // CANs in a row are counted above
        }
        break;
      case State::HexDigits: on_hex_digit(c); break;
      case State::HexEnd:
      case State::HexLineFeed: on_hex_end(c); break;
      case State::BinHeader: on_header_byte(c); break;
      case State::Data: on_data_byte(c); break;
      case State::DataCrc: on_crc_byte(c); break;
    }
  }
  return i;
}

void FrameDecoder::on_hex_digit(std::uint8_t c) {
  int v = hex_value(c);
  if (v < 0) {
    state_ = (c & 0x7F) == ZPAD ? State::Pad : State::Hunt;
    emit(Kind::BadHeader);
    return;
  }
  if (hex_digits_++ % 2 == 0) {
    hex_high_ = static_cast<std::uint8_t>(v);
    return;
  }
  header_[header_len_++] = static_cast<std::uint8_t>(hex_high_ << 4 | v);
  if (header_len_ == 7) finish_header();
}

bool FrameDecoder::plain_byte(std::uint8_t c, std::uint8_t& out, Kind error) {
  switch (unescape(c, out)) {
    case Unescaped::Byte: return true;
    case Unescaped::Skip: return false;
    case Unescaped::End:
    case Unescaped::Error: break;
  }
  state_ = State::Hunt;
  emit(error);
  return false;
}

void FrameDecoder::on_header_byte(std::uint8_t c) {
  std::uint8_t b = 0;
  if (!plain_byte(c, b, Kind::BadHeader)) return;
  header_[header_len_++] = b;
  if (header_len_ == 5 + crc_size(format_)) finish_header();
}

void FrameDecoder::finish_header() {
  bool good;
  if (format_ == HeaderFormat::Bin32) {
    std::uint32_t crc = crc32_ieee(header_.data(), 5);
    good = header_[5] == (crc & 0xFF) && header_[6] == ((crc >> 8) & 0xFF) && header_[7] == ((crc >> 16) & 0xFF) &&
           header_[8] == (crc >> 24);
  } else {
    good = crc16_xmodem(header_.data(), 7) == 0;
  }
  state_ = State::Hunt;
  if (!good) {
    emit(Kind::BadHeader);
    return;
  }
  event_.header.type = header_[0];
  for (int k = 0; k < 4; ++k) event_.header.data[k] = header_[k + 1];
  event_.header.format = format_;
  if (carries_data(header_[0])) {
    // A hex header's subpacket follows its CR LF and carries a 16-bit CRC.
    state_ = format_ == HeaderFormat::Hex ? State::HexEnd : State::Data;
    data_crc32_ = format_ == HeaderFormat::Bin32;
    data_.clear();
  }
  emit(Kind::Header);
}

// The CR and LF (either with the high bit) that end a hex header before its subpacket; a
// sender that leaves them out starts the data at once.
void FrameDecoder::on_hex_end(std::uint8_t c) {
  bool line_end = state_ == State::HexEnd ? (c & 0x7F) == '\r' : (c & 0x7F) == '\n';
  // A CR with the high bit is a complete line end on its own.
  if (line_end && state_ == State::HexEnd && c == '\r') {
    state_ = State::HexLineFeed;
    return;
  }
  state_ = State::Data;
  if (!line_end) on_data_byte(c);
}

void FrameDecoder::on_data_byte(std::uint8_t c) {
  std::uint8_t b = 0;
  switch (unescape(c, b)) {
    case Unescaped::Skip: return;
    case Unescaped::Error:
      state_ = State::Hunt;
      emit(Kind::BadSubpacket);
      return;
    case Unescaped::End:
      end_ = static_cast<FrameEnd>(b);
      crc_len_ = 0;
      state_ = State::DataCrc;
      return;
    case Unescaped::Byte: break;
  }
  if (data_.size() >= kMaxSubpacket) {
    state_ = State::Hunt;
    emit(Kind::BadSubpacket);
    return;
  }
  data_.push_back(b);
}

void FrameDecoder::on_crc_byte(std::uint8_t c) {
  std::uint8_t b = 0;
  if (!plain_byte(c, b, Kind::BadSubpacket)) return;
  crc_[crc_len_++] = b;
  if (crc_len_ < (data_crc32_ ? 4u : 2u)) return;
  auto end_byte = static_cast<std::uint8_t>(end_);
  bool good;
  if (data_crc32_) {
    std::uint32_t crc = ~crc32_update(&end_byte, 1, crc32_update(data_.data(), data_.size(), 0xFFFFFFFFu));
    good = crc_[0] == (crc & 0xFF) && crc_[1] == ((crc >> 8) & 0xFF) && crc_[2] == ((crc >> 16) & 0xFF) &&
           crc_[3] == (crc >> 24);
  } else {
    std::uint16_t crc = crc16_xmodem(&end_byte, 1, crc16_xmodem(data_.data(), data_.size()));
    good = crc_[0] == (crc >> 8) && crc_[1] == (crc & 0xFF);
  }
  bool frame_goes_on = end_ == FrameEnd::ZCRCG || end_ == FrameEnd::ZCRCQ;
  state_ = good && frame_goes_on ? State::Data : State::Hunt;
  emit(good ? Kind::Subpacket : Kind::BadSubpacket);
}

}  // namespace sio::zmodem
