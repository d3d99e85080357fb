#include "sio/xmodem/file_source.h"

#include <algorithm>

#include "sio/xmodem/block.h"

namespace sio::xmodem {

namespace {
constexpr std::size_t kLongBlockThreshold = 768;
}

int FileSource::next(bool long_blocks, std::span<const std::uint8_t>& payload) {
  std::span<const std::uint8_t> ahead;
  if (int result = file_.read_at(sent_, kLongBlock, ahead); result < 0) return result;
  offered_ = long_blocks && ahead.size() > kLongBlockThreshold ? ahead.size() : std::min(ahead.size(), kShortBlock);
  payload = ahead.first(offered_);
  return 0;
}

long FileSource::consume() {
  sent_ += static_cast<long>(offered_);
  offered_ = 0;
  return sent_;
}

}  // namespace sio::xmodem
