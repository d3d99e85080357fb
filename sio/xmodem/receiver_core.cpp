#include "sio/xmodem/receiver_core.h"

#include <algorithm>

#include "sio/sio.h"

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
  if (phase_ == Phase::Purge) {
    deadline_ = std::min(now_ms + timing_.purge_quiet_ms, purge_end_limit_);
    return Event::None;
  }
  switch (decoder_.feed(byte)) {
    case BlockDecoder::Result::Pending:
      if (decoder_.in_block()) wait(now_ms, timing_.byte_wait_ms);
      return Event::None;
    case BlockDecoder::Result::Noise:
      return Event::None;  // noise never holds off the next request
    case BlockDecoder::Result::Cancel:
      return fail(SIOFT_CANABORT);
    case BlockDecoder::Result::BadBlock:
      // Whatever follows a damaged block is discarded until the line is quiet, so that the
      // rest of it is never taken for a block start.
      purge_from_ = phase_ == Phase::Start ? Phase::Start : Phase::Data;
      phase_ = Phase::Purge;
      wait(now_ms, timing_.purge_quiet_ms);
      purge_end_limit_ = now_ms + timing_.purge_limit_ms;
      return Event::None;
    case BlockDecoder::Result::Eot:
      return on_eot(now_ms);
    case BlockDecoder::Result::Block:
      return on_block(now_ms);
  }
  return Event::None;
}

ReceiverCore::Event ReceiverCore::tick(long now_ms) {
  if (finished() || phase_ == Phase::HeaderPending || now_ms < deadline_) return Event::None;
  if (cancel_tail_) return fail(SIOFT_CANABORT);
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
  return Event::None;
}

ReceiverCore::Event ReceiverCore::on_eot(long now_ms) {
  if (awaiting_header_) {
    send(ACK);  // the sender repeats the last file's EOT: our ACK was lost
    return Event::None;
  }
  if (phase_ != Phase::Eot) {
    // The first EOT is answered with a request for another, so that a damaged byte that reads
    // as EOT cannot end the file early: a real sender repeats it, a sender in mid-file resends
    // its block.
    purge_from_ = phase_;
    phase_ = Phase::Eot;
    ask_again(now_ms);
    return Event::None;
  }
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
