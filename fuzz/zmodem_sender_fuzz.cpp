// The ZMODEM sending core fed arbitrary bytes as if from a receiver (its ZRINIT flags and
// window, resend positions, acknowledgements): no crash, no read outside the file, no position
// beyond its end, and an end to every session once the line goes quiet.
#include <algorithm>
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "sio/zmodem/sender.h"

using namespace sio::zmodem;

namespace {

constexpr std::uint32_t kFileLength = 5000;

struct PatternSource : SendSource {
  int read_at(std::uint32_t position, std::uint8_t* buf, std::size_t len) override {
    FUZZ_CHECK(position <= kFileLength);
    std::size_t n = std::min<std::size_t>(len, kFileLength - position);
    for (std::size_t i = 0; i < n; ++i) buf[i] = static_cast<std::uint8_t>((position + i) * 7);
    return static_cast<int>(n);
  }
};

void run(Sender& sender, std::int64_t now) {
  sender.tick(now);
  if (sender.streaming()) sender.stream(4096);
  sender.output().clear();
  FUZZ_CHECK(sender.bytes_done() >= 0 && sender.bytes_done() <= sender.bytes_total());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PatternSource source;
  Sender sender(source, "memo.amr", kFileLength, 0);
  std::int64_t now = 0;
  sender.start(now);
  fuzz::Chunks chunks(data, size);
  const std::uint8_t* bytes;
  std::size_t len;
  while (!sender.finished() && chunks.next(bytes, len)) {
    sender.feed(bytes, len, now);
    now += chunks.gap_ms(len);
    run(sender, now);
  }
  const std::int64_t deadline = now + 300000;
  while (!sender.finished() && now < deadline) {
    now += 250;
    run(sender, now);
  }
  FUZZ_CHECK(sender.finished());
  return 0;
}
