#include "sio/kermit/packet.h"

#include <algorithm>
#include <cstring>

#include "sio/kermit/check.h"

namespace sio::kermit {
namespace {

constexpr int kMaxNormalLength = 94;
// C-Kermit, with long packets agreed, sends a packet as a normal one when its data and check fit
// in 94, forgetting SEQ and TYPE: such a length reads up to 96.
constexpr int kMaxNormalLengthTaken = kMaxNormalLength + 2;

// A long packet's header check: the type 1 check over LEN SEQ TYPE LENX1 LENX2.
char header_check(std::string_view header) { return block_check(1, header)[0]; }

bool is_init_type(char type) { return type == 'S' || type == 'I'; }

}  // namespace

std::string encode_packet(const Packet& packet, int check_type, const Framing& framing) {
  const int check_len = check_length(check_type);
  const int data_len = static_cast<int>(packet.data.size());
  std::string covered;
  covered.reserve(packet.data.size() + 8);
  if (data_len + 2 + check_len <= kMaxNormalLength) {
    covered += tochar(data_len + 2 + check_len);
    covered += tochar(packet.seq & 63);
    covered += packet.type;
  } else {
    const int ext = data_len + check_len;
    covered += tochar(0);
    covered += tochar(packet.seq & 63);
    covered += packet.type;
    covered += tochar(ext / 95);
    covered += tochar(ext % 95);
    covered += header_check(covered);
  }
  covered += packet.data;
  std::string frame(static_cast<std::size_t>(framing.npad), framing.padc);
  frame += kMark;
  frame += covered;
  frame += block_check(check_type, covered);
  frame += framing.eol;
  return frame;
}

PacketReader::Event PacketReader::feed(std::uint8_t byte) {
  const bool high = byte & 0x80;
  if (parity_ || (first_packet_ && state_ != State::Body)) byte &= 0x7F;
  if (state_ == State::Body) body_high_ |= high;
  else header_high_ += high;
  const char c = static_cast<char>(byte);
  if (c == kMark) {
    raw_.clear();
    header_high_ = high;
    body_high_ = false;
    state_ = State::Len;
    return Event::None;
  }
  switch (state_) {
    case State::Hunt:
      return Event::None;
    case State::Len: {
      raw_ += c;
      const int len = unchar(c);
      if (len == 0) {
        state_ = State::LongHeader;
        want_ = 5;  // SEQ TYPE LENX1 LENX2 HCHECK
        return Event::None;
      }
      if (len < 3 || len > kMaxNormalLengthTaken) {
        state_ = State::Hunt;
        return Event::Bad;
      }
      state_ = State::Body;
      body_start_ = 3;
      want_ = static_cast<std::size_t>(len);
      return Event::None;
    }
    case State::LongHeader: {
      raw_ += c;
      if (--want_ > 0) return Event::None;
      const int ext = unchar(raw_[3]) * 95 + unchar(raw_[4]);
      if (header_check(std::string_view(raw_).substr(0, 5)) != raw_[5] || unchar(raw_[3]) < 0 ||
          unchar(raw_[4]) < 0 || unchar(raw_[4]) > 94 || ext < 1 || ext > kMaxLongLength) {
        state_ = State::Hunt;
        return Event::Bad;
      }
      state_ = State::Body;
      body_start_ = 6;
      want_ = static_cast<std::size_t>(ext);
      return Event::None;
    }
    case State::Body:
      raw_ += c;
      if (--want_ > 0) return Event::None;
      state_ = State::Hunt;
      return finish();
  }
  return Event::None;
}

PacketReader::Event PacketReader::feed(const std::uint8_t* data, std::size_t len, std::size_t& used) {
  used = 0;
  while (used < len) {
    if (state_ == State::Body && want_ > 1 && !parity_ && !first_packet_) {
      // The body up to its last character goes in at once, unless a MARK starts over in it.
      std::size_t n = std::min(want_ - 1, len - used);
      if (const void* mark = std::memchr(data + used, kMark, n)) n = static_cast<const std::uint8_t*>(mark) - (data + used);
      raw_.append(reinterpret_cast<const char*>(data + used), n);
      want_ -= n;
      used += n;
      if (used == len) break;
    }
    const Event event = feed(data[used++]);
    if (event != Event::None) return event;
  }
  return Event::None;
}

PacketReader::Event PacketReader::finish() {
  // Parity in the header: the body carries it too. One flipped bit is noise.
  const bool parity = first_packet_ && header_high_ > 0 && header_high_ + body_high_ > 1;
  if (parity)
    for (auto& ch : raw_) ch = static_cast<char>(ch & 0x7F);
  // The check's length depends on the check type, so try the one in force, then for the
  // Send-Init exchange type 1 (what it carries) and type 3 (a peer that forces the CRC). The
  // reply to our Send-Init is the ACK of packet 0 that comes before any check was agreed.
  const int types[] = {check_type_, 1, 3};
  const bool init_exchange = is_init_type(raw_[2]) || (raw_[2] == 'Y' && unchar(raw_[1]) == 0 && check_type_ == 1);
  for (int type : types) {
    const std::size_t check_len = static_cast<std::size_t>(check_length(type));
    if (raw_.size() < body_start_ + check_len) continue;
    const std::size_t data_end = raw_.size() - check_len;
    if (type != check_type_ && !init_exchange) continue;
    if (raw_.compare(data_end, check_len, block_check(type, std::string_view(raw_).substr(0, data_end))) != 0)
      continue;
    const int seq = unchar(raw_[1]);
    if (seq < 0 || seq > 63) return Event::Bad;
    packet_.seq = seq;
    packet_.type = raw_[2];
    packet_.data.assign(raw_, body_start_, data_end - body_start_);
    if (first_packet_) parity_ = parity;
    first_packet_ = false;
    return Event::Packet;
  }
  return Event::Bad;
}

}  // namespace sio::kermit
