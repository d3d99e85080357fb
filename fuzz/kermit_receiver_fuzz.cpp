// The Kermit packet reader and the receiving side fed arbitrary bytes as if from a sender (its
// Send-Init, file header, attributes, prefixed data, end packets), with time-outs now and then.
// No crash, the file opened at most once and used in order, and an end to every session once
// the line goes quiet.
#include "fuzz/checked_sink.h"
#include "fuzz/kermit_feed.h"
#include "sio/kermit/receiver.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::CheckedSink<sio::FileSink> sink;
  sio::kermit::Timing timing;
  sio::kermit::Receiver receiver(sink, timing);
  FUZZ_CHECK(fuzz::run_kermit(receiver, timing, data, size));
  FUZZ_CHECK(sink.opens() <= 1);  // only the first file of a batch is stored
  // A failed receive is discarded by the caller; a good one is in place.
  FUZZ_CHECK(receiver.result() != 0 || !sink.open_now());
  return 0;
}
