// Everything the phone says goes through here: paced to the line speed the other side set,
// and during a file transfer through the line faults. It is also the byte channel the ZMODEM
// sender runs over.
#pragma once

#include <string>
#include <string_view>

#include "sio/channel.h"
#include "tools/e365sim/line_faults.h"
#include "tools/e365sim/pacing.h"
#include "tools/e365sim/pty_link.h"

namespace e365sim {

class PhoneLine : public sio::ByteChannel {
 public:
  PhoneLine(PtyLink& link, bool pacing, const LineFaultSettings& faults)
      : link_(link), pacing_(pacing), faults_(faults) {}

  // Waits in short slices, so a stop request ends a transfer within a moment.
  int read(std::uint8_t* buf, std::size_t len, int timeout_ms) override;
  int write(const std::uint8_t* buf, std::size_t len) override;

  // Says an answer of the dialogue. What finds no reader for a long while is dropped.
  void say(std::string_view text) { send(text); }
  // Bytes read too early (they followed a command that starts a transfer) are read again first.
  void unread(std::string_view bytes) { unread_.insert(0, bytes); }

  void begin_transfer();
  void end_transfer() {
    in_transfer_ = false;
    cut_ = false;
  }
  // Reads and forgets what comes in until the line has been quiet for quiet_ms (at most max_ms).
  void drain(int quiet_ms, int max_ms);

  bool hung_up() const { return link_.fd() < 0; }
  bool transfer_cut() const { return cut_; }

 private:
  bool send(std::string_view bytes);
  bool write_chunk(std::string_view bytes);

  PtyLink& link_;
  bool pacing_;
  Pacer pacer_;
  LineFaults faults_;
  bool in_transfer_ = false;
  bool cut_ = false;  // the sender cancelled: the rest of this transfer goes nowhere
  std::string unread_;
};

// Sleeps until `until` in short slices; false when a stop was requested meanwhile.
bool sleep_until(Pacer::Clock::time_point until);

}  // namespace e365sim
