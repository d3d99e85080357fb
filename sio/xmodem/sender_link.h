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
  int answer_wait_ms = 10000;  // for the answer to a block before it is sent again
  int max_retries = 10;        // sends of one block beyond the first
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
  // Sends `block` (or the EOT) until the receiver acknowledges it; 0 or a negative result.
  int send_block(std::span<const std::uint8_t> block);
  int send_eot();
  // Sends the cancel sequence and returns `result`.
  int cancel(int result);

 private:
  int next_answer(long deadline_ms, AnswerReader::Answer& answer);
  int drop_stale_input();
  long now_ms() const;

  ByteChannel& channel_;
  ProgressReporter reporter_;
  SenderTiming timing_;
  AnswerReader reader_;
  std::uint8_t input_[256];
  std::size_t input_pos_ = 0;
  std::size_t input_len_ = 0;
  bool heard_ = false;  // some byte came since the current block was first sent
  long done_ = 0;
  long total_ = 0;
};

}  // namespace sio::xmodem
