// XMODEM blocks as they go on the wire, with no I/O: the encoder a sender uses and the decoder a
// receiver feeds byte by byte. YMODEM uses the same blocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sio::xmodem {

inline constexpr std::uint8_t SOH = 0x01;  // starts a 128-byte block
inline constexpr std::uint8_t STX = 0x02;  // starts a 1024-byte block
inline constexpr std::uint8_t EOT = 0x04;
inline constexpr std::uint8_t ACK = 0x06;
inline constexpr std::uint8_t BS = 0x08;
inline constexpr std::uint8_t XON = 0x11;
inline constexpr std::uint8_t XOFF = 0x13;
inline constexpr std::uint8_t NAK = 0x15;
inline constexpr std::uint8_t CAN = 0x18;
inline constexpr std::uint8_t SUB = 0x1A;         // pads the last block of a file
inline constexpr std::uint8_t CRC_REQUEST = 'C';  // a receiver's NAK that asks for CRC blocks

inline constexpr std::size_t kShortBlock = 128;
inline constexpr std::size_t kLongBlock = 1024;

// What either side sends to give up: CANs, then backspaces that erase them from a terminal
// in case the peer has already left the protocol.
inline constexpr std::array<std::uint8_t, 16> kCancelSequence = {CAN, CAN, CAN, CAN, CAN, CAN, CAN, CAN,
                                                                 BS,  BS,  BS,  BS,  BS,  BS,  BS,  BS};

enum class Check { Sum, Crc };

// The block `number` carrying `payload` (at most block_size bytes), padded with `pad`.
std::vector<std::uint8_t> encode_block(std::uint8_t number, std::span<const std::uint8_t> payload,
                                       std::size_t block_size, Check check, std::uint8_t pad = SUB);

// Finds blocks in the byte stream of a receiver. Between blocks only SOH, STX, EOT and CAN mean
// something; other bytes are line noise.
class BlockDecoder {
 public:
  enum class Result {
    Pending,   // the byte was taken; nothing complete yet
    Block,     // a block with a good header and check: number() and data()
    BadBlock,  // a block whose header or check is wrong (header faults are reported at once)
    Eot,
    Cancel,    // two CANs in a row between blocks
    Noise,     // a byte between blocks that starts nothing
  };

  explicit BlockDecoder(Check check = Check::Crc) : check_(check) {}

  void set_check(Check check) { check_ = check; }
  Check check() const { return check_; }
  Result feed(std::uint8_t byte);
  // Forgets a partly received block.
  void reset();
  // True while inside a block: a pause now means bytes were lost.
  bool in_block() const { return state_ != State::Idle; }

  std::uint8_t number() const { return number_; }
  std::span<const std::uint8_t> data() const { return {buffer_.data(), size_}; }

 private:
  enum class State { Idle, Number, Complement, Data, Check };

  Result finish_block();

  Check check_;
  State state_ = State::Idle;
  bool pending_can_ = false;
  std::size_t size_ = 0;
  std::size_t filled_ = 0;
  std::uint8_t number_ = 0;
  std::uint8_t check_bytes_[2] = {};
  std::size_t check_filled_ = 0;
  std::array<std::uint8_t, kLongBlock> buffer_{};
};

}  // namespace sio::xmodem
