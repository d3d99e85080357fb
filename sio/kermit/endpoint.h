// What the sender and the receiver have in common: the packets they owe the peer, the
// negotiated session, the retry count and the result. A state machine without I/O: the
// driver feeds it packets and time-outs and sends what take_output() returns.
#pragma once

#include <string>
#include <string_view>

#include "sio/kermit/init.h"
#include "sio/kermit/packet.h"
#include "sio/timing_defaults.h"

namespace sio::kermit {

struct Timing {
  int packet_timeout_ms = defaults::kermit::kPacketTimeoutMs; // wait for a packet before the first exchange settles it
  int start_timeout_ms = defaults::kermit::kStartTimeoutMs; // a receiver's wait for the sender's first packet
  int max_retries = defaults::kermit::kMaxRetries; // time-outs or damaged packets in a row
};

class Endpoint {
 public:
  explicit Endpoint(const Timing& timing) : timing_(timing) {}
  virtual ~Endpoint() = default;

  virtual void start() = 0;
  virtual void on_packet(const Packet& packet) = 0;
  virtual void on_bad_packet() = 0;
  virtual void on_timeout() = 0;
  // Queues the next packet the window has room for, if any: the driver asks whenever the line
  // has taken all it had, so that a resend never waits behind a window of new packets.
  virtual void send_more() {}
  // The user aborted: tell the peer and end with SIOFT_ABORT.
  void abort_here();
  // Ends the transfer with `result` after a local failure (a file error), telling the peer.
  void fail(int result, std::string_view reason);

  bool finished() const { return finished_; }
  int result() const { return result_; }
  long bytes_done() const { return bytes_done_; }
  long total() const { return total_; }
  int check_type() const { return check_type_; }
  // Whether a packet of ours waits for its answer: a peer may drop what follows a packet in
  // the same read, so an error packet goes out only once that answer is in.
  virtual bool awaits_answer() const { return false; }
  // How long to wait for the peer's next packet.
  virtual int wait_ms() const { return timeout_ms(); }
  int timeout_ms() const;
  std::string take_output() { return std::move(output_); }

 protected:
  // The frame of a packet with the check type in force, and sending a frame as it is.
  std::string frame(char type, int seq, std::string_view data) const;
  void emit(const std::string& frame) { output_ += frame; }
  // Counts a time-out or a damaged packet; false once the retries are used up (the transfer
  // has then finished with `result`).
  bool count_retry(int result);
  void reset_retries() { retries_ = 0; }
  int retries() const { return retries_; }
  void finish(int result);
  void peer_error();  // the peer sent an E packet
  // The sequence number an error packet takes: the one the peer expects next.
  virtual int error_seq() const = 0;

  Timing timing_;
  Session session_;
  int check_type_ = 1;
  bool negotiated_ = false;
  long bytes_done_ = 0;
  long total_ = 0;

 private:
  std::string output_;
  int retries_ = 0;
  bool finished_ = false;
  int result_ = 0;
};

inline int next_seq(int seq) { return (seq + 1) & 63; }
inline int prev_seq(int seq) { return (seq + 63) & 63; }

}  // namespace sio::kermit
