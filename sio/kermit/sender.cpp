#include "sio/kermit/sender.h"

#include <algorithm>
#include <vector>

#include "sio/kermit/attributes.h"
#include "sio/kermit/codec.h"
#include "sio/sio.h"

namespace sio::kermit {
namespace {

// Enough read-ahead for the longest packet even when repeat counts squeeze runs.
constexpr std::size_t kReadAhead = 64 * 1024;
constexpr int kBreakRetries = 2;
// Packets in flight stay below this many bytes, so that a receiver that stops reading (it
// gave up, and its error packet is on the way) never leaves a write of ours blocked.
constexpr std::size_t kMaxUnackedBytes = 32 * 1024;

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
  emit(f);
  unacked_bytes_ += f.size();
  unacked_.push_back(Unacked{next_seq_, type, std::move(f), false, {}});
  next_seq_ = next_seq(next_seq_);
}

void Sender::on_timeout() {
  if (unacked_.empty()) return;
  // The receiver put the file in place when it acknowledged Z; a receiver that leaves right
  // after answering B may leave that answer lost on the line, so a missing one does not undo
  // the transfer.
  if (state_ == State::Break && retries() >= kBreakRetries) return finish(outcome_);
  if (!count_retry(heard_ ? SIOFT_PROTOCOL : SIOFT_TIMEOUT)) return;
  for (const auto& p : unacked_)
    if (!p.acked) return emit(p.frame);  // the oldest the receiver still owes us
}

void Sender::on_packet(const Packet& p) {
  heard_ = true;
  if (p.type == 'E') return peer_error();
  if (p.type == 'Y') return acknowledge(p.seq, p.data);
  if (p.type != 'N') return;
  for (const auto& u : unacked_) {
    if (u.seq == p.seq && !u.acked) {
      if (count_retry(SIOFT_PROTOCOL)) emit(u.frame);
      return;
    }
  }
  // A NAK for the packet after the last one sent says that all before it arrived (their ACKs
  // were lost). Not so for the Send-Init, whose ACK carries the receiver's parameters.
  if (p.seq == next_seq_ && state_ != State::Init) {
    std::vector<int> outstanding;
    for (const auto& u : unacked_) outstanding.push_back(u.seq);
    for (int seq : outstanding) acknowledge(seq, {});
  }
}

void Sender::acknowledge(int seq, std::string answer) {
  auto it = std::find_if(unacked_.begin(), unacked_.end(), [seq](const Unacked& u) { return u.seq == seq; });
  if (it == unacked_.end() || it->acked) return;  // an old or repeated ACK
  it->acked = true;
  it->answer = std::move(answer);
  while (!unacked_.empty() && unacked_.front().acked && !finished()) {
    const Unacked done = std::move(unacked_.front());
    unacked_.pop_front();
    unacked_bytes_ -= done.frame.size();
    reset_retries();
    completed(done);
  }
  if (state_ == State::Data && !finished()) fill_window();
}

void Sender::completed(const Unacked& p) {
  switch (state_) {
    case State::Init: {
      session_ = negotiate(parse_init(init_), parse_init(p.answer));
      check_type_ = session_.check_type;
      negotiated_ = true;
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

void Sender::fill_window() {
  while (!finished() && static_cast<int>(unacked_.size()) < session_.window &&
         (unacked_.empty() || unacked_bytes_ < kMaxUnackedBytes)) {
    if (!stop_data_ && !fill_buffer()) return;
    if (stop_data_ || (pending_.empty() && at_end_)) {
      // Z waits until every data packet is acknowledged.
      if (unacked_.empty()) send_eof(stop_data_);
      return;
    }
    std::string field;
    const std::size_t used =
        encode_data(session_.prefixing, pending_, static_cast<std::size_t>(session_.max_data), field);
    pending_.erase(0, used);
    bytes_done_ += static_cast<long>(used);
    post('D', field);
  }
}

bool Sender::fill_buffer() {
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
