#include "sio/kermit/receiver.h"

#include <algorithm>

#include "sio/kermit/attributes.h"
#include "sio/kermit/codec.h"
#include "sio/result.h"

namespace sio::kermit {
namespace {
constexpr int kDamagedPerRetry = 4;
}

void Receiver::on_packet(const Packet& p) {
  if (p.type == 'E') {
    if (file_ == FileState::Storing) sink_.discard();
    file_ = FileState::None;
    // A file already put in place stays good whatever the sender says afterwards.
    return stored_ ? finish(0) : peer_error();
  }
  if (!started_) {
    if (p.type != 'S') return;  // noise before the session, or a server command we do not serve
    const InitParams offer = parse_init(p.data);
    const InitParams reply = reply_to(offer, std::max(1, timing_.packet_timeout_ms / 1000));
    session_ = negotiate(reply, offer);
    // Still with the type 1 check, unless the sender forces the CRC on every packet.
    if (offer.chkt == kForcedCrc) check_type_ = 3;
    acks_[static_cast<std::size_t>(p.seq)] = frame('Y', p.seq, encode_init(reply));
    emit(acks_[static_cast<std::size_t>(p.seq)]);
    check_type_ = session_.check_type;
    negotiated_ = true;
    started_ = true;
    expected_ = next_seq(p.seq);
    return;
  }
  const int ahead = (p.seq - expected_ + 64) % 64;
  if (ahead == 0) {
    reset_retries();
    handle(p);
    return deliver_buffered();
  }
  if (ahead < session_.window) return on_ahead(p);
  // A packet we have answered already: our ACK was lost.
  const auto& earlier = acks_[static_cast<std::size_t>(p.seq)];
  if (ahead >= 64 - std::max(session_.window, 1) && !earlier.empty()) return emit(earlier);
  nak();
}

void Receiver::on_ahead(const Packet& p) {
  if (p.type != 'D') return nak();  // only data runs ahead; the rest comes in order
  auto& answer = acks_[static_cast<std::size_t>(p.seq)];
  if (ahead_.count(p.seq)) return emit(answer);
  const bool first_gap = ahead_.empty();
  ahead_.emplace(p.seq, p);
  reset_retries();  // the line carries the sender's packets: damage around them is no dead link
  answer = frame('Y', p.seq, file_ == FileState::Skipping ? "X" : "");
  emit(answer);
  // Ask for the missing packet at once rather than waiting for the sender's time-out.
  if (first_gap) emit(frame('N', expected_, {}));
}

void Receiver::deliver_buffered() {
  for (auto it = ahead_.find(expected_); it != ahead_.end() && !finished(); it = ahead_.find(expected_)) {
    const Packet p = std::move(it->second);
    ahead_.erase(it);
    if (!consume(p)) return;
    expected_ = next_seq(expected_);
  }
  // Another gap further on: ask for its first packet now.
  if (!ahead_.empty() && !finished()) emit(frame('N', expected_, {}));
}

void Receiver::handle(const Packet& p) {
  if (p.type != 'D') ahead_.clear();  // data that ran ahead of the file's end is void
  switch (p.type) {
    case 'F':
      return on_file_header(p);
    case 'X':  // text to show instead of a file: nothing to store
      file_ = FileState::Skipping;
      return ack();
    case 'A':
      if (file_ == FileState::Storing) {
        if (auto length = parse_length(p.data)) {
          total_ = length->bytes;
          if (length->exact) announced_length_ = length->bytes;
        }
        return ack();
      }
      return ack("N");  // refuse: the sender skips the file without sending it
    case 'D':
      return on_data(p);
    case 'Z':
      return on_eof(p);
    case 'B':
      ack();
      return end_of_session();
    default:
      return fail(SIOFT_PROTOCOL, "Unexpected packet");
  }
}

void Receiver::on_file_header(const Packet& p) {
  std::string name;
  if (!decode_data(session_.incoming, p.data, name)) name.clear();
  file_ = FileState::Skipping;
  announced_length_ = -1;
  if (!tried_a_file_) {
    tried_a_file_ = true;
    const int opened = sink_.open(name);
    if (opened == 0) {
      file_ = FileState::Storing;
      bytes_done_ = 0;
    } else {
      refusal_ = opened;
    }
  }
  ack();
}

void Receiver::on_data(const Packet& p) {
  if (file_ == FileState::Skipping) return ack("X");  // stop sending this file
  if (consume(p)) ack();
}

bool Receiver::consume(const Packet& p) {
  if (file_ == FileState::Skipping) return true;
  if (file_ != FileState::Storing) {
    fail(SIOFT_PROTOCOL, "Data without a file");
    return false;
  }
  std::string bytes;
  if (!decode_data(session_.incoming, p.data, bytes)) {
    sink_.discard();
    fail(SIOFT_PROTOCOL, "Bad data field");
    return false;
  }
  const int written = sink_.write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  if (written < 0) {
    sink_.discard();
    fail(written, "Cannot write the file");
    return false;
  }
  bytes_done_ += static_cast<long>(bytes.size());
  return true;
}

void Receiver::on_eof(const Packet& p) {
  if (file_ == FileState::Storing) {
    if (p.data == "D") {
      sink_.discard();  // the sender gave the file up
      refusal_ = SIOFT_CANABORT;
    } else if (announced_length_ >= 0 && announced_length_ != bytes_done_) {
      sink_.discard();
      file_ = FileState::None;
      return fail(SIOFT_PROTOCOL, "File length differs from its attributes");
    } else {
      const int committed = sink_.commit();
      if (committed == 0)
        stored_ = true;
      else
        refusal_ = committed;
    }
  }
  file_ = FileState::None;
  ack();
}

void Receiver::end_of_session() {
  if (stored_) return finish(0);
  finish(refusal_ ? refusal_ : SIOFT_PROTOCOL);
}

void Receiver::ack(std::string_view data) {
  auto& answer = acks_[static_cast<std::size_t>(expected_)];
  answer = frame('Y', expected_, data);
  emit(answer);
  expected_ = next_seq(expected_);
}

void Receiver::nak() {
  if (count_retry(SIOFT_PROTOCOL)) emit(frame('N', expected_, {}));
}

void Receiver::on_bad_packet() {
  if (!started_) return;
  // A damaged packet shows a sender at work: of a window's worth of them, only every few
  // count as a retry (silence still counts each time-out).
  if (++damaged_ % kDamagedPerRetry != 0) return emit(frame('N', expected_, {}));
  nak();
}

void Receiver::on_timeout() {
  if (!started_) return finish(SIOFT_TIMEOUT);
  // A sender whose B packets were all lost has finished: a file put in place stays good.
  if (stored_ && file_ == FileState::None && retries() >= timing_.max_retries) return finish(0);
  if (count_retry(SIOFT_TIMEOUT)) emit(frame('N', expected_, {}));
}

}  // namespace sio::kermit
