// A Kermit endpoint (sender or receiver) with its framing, as the driver's TransferCore: bytes go
// through the packet reader, packets and time-outs to the endpoint, and its packets out.
//
// Once the endpoint has finished, packets queued behind the one being written are dropped: a
// peer that is gone or gave up would never read them. An abort lets the packet being written
// finish, waits for the answer to a packet in flight (a peer may drop what follows a packet in
// the same read), then sends the error packet; after an error packet of ours the driver reads
// until the line is quiet, for a sender with a window of packets may be stuck writing them to us
// and takes our error packet only once they are read.
#pragma once

#include <string>

#include "sio/kermit/endpoint.h"
#include "sio/kermit/packet.h"
#include "sio/result.h"
#include "sio/transfer_core.h"

namespace sio::kermit {

class LinkCore final : public TransferCore {
 public:
  explicit LinkCore(Endpoint& endpoint) : endpoint_(endpoint) {}

  void start(Micros now) override;
  void feed(const std::uint8_t* bytes, std::size_t len, Micros now) override;
  void tick(Micros now) override;
  Micros deadline() const override { return deadline_; }
  void drained(Micros now) override;
  void abort() override;
  // A line that fails while an abort is carried out leaves the abort the result.
  void line_lost(int error) override { endpoint_.line_lost(aborting_ ? SIOFT_ABORT : error); }

  std::vector<std::uint8_t>& output() override { return output_; }
  // The rest of the packet being written.
  std::size_t keep_unsent(std::span<const std::uint8_t> unsent, bool aborted) const override;
  Drain drain_after() const override;

  bool finished() const override { return endpoint_.finished(); }
  int result() const override { return endpoint_.result(); }
  long done() const override { return endpoint_.bytes_done(); }
  long total() const override { return endpoint_.total(); }

 private:
  void take_output();
  void send_error();
  Micros wait_us() const;

  Endpoint& endpoint_;
  PacketReader reader_;
  std::vector<std::uint8_t> output_;
  bool wait_pending_ = false;  // the wait for the peer starts once the line has taken our output
  bool aborting_ = false;    // the user aborted; the answer to our packet in flight is awaited
  Micros deadline_ = kNoDeadline;
};

}  // namespace sio::kermit
