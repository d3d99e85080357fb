// The sending end of a ZMODEM session as a state machine without I/O of its own: fed the bytes
// that arrived and the time, it queues the bytes to send and reads the file through a source.
// Streams data while the receiver allows it; its subpackets grow on a clean line and shrink on
// a noisy one.
#pragma once

#include <cstdint>
#include <string>

#include "sio/result.h"
#include "sio/zmodem/decoder.h"
#include "sio/zmodem/encoder.h"
#include "sio/zmodem/timing.h"

namespace sio::zmodem {

// Where the data to send comes from.
class SendSource {
 public:
  virtual ~SendSource() = default;
  // Reads up to len bytes at `position`; the count read or a negative SIOFT_ result.
  virtual int read_at(std::uint32_t position, std::uint8_t* buf, std::size_t len) = 0;
};

class Sender {
 public:
  // `name` is what the receiver is told; `length` the file's size (below 2 GiB).
  Sender(SendSource& source, std::string name, std::uint32_t length, long mtime, const Timing& timing = {});

  // Asks the receiver to start (ZRQINIT).
  void start(std::int64_t now_ms);
  void feed(const std::uint8_t* bytes, std::size_t len, std::int64_t now_ms);
  void tick(std::int64_t now_ms);
  // True while file data may go out; stream() then queues about `budget` bytes of it.
  bool streaming() const { return state_ == State::Streaming; }
  void stream(std::size_t budget);
  void abort();
  // The line failed (read or write error `error`): the session ends with it, unless the file
  // was already delivered.
  void line_lost(int error);

  Bytes& output() { return out_; }
  bool finished() const { return state_ == State::Done; }
  int result() const { return result_; }
  long bytes_done() const { return position_; }
  long bytes_total() const { return length_; }
  std::size_t subpacket_size() const { return block_; }

  // Subpacket sizes: the classic 1 KiB to start with; up to 8 KiB (what receivers take when
  // they name no buffer size) while the line stays clean, down to 64 bytes on a noisy one.
  static constexpr std::size_t kFirstBlock = 1024;
  static constexpr std::size_t kMaxBlock = 8192;
  static constexpr std::size_t kMinBlock = 64;

 private:
  enum class State { WaitInit, WaitFilePos, Streaming, WaitAck, WaitEofAck, WaitFin, Done };

  void on_header(const Header& header);
  void on_init(const Header& header);
  void on_resend_request(std::uint32_t position);
  void on_damaged_answer();
  void rewind(std::uint32_t position);
  void send(Header header, bool binary = false);
  void send_file_header();
  void send_file_crc();
  void finish(int result);
  void prompt_again();
  int repeat_interval() const;
  void fail(int result, bool cancel_peer);

  SendSource& source_;
  std::string name_;
  std::uint32_t length_;
  long mtime_;
  Timing timing_;
  FrameDecoder decoder_;
  Escaper escaper_;
  Bytes out_;
  std::vector<std::uint8_t> block_buf_;
  State state_ = State::WaitInit;
  int result_ = SIOFT_OK;
  std::int64_t now_ = 0;
  std::int64_t started_ = 0;
  std::int64_t last_heard_ = 0;
  std::int64_t last_prompt_ = 0;
  std::int64_t last_bytes_ = 0;  // last bytes of any kind from the line
  int quiet_repeats_ = 0;        // frames repeated since the line went quiet
  bool receiver_heard_ = false;
  bool crc32_ = false;
  bool full_duplex_ = true;
  std::uint32_t window_ = 0;       // receiver's buffer; 0 = no limit
  std::uint32_t position_ = 0;     // next byte to send
  std::uint32_t acked_ = 0;        // start of the window that awaits the receiver's ZACK
  std::uint32_t confirmed_ = 0;    // the receiver's position, as it last told us
  bool frame_open_ = false;        // a ZDATA header went out and its frame has not ended
  std::size_t block_ = kFirstBlock;
  std::uint32_t clean_since_ = 0;  // bytes sent since the last resend request
  std::uint32_t last_resend_ = 0xFFFFFFFFu;
  int errors_ = 0;
  bool skipped_ = false;           // the receiver refused the file
};

}  // namespace sio::zmodem
