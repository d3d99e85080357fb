#include "sio/kermit/link.h"

#include <algorithm>
#include <chrono>

#include "sio/kermit/packet.h"
#include "sio/sio.h"

namespace sio::kermit {
namespace {

using Clock = std::chrono::steady_clock;

// The longest an abort waits for the answer to the packet in flight.
constexpr int kAbortWaitMs = 2000;
// A write waits at most this long for a slow line to take our output, so that arriving answers
// and progress reports are taken in between: a window of long packets takes seconds there.
constexpr int kWriteSliceMs = kProgressSliceMs / 2;
constexpr int kDrainQuietMs = 200;
constexpr int kDrainMaxMs = 3000;

// What the state machine has said and the line has not taken yet.
class Outbox {
 public:
  void add(std::string bytes) {
    if (sent_ == pending_.size()) {
      pending_ = std::move(bytes);
      sent_ = 0;
      stall_.restart();
    } else {
      pending_ += bytes;
    }
  }
  bool empty() const { return sent_ == pending_.size(); }
  // What the line takes within a slice: the count written or a negative SIOFT_ result
  // (SIOFT_TIMEOUT once the line has stopped taking anything).
  int write_slice(ByteChannel& channel) {
    const int w = channel.write_for(reinterpret_cast<const std::uint8_t*>(pending_.data() + sent_),
                                    pending_.size() - sent_, kWriteSliceMs);
    if (w < 0) return w;
    sent_ += static_cast<std::size_t>(w);
    return stall_.note(w) ? w : SIOFT_TIMEOUT;
  }
  int write_all(ByteChannel& channel) {
    const int w = channel.write(reinterpret_cast<const std::uint8_t*>(pending_.data() + sent_), pending_.size() - sent_);
    if (w == 0) sent_ = pending_.size();
    return w;
  }
  // Keeps the rest of the packet being written and drops the packets after it.
  void finish_current_packet() {
    if (empty() || pending_[sent_] == kMark) {
      pending_.resize(sent_);
      return;
    }
    const auto next = pending_.find(kMark, sent_);
    if (next != std::string::npos) pending_.resize(next);
  }

 private:
  std::string pending_;
  std::size_t sent_ = 0;
  StallWatch stall_;
};

// Waits until the peer's next packet is complete (or the wait ends) and takes it in, so that
// the error packet after it carries the number the peer expects.
void await_answer(ByteChannel& channel, PacketReader& reader, Endpoint& endpoint, int wait_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
  std::uint8_t byte;
  while (Clock::now() < deadline) {
    const int n = channel.read(&byte, 1, kProgressSliceMs);
    if (n < 0) return;
    if (n == 0) continue;
    reader.set_check_type(endpoint.check_type());
    const auto event = reader.feed(byte);
    if (event == PacketReader::Event::Packet) endpoint.on_packet(reader.packet());
    if (event != PacketReader::Event::None) return;
  }
}

// After our error packet, reads until the line is quiet: a sender with a window of packets
// may be stuck writing them to us, and takes our error packet only once they are read.
void drain(ByteChannel& channel) {
  const auto give_up = Clock::now() + std::chrono::milliseconds(kDrainMaxMs);
  std::uint8_t buf[4096];
  while (Clock::now() < give_up)
    if (channel.read(buf, sizeof buf, kDrainQuietMs) <= 0) return;
}

// Queues what the state machine answered. Once it has finished, packets still queued behind
// the one being written are dropped: a peer that is gone or gave up would never read them.
void add_answer(Outbox& outbox, Endpoint& endpoint) {
  if (endpoint.finished()) outbox.finish_current_packet();
  outbox.add(endpoint.take_output());
}

}  // namespace

int run_endpoint(ByteChannel& channel, Endpoint& endpoint, const ProgressFn& progress) {
  ProgressReporter reporter(progress);
  PacketReader reader;
  Outbox outbox;
  endpoint.start();
  outbox.add(endpoint.take_output());
  // New packets are asked for only when the line has taken the earlier ones.
  auto refill = [&] {
    if (!outbox.empty() || endpoint.finished()) return;
    endpoint.send_more();
    add_answer(outbox, endpoint);
  };
  auto deadline = Clock::now() + std::chrono::milliseconds(endpoint.wait_ms());
  std::uint8_t buf[4096];
  while (!endpoint.finished()) {
    if (!reporter.report(endpoint.bytes_done(), endpoint.total())) {
      outbox.finish_current_packet();
      if (int w = outbox.write_all(channel); w < 0) return w;
      if (endpoint.awaits_answer()) await_answer(channel, reader, endpoint, std::min(endpoint.wait_ms(), kAbortWaitMs));
      endpoint.take_output();  // packets the answer released are not sent any more
      endpoint.abort_here();
      outbox.add(endpoint.take_output());
      break;
    }
    refill();
    if (!outbox.empty()) {
      const int w = outbox.write_slice(channel);
      if (w < 0) return w;
      // The peer cannot answer before our last byte has left.
      if (w > 0) deadline = Clock::now() + std::chrono::milliseconds(endpoint.wait_ms());
    }
    refill();
    const int n = channel.read(buf, sizeof buf, outbox.empty() ? kProgressSliceMs : 0);
    if (n < 0) return n;
    for (std::size_t i = 0; i < static_cast<std::size_t>(n) && !endpoint.finished();) {
      reader.set_check_type(endpoint.check_type());
      std::size_t used = 0;
      const auto event = reader.feed(buf + i, static_cast<std::size_t>(n) - i, used);
      i += used;
      if (event == PacketReader::Event::None) continue;
      if (event == PacketReader::Event::Packet) {
        endpoint.on_packet(reader.packet());
        // Only a good packet puts the time-out off: noise must not keep a dead link alive.
        deadline = Clock::now() + std::chrono::milliseconds(endpoint.wait_ms());
      } else {
        endpoint.on_bad_packet();
      }
      add_answer(outbox, endpoint);
    }
    if (!endpoint.finished() && outbox.empty() && Clock::now() >= deadline) {
      endpoint.on_timeout();
      add_answer(outbox, endpoint);
      deadline = Clock::now() + std::chrono::milliseconds(endpoint.wait_ms());
    }
  }
  // The last answer (the ACK of B, or an error packet) still goes out.
  const int w = outbox.write_all(channel);
  // Our error packet ended the transfer (an abort here, or a failure of ours).
  if (w == 0 && endpoint.result() < 0 && endpoint.result() != SIOFT_CANABORT) drain(channel);
  reporter.report(endpoint.bytes_done(), endpoint.total(), true);
  return w < 0 && endpoint.result() == 0 ? w : endpoint.result();
}

}  // namespace sio::kermit
