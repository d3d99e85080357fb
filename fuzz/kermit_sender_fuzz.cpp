// The Kermit packet reader and the sending side fed arbitrary bytes as if from a receiver: its
// Send-Init reply (packet lengths, prefixes, check type, windows), ACKs and NAKs of any number,
// error packets. No crash, no more file read than there is, and an end to every session once
// the line goes quiet.
#include <algorithm>

#include "fuzz/fuzz_input.h"
#include "sio/kermit/packet.h"
#include "sio/kermit/sender.h"

using namespace sio::kermit;

namespace {

constexpr long kFileLength = 3000;

struct PatternSource : DataSource {
  long position = 0;
  long read(std::uint8_t* buf, std::size_t len) override {
    long n = std::min<long>(static_cast<long>(len), kFileLength - position);
    for (long i = 0; i < n; ++i) buf[i] = static_cast<std::uint8_t>((position + i) * 7);
    position += n;
    return n;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PatternSource source;
  Timing timing;
  Sender sender("memo.amr", kFileLength, source, timing);
  PacketReader reader;
  sender.start();
  fuzz::Chunks chunks(data, size);
  const std::uint8_t* bytes;
  std::size_t len;
  while (!sender.finished() && chunks.next(bytes, len)) {
    for (std::size_t i = 0; i < len && !sender.finished(); ++i) {
      reader.set_check_type(sender.check_type());
      auto event = reader.feed(bytes[i]);
      if (event == PacketReader::Event::Packet) sender.on_packet(reader.packet());
      else if (event == PacketReader::Event::Bad) sender.on_bad_packet();
      sender.take_output();
    }
    if (chunks.gap_ms(len) >= 1000 && !sender.finished()) sender.on_timeout();
    sender.take_output();
    FUZZ_CHECK(sender.bytes_done() >= 0 && sender.bytes_done() <= kFileLength);
  }
  for (int timeouts = 0; !sender.finished() && timeouts <= timing.max_retries + 2; ++timeouts) {
    sender.on_timeout();
    sender.take_output();
  }
  FUZZ_CHECK(sender.finished());
  return 0;
}
