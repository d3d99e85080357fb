// The ZMODEM receiving core fed arbitrary bytes as if from a sender, with time passing between
// reads: no crash, a file reported stored only after it was put in place, and an end to every
// session once the line goes quiet.
#include "fuzz/checked_sink.h"
#include "sio/zmodem/receiver.h"

using namespace sio::zmodem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckedSink<sio::FileSink> sink;
  Receiver receiver(sink);
  std::int64_t now = 0;
  receiver.start(now);
  fuzz::Chunks chunks(data, size);
  const std::uint8_t* bytes;
  std::size_t len;
  while (!receiver.finished() && chunks.next(bytes, len)) {
    receiver.feed(bytes, len, now);
    receiver.output().clear();
    FUZZ_CHECK(!sink.open_now() || static_cast<std::size_t>(receiver.bytes_done()) == sink.written());
    now += chunks.gap_ms(len);
    receiver.tick(now);
  }
  // A quiet line ends every session, within the longest wait of the core.
  const std::int64_t deadline = now + 120000;
  while (!receiver.finished() && now < deadline) {
    now += 250;
    receiver.tick(now);
    receiver.output().clear();
  }
  FUZZ_CHECK(receiver.finished());
  FUZZ_CHECK(!sink.open_now());  // nothing half-written stays behind
  if (receiver.result() == SIOFT_OK) FUZZ_CHECK(sink.committed());
  return 0;
}
