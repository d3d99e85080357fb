// Kermit packets on the wire: MARK LEN SEQ TYPE [LENX1 LENX2 HCHECK] DATA CHECK, then the
// end-of-line character the peer asked for. Encoding and decoding only; no I/O here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sio::kermit {

constexpr char kMark = 0x01;  // SOH starts every packet
// The longest extended length a long packet can state (95 * 94 + 94).
constexpr int kMaxLongLength = 9024;

struct Packet {
  char type = 0;
  int seq = 0;           // 0..63
  std::string data;      // the data field as sent, still prefix-encoded
};

// How the peer wants packets framed: padding before, its end-of-line after.
struct Framing {
  int npad = 0;
  char padc = 0;
  char eol = '\r';
};

// The whole frame of `packet` with block check `check_type`; a data field too long for a
// normal packet makes a long one.
std::string encode_packet(const Packet& packet, int check_type, const Framing& framing);

// Assembles packets from arriving bytes. Whatever lies between packets is skipped; a MARK
// inside a packet starts over, so a packet cut short costs no more than itself.
// A peer that uses parity on a line we read with 8 data bits (G-Kermit makes its parity
// itself) shows it in the header of its first packet, which is printable: the 8th bit set
// there means parity, and from then on the 8th bit of every byte is dropped. Such a peer asks
// for the 8th bit of data to travel behind a prefix.
class PacketReader {
 public:
  enum class Event { None, Packet, Bad };

  // The check that packets carry. Send-Init packets and their replies carry type 1, or type 3
  // from a peer that forces it; those are accepted with either whatever type is set.
  void set_check_type(int type) { check_type_ = type; }
  Event feed(std::uint8_t byte);
  // Feeds bytes from `data` until one completes a packet or a damaged one (the event), or all
  // `len` are taken (None); `used` says how many were taken.
  Event feed(const std::uint8_t* data, std::size_t len, std::size_t& used);
  // The packet that the last Event::Packet completed.
  const Packet& packet() const { return packet_; }

 private:
  enum class State { Hunt, Len, LongHeader, Body };
  Event finish();

  State state_ = State::Hunt;
  int check_type_ = 1;
  bool first_packet_ = true;  // until one arrives, header bytes lose their 8th bit
  bool parity_ = false;
  int header_high_ = 0;       // bytes of this packet's MARK and header that had the 8th bit set
  bool body_high_ = false;    // and of the rest
  std::string raw_;          // LEN through the end of the check
  std::size_t want_ = 0;     // characters still missing from raw_
  std::size_t body_start_ = 0;
  Packet packet_;
};

}  // namespace sio::kermit
