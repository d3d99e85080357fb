#include "sio/xmodem/sender_core.h"

#include <algorithm>

#include "sio/result.h"

namespace sio::xmodem {
namespace {
// Some receivers discard their input right after a request or a NAK (lrzsz does): a block
// goes out only once the line has been quiet this long.
constexpr long kSettleUs = 20000;
// The pause after an ACK before the next block (see SenderCore::on_ack): from the shortest,
// doubled up to the longest.
constexpr long kMinAckPauseUs = 100;
constexpr long kMaxAckPauseUs = 8000;
// Blocks in a row taken at their first send after which the pause is halved: a receiver that
// lost blocks to a short burst of load need not cost every later block the longest pause.
constexpr int kCleanBlocksToShortenPause = 512;
// A settle ends after this many quiet periods however much noise keeps coming.
constexpr long kSettleLimit = 16;

constexpr long us(long ms) { return ms * 1000; }
}  // namespace

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

SenderCore::SenderCore(PayloadSource& source, long total, bool long_blocks,
                       std::optional<std::vector<std::uint8_t>> batch_header, SenderTiming timing)
    : source_(source), header_(std::move(batch_header)), timing_(timing), sizer_(long_blocks),
      step_(header_ ? Step::Header : Step::Data), total_(total) {}

void SenderCore::start(Micros now_us) {
  phase_ = Phase::Request;
  deadline_ = now_us + us(timing_.start_wait_ms);
}

void SenderCore::feed(const std::uint8_t* bytes, std::size_t len, Micros now_us) {
  for (std::size_t i = 0; i < len && !finished(); ++i) on_byte(bytes[i], static_cast<long>(now_us));
}

void SenderCore::on_byte(std::uint8_t byte, long now_us) {
  const AnswerReader::Answer answer = reader_.feed(byte);
  if (answer == AnswerReader::Answer::Cancel) return fail(SIOFT_CANABORT, false);
  switch (phase_) {
    case Phase::Request:
      if (answer == AnswerReader::Answer::CrcRequest) on_request(Check::Crc, now_us);
      if (answer == AnswerReader::Answer::Nak) on_request(Check::Sum, now_us);
      return;  // an ACK here is a late answer to an earlier block
    case Phase::Settle:
      // What comes now answers an earlier copy (a repeated ACK, a late NAK): taken for this
      // block's answer it would let a lost block pass.
      if (quiet_settle_) deadline_ = std::min(now_us + quiet_us_, settle_limit_);
      return;
    case Phase::Answer:
      heard_ = true;
      if (answer == AnswerReader::Answer::Ack) {
        // Only an ACK times the round trip: a NAK may come after the receiver waited for quiet.
        round_trip_us_ = std::max(now_us - sent_at_, round_trip_us_ * 3 / 4);
        timed_size_ = block_.size();
        return on_ack(now_us);
      }
      if (answer != AnswerReader::Answer::None) return on_nak(now_us);
      // A receiver whose line has software flow control on (lrzsz's rx asks for it) stops and
      // restarts us with these; they answer nothing.
      if (byte == XON || byte == XOFF) return;
      // A damaged answer: ACK or NAK, the block goes again as soon as the line is quiet (a
      // second copy of a block taken is acknowledged and dropped). Not so an EOT, which
      // receivers answer only after a quiet moment that a repeat would spoil.
      if (byte != CAN && block_.size() > 1 && !final_item()) {
        ++unasked_resends_;
        settle(now_us, std::max(kSettleUs, 2 * round_trip_us_), true);
      }
      return;
    case Phase::Done:
    case Phase::Failed:
      return;
  }
}

void SenderCore::tick(Micros now_us) {
  if (finished() || now_us < deadline_) return;
  switch (phase_) {
    case Phase::Request: return fail(SIOFT_TIMEOUT, true);
    case Phase::Settle: return transmit(now_us);
    // A block still on its way to a slow line has not been missed yet: the wait for its
    // answer starts once the line has taken it (drained).
    case Phase::Answer: return on_the_way_ ? void() : on_silence(now_us);
    default: return;
  }
}

void SenderCore::drained(Micros now_us) {
  if (!on_the_way_) return;
  on_the_way_ = false;
  wait_for_answer(static_cast<long>(now_us));
}

void SenderCore::line_lost(int error) {
  if (!finished()) fail(error, false);
}

void SenderCore::wait_for_answer(long now_us) {
  if (phase_ != Phase::Answer) return;
  sent_at_ = now_us;
  deadline_ = now_us + (final_item() ? us(timing_.final_wait_ms) : answer_wait_us());
}

void SenderCore::on_request(Check check, long now_us) {
  check_ = check;
  if (step_ == Step::Data && number_ == 1 && check == Check::Sum) sizer_ = BlockSizer(false);
  follows_ack_ = false;
  next_item();
  if (!finished()) settle(now_us, kSettleUs, true);
}

void SenderCore::on_ack(long now_us) {
  if (sends_ == 1 && ++clean_since_loss_ >= kCleanBlocksToShortenPause) {
    ack_pause_us_ = ack_pause_us_ / 2 < kMinAckPauseUs ? 0 : ack_pause_us_ / 2;
    clean_since_loss_ = 0;
  }
  switch (step_) {
    case Step::Header:
      step_ = Step::Data;
      return start(now_us);  // the receiver asks again for the file's data
    case Step::Data:
      sizer_.block_done(block_is_long_, sends_);
      done_ = source_.consume();
      ++number_;
      break;
    case Step::Eot:
      if (!header_) {
        phase_ = Phase::Done;
        return;
      }
      step_ = Step::Closing;
      return start(now_us);  // YMODEM: the receiver asks for the next file's header
    case Step::Closing:
      phase_ = Phase::Done;
      return;
  }
  // A block sent again unasked may draw a second ACK: the line must be quiet before the next.
  const int unasked = unasked_resends_;
  follows_ack_ = true;
  next_item();
  if (finished()) return;
  if (unasked > 0) return settle(now_us, std::max(kSettleUs, 2 * round_trip_us_), true);
  settle(now_us, ack_pause_us_, false);
}

void SenderCore::on_nak(long now_us) {
  silent_sends_ = 0;
  settle(now_us, kSettleUs, true);  // as after a request: the receiver may discard its input now
}

// Once answers have come, a block that draws none is sent again after a few round trips: a
// receiver that lost it whole may wait seconds before it asks again.
void SenderCore::on_silence(long now_us) {
  // A receiver that has finished may lose its last ACK (some flush their output as they exit):
  // one that stays silent through two sends of the session's last item has finished.
  if (final_item() && ++silent_sends_ >= 2) {
    phase_ = Phase::Done;
    return;
  }
  ++unasked_resends_;
  transmit(now_us);
}

// The next item of the session into block_; at the end of the file's data, the EOT.
void SenderCore::next_item() {
  sends_ = 0;
  unasked_resends_ = 0;
  silent_sends_ = 0;
  heard_ = false;
  block_is_long_ = false;
  switch (step_) {
    case Step::Header:
      block_ = encode_block(0, *header_, header_->size() <= kShortBlock ? kShortBlock : kLongBlock, check_, 0);
      return;
    case Step::Data: {
      std::span<const std::uint8_t> payload;
      if (int result = source_.next(sizer_.long_blocks(), payload); result < 0) return fail(result, true);
      if (!payload.empty()) {
        block_is_long_ = payload.size() > kShortBlock;
        block_ = encode_block(number_, payload, block_is_long_ ? kLongBlock : kShortBlock, check_);
        return;
      }
      step_ = Step::Eot;
      [[fallthrough]];
    }
    case Step::Eot:
      block_.assign(1, EOT);
      return;
    case Step::Closing:
      block_ = encode_block(0, {}, kShortBlock, check_, 0);
      return;
  }
}

void SenderCore::settle(long now_us, long quiet_us, bool until_quiet) {
  phase_ = Phase::Settle;
  quiet_settle_ = until_quiet;
  quiet_us_ = quiet_us;
  deadline_ = now_us + quiet_us;
  settle_limit_ = now_us + kSettleLimit * quiet_us;
}

void SenderCore::transmit(long now_us) {
  if (sends_ > timing_.max_retries) return fail(heard_ ? SIOFT_PROTOCOL : SIOFT_TIMEOUT, true);
  // Some receivers discard their input just after sending an ACK (lrzsz does): a block sent
  // at once can lose its first bytes there and then costs the receiver's time-out. Once a
  // block that followed an ACK at once is not taken, the next ones wait a moment longer.
  if (sends_ == 1 && follows_ack_) {
    clean_since_loss_ = 0;
    ack_pause_us_ = std::clamp(2 * ack_pause_us_, kMinAckPauseUs, kMaxAckPauseUs);
  }
  ++sends_;
  output_.insert(output_.end(), block_.begin(), block_.end());
  on_the_way_ = true;
  phase_ = Phase::Answer;
  wait_for_answer(now_us);
}

// Only the first resend comes soon: a receiver that got part of a block reads until the line
// has been quiet for a while (lrzsz: 1 s) before it asks again, and quick resends would keep
// it reading. A block longer than the one timed takes that much longer to cross a slow line.
// An EOT always waits long: receivers answer it only after a quiet moment.
long SenderCore::answer_wait_us() const {
  if (round_trip_us_ < 0) return us(timing_.answer_wait_ms);
  const long longer = std::max<long>(1, static_cast<long>((block_.size() + timed_size_ - 1) / timed_size_));
  const bool first_of_block = block_.size() > 1 && unasked_resends_ == 0;
  const long wait = us(first_of_block ? timing_.block_resend_ms : timing_.resend_wait_ms) + 4 * round_trip_us_ * longer;
  return std::min(us(timing_.answer_wait_ms), wait);
}

bool SenderCore::final_item() const {
  return step_ == Step::Closing || (!header_ && step_ == Step::Eot);
}

void SenderCore::fail(int result, bool tell_peer) {
  if (tell_peer) output_.assign(kCancelSequence.begin(), kCancelSequence.end());
  phase_ = Phase::Failed;
  result_ = result;
}

}  // namespace sio::xmodem
