#include "sio/kermit/link.h"

#include <algorithm>
#include <chrono>

#include "sio/kermit/packet.h"

namespace sio::kermit {
namespace {

using Clock = std::chrono::steady_clock;

// The longest an abort waits for the answer to the packet in flight.
constexpr int kAbortWaitMs = 2000;

int flush(ByteChannel& channel, Endpoint& endpoint) {
  const std::string out = endpoint.take_output();
  if (out.empty()) return 0;
  return channel.write(reinterpret_cast<const std::uint8_t*>(out.data()), out.size());
}

// Waits until the peer's next packet is complete (or the wait ends) without acting on it.
void await_answer(ByteChannel& channel, PacketReader& reader, int wait_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
  std::uint8_t byte;
  while (Clock::now() < deadline) {
    const int n = channel.read(&byte, 1, kProgressSliceMs);
    if (n < 0) return;
    if (n == 1 && reader.feed(byte) != PacketReader::Event::None) return;
  }
}

}  // namespace

int run_endpoint(ByteChannel& channel, Endpoint& endpoint, const ProgressFn& progress) {
  ProgressReporter reporter(progress);
  PacketReader reader;
  endpoint.start();
  if (int w = flush(channel, endpoint); w < 0) return w;
  auto deadline = Clock::now() + std::chrono::milliseconds(endpoint.wait_ms());
  std::uint8_t buf[4096];
  while (!endpoint.finished()) {
    if (!reporter.report(endpoint.bytes_done(), endpoint.total())) {
      if (endpoint.awaits_answer()) await_answer(channel, reader, std::min(endpoint.wait_ms(), kAbortWaitMs));
      endpoint.abort_here();
      flush(channel, endpoint);
      break;
    }
    const int n = channel.read(buf, sizeof buf, kProgressSliceMs);
    if (n < 0) return n;
    for (int i = 0; i < n && !endpoint.finished(); ++i) {
      reader.set_check_type(endpoint.check_type());
      const auto event = reader.feed(buf[i]);
      if (event == PacketReader::Event::None) continue;
      if (event == PacketReader::Event::Packet) {
        endpoint.on_packet(reader.packet());
        // Only a good packet puts the time-out off: noise must not keep a dead link alive.
        deadline = Clock::now() + std::chrono::milliseconds(endpoint.wait_ms());
      } else {
        endpoint.on_bad_packet();
      }
      if (int w = flush(channel, endpoint); w < 0) return w;
    }
    if (!endpoint.finished() && Clock::now() >= deadline) {
      endpoint.on_timeout();
      if (int w = flush(channel, endpoint); w < 0) return w;
      deadline = Clock::now() + std::chrono::milliseconds(endpoint.wait_ms());
    }
  }
  reporter.report(endpoint.bytes_done(), endpoint.total(), true);
  return endpoint.result();
}

}  // namespace sio::kermit
