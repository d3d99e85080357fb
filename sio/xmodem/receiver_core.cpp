#include "sio/xmodem/receiver_core.h"

#include <algorithm>

#include "sio/result.h"

namespace sio::xmodem {

ReceiverCore::ReceiverCore(Check check, bool batch, ReceiverTiming timing)
    : decoder_(check), batch_(batch), timing_(timing), awaiting_header_(batch) {}

void ReceiverCore::start(long now_ms) {
  phase_ = Phase::Start;
  requests_ = 0;
  start_request(now_ms);
}

void ReceiverCore::start_request(long now_ms) {
  // A sender that never answers 'C' may know only checksums; once a block has come the kind is settled.
  if (!session_started_ && decoder_.check() == Check::Crc && requests_ >= timing_.crc_requests)
    decoder_.set_check(Check::Sum);
  send(decoder_.check() == Check::Crc ? CRC_REQUEST : NAK);
  ++requests_;
  wait(now_ms, timing_.start_retry_ms);
}

ReceiverCore::Event ReceiverCore::feed(std::uint8_t byte, long now_ms) {
  if (finished() || phase_ == Phase::HeaderPending) return Event::None;
  heard_ = true;
  // A peer that gives up sends CANs, and often backspaces after them, then falls silent.
  if (byte == CAN) {
    if (++can_run_ >= 2) cancel_tail_ = true;
  } else {
    can_run_ = 0;
    if (byte != BS) cancel_tail_ = false;
  }
  if (phase_ == Phase::Purge || phase_ == Phase::EotQuiet) {
    const int quiet_ms = phase_ == Phase::Purge ? timing_.purge_quiet_ms : timing_.eot_quiet_ms;
    eot_confirmed_ = false;
    deadline_ = std::min(now_ms + quiet_ms, purge_end_limit_);
    return Event::None;
  }
  const bool answers_eot_request = eot_requested_;
  eot_requested_ = false;
  switch (decoder_.feed(byte)) {
    case BlockDecoder::Result::Pending:
      if (decoder_.in_block()) wait(now_ms, timing_.byte_wait_ms);
      return Event::None;
    case BlockDecoder::Result::Noise:
      return Event::None;  // noise never holds off the next request
    case BlockDecoder::Result::Cancel:
      return fail(SIOFT_CANABORT);
    case BlockDecoder::Result::BadBlock:
      // A sender that sends blocks has answered our request: a damaged one is no reason to
      // fall back to checksums, which would spoil every block after it.
      session_started_ = true;
      // Whatever follows a damaged block is discarded until the line is quiet, so that the
      // rest of it is never taken for a block start.
      purge_from_ = phase_ == Phase::Start ? Phase::Start : Phase::Data;
      phase_ = Phase::Purge;
      wait(now_ms, timing_.purge_quiet_ms);
      purge_end_limit_ = now_ms + timing_.purge_limit_ms;
      return Event::None;
    case BlockDecoder::Result::Eot:
      return on_eot(now_ms, answers_eot_request);
    case BlockDecoder::Result::Block:
      return on_block(now_ms);
  }
  return Event::None;
}

ReceiverCore::Event ReceiverCore::tick(long now_ms) {
  if (finished() || phase_ == Phase::HeaderPending || now_ms < deadline_) return Event::None;
  if (cancel_tail_) return fail(SIOFT_CANABORT);
  if (phase_ == Phase::EotQuiet) {
    if (eot_confirmed_) return end_of_file(now_ms);
    phase_ = Phase::Eot;
    return ask_again(now_ms);
  }
  if (phase_ == Phase::Start && !decoder_.in_block()) {
    if (requests_ >= timing_.start_requests) return fail(SIOFT_TIMEOUT);
    start_request(now_ms);
    return Event::None;
  }
  decoder_.reset();
  return error(now_ms);
}

ReceiverCore::Event ReceiverCore::error(long now_ms) {
  if (++errors_ > timing_.max_errors) {
    abort(heard_ ? SIOFT_PROTOCOL : SIOFT_TIMEOUT);
    return Event::Failed;
  }
  if (phase_ == Phase::Purge) phase_ = purge_from_;
  return ask_again(now_ms);
}

ReceiverCore::Event ReceiverCore::ask_again(long now_ms) {
  // Before the first block a NAK would tell a waiting sender to start with checksums.
  if (phase_ == Phase::Start || (phase_ == Phase::Eot && purge_from_ == Phase::Start)) {
    start_request(now_ms);
  } else {
    send(NAK);
    wait(now_ms, timing_.block_wait_ms);
  }
  eot_requested_ = phase_ == Phase::Eot;
  return Event::None;
}

ReceiverCore::Event ReceiverCore::on_eot(long now_ms, bool answers_request) {
  if (awaiting_header_) {
    send(ACK);  // the sender repeats the last file's EOT: our ACK was lost
    return Event::None;
  }
  // A file ends only on an EOT that comes alone, in answer to our request for another, with
  // the line quiet after it. A damaged byte in mid-file can read as EOT, even twice within one
  // block; the rest of such a block is discarded until the line is quiet, and a sender in
  // mid-file answers our request with its block again.
  if (phase_ != Phase::Eot) purge_from_ = phase_;
  phase_ = Phase::EotQuiet;
  eot_confirmed_ = answers_request;
  wait(now_ms, timing_.eot_quiet_ms);
  purge_end_limit_ = now_ms + timing_.purge_limit_ms;
  return Event::None;
}

ReceiverCore::Event ReceiverCore::end_of_file(long now_ms) {
  send(ACK);
  errors_ = 0;
  heard_ = false;
  if (batch_) {
    awaiting_header_ = true;
    phase_ = Phase::Start;
    requests_ = 0;
    start_request(now_ms);
  } else {
    phase_ = Phase::Done;
  }
  return Event::EndOfFile;
}

ReceiverCore::Event ReceiverCore::on_block(long now_ms) {
  std::uint8_t number = decoder_.number();
  if (awaiting_header_) {
    if (number != 0) {
      abort(SIOFT_PROTOCOL);  // a sender without batch headers
      return Event::Failed;
    }
    session_started_ = true;
    errors_ = 0;
    heard_ = false;
    if (payload()[0] == 0) {
      send(ACK);
      phase_ = Phase::Done;
      return Event::EndOfBatch;
    }
    phase_ = Phase::HeaderPending;
    return Event::Header;
  }
  if (number == expected_) {
    send(ACK);
    ++expected_;
    errors_ = 0;
    heard_ = false;
    session_started_ = true;
    phase_ = Phase::Data;
    wait(now_ms, timing_.block_wait_ms);
    return Event::Data;
  }
  if (number == static_cast<std::uint8_t>(expected_ - 1)) {
    // Our ACK was lost and the sender repeats the block.
    send(ACK);
    if (expected_ == 1) {
      // A repeated YMODEM header: the sender also missed our request for data.
      if (batch_) send(decoder_.check() == Check::Crc ? CRC_REQUEST : NAK);
      phase_ = Phase::Start;
      wait(now_ms, timing_.start_retry_ms);
    } else {
      phase_ = Phase::Data;
      wait(now_ms, timing_.block_wait_ms);
    }
    return Event::None;
  }
  abort(SIOFT_PROTOCOL);  // out of step with the sender: nothing can bring it back
  return Event::Failed;
}

void ReceiverCore::accept_header(long now_ms) {
  if (phase_ != Phase::HeaderPending) return;
  send(ACK);
  awaiting_header_ = false;
  expected_ = 1;
  phase_ = Phase::Start;
  requests_ = 0;
  start_request(now_ms);
}

void ReceiverCore::abort(int result) {
  reply_.assign(kCancelSequence.begin(), kCancelSequence.end());
  phase_ = Phase::Failed;
  result_ = result;
}

ReceiverCore::Event ReceiverCore::fail(int result) {
  phase_ = Phase::Failed;
  result_ = result;
  return Event::Failed;
}

}  // namespace sio::xmodem
