// The sending side: S, F, [A], D..., Z, B. Each control packet waits for its ACK; data packets
// fill the window the receiver agreed to. A damaged or lost packet is sent again on its own
// (the receiver's NAK or our time-out), the packets around it stay where they are.
//
// On a noisy line a long packet is seldom whole: data packets start short, halve after damage
// and double again after a run taken at their first send, and at the shortest length the window
// shrinks too. A packet may go again as often as the line asks while other packets get
// through; only retries with no packet answered in between count towards the limit.
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
  void send_more() override;
  bool awaits_answer() const override { return !finished(); }
  // Packets sent and not yet acknowledged.
  int in_flight() const { return static_cast<int>(unacked_.size()); }
  int window() const { return session_.window; }
  // The data field length and the window that new data packets get now.
  int packet_length() const { return data_limit_; }
  int window_now() const { return window_limit_; }

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
    int sends = 0;       // how often it went out
    int tries = 0;       // resends since a packet was last answered, of copies surely lost
    int repeats = 0;     // and of copies that may still have been on their way
    long stamp = 0;      // when it last went out, counted in packets sent
  };

  void post(char type, std::string_view data);
  void transmit(Unacked& packet);
  void resend(Unacked& packet, bool timed_out);
  void on_nak(int seq);
  void acknowledge(int seq, std::string answer);
  void completed(const Unacked& packet);
  bool window_full() const;
  bool fill_buffer();
  void send_eof(bool discard);
  void shorten(const Unacked& damaged);
  void lengthen(const Unacked& clean);

  std::string name_;
  DataSource& source_;
  State state_ = State::Init;
  std::deque<Unacked> unacked_;
  std::size_t unacked_bytes_ = 0;
  int next_seq_ = 0;
  long sent_ = 0;               // packets sent so far, resends included
  long answered_ = -1;          // the stamp of the latest packet the receiver has answered
  bool heard_ = false;          // any packet from the receiver yet
  bool at_end_ = false;         // the source has no more bytes
  bool stop_data_ = false;      // the receiver asked to skip the rest of the file
  int outcome_ = 0;             // the result once the session ends cleanly
  std::string pending_;         // file bytes read but not yet sent
  std::size_t pending_pos_ = 0; // where the unsent bytes in pending_ start
  std::string init_;            // the S packet's data field
  int data_limit_ = 0;          // data field length of new data packets
  int window_limit_ = 1;        // packets in flight at most, within the agreed window
  int clean_run_ = 0;           // data packets in a row answered at their first send
  long shortened_at_ = 0;       // packets sent when the length or window was last cut
};

}  // namespace sio::kermit
