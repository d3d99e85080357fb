#include "sio/zmodem/receiver.h"

#include <algorithm>

#include "sio/zmodem/file_info.h"

namespace sio::zmodem {
namespace {

// Resent data we already have, beyond which asking for our position is quicker than skipping.
constexpr std::uint32_t kMaxSkippedResend = 16 * 1024;

}  // namespace

Receiver::Receiver(FileSink& sink, const Timing& timing) : sink_(sink), timing_(timing) {}

void Receiver::start(std::int64_t now_ms) {
  now_ = started_ = last_heard_ = last_bytes_ = now_ms;
  send_init();
}

void Receiver::send(const Header& header) {
  // Our headers go out in hex: readable through any link, and the sender takes them all.
  append_header(out_, header, escaper_);
  last_prompt_ = now_;
}

void Receiver::send_init() {
  // Full duplex, receives while writing, 32-bit CRCs; no buffer limit, so the sender streams.
  // Escaping of every control character, once asked for, goes on for the rest of the session.
  send(Header::flags(ZRINIT, CANFDX | CANOVIO | CANFC32 | (escape_all_ ? ESCCTL : 0)));
}

void Receiver::feed(const std::uint8_t* bytes, std::size_t len, std::int64_t now_ms) {
  now_ = now_ms;
  if (len > 0) {
    last_bytes_ = now_;
    quiet_repeats_ = 0;
  }
  while (len > 0 && state_ != State::Done) {
    if (state_ == State::WaitFinish) {
      on_finish_bytes(bytes, len);
      return;
    }
    std::size_t used = decoder_.feed(bytes, len);
    bytes += used;
    len -= used;
    if (decoder_.event().kind != FrameDecoder::Kind::None) on_event(decoder_.event());
  }
}

// After our ZFIN the sender says "OO"; whatever follows is no longer ours. A sender that
// missed our ZFIN repeats its own, which gets another answer.
void Receiver::on_finish_bytes(const std::uint8_t* bytes, std::size_t len) {
  for (std::size_t i = 0; i < len && state_ == State::WaitFinish; ++i) {
    if (bytes[i] == 'O') {
      if (++o_count_ == 2) done(result_);
      continue;
    }
    o_count_ = 0;
    decoder_.feed(bytes + i, 1);
    const auto& e = decoder_.event();
    if (e.kind == FrameDecoder::Kind::Header && e.header.type == ZFIN) send(Header::at(ZFIN, 0));
  }
}

void Receiver::on_event(const FrameDecoder::Event& event) {
  using Kind = FrameDecoder::Kind;
  switch (event.kind) {
    case Kind::Header: on_header(event.header); break;
    case Kind::Subpacket: on_subpacket(event); break;
    case Kind::BadHeader:
      // Before the sender is heard, bad headers are echoes and noise. After that a damaged
      // header may have been the one we wait for, so ask again at once: for the data from our
      // position, or for the file offer.
      if (state_ == State::Data) on_stale_or_lost();
      else if (sender_heard_ && state_ == State::WaitFile) send_init();
      break;
    case Kind::BadSubpacket:
      if (awaited_data_ == ZDATA) on_data_error();
      else if (awaited_data_ == ZFILE || awaited_data_ == ZSINIT) send(Header::at(ZNAK, 0));
      awaited_data_ = 0;
      break;
    case Kind::Cancel: fail(SIOFT_CANABORT, false); break;
    case Kind::None: break;
  }
}

void Receiver::on_header(const Header& h) {
  // Our own ZRINIT may come back as an echo before the sender starts.
  if (h.type == ZRINIT) return;
  sender_heard_ = true;
  sender_waits_ = false;
  last_heard_ = now_;
  awaited_data_ = 0;
  switch (h.type) {
    case ZRQINIT:
      if (state_ == State::WaitFile || state_ == State::AfterFile) send_init();
      break;
    case ZSINIT:
      // lrzsz's sz -e sends this one in hex, with its subpacket after it.
      if (h.data[ZF0] & TESCCTL) {
        escape_all_ = true;
        escaper_ = Escaper(true);
      }
      awaited_data_ = ZSINIT;
      break;
    case ZFILE:
    case ZCOMMAND: awaited_data_ = h.type; break;
    case ZFREECNT: send(Header::at(ZACK, 0xFFFFFFFFu)); break;  // no limit known, as lrzsz says
    case ZDATA:
      if (state_ != State::Data) break;
      awaited_data_ = ZDATA;
      // Data we already have may come again (a sender answering a repeated request): skip a
      // little of it; from further back, ask for our position instead.
      if (h.position() <= offset_ && offset_ - h.position() <= kMaxSkippedResend) {
        synced_ = true;
        stream_pos_ = h.position();
      } else {
        on_stale_or_lost();
      }
      break;
    case ZEOF:
      if (state_ == State::Data) end_of_file(h.position());
      else if (state_ == State::AfterFile) send_init();  // our answer to it got lost
      break;
    case ZNAK:
      // The sender could not read our last header and waits for it again.
      if (state_ == State::Data) on_data_error();
      else if (state_ == State::WaitFile || state_ == State::AfterFile) send_init();
      break;
    case ZFIN: finish_session(); break;
    case ZABORT:
    case ZCAN:
    case ZFERR: fail(SIOFT_CANABORT, false); break;
    default: break;
  }
}

void Receiver::on_subpacket(const FrameDecoder::Event& e) {
  std::uint8_t type = awaited_data_;
  // Only a ZDATA frame goes on after its first subpacket.
  if (type != ZDATA || e.end == FrameEnd::ZCRCE || e.end == FrameEnd::ZCRCW) awaited_data_ = 0;
  last_heard_ = now_;
  switch (type) {
    case ZFILE: on_file_offer(e.data, e.size); break;
    case ZSINIT: send(Header::at(ZACK, 1)); break;  // its attention string is not needed: we never interrupt
    case ZDATA: on_data(e); break;
    case ZCOMMAND: send(Header::at(ZCOMPL, kCommandRefused)); break;
    default: break;
  }
}

void Receiver::on_file_offer(const std::uint8_t* data, std::size_t size) {
  if (state_ == State::Data) {
    // The sender missed our answer to this offer.
    send(Header::at(ZRPOS, offset_));
    return;
  }
  if (state_ != State::WaitFile || offered_) {
    send(Header::at(ZSKIP, 0));
    return;
  }
  offered_ = true;
  FileInfo info = parse_file_info(data, size);
  int opened = sink_.open(info.name);
  if (opened == SIOFT_FOPEN) {
    // A name we refuse or a file that exists: the sender skips it, and nothing is overwritten.
    pending_failure_ = SIOFT_FOPEN;
    send(Header::at(ZSKIP, 0));
    return;
  }
  if (opened < 0) {
    fail(opened, true);
    return;
  }
  file_length_ = info.length;
  offset_ = 0;
  synced_ = false;
  errors_ = 0;
  state_ = State::Data;
  // Always from the start: resume and append requests are not honoured.
  send(Header::at(ZRPOS, 0));
}

void Receiver::on_data(const FrameDecoder::Event& e) {
  if (state_ != State::Data || !synced_) return;
  std::uint32_t end = stream_pos_ + static_cast<std::uint32_t>(e.size);
  if (end < stream_pos_) {  // a position beyond 4 GiB cannot be right
    on_data_error();
    return;
  }
  if (end > offset_) {
    std::uint32_t skip = offset_ - stream_pos_;
    int written = sink_.write(e.data + skip, e.size - skip);
    if (written < 0) {
      fail(written, true);
      return;
    }
    offset_ = end;
    errors_ = 0;
  }
  stream_pos_ = end;
  sender_waits_ = e.end == FrameEnd::ZCRCW;
  if (e.end == FrameEnd::ZCRCQ || e.end == FrameEnd::ZCRCW) send(Header::at(ZACK, offset_));
}

// A frame that does not fit: after our request, frames the sender sent before it heard us still
// arrive for a while (asking again for each would only restart the sender again and again);
// otherwise something was lost.
void Receiver::on_stale_or_lost() {
  if (!synced_ && now_ - last_prompt_ < timing_.answer_ms) {
    decoder_.hunt();
    awaited_data_ = 0;
    return;
  }
  on_data_error();
}

// Something was lost: ask for the data from our position now, and ignore what comes until a
// frame starts there.
void Receiver::on_data_error() {
  synced_ = false;
  sender_waits_ = false;
  decoder_.hunt();
  awaited_data_ = 0;
  if (++errors_ > timing_.max_errors) {
    fail(SIOFT_PROTOCOL, true);
    return;
  }
  send(Header::at(ZRPOS, offset_));
}

void Receiver::end_of_file(std::uint32_t position) {
  if (position != offset_) {
    on_data_error();
    return;
  }
  int committed = sink_.commit();
  if (committed < 0) {
    // The data arrived but cannot be stored; the session still ends in order.
    pending_failure_ = committed;
  } else {
    stored_ = true;
  }
  state_ = State::AfterFile;
  send_init();
}

void Receiver::finish_session() {
  if (state_ == State::Data) {
    sink_.discard();
    pending_failure_ = SIOFT_PROTOCOL;
  }
  result_ = stored_ ? SIOFT_OK : pending_failure_;
  send(Header::at(ZFIN, 0));
  state_ = State::WaitFinish;
  o_count_ = 0;
}

void Receiver::tick(std::int64_t now_ms) {
  now_ = now_ms;
  switch (state_) {
    case State::WaitFile:
    case State::AfterFile:
      if (!sender_heard_ && now_ - started_ >= timing_.start_ms) {
        fail(SIOFT_TIMEOUT, false);
      } else if (sender_heard_ && now_ - last_heard_ >= timing_.idle_ms) {
        if (stored_) done(SIOFT_OK);  // the file is complete; only the goodbye is missing
        else fail(SIOFT_TIMEOUT, true);
      } else if (now_ - last_prompt_ >= timing_.prompt_ms) {
        send_init();
      }
      break;
    case State::Data:
      if (now_ - last_heard_ >= timing_.idle_ms) {
        fail(SIOFT_TIMEOUT, true);
      } else if (now_ - std::max(last_bytes_, last_prompt_) >=
                 (quiet_repeats_ < 2 ? timing_.answer_ms : timing_.retry_ms)) {
        // The line went quiet: our ZACK got lost, or the end of a frame did. Once a repeated
        // ZACK does not help, only a ZRPOS restarts every sender.
        bool ack_again = sender_waits_ && quiet_repeats_ == 0 && !decoder_.inside_subpacket();
        ++quiet_repeats_;
        if (ack_again) send(Header::at(ZACK, offset_));
        else on_data_error();
      }
      break;
    case State::WaitFinish:
      if (now_ - last_prompt_ >= timing_.finish_ms) done(result_);
      break;
    case State::Done: break;
  }
}

void Receiver::abort() {
  if (state_ != State::Done) fail(SIOFT_ABORT, true);
}

void Receiver::line_lost(int error) {
  if (state_ == State::WaitFinish) done(result_);  // the sender hung up after our ZFIN
  else if (state_ != State::Done) fail(error, false);
}

void Receiver::fail(int result, bool cancel_peer) {
  if (cancel_peer) out_.insert(out_.end(), std::begin(kCancelSequence), std::end(kCancelSequence));
  // A file already in place is complete: whatever ends the session afterwards does not undo it.
  done(stored_ ? SIOFT_OK : result);
}

void Receiver::done(int result) {
  if (state_ == State::Data) sink_.discard();
  result_ = result;
  state_ = State::Done;
}

}  // namespace sio::zmodem
