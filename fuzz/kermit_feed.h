// Drives a Kermit endpoint (either side) the way the link loop does: bytes through the packet
// reader, new packets once the line took the earlier ones, a time-out whenever the line stalls,
// and time-outs after the input until it ends.
#pragma once

#include "fuzz/fuzz_input.h"
#include "sio/kermit/endpoint.h"
#include "sio/kermit/packet.h"

namespace fuzz {

// Returns false when the endpoint did not end although the line stayed quiet.
inline bool run_kermit(sio::kermit::Endpoint& endpoint, const sio::kermit::Timing& timing, const std::uint8_t* data,
                       std::size_t size) {
  using sio::kermit::PacketReader;
  PacketReader reader;
  endpoint.start();
  endpoint.take_output();
  Chunks chunks(data, size);
  const std::uint8_t* bytes;
  std::size_t len;
  while (!endpoint.finished() && chunks.next(bytes, len)) {
    for (std::size_t i = 0; i < len && !endpoint.finished(); ++i) {
      reader.set_check_type(endpoint.check_type());
      auto event = reader.feed(bytes[i]);
      if (event == PacketReader::Event::Packet) endpoint.on_packet(reader.packet());
      else if (event == PacketReader::Event::Bad) endpoint.on_bad_packet();
      endpoint.take_output();
    }
    if (chunks.gap_ms(len) >= 1000 && !endpoint.finished()) endpoint.on_timeout();
    endpoint.send_more();  // the line took what went before
    endpoint.take_output();
  }
  for (int timeouts = 0; !endpoint.finished() && timeouts <= timing.max_retries + 2; ++timeouts) {
    endpoint.on_timeout();
    endpoint.take_output();
  }
  return endpoint.finished();
}

}  // namespace fuzz
