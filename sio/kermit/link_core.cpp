#include "sio/kermit/link_core.h"

#include <algorithm>

#include "sio/result.h"

namespace sio::kermit {
namespace {

// The longest an abort waits for the answer to the packet in flight.
constexpr int kAbortWaitMs = 2000;
constexpr int kDrainQuietMs = 200;
constexpr int kDrainMaxMs = 3000;

}  // namespace

TransferCore::Micros LinkCore::wait_us() const {
  const int ms = aborting_ ? std::min(endpoint_.wait_ms(), kAbortWaitMs) : endpoint_.wait_ms();
  return Micros{ms} * 1000;
}

void LinkCore::start(Micros now) {
  endpoint_.start();
  take_output();
  deadline_ = now + wait_us();
}

void LinkCore::take_output() {
  const std::string more = endpoint_.take_output();
  if (endpoint_.finished()) output_.clear();
  output_.insert(output_.end(), more.begin(), more.end());
  wait_pending_ = wait_pending_ || !more.empty();
}

void LinkCore::feed(const std::uint8_t* bytes, std::size_t len, Micros now) {
  for (std::size_t i = 0; i < len && !endpoint_.finished();) {
    reader_.set_check_type(endpoint_.check_type());
    std::size_t used = 0;
    const auto event = reader_.feed(bytes + i, len - i, used);
    i += used;
    if (event == PacketReader::Event::None) continue;
    if (event == PacketReader::Event::Packet) {
      endpoint_.on_packet(reader_.packet());
      // Only a good packet puts the time-out off: noise must not keep a dead link alive.
      deadline_ = now + wait_us();
    } else if (!aborting_) {
      endpoint_.on_bad_packet();
    }
    if (aborting_) return send_error();
    take_output();
  }
}

void LinkCore::tick(Micros now) {
  if (endpoint_.finished() || wait_pending_ || now < deadline_) return;
  if (aborting_) return send_error();  // the answer did not come
  endpoint_.on_timeout();
  take_output();
  deadline_ = now + wait_us();
}

// The peer cannot answer before our last byte has left. New packets are queued only when the
// line has taken the earlier ones, so that a resend never waits behind a window of new packets.
void LinkCore::drained(Micros now) {
  if (wait_pending_) deadline_ = now + wait_us();
  wait_pending_ = false;
  if (aborting_ || endpoint_.finished()) return;
  endpoint_.send_more();
  take_output();
}

void LinkCore::abort() {
  output_.clear();
  endpoint_.take_output();
  if (endpoint_.finished()) return;
  aborting_ = endpoint_.awaits_answer();
  if (!aborting_) return send_error();
  wait_pending_ = true;  // once the packet being written has gone
}

// Packets the answer released are not sent any more.
void LinkCore::send_error() {
  aborting_ = false;
  endpoint_.take_output();
  endpoint_.abort_here();
  take_output();
}

std::size_t LinkCore::keep_unsent(std::span<const std::uint8_t> unsent, bool) const {
  if (unsent.empty() || unsent.front() == kMark) return 0;
  return static_cast<std::size_t>(std::find(unsent.begin(), unsent.end(), kMark) - unsent.begin());
}

TransferCore::Drain LinkCore::drain_after() const {
  const int result = endpoint_.result();
  if (result < 0 && result != SIOFT_CANABORT) return {kDrainQuietMs, kDrainMaxMs, false};
  return {};
}

}  // namespace sio::kermit
