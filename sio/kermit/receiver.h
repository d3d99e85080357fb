// The receiving side: answers S with its own parameters, stores the first file of a batch
// through its FileSink and skips the others. Within the agreed window, data packets that come
// ahead of a lost one are acknowledged and kept until the gap is filled.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "sio/file_sink.h"
#include "sio/kermit/endpoint.h"

namespace sio::kermit {

class Receiver : public Endpoint {
 public:
  Receiver(FileSink& sink, const Timing& timing) : Endpoint(timing), sink_(sink) {}

  void start() override {}  // the sender speaks first
  void on_packet(const Packet& packet) override;
  void on_bad_packet() override;
  void on_timeout() override;
  // The receiver waits longer for the first packet than for the others.
  int wait_ms() const override { return started_ ? timeout_ms() : timing_.start_timeout_ms; }

 protected:
  int error_seq() const override { return expected_; }

 private:
  enum class FileState { None, Storing, Skipping };
  void handle(const Packet& p);
  void ack(std::string_view data = {});
  void nak();
  void on_file_header(const Packet& p);
  void on_data(const Packet& p);
  void on_ahead(const Packet& p);
  bool consume(const Packet& p);
  void deliver_buffered();
  void on_eof(const Packet& p);
  void end_of_session();

  FileSink& sink_;
  bool started_ = false;
  bool tried_a_file_ = false;   // only the first file of a batch is stored
  bool stored_ = false;
  int refusal_ = 0;             // why the first file was not stored
  FileState file_ = FileState::None;
  long announced_length_ = -1;  // exact length from the attributes, if any
  int expected_ = 0;
  int damaged_ = 0;             // damaged packets so far
  std::array<std::string, 64> acks_;  // our last ACK for each sequence number, to repeat
  std::map<int, Packet> ahead_;       // data packets that came before the one expected
};

}  // namespace sio::kermit
