// A ReceiverCore as the driver's TransferCore: its events go to a sink that owns the file.
#pragma once

#include <cstdint>
#include <span>

#include "sio/result.h"
#include "sio/transfer_core.h"
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

class ReceiveSession final : public TransferCore {
 public:
  ReceiveSession(ReceiverCore& core, ReceiveSink& sink) : core_(core), sink_(sink) {}

  void start(Micros now) override { core_.start(ms(now)); }
  void feed(const std::uint8_t* bytes, std::size_t len, Micros now) override;
  void tick(Micros now) override;
  Micros deadline() const override { return Micros{core_.deadline()} * 1000; }
  void abort() override { core_.abort(SIOFT_ABORT); }
  void line_lost(int error) override { core_.line_lost(error); }
  std::vector<std::uint8_t>& output() override { return core_.reply(); }
  bool finished() const override { return core_.finished(); }
  int result() const override { return core_.result(); }
  long done() const override { return sink_.done(); }
  long total() const override { return sink_.total(); }

 private:
  static long ms(Micros now) { return static_cast<long>(now / 1000); }
  void handle(ReceiverCore::Event event, long now_ms);

  ReceiverCore& core_;
  ReceiveSink& sink_;
};

}  // namespace sio::xmodem
