// Chooses between 1024- and 128-byte blocks while a file goes out. On a noisy line a long block
// is hit eight times as often as a short one, and a receiver gives up after ten bad blocks in a
// row (at 1 fault in 1,000 bytes two long blocks in three are hit, and a long block once sent
// stays long until it is taken): a file starts in short blocks, long ones follow once the line
// has been clean for a while, and once a long block has needed a second send, short blocks
// carry the file again until the line has been clean for a while.
#pragma once

namespace sio::xmodem {

class BlockSizer {
 public:
  // Sends of one long block that show a noisy line.
  static constexpr int kNoisySends = 2;
  // Short blocks in a row taken at their first send before long blocks are tried (again).
  static constexpr int kCleanShortBlocks = 32;

  explicit BlockSizer(bool long_allowed) : long_allowed_(long_allowed) {}

  bool long_blocks() const { return long_allowed_ && !short_for_noise_; }

  // After a block went through: whether it was long and how often it was sent.
  void block_done(bool was_long, int sends) {
    if (was_long) {
      if (sends >= kNoisySends) {
        short_for_noise_ = true;
        clean_short_ = 0;
      }
      return;
    }
    if (!short_for_noise_) return;
    clean_short_ = sends == 1 ? clean_short_ + 1 : 0;
    if (clean_short_ >= kCleanShortBlocks) short_for_noise_ = false;
  }

 private:
  bool long_allowed_;
  bool short_for_noise_ = true;
  int clean_short_ = 0;
};

}  // namespace sio::xmodem
