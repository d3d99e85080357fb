// The blocking loop that runs a ReceiverCore over a channel: it reads in short slices so that
// the progress callback comes at least every 100 ms, feeds the core, sends its answers and hands
// its events to a sink that owns the file.
#pragma once

#include <cstdint>
#include <span>

#include "sio/channel.h"
#include "sio/progress.h"
#include "sio/xmodem/receiver_core.h"

namespace sio::xmodem {

class ReceiveSink {
 public:
  virtual ~ReceiveSink() = default;
  // A YMODEM header: 0 takes the file (its data follows), a negative result ends the receive.
  virtual int on_header(std::span<const std::uint8_t> block) { (void)block; return 0; }
  virtual int on_data(std::span<const std::uint8_t> block) = 0;
  virtual int on_end_of_file() = 0;
  // The progress figures: bytes so far and the file's length (0 when unknown).
  virtual long done() const = 0;
  virtual long total() const = 0;
};

// Runs the receive to its end: 0 when the core finished well, else a negative result (-4 when
// the callback aborted, after the cancel sequence went out).
int run_receiver(ByteChannel& channel, ReceiverCore& core, ReceiveSink& sink, const ProgressFn& progress);

}  // namespace sio::xmodem
