#include "sio/ascii/send_core.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

#include "sio/port_table.h"
#include "sio/progress.h"
#include "sio/sio.h"

namespace sio::ascii {
namespace {
constexpr std::size_t kSmallestPiece = 256;
}  // namespace

void SendCore::drained(Micros now) {
  if (finished_) return;
  if (handed_ > 0) size_next_piece(now);
  done_ += static_cast<long>(handed_);
  handed_ = 0;
  if (position_ == buffered_) {
    ssize_t n;
    do {
      n = ::read(fd_, buffer_.data(), buffer_.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
      keep_last_error(errno);
      return finish(SIOFT_WIN32FAIL);
    }
    if (n == 0) return finish(SIOFT_OK);
    buffered_ = static_cast<std::size_t>(n);
    position_ = 0;
  }
  handed_ = std::min(piece_, buffered_ - position_);
  output_.assign(buffer_.begin() + static_cast<long>(position_), buffer_.begin() + static_cast<long>(position_ + handed_));
  position_ += handed_;
  handed_at_ = now;
}

// What the line took in a progress slice, judged by how long it took the last piece.
void SendCore::size_next_piece(Micros now) {
  const Micros slice_us = Micros{kProgressSliceMs} * 1000;
  const Micros took = std::max<Micros>(1, now - handed_at_);
  const Micros fits = static_cast<Micros>(handed_) * slice_us / took;
  piece_ = static_cast<std::size_t>(std::clamp<Micros>(fits, kSmallestPiece, kSendChunk));
}

void SendCore::finish(int result) {
  if (finished_) return;
  finished_ = true;
  result_ = result;
}

}  // namespace sio::ascii
