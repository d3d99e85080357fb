#include "sio/xmodem/sender_link.h"

#include <algorithm>
#include <chrono>

#include "sio/sio.h"

namespace sio::xmodem {

AnswerReader::Answer AnswerReader::feed(std::uint8_t byte) {
  bool second_can = last_was_can_ && byte == CAN;
  last_was_can_ = byte == CAN && !second_can;
  switch (byte) {
    case ACK: return Answer::Ack;
    case NAK: return Answer::Nak;
    case CRC_REQUEST: return Answer::CrcRequest;
    case CAN: return second_can ? Answer::Cancel : Answer::None;
    default: return Answer::None;
  }
}

long SenderLink::now_ms() const {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count());
}

int SenderLink::cancel(int result) {
  channel_.write(kCancelSequence.data(), kCancelSequence.size());
  return result;
}

// The next answer before the deadline (Answer::None when it passes), or a negative result.
int SenderLink::next_answer(long deadline_ms, AnswerReader::Answer& answer) {
  for (;;) {
    while (input_pos_ < input_len_) {
      heard_ = true;
      answer = reader_.feed(input_[input_pos_++]);
      if (answer != AnswerReader::Answer::None) return 0;
    }
    if (!reporter_.report(done_, total_)) return cancel(SIOFT_ABORT);
    long left = deadline_ms - now_ms();
    if (left <= 0) {
      answer = AnswerReader::Answer::None;
      return 0;
    }
    int n = channel_.read(input_, sizeof input_, static_cast<int>(std::min<long>(left, kProgressSliceMs)));
    if (n < 0) return n;
    input_pos_ = 0;
    input_len_ = static_cast<std::size_t>(n);
  }
}

// Answers already waiting before a block goes out belong to an earlier one (a repeated ACK, a
// late NAK); taking them for the new block's answer would skip a block.
int SenderLink::drop_stale_input() {
  for (int reads = 0; reads < 16; ++reads) {
    while (input_pos_ < input_len_)
      if (reader_.feed(input_[input_pos_++]) == AnswerReader::Answer::Cancel) return SIOFT_CANABORT;
    int n = channel_.read(input_, sizeof input_, 0);
    if (n <= 0) return n;
    input_pos_ = 0;
    input_len_ = static_cast<std::size_t>(n);
  }
  return 0;
}

int SenderLink::await_request(Check& check) {
  long deadline = now_ms() + timing_.start_wait_ms;
  for (;;) {
    AnswerReader::Answer answer;
    if (int result = next_answer(deadline, answer); result < 0) return result;
    switch (answer) {
      case AnswerReader::Answer::CrcRequest: check = Check::Crc; return 0;
      case AnswerReader::Answer::Nak: check = Check::Sum; return 0;
      case AnswerReader::Answer::Cancel: return SIOFT_CANABORT;
      case AnswerReader::Answer::None: return cancel(SIOFT_TIMEOUT);
      case AnswerReader::Answer::Ack: break;  // a late answer to an earlier block
    }
  }
}

int SenderLink::send_block(std::span<const std::uint8_t> block) {
  heard_ = false;
  for (int attempt = 0; attempt <= timing_.max_retries; ++attempt) {
    if (int result = drop_stale_input(); result < 0) return result;
    if (int result = channel_.write(block.data(), block.size()); result < 0) return result;
    long deadline = now_ms() + timing_.answer_wait_ms;
    for (bool resend = false; !resend;) {
      AnswerReader::Answer answer;
      if (int result = next_answer(deadline, answer); result < 0) return result;
      switch (answer) {
        case AnswerReader::Answer::Ack: return 0;
        case AnswerReader::Answer::Cancel: return SIOFT_CANABORT;
        case AnswerReader::Answer::Nak:
        case AnswerReader::Answer::CrcRequest:  // a receiver still asking for its first block
        case AnswerReader::Answer::None: resend = true; break;
      }
    }
  }
  return cancel(heard_ ? SIOFT_PROTOCOL : SIOFT_TIMEOUT);
}

int SenderLink::send_eot() {
  const std::uint8_t eot = EOT;
  return send_block({&eot, 1});
}

}  // namespace sio::xmodem
