#include "sio/kermit/sender.h"

#include <algorithm>

#include "sio/kermit/attributes.h"
#include "sio/kermit/codec.h"
#include "sio/result.h"

namespace sio::kermit {
namespace {

// Enough read-ahead for the longest packet even when repeat counts squeeze runs.
constexpr std::size_t kReadAhead = 64 * 1024;
constexpr int kBreakSends = 3;
// Packets in flight stay below this many bytes, so that a receiver that stops reading (it
// gave up, and its error packet is on the way) never leaves a write of ours blocked.
constexpr std::size_t kMaxUnackedBytes = 32 * 1024;
// Data field lengths on a noisy line: the first packets, the shortest, and the run of packets
// taken at their first send after which the length doubles (1 bit in 1,000 spoils 40% of
// 512-byte packets but 98% of 4 KB ones).
constexpr int kStartLength = 512;
constexpr int kShortestLength = 64;
constexpr int kCleanRunToGrow = 8;
// The window shrinks no further: with a few packets in flight, each one answered renews the
// retries of the others, so a line that loses frames whatever their length is survived.
constexpr int kNarrowestWindow = 8;
// NAK-driven resends that may repeat one still on its way count this many to a retry.
constexpr int kRepeatsPerRetry = 4;

}  // namespace

Sender::Sender(std::string name, long length, DataSource& source, const Timing& timing)
    : Endpoint(timing), name_(std::move(name)), source_(source) {
  total_ = length;
}

void Sender::start() {
  init_ = encode_init(our_offer(std::max(1, timing_.packet_timeout_ms / 1000)));
  post('S', init_);
}

void Sender::post(char type, std::string_view data) {
  std::string f = frame(type, next_seq_, data);
  unacked_bytes_ += f.size();
  unacked_.push_back(Unacked{.seq = next_seq_, .type = type, .frame = std::move(f), .answer = {}});
  next_seq_ = next_seq(next_seq_);
  transmit(unacked_.back());
}

void Sender::transmit(Unacked& p) {
  emit(p.frame);
  ++p.sends;
  p.stamp = sent_++;
}

// Each packet has its own retries, renewed whenever another packet is answered: on a noisy
// line a long window may need many resends while the transfer goes on. A resend counts once
// the copy before it is surely lost: a time-out, or an answer to a packet sent after that copy.
// A NAK that may have been sent before that copy arrived is answered too, counted apart with
// a wider limit, so that a peer that keeps asking on a line that carries nothing still ends.
void Sender::resend(Unacked& p, bool timed_out) {
  const bool lost = timed_out || p.stamp < answered_;
  if ((lost ? ++p.tries : ++p.repeats / kRepeatsPerRetry) > timing_.max_retries)
    return fail(heard_ ? SIOFT_PROTOCOL : SIOFT_TIMEOUT, "Too many retries");
  if (p.type == 'D') shorten(p);
  transmit(p);
}

void Sender::shorten(const Unacked& damaged) {
  clean_run_ = 0;
  if (damaged.stamp < shortened_at_) return;  // that copy went out before the last shortening
  shortened_at_ = sent_ + 1;  // the resend about to go out included
  if (data_limit_ > kShortestLength) {
    data_limit_ = std::max(kShortestLength, data_limit_ / 2);
  } else {
    window_limit_ = std::max(std::min(kNarrowestWindow, session_.window), window_limit_ / 2);
  }
}

void Sender::lengthen(const Unacked& clean) {
  if (clean.type != 'D' || clean.sends > 1 || ++clean_run_ < kCleanRunToGrow) return;
  clean_run_ = 0;
  if (window_limit_ < session_.window) {
    window_limit_ = std::min(session_.window, window_limit_ * 2);
  } else {
    data_limit_ = std::min(session_.max_data, data_limit_ * 2);
  }
}

void Sender::on_timeout() {
  if (unacked_.empty()) return;
  Unacked& oldest = unacked_.front();
  // The receiver put the file in place when it acknowledged Z; a receiver that leaves right
  // after answering B may leave that answer lost on the line, so a missing one does not undo
  // the transfer.
  if (state_ == State::Break && oldest.sends >= kBreakSends) return finish(outcome_);
  // The oldest the receiver still owes us, and any that went out before a packet it has since
  // answered (answers come in order: those, or their answers, were lost). A window whose ACKs
  // were all lost so comes back after two time-outs rather than one a packet.
  bool first = true;
  for (auto& p : unacked_) {
    if (p.acked || finished()) continue;
    if (first || p.stamp < answered_) resend(p, true);
    first = false;
  }
}

void Sender::on_packet(const Packet& p) {
  heard_ = true;
  if (p.type == 'E') return peer_error();
  if (p.type == 'Y') return acknowledge(p.seq, p.data);
  if (p.type == 'N') on_nak(p.seq);
}

void Sender::on_nak(int seq) {
  for (auto& u : unacked_)
    if (u.seq == seq && !u.acked) return resend(u, false);
  if (state_ == State::Init || unacked_.empty()) return;
  // With one packet in flight, a NAK for the packet after it says that it arrived (its ACK was
  // lost); not so for the Send-Init, whose ACK carries the receiver's parameters.
  if (session_.window == 1) {
    if (seq == next_seq_) acknowledge(unacked_.front().seq, {});
    return;
  }
  // A windowed receiver names a packet beyond those sent when a damaged one comes in, or when it
  // times out with none missing. Either way a packet it asked for before and has not answered
  // since may have been lost again: the oldest of them goes once more. Not all of them: on a
  // noisy line one of many copies is damaged again, and each damage would bring them all back.
  for (auto& u : unacked_)
    if (!u.acked && u.sends > 1) return resend(u, false);
  // Naming the packet after our newest, it has seen that one and waits: what it lacks, or what
  // we lack its answer to, is the oldest still open (C-Kermit asks so again and again, each
  // time putting off our own time-out, until we send it).
  if (seq == next_seq_) resend(unacked_.front(), false);
}

void Sender::acknowledge(int seq, std::string answer) {
  auto it = std::find_if(unacked_.begin(), unacked_.end(), [seq](const Unacked& u) { return u.seq == seq; });
  if (it == unacked_.end() || it->acked) return;  // an old or repeated ACK
  it->acked = true;
  it->answer = std::move(answer);
  answered_ = std::max(answered_, it->stamp);
  lengthen(*it);
  for (auto& u : unacked_) u.tries = u.repeats = 0;
  while (!unacked_.empty() && unacked_.front().acked && !finished()) {
    const Unacked done = std::move(unacked_.front());
    unacked_.pop_front();
    unacked_bytes_ -= done.frame.size();
    completed(done);
  }
}

void Sender::completed(const Unacked& p) {
  switch (state_) {
    case State::Init: {
      session_ = negotiate(parse_init(init_), parse_init(p.answer));
      check_type_ = session_.check_type;
      negotiated_ = true;
      data_limit_ = std::min(session_.max_data, kStartLength);
      window_limit_ = session_.window;
      std::string field;
      encode_data(session_.prefixing, name_, static_cast<std::size_t>(session_.max_data), field);
      state_ = State::File;
      return post('F', field);
    }
    case State::File:
      if (session_.attributes) {
        state_ = State::Attributes;
        return post('A', encode_attributes(total_));
      }
      state_ = State::Data;
      return;
    case State::Attributes:
      state_ = State::Data;
      if (!p.answer.empty() && p.answer[0] == 'N') {
        // The receiver refuses the file (it exists there, or its name is unusable).
        outcome_ = SIOFT_CANABORT;
        stop_data_ = true;
      }
      return;
    case State::Data:
      if (!p.answer.empty() && (p.answer[0] == 'X' || p.answer[0] == 'Z')) {
        outcome_ = SIOFT_CANABORT;  // the receiver stops this file or the batch
        stop_data_ = true;
      }
      return;
    case State::Eof:
      state_ = State::Break;
      return post('B', {});
    case State::Break:
      return finish(outcome_);
  }
}

bool Sender::window_full() const {
  return !unacked_.empty() &&
         (static_cast<int>(unacked_.size()) >= window_limit_ || unacked_bytes_ >= kMaxUnackedBytes);
}

void Sender::send_more() {
  if (finished() || state_ != State::Data) return;
  // Answers come in the order packets arrive: a copy sent before a packet that has since been
  // answered, and still unanswered itself, was lost. It goes again now rather than after the
  // receiver's time-out (a windowed receiver asks for a lost resend only then).
  for (auto& p : unacked_)
    if (!p.acked && p.stamp < answered_ && !finished()) resend(p, false);
  if (finished() || window_full()) return;
  if (!stop_data_ && !fill_buffer()) return;
  if (stop_data_ || (pending_pos_ == pending_.size() && at_end_)) {
    // Z waits until every data packet is acknowledged.
    if (unacked_.empty()) send_eof(stop_data_);
    return;
  }
  std::string field;
  const std::size_t used = encode_data(session_.prefixing, std::string_view(pending_).substr(pending_pos_),
                                       static_cast<std::size_t>(data_limit_), field);
  pending_pos_ += used;
  bytes_done_ += static_cast<long>(used);
  post('D', field);
}

bool Sender::fill_buffer() {
  if (at_end_ || pending_.size() - pending_pos_ >= kReadAhead / 2) return true;
  pending_.erase(0, pending_pos_);
  pending_pos_ = 0;
  while (!at_end_ && pending_.size() < kReadAhead / 2) {
    const std::size_t have = pending_.size();
    pending_.resize(kReadAhead);
    const long n = source_.read(reinterpret_cast<std::uint8_t*>(pending_.data() + have), kReadAhead - have);
    pending_.resize(have + static_cast<std::size_t>(std::max(n, 0L)));
    if (n < 0) {
      fail(static_cast<int>(n), "Cannot read the file");
      return false;
    }
    if (n == 0) at_end_ = true;
  }
  return true;
}

void Sender::send_eof(bool discard) {
  state_ = State::Eof;
  post('Z', discard ? "D" : "");
}

}  // namespace sio::kermit
