// The sending side: S, F, [A], D..., Z, B, each sent until the receiver acknowledges it.
#pragma once

#include <cstdint>
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

 private:
  enum class State { Init, File, Attributes, Data, Eof, Break };
  void acknowledged(const Packet& ack);
  void send_next_data();
  void send_eof(bool discard);
  bool fill_buffer();

  std::string name_;
  DataSource& source_;
  State state_ = State::Init;
  int seq_ = 0;
  bool heard_ = false;          // any packet from the receiver yet
  bool at_end_ = false;
  int outcome_ = 0;             // the result once the session ends cleanly
  std::string pending_;         // file bytes read but not yet sent
  std::string init_;            // the S packet's data field
};

}  // namespace sio::kermit
