// The Kermit packet reader and the sending side fed arbitrary bytes as if from a receiver: its
// Send-Init reply (packet lengths, prefixes, check type, windows), ACKs and NAKs of any number,
// error packets. No crash, no more file read than there is, and an end to every session once
// the line goes quiet.
#include <algorithm>

#include "fuzz/kermit_feed.h"
#include "sio/kermit/sender.h"

namespace {

constexpr long kFileLength = 3000;

struct PatternSource : sio::kermit::DataSource {
  long position = 0;
  long read(std::uint8_t* buf, std::size_t len) override {
    long n = std::min<long>(static_cast<long>(len), kFileLength - position);
    FUZZ_CHECK(n >= 0);
    for (long i = 0; i < n; ++i) buf[i] = static_cast<std::uint8_t>((position + i) * 7);
    position += n;
    return n;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PatternSource source;
  sio::kermit::Timing timing;
  sio::kermit::Sender sender("memo.amr", kFileLength, source, timing);
  FUZZ_CHECK(fuzz::run_kermit(sender, timing, data, size));
  FUZZ_CHECK(sender.bytes_done() >= 0 && sender.bytes_done() <= kFileLength);
  return 0;
}
