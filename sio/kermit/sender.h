// The sending side: S, F, [A], D..., Z, B. Each control packet waits for its ACK; data packets
// fill the agreed window (one packet: our offer has no sliding window, see our_offer).
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "sio/kermit/endpoint.h"

namespace sio::kermit {

// Where the sender's bytes come from: the file, or a test's buffer.
class DataSource {
 public:
  virtual ~DataSource() = default;
  // Up to `len` bytes into `buf`: the count, 0 at the end, or a negative SIOFT_ result.
  virtual long read(std::uint8_t* buf, std::size_t len) = 0;
};

class Sender : public Endpoint {
 public:
  // `name` is announced as it is; `length` goes into the attributes.
  Sender(std::string name, long length, DataSource& source, const Timing& timing);

  void start() override;
  void on_packet(const Packet& packet) override;
  void on_bad_packet() override {}  // the time-out or the receiver's NAK brings the resend
  void on_timeout() override;
  bool awaits_answer() const override { return !finished(); }

 protected:
  int error_seq() const override { return unacked_.empty() ? next_seq_ : unacked_.front().seq; }

 private:
  enum class State { Init, File, Attributes, Data, Eof, Break };
  // A packet sent and not yet acknowledged, oldest first.
  struct Unacked {
    int seq;
    char type;
    std::string frame;
    bool acked = false;
    std::string answer;  // the ACK's data field
  };

  void post(char type, std::string_view data);
  void acknowledge(int seq, std::string answer);
  void completed(const Unacked& packet);
  void fill_window();
  bool fill_buffer();
  void send_eof(bool discard);

  std::string name_;
  DataSource& source_;
  State state_ = State::Init;
  std::deque<Unacked> unacked_;
  std::size_t unacked_bytes_ = 0;
  int next_seq_ = 0;
  bool heard_ = false;          // any packet from the receiver yet
  bool at_end_ = false;         // the source has no more bytes
  bool stop_data_ = false;      // the receiver asked to skip the rest of the file
  int outcome_ = 0;             // the result once the session ends cleanly
  std::string pending_;         // file bytes read but not yet sent
  std::string init_;            // the S packet's data field
};

}  // namespace sio::kermit
