// The receiving side of XMODEM and YMODEM as a state machine without I/O: fed the bytes that
// arrive and the passing of time, it answers with bytes to send and with events (a data block,
// a YMODEM header, the end of a file or of the batch). The driver owns the line, the file and
// the progress callback.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "sio/timing_defaults.h"
#include "sio/xmodem/block.h"

namespace sio::xmodem {

// Times and limits of a receive, in milliseconds of the driver's clock.
struct ReceiverTiming {
  int start_retry_ms = defaults::xmodem::kStartRetryMs;  // the start request ('C' or NAK) is repeated this often
  int crc_requests = defaults::xmodem::kCrcRequests; // 'C' requests before a CRC receiver falls back to checksum NAKs
  int start_requests = defaults::xmodem::kStartRequests; // requests for a file's first block before the receive times out
  int block_wait_ms = defaults::xmodem::kBlockWaitMs; // silence after an answer before the block is asked for again
  int byte_wait_ms = defaults::xmodem::kByteWaitMs; // silence inside a block that means bytes were lost
  int purge_quiet_ms = defaults::xmodem::kPurgeQuietMs; // quiet that ends the discarding of a damaged block
  int purge_limit_ms = defaults::xmodem::kPurgeLimitMs; // longest discarding, however much noise keeps coming
  int eot_quiet_ms = defaults::xmodem::kEotQuietMs; // quiet that must follow an EOT (a sender waits for our answer)
  int max_errors = defaults::xmodem::kMaxErrors; // consecutive bad or missing blocks before giving up
};

class ReceiverCore {
 public:
  enum class Event {
    None,
    Data,        // a new block of file data: payload(); already acknowledged
    Header,      // (batch) a YMODEM block 0 with a name: answer with accept_header() or abort()
    EndOfFile,   // the sender's EOT was acknowledged
    EndOfBatch,  // (batch) the empty block 0 was acknowledged; the session is over
    Failed,      // result() says why; reply() may hold the cancel sequence
  };

  // `check` is the kind of block asked for first; a CRC receive falls back to checksums when
  // the sender never answers 'C'. A batch receive (YMODEM) expects block 0 before each file.
  ReceiverCore(Check check, bool batch, ReceiverTiming timing = {});

  // Queues the first request. `now_ms` is the driver's clock, which only has to grow.
  void start(long now_ms);
  Event feed(std::uint8_t byte, long now_ms);
  // Call when the clock reaches deadline() with no byte in between.
  Event tick(long now_ms);
  long deadline() const { return deadline_; }

  std::span<const std::uint8_t> payload() const { return decoder_.data(); }
  void accept_header(long now_ms);
  // Gives up: queues the cancel sequence; result() becomes `result`.
  void abort(int result);

  // Bytes to send now; the driver sends and clears them after every call.
  std::vector<std::uint8_t>& reply() { return reply_; }
  bool finished() const { return phase_ == Phase::Done || phase_ == Phase::Failed; }
  int result() const { return result_; }
  Check check() const { return decoder_.check(); }

 private:
  // EotQuiet: an EOT came and the line must fall quiet before we answer; Eot: we asked for another.
  enum class Phase { Start, Data, EotQuiet, Eot, Purge, HeaderPending, Done, Failed };

  Event on_block(long now_ms);
  Event on_eot(long now_ms, bool answers_request);
  Event end_of_file(long now_ms);
  Event ask_again(long now_ms);
  Event error(long now_ms);
  Event fail(int result);
  void start_request(long now_ms);
  void send(std::uint8_t byte) { reply_.push_back(byte); }
  void wait(long now_ms, int ms) { deadline_ = now_ms + ms; }

  BlockDecoder decoder_;
  bool batch_;
  ReceiverTiming timing_;
  Phase phase_ = Phase::Start;
  Phase purge_from_ = Phase::Data;  // the phase a purge returns to
  bool awaiting_header_;            // the start phase waits for block 0
  bool session_started_ = false;    // a block came: the check kind is settled
  std::uint8_t expected_ = 1;
  int requests_ = 0;
  int errors_ = 0;
  bool heard_ = false;        // some byte came since the last good block
  bool cancel_tail_ = false;  // the last bytes were CANs (and the backspaces after them)
  bool eot_requested_ = false;  // we asked for the EOT again and nothing has come since
  bool eot_confirmed_ = false;  // the EOT answered that request and the line stayed quiet
  int can_run_ = 0;
  long purge_end_limit_ = 0;
  long deadline_ = 0;
  int result_ = 0;
  std::vector<std::uint8_t> reply_;
};

}  // namespace sio::xmodem
