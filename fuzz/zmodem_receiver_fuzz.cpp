// The ZMODEM receiving core fed arbitrary bytes as if from a sender, with time passing between
// reads: no crash, a file reported stored only after it was put in place, only plain names
// offered to the file system, and an end to every session once the line goes quiet.
#include <string>

#include "fuzz/fuzz_input.h"
#include "sio/names.h"
#include "sio/zmodem/receiver.h"

using namespace sio::zmodem;

namespace {

struct CountingSink : ReceiveSink {
  std::string name;
  std::size_t written = 0;
  bool open_now = false;
  bool committed = false;
  int open(const std::string& n) override {
    FUZZ_CHECK(!open_now && !committed);
    FUZZ_CHECK(sio::stored_name_for(n) == n);  // the core hands over plain names only
    name = n;
    open_now = true;
    written = 0;
    return name.size() % 5 == 0 ? SIOFT_FOPEN : 0;  // now and then the name is taken
  }
  int write(const std::uint8_t*, std::size_t len) override {
    FUZZ_CHECK(open_now);
    written += len;
    return 0;
  }
  int commit() override {
    FUZZ_CHECK(open_now);
    open_now = false;
    committed = true;
    return 0;
  }
  void discard() override { open_now = false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CountingSink sink;
  Receiver receiver(sink);
  std::int64_t now = 0;
  receiver.start(now);
  fuzz::Chunks chunks(data, size);
  const std::uint8_t* bytes;
  std::size_t len;
  while (!receiver.finished() && chunks.next(bytes, len)) {
    receiver.feed(bytes, len, now);
    receiver.output().clear();
    FUZZ_CHECK(static_cast<std::size_t>(receiver.bytes_done()) == sink.written || !sink.open_now);
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
  FUZZ_CHECK(!sink.open_now);  // nothing half-written stays behind
  if (receiver.result() == SIOFT_OK) FUZZ_CHECK(sink.committed && receiver.stored_name() == sink.name);
  else FUZZ_CHECK(receiver.stored_name().empty());
  return 0;
}
