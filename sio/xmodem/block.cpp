#include "sio/xmodem/block.h"

#include <algorithm>

#include "sio/crc.h"

namespace sio::xmodem {
namespace {

std::uint8_t checksum(std::span<const std::uint8_t> data) {
  unsigned sum = 0;
  for (auto byte : data) sum += byte;
  return static_cast<std::uint8_t>(sum);
}

}  // namespace

std::vector<std::uint8_t> encode_block(std::uint8_t number, std::span<const std::uint8_t> payload,
                                       std::size_t block_size, Check check, std::uint8_t pad) {
  payload = payload.first(std::min(payload.size(), block_size));
  std::vector<std::uint8_t> block;
  block.reserve(block_size + 5);
  block.push_back(block_size == kLongBlock ? STX : SOH);
  block.push_back(number);
  block.push_back(static_cast<std::uint8_t>(~number));
  block.insert(block.end(), payload.begin(), payload.end());
  block.resize(3 + block_size, pad);
  std::span<const std::uint8_t> data(block.data() + 3, block_size);
  if (check == Check::Crc) {
    std::uint16_t crc = crc16_xmodem(data.data(), data.size());
    block.push_back(static_cast<std::uint8_t>(crc >> 8));
    block.push_back(static_cast<std::uint8_t>(crc));
  } else {
    block.push_back(checksum(data));
  }
  return block;
}

void BlockDecoder::reset() {
  state_ = State::Idle;
  pending_can_ = false;
  filled_ = 0;
  check_filled_ = 0;
}

BlockDecoder::Result BlockDecoder::feed(std::uint8_t byte) {
  switch (state_) {
    case State::Idle: {
      bool was_can = pending_can_;
      pending_can_ = false;
      switch (byte) {
        case SOH:
        case STX:
          size_ = byte == STX ? kLongBlock : kShortBlock;
          state_ = State::Number;
          return Result::Pending;
        case EOT:
          return Result::Eot;
        case CAN:
          if (was_can) return Result::Cancel;
          pending_can_ = true;
          return Result::Pending;
        default:
          return Result::Noise;
      }
    }
    case State::Number:
      number_ = byte;
      state_ = State::Complement;
      return Result::Pending;
    case State::Complement:
      if (static_cast<std::uint8_t>(~byte) != number_) {
        reset();
        return Result::BadBlock;
      }
      filled_ = 0;
      state_ = State::Data;
      return Result::Pending;
    case State::Data:
      buffer_[filled_++] = byte;
      if (filled_ == size_) {
        check_filled_ = 0;
        state_ = State::Check;
      }
      return Result::Pending;
    case State::Check:
      check_bytes_[check_filled_++] = byte;
      if (check_filled_ < (check_ == Check::Crc ? 2u : 1u)) return Result::Pending;
      return finish_block();
  }
  return Result::Noise;
}

BlockDecoder::Result BlockDecoder::finish_block() {
  state_ = State::Idle;
  auto block = data();
  bool good;
  if (check_ == Check::Crc) {
    std::uint16_t crc = crc16_xmodem(block.data(), block.size());
    good = check_bytes_[0] == (crc >> 8) && check_bytes_[1] == (crc & 0xFF);
  } else {
    good = check_bytes_[0] == checksum(block);
  }
  return good ? Result::Block : Result::BadBlock;
}

}  // namespace sio::xmodem
