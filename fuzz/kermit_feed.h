// Drives a Kermit endpoint (either side) through its LinkCore as the driver does: the input in
// chunks, the line taking all output at once, a time-out whenever the line stalls, and
// time-outs after the input until it ends.
#pragma once

#include <algorithm>

#include "fuzz/fuzz_input.h"
#include "sio/kermit/endpoint.h"
#include "sio/kermit/link_core.h"

namespace fuzz {

// Returns false when the endpoint did not end although the line stayed quiet.
inline bool run_kermit(sio::kermit::Endpoint& endpoint, const sio::kermit::Timing& timing, const std::uint8_t* data,
                       std::size_t size) {
  sio::kermit::LinkCore core(endpoint);
  sio::TransferCore::Micros now = 0;
  auto line_takes_all = [&] {
    do {
      core.output().clear();
      core.drained(now);
    } while (!core.output().empty());
  };
  core.start(now);
  line_takes_all();
  Chunks chunks(data, size);
  const std::uint8_t* bytes;
  std::size_t len;
  while (!core.finished() && chunks.next(bytes, len)) {
    core.feed(bytes, len, now);
    line_takes_all();
    if (chunks.gap_ms(len) >= 1000) now = std::max(now, core.deadline());
    core.tick(now);
    line_takes_all();
  }
  for (int timeouts = 0; !core.finished() && timeouts <= timing.max_retries + 2; ++timeouts) {
    now = std::max(now, core.deadline());
    core.tick(now);
    line_takes_all();
  }
  return core.finished();
}

}  // namespace fuzz
