#include "sio/ascii/send_core.h"

#include <algorithm>

#include "sio/progress.h"

namespace sio::ascii {
namespace {
constexpr std::size_t kSmallestPiece = 256;
}  // namespace

void SendCore::drained(Micros now) {
  if (finished_) return;
  if (handed_ > 0) size_next_piece(now);
  done_ += static_cast<long>(handed_);
  handed_ = 0;
  if (chunk_.empty()) {
    if (int result = file_.read(kSendChunk, chunk_); result < 0) return finish(result);
    if (chunk_.empty()) return finish(SIOFT_OK);
  }
  handed_ = std::min(piece_, chunk_.size());
  output_.assign(chunk_.begin(), chunk_.begin() + static_cast<long>(handed_));
  chunk_ = chunk_.subspan(handed_);
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
