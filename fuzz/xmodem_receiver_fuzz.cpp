// The XMODEM/YMODEM receiving core, the YMODEM header reader and the assembly of blocks into a
// file, fed arbitrary bytes as if from a sender with time passing; the input chooses the variant
// (checksum or CRC blocks, one file or a batch). No crash, only whole blocks handed out, no file
// longer than its announced length, and an end to every session once the line goes quiet.
#include <algorithm>
#include <optional>

#include "fuzz/fuzz_input.h"
#include "sio/sio.h"
#include "sio/xmodem/file_assembler.h"
#include "sio/xmodem/receiver_core.h"
#include "sio/xmodem/ymodem_header.h"

using namespace sio::xmodem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The variant from bits 2 and 3 of the leading byte (the cut takes bits 0, 1 and 7).
  const Check check = data[0] & 4 ? Check::Sum : Check::Crc;
  const bool batch = (data[0] & 8) != 0;
  ReceiverCore core(check, batch);
  std::optional<FileAssembler> file;
  if (!batch) file.emplace(nullptr, -1);
  long now = 0;
  auto handle = [&](ReceiverCore::Event event) {
    int result = 0;
    switch (event) {
      case ReceiverCore::Event::Header: {
        FUZZ_CHECK(batch);
        auto header = parse_ymodem_header(core.payload());
        if (header) {
          file.emplace(nullptr, header->length);
          core.accept_header(now);
        } else {
          result = SIOFT_PROTOCOL;
        }
        break;
      }
      case ReceiverCore::Event::Data:
        FUZZ_CHECK(core.payload().size() == kShortBlock || core.payload().size() == kLongBlock);
        if (file) result = file->add(core.payload());
        break;
      case ReceiverCore::Event::EndOfFile:
        if (file) {
          result = file->finish();
          FUZZ_CHECK(result < 0 || file->length() < 0 || file->received() == file->length());
        }
        break;
      default: break;
    }
    if (result < 0) core.abort(result);
    core.reply().clear();
  };
  core.start(now);
  core.reply().clear();
  fuzz::Chunks chunks(data, size);
  const std::uint8_t* bytes;
  std::size_t len;
  while (!core.finished() && chunks.next(bytes, len)) {
    for (std::size_t i = 0; i < len && !core.finished(); ++i) handle(core.feed(bytes[i], now));
    now += chunks.gap_ms(len);
    if (!core.finished() && now >= core.deadline()) handle(core.tick(now));
  }
  // A quiet line ends every session: each wait is answered by a tick at its deadline.
  for (int ticks = 0; !core.finished() && ticks < 10000; ++ticks) {
    now = std::max(now + 1, core.deadline());
    handle(core.tick(now));
  }
  FUZZ_CHECK(core.finished());
  return 0;
}
