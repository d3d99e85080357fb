// Finds headers and data subpackets in the bytes that arrive, whatever else comes with them
// (echoes, modem chatter, line noise). Works on any chunking, down to one byte at a time, and
// keeps no more than one subpacket.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sio/zmodem/header.h"
#include "sio/zmodem/protocol.h"

namespace sio::zmodem {

class FrameDecoder {
 public:
  enum class Kind {
    None,
    Header,        // `header` is valid
    Subpacket,     // `data`, `size` and `end` are valid until the next feed
    BadHeader,     // CRC or format error in a header
    BadSubpacket,  // CRC, escape or length error in a subpacket
    Cancel,        // five CANs in a row
  };
  struct Event {
    Kind kind = Kind::None;
    Header header;
    FrameEnd end = FrameEnd::ZCRCE;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
  };

  FrameDecoder();

  // Consumes bytes up to and including the one that completes an event and returns how many;
  // event() then tells what it was (None when every byte was consumed without one).
  std::size_t feed(const std::uint8_t* bytes, std::size_t len);
  const Event& event() const { return event_; }
  // Ignores subpackets until the next header (after an error, while waiting for a resend).
  void hunt();
  // True while a subpacket has begun and not ended (a quiet line then means its end got lost).
  bool inside_subpacket() const { return (state_ == State::Data && !data_.empty()) || state_ == State::DataCrc; }

 private:
  enum class State { Hunt, Pad, PadDle, HexDigits, HexEnd, HexLineFeed, BinHeader, Data, DataCrc };
  enum class Unescaped { Byte, Skip, End, Error };

  Unescaped unescape(std::uint8_t c, std::uint8_t& out);
  // A header or CRC byte: true with `out` set, false for a skipped byte or an error (reported).
  bool plain_byte(std::uint8_t c, std::uint8_t& out, Kind error);
  void on_header_byte(std::uint8_t c);
  void on_hex_digit(std::uint8_t c);
  void on_hex_end(std::uint8_t c);
  void finish_header();
  void on_data_byte(std::uint8_t c);
  void on_crc_byte(std::uint8_t c);
  void emit(Kind kind);

  State state_ = State::Hunt;
  HeaderFormat format_ = HeaderFormat::Hex;
  bool zdle_ = false;      // the previous byte was an unpaired ZDLE
  int cans_ = 0;           // CANs in a row
  std::array<std::uint8_t, 9> header_{};  // type, four data bytes, up to four CRC bytes
  std::size_t header_len_ = 0;
  std::uint8_t hex_high_ = 0;
  std::size_t hex_digits_ = 0;
  bool data_crc32_ = false;
  FrameEnd end_ = FrameEnd::ZCRCE;
  std::array<std::uint8_t, 4> crc_{};
  std::size_t crc_len_ = 0;
  std::vector<std::uint8_t> data_;
  Event event_;
};

}  // namespace sio::zmodem
