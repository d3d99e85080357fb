#include "sio/xmodem/sender_link.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "sio/sio.h"

namespace sio::xmodem {
namespace {
constexpr int kSettleMs = 20;
// The pause after an ACK before the next block (see ack_pause_us_): from the shortest, doubled
// up to the longest.
constexpr int kMinAckPauseUs = 100;
constexpr int kMaxAckPauseUs = 8000;
// Blocks in a row taken at their first send after which the pause is halved: a receiver that
// lost blocks to a short burst of load need not cost every later block the longest pause.
constexpr int kCleanBlocksToShortenPause = 512;
}

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
// late NAK); taking them for the new block's answer would skip a block. With `quiet_ms`, waits
// for the line to be quiet that long.
int SenderLink::drop_stale_input(int quiet_ms) {
  for (int reads = 0; reads < 16; ++reads) {
    while (input_pos_ < input_len_)
      if (reader_.feed(input_[input_pos_++]) == AnswerReader::Answer::Cancel) return SIOFT_CANABORT;
    int n = channel_.read(input_, sizeof input_, quiet_ms);
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
      case AnswerReader::Answer::CrcRequest:
      case AnswerReader::Answer::Nak:
        check = answer == AnswerReader::Answer::Nak ? Check::Sum : Check::Crc;
        // Some receivers discard their input right after a request (lrzsz does): a block sent
        // at once could be lost. A moment's quiet also drops the requests repeated meanwhile.
        return drop_stale_input(kSettleMs);
      case AnswerReader::Answer::Cancel: return SIOFT_CANABORT;
      case AnswerReader::Answer::None: return cancel(SIOFT_TIMEOUT);
      case AnswerReader::Answer::Ack: break;  // a late answer to an earlier block
    }
  }
}

// Once answers have come, a block that draws none is sent again after a few round trips: a
// receiver that lost it whole may wait seconds before it asks again. Only the first resend
// comes that soon: a receiver that got part of the block reads until the line has been quiet
// for a while (lrzsz: 1 s) before it asks again, and quick resends would keep it reading. A
// block longer than the one timed takes that much longer to cross a slow line. An EOT always
// waits long: receivers answer it only after a quiet moment, which a repeated EOT would spoil.
int SenderLink::answer_wait_ms(std::span<const std::uint8_t> block, int unasked_resends) const {
  if (round_trip_ms_ < 0) return timing_.answer_wait_ms;
  const long longer = std::max<long>(1, static_cast<long>((block.size() + timed_size_ - 1) / timed_size_));
  const bool first_of_block = block.size() > 1 && unasked_resends == 0;
  const long wait = (first_of_block ? timing_.block_resend_ms : timing_.resend_wait_ms) + 4 * round_trip_ms_ * longer;
  return static_cast<int>(std::min<long>(timing_.answer_wait_ms, wait));
}

int SenderLink::send(std::span<const std::uint8_t> block, bool final) {
  heard_ = false;
  int silent_sends = 0;
  int unasked_resends = 0;
  // Right after an ACK, the pause that this receiver has shown it needs.
  const bool follows_ack = after_ack_;
  after_ack_ = false;
  int settle_ms = 0;
  for (int attempt = 0; attempt <= timing_.max_retries; ++attempt) {
    // Some receivers discard their input just after sending an ACK (lrzsz does): a block sent
    // at once can lose its first bytes there and then costs the receiver's time-out. Once a
    // block that followed an ACK at once is not taken, the next ones wait a moment longer.
    if (attempt == 1 && follows_ack) {
      clean_since_loss_ = 0;
      ack_pause_us_ = std::clamp(2 * ack_pause_us_, kMinAckPauseUs, kMaxAckPauseUs);
    }
    if (attempt == 0 && follows_ack && ack_pause_us_ > 0)
      std::this_thread::sleep_for(std::chrono::microseconds(ack_pause_us_));
    sends_ = attempt + 1;
    if (int result = drop_stale_input(settle_ms); result < 0) return result;
    if (int result = channel_.write(block.data(), block.size()); result < 0) return result;
    const long sent_at = now_ms();
    const long deadline = sent_at + (final ? timing_.final_wait_ms : answer_wait_ms(block, unasked_resends));
    for (bool resend = false; !resend;) {
      AnswerReader::Answer answer;
      if (int result = next_answer(deadline, answer); result < 0) return result;
      if (answer == AnswerReader::Answer::Ack || answer == AnswerReader::Answer::Nak) {
        round_trip_ms_ = std::max(now_ms() - sent_at, round_trip_ms_ * 3 / 4);
        timed_size_ = block.size();
      }
      switch (answer) {
        case AnswerReader::Answer::Ack:
          // A block sent again without a NAK may draw a second ACK; taken for the next block's
          // answer, it would let a lost block pass unnoticed.
          after_ack_ = true;
          if (attempt == 0 && ++clean_since_loss_ >= kCleanBlocksToShortenPause) {
            ack_pause_us_ = ack_pause_us_ / 2 < kMinAckPauseUs ? 0 : ack_pause_us_ / 2;
            clean_since_loss_ = 0;
          }
          if (unasked_resends > 0) return drop_stale_input(std::max<int>(kSettleMs, 2 * round_trip_ms_));
          return 0;
        case AnswerReader::Answer::Cancel: return SIOFT_CANABORT;
        case AnswerReader::Answer::Nak:
        case AnswerReader::Answer::CrcRequest:  // a receiver still asking for its first block
          silent_sends = 0;
          settle_ms = kSettleMs;  // as after a start request: the receiver may discard its input now
          resend = true;
          break;
        case AnswerReader::Answer::None:
          if (final && ++silent_sends >= 2) return 0;
          ++unasked_resends;
          settle_ms = 0;
          resend = true;
          break;
      }
    }
  }
  return cancel(heard_ ? SIOFT_PROTOCOL : SIOFT_TIMEOUT);
}

int SenderLink::send_eot(bool final) {
  const std::uint8_t eot = EOT;
  return send({&eot, 1}, final);
}

}  // namespace sio::xmodem
