// What every protocol is to the driver (sio/driver.h), whichever way it sends: a state machine
// without I/O of its own, fed the bytes that arrived and the time, that queues the bytes to send
// and says how far the file has come and how the session ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace sio {

class TransferCore {
 public:
  // The driver's clock: microseconds that only grow.
  using Micros = std::int64_t;
  static constexpr Micros kNoDeadline = std::numeric_limits<Micros>::max();

  // After the session's last bytes went out: read (and drop) what comes until the line has been
  // quiet for `quiet_ms`, at most `max_ms`; with `lossy_close_only`, only on a channel that loses
  // unread bytes when it is closed (the peer must get to read ours first).
  struct Drain {
    int quiet_ms = 0;
    int max_ms = 0;
    bool lossy_close_only = false;
  };

  virtual ~TransferCore() = default;

  virtual void start(Micros now) = 0;
  virtual void feed(const std::uint8_t* bytes, std::size_t len, Micros now) = 0;
  // Lets time pass; the driver calls it after every read, and reads no longer than deadline().
  virtual void tick(Micros now) = 0;
  virtual Micros deadline() const { return kNoDeadline; }
  // The line has taken all the output so far: a wait for the answer starts now, and a sender
  // queues more data (a little at a time, so that answers and progress are heard in between).
  virtual void drained(Micros now) { (void)now; }
  // The user aborted: tell the peer as the protocol does; finished() may come later.
  virtual void abort() = 0;
  // Reading or writing failed with the negative SIOFT_ result `error`.
  virtual void line_lost(int error) = 0;

  // Bytes to send; the driver takes them after every call.
  virtual std::vector<std::uint8_t>& output() = 0;
  // The session ends (it finished, or the user aborted): how much of `unsent`, output the line
  // has not taken yet, still goes out before what the core queues from now on.
  virtual std::size_t keep_unsent(std::span<const std::uint8_t> unsent, bool aborted) const {
    (void)aborted;
    return unsent.size();
  }
  virtual Drain drain_after() const { return {}; }

  virtual bool finished() const = 0;
  virtual int result() const = 0;
  // Progress: bytes of the file so far, and its length (0 when unknown).
  virtual long done() const = 0;
  virtual long total() const = 0;
};

}  // namespace sio
