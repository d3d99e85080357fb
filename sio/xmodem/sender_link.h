// The sending side's dialogue with a receiver: waiting for its request to start, sending a
// block until it is acknowledged, the EOT, and the cancel sequence. Answers are read with
// AnswerReader, which does no I/O; SenderLink is the blocking loop around it.
#pragma once

#include <cstdint>
#include <span>

#include "sio/channel.h"
#include "sio/progress.h"
#include "sio/xmodem/block.h"

namespace sio::xmodem {

// Times and limits of a send, in milliseconds.
struct SenderTiming {
  int start_wait_ms = 60000;   // for the receiver's first request
  int answer_wait_ms = 10000;  // for the answer to the first block before it is sent again
  // Once answers have come, the waits before a block is sent again unasked, with 4 round trips
  // on top: block_resend_ms the first time, resend_wait_ms after that and for an EOT.
  int block_resend_ms = 100;
  int resend_wait_ms = 1500;
  int max_retries = 10;        // sends of one block beyond the first
  int final_wait_ms = 2000;    // for the answer to the last EOT or block of a session
};

// What a sender hears, byte by byte. A single CAN may be noise; two in a row cancel.
class AnswerReader {
 public:
  enum class Answer { None, Ack, Nak, CrcRequest, Cancel };
  Answer feed(std::uint8_t byte);

 private:
  bool last_was_can_ = false;
};

class SenderLink {
 public:
  SenderLink(ByteChannel& channel, const ProgressFn& progress, SenderTiming timing = {})
      : channel_(channel), reporter_(progress), timing_(timing) {}

  // The figures the progress callback gets from now on.
  void set_progress(long done, long total) {
    done_ = done;
    total_ = total;
  }
  // Waits for the receiver's request to start (again): 'C' asks for CRC blocks, NAK for checksums.
  int await_request(Check& check);
  // Sends `block` until the receiver acknowledges it; 0 or a negative result.
  int send_block(std::span<const std::uint8_t> block) { return send(block, false); }
  // Sends the session's last block or EOT. A receiver that has finished may lose its last ACK
  // (some flush their output as they exit), so a receiver that stays silent through two sends
  // of it in a row is taken to have finished: every earlier block was acknowledged.
  int send_final(std::span<const std::uint8_t> block) { return send(block, true); }
  // The EOT that ends a file; `final` when nothing follows it.
  int send_eot(bool final);
  // Sends the cancel sequence and returns `result`.
  int cancel(int result);
  // How often the last block or EOT went out before its answer.
  int sends_of_last_block() const { return sends_; }

 private:
  int send(std::span<const std::uint8_t> block, bool final);
  int next_answer(long deadline_ms, AnswerReader::Answer& answer);
  int drop_stale_input(int quiet_ms);
  int answer_wait_ms(std::span<const std::uint8_t> block, int unasked_resends) const;
  long now_ms() const;

  ByteChannel& channel_;
  ProgressReporter reporter_;
  SenderTiming timing_;
  AnswerReader reader_;
  std::uint8_t input_[256];
  std::size_t input_pos_ = 0;
  std::size_t input_len_ = 0;
  bool heard_ = false;  // some byte came since the current block was first sent
  long round_trip_ms_ = -1;  // from a block's end to its answer, the longest lately
  std::size_t timed_size_ = 1;  // the size of the block that round trip was timed with
  bool after_ack_ = false;   // the last block sent was acknowledged
  int ack_pause_us_ = 0;     // wait after an ACK before the next block, once blocks were lost there
  int clean_since_loss_ = 0; // blocks taken at their first send since one was lost
  int sends_ = 0;            // sends of the block or EOT last handled
  long done_ = 0;
  long total_ = 0;
};

}  // namespace sio::xmodem
