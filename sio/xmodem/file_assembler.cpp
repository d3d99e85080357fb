#include "sio/xmodem/file_assembler.h"

#include <algorithm>
#include <vector>

#include "sio/result.h"
#include "sio/xmodem/block.h"

namespace sio::xmodem {

int FileAssembler::write(const std::uint8_t* data, std::size_t len) {
  written_ += static_cast<long>(len);
  return file_ && len > 0 ? file_->write(data, len) : 0;
}

int FileAssembler::add(std::span<const std::uint8_t> block) {
  if (length_ >= 0) {
    auto room = static_cast<std::size_t>(std::max(0L, length_ - written_));
    return write(block.data(), std::min(block.size(), room));
  }
  if (held_subs_ > 0) {
    std::vector<std::uint8_t> subs(held_subs_, SUB);
    held_subs_ = 0;
    if (int result = write(subs.data(), subs.size()); result < 0) return result;
  }
  auto last_data = std::find_if(block.rbegin(), block.rend(), [](std::uint8_t b) { return b != SUB; });
  held_subs_ = static_cast<std::size_t>(last_data - block.rbegin());
  return write(block.data(), block.size() - held_subs_);
}

int FileAssembler::finish() {
  held_subs_ = 0;
  return length_ >= 0 && written_ < length_ ? SIOFT_PROTOCOL : 0;
}

}  // namespace sio::xmodem
