#include "sio/kermit/sender.h"

#include "sio/kermit/attributes.h"
#include "sio/kermit/codec.h"
#include "sio/sio.h"

namespace sio::kermit {
namespace {

// Enough read-ahead for the longest packet even when repeat counts squeeze runs.
constexpr std::size_t kReadAhead = 64 * 1024;
constexpr int kBreakRetries = 2;

}  // namespace

Sender::Sender(std::string name, long length, DataSource& source, const Timing& timing)
    : Endpoint(timing), name_(std::move(name)), source_(source) {
  total_ = length;
}

void Sender::start() {
  init_ = encode_init(our_offer(std::max(1, timing_.packet_timeout_ms / 1000)));
  send('S', seq_, init_);
}

void Sender::on_timeout() {
  // The receiver put the file in place when it acknowledged Z; a receiver that leaves right
  // after answering B may leave that answer lost on the line, so a missing one does not undo
  // the transfer.
  if (state_ == State::Break && retries() >= kBreakRetries) return finish(outcome_);
  resend(heard_ ? SIOFT_PROTOCOL : SIOFT_TIMEOUT);
}

void Sender::on_packet(const Packet& p) {
  heard_ = true;
  if (p.type == 'E') return peer_error();
  if (p.type == 'Y' && p.seq == seq_) return acknowledged(p);
  // A NAK for the next packet says this one arrived (its ACK was lost). Not so for the
  // Send-Init, whose ACK carries the receiver's parameters.
  if (p.type == 'N' && p.seq == next_seq(seq_) && state_ != State::Init) return acknowledged(Packet{'Y', seq_, {}});
  if (p.type == 'N' && p.seq == seq_) resend(SIOFT_PROTOCOL);
  // Anything else is an old ACK or noise; the time-out covers a lost exchange.
}

void Sender::acknowledged(const Packet& ack) {
  reset_retries();
  seq_ = next_seq(seq_);
  switch (state_) {
    case State::Init: {
      const InitParams mine = parse_init(init_);
      session_ = negotiate(mine, parse_init(ack.data));
      check_type_ = session_.check_type;
      negotiated_ = true;
      std::string field;
      encode_data(session_.prefixing, name_, static_cast<std::size_t>(session_.max_data), field);
      state_ = State::File;
      return send('F', seq_, field);
    }
    case State::File:
      if (session_.attributes) {
        state_ = State::Attributes;
        return send('A', seq_, encode_attributes(total_));
      }
      state_ = State::Data;
      return send_next_data();
    case State::Attributes:
      if (!ack.data.empty() && ack.data[0] == 'N') {
        // The receiver refuses the file (it exists there, or its name is unusable).
        outcome_ = SIOFT_CANABORT;
        return send_eof(true);
      }
      state_ = State::Data;
      return send_next_data();
    case State::Data:
      if (!ack.data.empty() && (ack.data[0] == 'X' || ack.data[0] == 'Z')) {
        outcome_ = SIOFT_CANABORT;  // the receiver stops this file or the batch
        return send_eof(true);
      }
      return send_next_data();
    case State::Eof:
      state_ = State::Break;
      return send('B', seq_, {});
    case State::Break:
      return finish(outcome_);
  }
}

bool Sender::fill_buffer() {
  if (at_end_ || pending_.size() >= kReadAhead / 2) return true;
  std::size_t have = pending_.size();
  pending_.resize(kReadAhead);
  long n = source_.read(reinterpret_cast<std::uint8_t*>(pending_.data() + have), kReadAhead - have);
  if (n < 0) {
    pending_.resize(have);
    fail(static_cast<int>(n), "Cannot read the file");
    return false;
  }
  pending_.resize(have + static_cast<std::size_t>(n));
  if (n == 0) at_end_ = true;
  return true;
}

void Sender::send_next_data() {
  if (!fill_buffer()) return;
  if (pending_.empty() && at_end_) return send_eof(false);
  std::string field;
  std::size_t used = encode_data(session_.prefixing, pending_, static_cast<std::size_t>(session_.max_data), field);
  pending_.erase(0, used);
  bytes_done_ += static_cast<long>(used);
  send('D', seq_, field);
}

void Sender::send_eof(bool discard) {
  state_ = State::Eof;
  send('Z', seq_, discard ? "D" : "");
}

}  // namespace sio::kermit
