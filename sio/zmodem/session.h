// A ZMODEM core (receiver.h, sender.h: milliseconds, their own names for progress) as the
// driver's TransferCore.
#pragma once

#include "sio/transfer_core.h"
#include "sio/zmodem/receiver.h"
#include "sio/zmodem/sender.h"

namespace sio::zmodem {

template <typename Core>
class Session final : public TransferCore {
 public:
  explicit Session(Core& core) : core_(core) {}

  void start(Micros now) override { core_.start(now / 1000); }
  void feed(const std::uint8_t* bytes, std::size_t len, Micros now) override { core_.feed(bytes, len, now / 1000); }
  void tick(Micros now) override { core_.tick(now / 1000); }
  // A streaming sender queues a subpacket's worth of data each time the line has taken the last.
  void drained(Micros) override {
    if constexpr (requires { core_.stream(kStreamBudget); })
      if (core_.streaming()) core_.stream(kStreamBudget);
  }
  void abort() override { core_.abort(); }
  void line_lost(int error) override { core_.line_lost(error); }
  Bytes& output() override { return core_.output(); }
  // The cancel sequence stops the peer at once: data still queued would only delay it.
  std::size_t keep_unsent(std::span<const std::uint8_t> unsent, bool aborted) const override {
    return aborted ? 0 : unsent.size();
  }
  // After a sender's last bytes ("OO"): time for the receiver to read them before the caller may
  // close the line. Only a pseudo-terminal's controlling side drops them on close (and tcdrain
  // does not wait on one); a device waits for its output.
  Drain drain_after() const override {
    if constexpr (requires { core_.streaming(); })
      if (core_.result() != SIOFT_BADPORT) return {kLingerMs, kLingerMs, true};
    return {};
  }
  bool finished() const override { return core_.finished(); }
  int result() const override { return core_.result(); }
  long done() const override { return core_.bytes_done(); }
  long total() const override { return core_.bytes_total(); }

 private:
  // File data queued between two looks at the receiver's answers while streaming (a subpacket).
  static constexpr std::size_t kStreamBudget = 1024;
  static constexpr int kLingerMs = 50;

  Core& core_;
};

}  // namespace sio::zmodem
