// The receiving end of a ZMODEM session as a state machine without I/O of its own: fed the
// bytes that arrived and the time, it queues the bytes to send and drives a file sink. Stores
// the first file a sender offers; later files of a batch are skipped. A remote command
// (ZCOMMAND) is never run: it is answered with ZCOMPL and the status kCommandRefused, so that
// the sender does not take it for done (lrzsz's rz without -C answers 0, as if it had run).
#pragma once

#include <cstdint>
#include <string>

#include "sio/file_sink.h"
#include "sio/result.h"
#include "sio/zmodem/decoder.h"
#include "sio/zmodem/encoder.h"
#include "sio/zmodem/timing.h"

namespace sio::zmodem {

class Receiver {
 public:
  // The status a refused command reports: the shell's "found but cannot be executed".
  static constexpr std::uint32_t kCommandRefused = 126;

  Receiver(FileSink& sink, const Timing& timing = {});

  // Invites the sender (ZRINIT).
  void start(std::int64_t now_ms);
  void feed(const std::uint8_t* bytes, std::size_t len, std::int64_t now_ms);
  // Lets time pass: re-sends lost answers and ends a silent session.
  void tick(std::int64_t now_ms);
  // Ends the session from this side: cancel sequence out, result SIOFT_ABORT.
  void abort();
  // The line failed (read or write error `error`): the session ends with it, unless only the
  // goodbye was missing.
  void line_lost(int error);

  // Bytes to send; the driver empties it after writing.
  Bytes& output() { return out_; }
  bool finished() const { return state_ == State::Done; }
  int result() const { return result_; }
  // Progress: bytes of the file so far, and its announced length (0 when unknown).
  long bytes_done() const { return offset_; }
  long bytes_total() const { return file_length_ < 0 ? 0 : file_length_; }

 private:
  enum class State { WaitFile, Data, AfterFile, WaitFinish, Done };

  void on_event(const FrameDecoder::Event& event);
  void on_header(const Header& header);
  void on_subpacket(const FrameDecoder::Event& event);
  void on_file_offer(const std::uint8_t* data, std::size_t size);
  void on_data(const FrameDecoder::Event& event);
  void on_data_error();
  void on_stale_or_lost();
  void on_finish_bytes(const std::uint8_t* bytes, std::size_t len);
  void end_of_file(std::uint32_t position);
  void send(const Header& header);
  void send_init();
  void ask_resend();
  void finish_session();
  void fail(int result, bool cancel_peer);
  void done(int result);

  FileSink& sink_;
  Timing timing_;
  FrameDecoder decoder_;
  Escaper escaper_;
  Bytes out_;
  State state_ = State::WaitFile;
  int result_ = 0;
  std::int64_t now_ = 0;
  std::int64_t started_ = 0;
  std::int64_t last_heard_ = 0;   // last good frame from the sender
  std::int64_t last_prompt_ = 0;  // last invitation or resend request of ours
  std::int64_t last_bytes_ = 0;   // last bytes of any kind from the line
  int quiet_repeats_ = 0;         // requests repeated since the line went quiet
  bool sender_waits_ = false;     // we acknowledged a ZCRCW: the sender waits for that ZACK
  bool sender_heard_ = false;
  bool escape_all_ = false;        // the sender asked for every control character escaped
  std::uint8_t awaited_data_ = 0;  // type of the header whose subpacket comes next
  bool offered_ = false;           // a file was offered (later ones are skipped)
  bool stored_ = false;            // the file is in place
  int pending_failure_ = SIOFT_PROTOCOL;  // result of a session that stores nothing
  long file_length_ = -1;
  std::uint32_t offset_ = 0;       // bytes of the file received
  bool synced_ = false;            // subpackets now continue at `stream_pos_`
  std::uint32_t stream_pos_ = 0;
  int errors_ = 0;
  int o_count_ = 0;                // 'O's of the closing "OO" seen
};

}  // namespace sio::zmodem
