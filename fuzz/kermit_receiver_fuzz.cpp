// The Kermit packet reader and the receiving side fed arbitrary bytes as if from a sender (its
// Send-Init, file header, attributes, prefixed data, end packets), with time-outs now and then.
// No crash, the file opened at most once, and an end to every session once the line goes quiet.
#include <string>

#include "fuzz/fuzz_input.h"
#include "sio/kermit/packet.h"
#include "sio/kermit/receiver.h"
#include "sio/sio.h"

using namespace sio::kermit;

namespace {

struct CountingSink : FileSink {
  int opens = 0;
  bool open_now = false;
  std::size_t written = 0;
  int open(const std::string& announced) override {
    ++opens;
    if (announced.size() % 5 == 0) return SIOFT_FOPEN;  // now and then the name is refused
    open_now = true;
    return 0;
  }
  int write(const std::uint8_t*, std::size_t len) override {
    FUZZ_CHECK(open_now);
    written += len;
    return 0;
  }
  int commit() override {
    FUZZ_CHECK(open_now);
    open_now = false;
    return 0;
  }
  void discard() override { open_now = false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CountingSink sink;
  Timing timing;
  Receiver receiver(sink, timing);
  PacketReader reader;
  receiver.start();
  fuzz::Chunks chunks(data, size);
  const std::uint8_t* bytes;
  std::size_t len;
  while (!receiver.finished() && chunks.next(bytes, len)) {
    for (std::size_t i = 0; i < len && !receiver.finished(); ++i) {
      reader.set_check_type(receiver.check_type());
      auto event = reader.feed(bytes[i]);
      if (event == PacketReader::Event::Packet) receiver.on_packet(reader.packet());
      else if (event == PacketReader::Event::Bad) receiver.on_bad_packet();
      receiver.take_output();
    }
    // A stalling line (see Chunks) lets the receiver's wait run out now and then.
    if (chunks.gap_ms(len) >= 1000 && !receiver.finished()) receiver.on_timeout();
    receiver.take_output();
  }
  for (int timeouts = 0; !receiver.finished() && timeouts <= timing.max_retries + 2; ++timeouts) {
    receiver.on_timeout();
    receiver.take_output();
  }
  FUZZ_CHECK(receiver.finished());
  FUZZ_CHECK(sink.opens <= 1);  // only the first file of a batch is stored
  FUZZ_CHECK(!sink.open_now || receiver.result() != 0);
  return 0;
}
