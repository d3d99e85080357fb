// The seven file-transfer protocols, numbered as the transfer engine numbers them, with the
// runners of each direction over a byte channel. The C interface, the engine, the command-line
// tools and the benchmarks all read this one table.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "sio/channel.h"
#include "sio/progress.h"

namespace sio {

// What one transfer works on. A sender sends `file`, a batch sender announcing it as `announced`
// (empty: under its own name). A receiver of a named file stores it as
// `file`; a batch receiver (the sender announces the name) stores the first file offered in
// `folder` and writes the stored name to `stored_name` as soon as it is known, so that a
// progress callback can show it.
struct TransferJob {
  std::string file;
  std::string announced;
  std::string folder;
  std::string stored_name;
  // An ASCII receive also ends once the line has been quiet this long after data came (0: only
  // an abort ends it).
  int quiet_seconds = 0;
};

using TransferRunner = int (*)(ByteChannel& channel, TransferJob& job, const ProgressFn& progress);

struct Protocol {
  std::string_view name;   // on command lines: "xmodem-1k"
  std::string_view title;  // in the tool's messages: "XModem-1KCRC"
  bool batch;              // the receiver stores the name the sender announces
  TransferRunner send;
  TransferRunner receive;
};

// The engine's numbers, the table's order.
enum class ProtocolId { Xmodem1K, XmodemChecksum, XmodemCrc, Zmodem, Ymodem, Kermit, Ascii };

std::span<const Protocol> protocols();
const Protocol& protocol(ProtocolId id);
// The protocol of an engine number, or null for a number outside the table.
const Protocol* protocol_numbered(int number);
// The protocol of a command-line name, or null.
const Protocol* protocol_named(std::string_view name);

}  // namespace sio
