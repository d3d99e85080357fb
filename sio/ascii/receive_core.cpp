#include "sio/ascii/receive_core.h"

#include "sio/result.h"

namespace sio::ascii {

void ReceiveCore::feed(const std::uint8_t* bytes, std::size_t len, Micros now) {
  if (finished_) return;
  if (int result = file_.write(bytes, len); result < 0) return finish(result);
  last_data_ = now;
}

void ReceiveCore::tick(Micros now) {
  if (now >= deadline()) finish(SIOFT_ABORT);
}

TransferCore::Micros ReceiveCore::deadline() const {
  // Before the first byte it waits for as long as the user does.
  if (quiet_us_ <= 0 || file_.size() == 0) return kNoDeadline;
  return last_data_ + quiet_us_;
}

void ReceiveCore::finish(int result) {
  if (finished_) return;
  finished_ = true;
  result_ = result;
}

}  // namespace sio::ascii
