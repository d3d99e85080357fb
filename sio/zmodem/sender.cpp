#include "sio/zmodem/sender.h"

#include <algorithm>

#include "sio/crc.h"
#include "sio/zmodem/file_info.h"

namespace sio::zmodem {

Sender::Sender(SendSource& source, std::string name, std::uint32_t length, long mtime, const Timing& timing)
    : source_(source), name_(std::move(name)), length_(length), mtime_(mtime), timing_(timing),
      block_buf_(kMaxBlock) {}

void Sender::start(std::int64_t now_ms) {
  now_ = started_ = last_heard_ = last_bytes_ = now_ms;
  send(Header::at(ZRQINIT, 0));
}

void Sender::send(Header header, bool binary) {
  header.format = !binary ? HeaderFormat::Hex : crc32_ ? HeaderFormat::Bin32 : HeaderFormat::Bin16;
  append_header(out_, header, escaper_);
  last_prompt_ = now_;
}

void Sender::send_file_header() {
  send(Header::flags(ZFILE, ZCBIN), true);
  auto info = format_file_info(name_, length_, mtime_);
  append_subpacket(out_, info.data(), info.size(), FrameEnd::ZCRCW, crc32_, escaper_);
}

void Sender::feed(const std::uint8_t* bytes, std::size_t len, std::int64_t now_ms) {
  now_ = now_ms;
  if (len > 0) {
    last_bytes_ = now_;
    quiet_repeats_ = 0;
  }
  while (len > 0 && state_ != State::Done) {
    std::size_t used = decoder_.feed(bytes, len);
    bytes += used;
    len -= used;
    const auto& e = decoder_.event();
    if (e.kind == FrameDecoder::Kind::Header) on_header(e.header);
    else if (e.kind == FrameDecoder::Kind::BadHeader) on_damaged_answer();
    else if (e.kind == FrameDecoder::Kind::Cancel) fail(SIOFT_CANABORT, false);
  }
}

void Sender::on_header(const Header& h) {
  // Our own ZRQINIT may come back as an echo.
  if (h.type == ZRQINIT) return;
  receiver_heard_ = true;
  last_heard_ = now_;
  switch (h.type) {
    case ZRINIT:
      // A repeated ZRINIT while our ZFILE is on its way is not an answer to it: the prompt timer
      // covers a ZFILE that got lost.
      if (state_ == State::WaitInit) on_init(h);
      else if (state_ == State::WaitEofAck) {
        send(Header::at(ZFIN, 0));
        state_ = State::WaitFin;
        errors_ = 0;
      }
      break;
    case ZRPOS:
      if (state_ == State::WaitFilePos || state_ == State::Streaming || state_ == State::WaitAck ||
          state_ == State::WaitEofAck)
        on_resend_request(h.position());
      break;
    case ZACK:
      if (h.position() > acked_ && h.position() <= position_) acked_ = h.position();
      if (h.position() > confirmed_ && h.position() <= length_) confirmed_ = h.position();
      if (state_ == State::WaitAck && acked_ == position_) state_ = State::Streaming;
      break;
    case ZNAK:
      if (state_ == State::WaitFilePos) send_file_header();
      break;
    case ZCRC:
      if (state_ == State::WaitFilePos) send_file_crc();
      break;
    case ZSKIP:
      if (state_ == State::WaitFilePos || state_ == State::Streaming || state_ == State::WaitAck ||
          state_ == State::WaitEofAck) {
        skipped_ = true;
        send(Header::at(ZFIN, 0));
        state_ = State::WaitFin;
        errors_ = 0;
      }
      break;
    case ZFIN:
      if (state_ == State::WaitFin) {
        out_.push_back('O');
        out_.push_back('O');
        // A receiver that refused the file ended the session without it.
        finish(skipped_ ? SIOFT_CANABORT : SIOFT_OK);
      }
      break;
    case ZCHALLENGE: {
      // A receiver that checks it talks to a ZMODEM sender: its number comes back in a ZACK.
      Header echo = h;
      echo.type = ZACK;
      send(echo);
      break;
    }
    case ZABORT:
    case ZFERR:
    case ZCAN: fail(SIOFT_CANABORT, false); break;
    default: break;
  }
}

void Sender::on_init(const Header& h) {
  std::uint8_t flags = h.data[ZF0];
  crc32_ = (flags & CANFC32) != 0;
  full_duplex_ = (flags & CANFDX) && (flags & CANOVIO);
  window_ = h.data[ZP0] | (h.data[ZP1] << 8);
  escaper_ = Escaper((flags & ESCCTL) != 0);
  send_file_header();
  state_ = State::WaitFilePos;
}

void Sender::send_file_crc() {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint32_t pos = 0; pos < length_;) {
    int n = source_.read_at(pos, block_buf_.data(), block_buf_.size());
    if (n <= 0) {
      fail(n < 0 ? n : SIOFT_PROTOCOL, true);
      return;
    }
    crc = crc32_update(block_buf_.data(), static_cast<std::size_t>(n), crc);
    pos += static_cast<std::uint32_t>(n);
  }
  send(Header::at(ZCRC, ~crc));
}

void Sender::on_resend_request(std::uint32_t position) {
  if (position > length_) {
    fail(SIOFT_PROTOCOL, true);
    return;
  }
  if (state_ != State::WaitFilePos) {
    // The same place over and over means this line cannot carry us further.
    errors_ = position == last_resend_ ? errors_ + 1 : 0;
    if (errors_ > timing_.max_errors) {
      fail(SIOFT_PROTOCOL, true);
      return;
    }
    // Smaller subpackets get through a noisy line more often.
    block_ = std::max(kMinBlock, block_ / 2);
    clean_since_ = 0;
    last_resend_ = position;
  }
  confirmed_ = position;
  rewind(position);
}

// A damaged frame from the receiver while we stream is most likely its request to resend.
// Going back to its last known position costs little: a receiver that is further on says so
// at once (or skips what it has).
void Sender::on_damaged_answer() {
  if (state_ != State::Streaming && state_ != State::WaitAck && state_ != State::WaitEofAck) return;
  if (++errors_ > timing_.max_errors) {
    fail(SIOFT_PROTOCOL, true);
    return;
  }
  rewind(confirmed_);
}

void Sender::rewind(std::uint32_t position) {
  position_ = acked_ = position;
  frame_open_ = false;
  state_ = State::Streaming;
}

void Sender::stream(std::size_t budget) {
  if (state_ != State::Streaming) return;
  if (!frame_open_) {
    // The receiver's ZRPOS ends any frame it was reading; a new one starts at our position.
    send(Header::at(ZDATA, position_), true);
    frame_open_ = true;
  }
  std::size_t queued = 0;
  while (state_ == State::Streaming && queued < budget) {
    std::size_t n = std::min<std::size_t>(block_, length_ - position_);
    if (window_ && position_ + n - acked_ > window_) n = window_ - std::min(window_, position_ - acked_);
    int got = n ? source_.read_at(position_, block_buf_.data(), n) : 0;
    if (got < 0 || static_cast<std::size_t>(got) != n) {
      fail(got < 0 ? got : SIOFT_PROTOCOL, true);  // the file shrank while we sent it
      return;
    }
    position_ += static_cast<std::uint32_t>(n);
    clean_since_ += static_cast<std::uint32_t>(n);
    queued += n + 8;
    bool last = position_ == length_;
    bool window_full = window_ && position_ - acked_ >= window_;
    FrameEnd end = last ? FrameEnd::ZCRCE : (!full_duplex_ || window_full) ? FrameEnd::ZCRCW : FrameEnd::ZCRCG;
    append_subpacket(out_, block_buf_.data(), n, end, crc32_, escaper_);
    if (clean_since_ >= 32 * block_ && block_ < kMaxBlock) {
      block_ *= 2;
      clean_since_ = 0;
    }
    if (last) {
      send(Header::at(ZEOF, length_), true);
      frame_open_ = false;
      state_ = State::WaitEofAck;
      errors_ = 0;
    } else if (end == FrameEnd::ZCRCW) {
      frame_open_ = false;
      last_prompt_ = now_;
      state_ = State::WaitAck;
    }
    // A receiver is silent while data streams; its silence counts from here on.
    if (state_ != State::Streaming) last_heard_ = now_;
  }
}

// Our last invitation may have got lost: send it again, a bounded number of times.
void Sender::prompt_again() {
  if (++errors_ > timing_.max_errors) {
    fail(SIOFT_TIMEOUT, true);
    return;
  }
  switch (state_) {
    case State::WaitInit: send(Header::at(ZRQINIT, 0)); break;
    case State::WaitFilePos: send_file_header(); break;
    case State::WaitAck:
      // Its acknowledgement got lost: go on, the receiver asks again for anything it misses.
      acked_ = position_;
      state_ = State::Streaming;
      break;
    case State::WaitEofAck:
      // Our ZEOF or its answer got lost, or the data before it is still on its way (a slow line
      // holds seconds of it in its buffers): only the ZEOF goes again, never a rewind.
      send(Header::at(ZEOF, length_), true);
      break;
    case State::WaitFin:
      // The file is delivered; a receiver that stays silent at the very end is not a failure.
      if (errors_ > 1) finish(skipped_ ? SIOFT_CANABORT : SIOFT_OK);
      else send(Header::at(ZFIN, 0));
      break;
    default: break;
  }
}

// How long a quiet line waits before our last frame goes out again.
int Sender::repeat_interval() const {
  if (state_ == State::WaitInit) return timing_.prompt_ms;
  // The receiver opens its file before it answers a ZFILE: give it time.
  if (state_ == State::WaitFilePos || quiet_repeats_ > 0) return timing_.retry_ms;
  return timing_.answer_ms;
}

void Sender::tick(std::int64_t now_ms) {
  now_ = now_ms;
  if (state_ == State::Done || state_ == State::Streaming) return;
  if (!receiver_heard_ && now_ - started_ >= timing_.start_ms) fail(SIOFT_TIMEOUT, false);
  else if (receiver_heard_ && now_ - last_heard_ >= timing_.idle_ms) fail(SIOFT_TIMEOUT, true);
  else if (now_ - std::max(last_prompt_, last_bytes_) >= repeat_interval()) {
    ++quiet_repeats_;
    prompt_again();
  }
}

void Sender::abort() {
  if (state_ != State::Done) fail(SIOFT_ABORT, true);
}

void Sender::line_lost(int error) {
  if (state_ == State::WaitFin) finish(skipped_ ? SIOFT_CANABORT : SIOFT_OK);
  else if (state_ != State::Done) fail(error, false);
}

void Sender::fail(int result, bool cancel_peer) {
  if (cancel_peer) out_.insert(out_.end(), std::begin(kCancelSequence), std::end(kCancelSequence));
  finish(result);
}

void Sender::finish(int result) {
  result_ = result;
  state_ = State::Done;
}

}  // namespace sio::zmodem
