// The sending side of XMODEM and YMODEM as a state machine without I/O: fed the bytes that
// arrive and the passing of time (in microseconds: the pause after an ACK is shorter than a
// millisecond), it answers with the bytes to send. It waits for the receiver's request, sends
// the YMODEM header, the file's blocks, the EOT and YMODEM's empty header, each until it is
// acknowledged. The driver owns the line, the clock and the progress callback.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sio/timing_defaults.h"
#include "sio/xmodem/block.h"
#include "sio/xmodem/block_sizer.h"

namespace sio::xmodem {

// Times and limits of a send, in milliseconds.
struct SenderTiming {
  int start_wait_ms = defaults::xmodem::kStartWaitMs; // for the receiver's first request
  int answer_wait_ms = defaults::xmodem::kAnswerWaitMs; // for the answer to the first block before it is sent again
  // Once answers have come, the waits before a block is sent again unasked, with 4 round trips
  // on top: block_resend_ms the first time, resend_wait_ms after that and for an EOT.
  int block_resend_ms = defaults::xmodem::kBlockResendMs;
  int resend_wait_ms = defaults::xmodem::kResendWaitMs;
  int max_retries = defaults::xmodem::kMaxRetries; // sends of one block beyond the first
  int final_wait_ms = defaults::xmodem::kFinalWaitMs; // for the answer to the last EOT or block of a session
};

// What a sender hears, byte by byte. A single CAN may be noise; two in a row cancel.
class AnswerReader {
 public:
  enum class Answer { None, Ack, Nak, CrcRequest, Cancel };
  Answer feed(std::uint8_t byte);

 private:
  bool last_was_can_ = false;
};

// The payloads of a file's blocks, in order.
class PayloadSource {
 public:
  virtual ~PayloadSource() = default;
  // The next payload (empty at the end), or a negative SIOFT_ result. With `long_blocks`, up
  // to 1024 bytes; else up to 128.
  virtual int next(bool long_blocks, std::span<const std::uint8_t>& payload) = 0;
  // Drops the payload next() gave, once the receiver has it; returns the bytes sent so far.
  virtual long consume() = 0;
};

class SenderCore {
 public:
  // `long_blocks`: 1024-byte blocks when the receiver asks for CRCs. `batch_header`: YMODEM,
  // the data of block 0 that announces the file.
  SenderCore(PayloadSource& source, long total, bool long_blocks,
             std::optional<std::vector<std::uint8_t>> batch_header, SenderTiming timing = {});

  void start(long now_us);
  void feed(std::uint8_t byte, long now_us);
  // Call when the clock reaches deadline() with no byte in between.
  void tick(long now_us);
  // Call when the line has taken all of output(): the wait for the answer starts then.
  void written(long now_us);
  long deadline() const { return deadline_; }
  // Gives up: queues the cancel sequence; result() becomes `result`.
  void abort(int result);

  // Bytes to send now; the driver sends and clears them after every call.
  std::vector<std::uint8_t>& output() { return output_; }
  bool finished() const { return phase_ == Phase::Done || phase_ == Phase::Failed; }
  int result() const { return result_; }
  long done() const { return done_; }
  long total() const { return total_; }

 private:
  // Request: waiting for 'C' or NAK. Settle: input is dropped until the block goes out (at
  // once, after a pause, or once the line has been quiet). Answer: the block is out.
  enum class Phase { Request, Settle, Answer, Done, Failed };
  // What goes out next: YMODEM's header, the file's blocks, the EOT, YMODEM's empty header.
  enum class Step { Header, Data, Eot, Closing };

  void on_request(Check check, long now_us);
  void on_ack(long now_us);
  void on_nak(long now_us);
  void on_silence(long now_us);
  void next_item();
  void settle(long now_us, long quiet_us, bool until_quiet);
  void transmit(long now_us);
  long answer_wait_us() const;
  bool final_item() const;
  void fail(int result, bool tell_peer);

  PayloadSource& source_;
  std::optional<std::vector<std::uint8_t>> header_;
  SenderTiming timing_;
  BlockSizer sizer_;
  AnswerReader reader_;
  Check check_ = Check::Crc;
  Phase phase_ = Phase::Request;
  Step step_;
  std::vector<std::uint8_t> block_;  // the block or EOT being sent
  bool block_is_long_ = false;
  std::uint8_t number_ = 1;
  int sends_ = 0;
  int unasked_resends_ = 0;
  int silent_sends_ = 0;   // sends of the final item that drew nothing
  bool heard_ = false;     // some byte came since the current block was first sent
  bool quiet_settle_ = false;  // a byte during the settle puts the send off
  long quiet_us_ = 0;
  long settle_limit_ = 0;
  long sent_at_ = 0;
  long round_trip_us_ = -1;      // from a block's end to its answer, the longest lately
  std::size_t timed_size_ = 1;   // the size of the block that round trip was timed with
  bool follows_ack_ = false;     // the block on the line went out right after an ACK
  long ack_pause_us_ = 0;        // wait after an ACK before the next block, once blocks were lost there
  int clean_since_loss_ = 0;     // blocks taken at their first send since one was lost
  long deadline_ = 0;
  long done_ = 0;
  long total_;
  int result_ = 0;
  std::vector<std::uint8_t> output_;
};

}  // namespace sio::xmodem
