// ZMODEM's bytes on the wire: frame types, header formats, escapes and the flags the two ends
// exchange. Shared by the frame codec and both protocol cores.
#pragma once

#include <cstdint>

namespace sio::zmodem {

// Framing bytes.
constexpr std::uint8_t ZPAD = '*';
constexpr std::uint8_t ZDLE = 0x18;  // also CAN: five in a row cancel the session
constexpr std::uint8_t ZBIN = 'A';   // binary header, 16-bit CRC
constexpr std::uint8_t ZHEX = 'B';   // hex header, 16-bit CRC
constexpr std::uint8_t ZBIN32 = 'C'; // binary header, 32-bit CRC

constexpr std::uint8_t XON = 0x11;
constexpr std::uint8_t XOFF = 0x13;
constexpr std::uint8_t CAN = 0x18;
constexpr std::uint8_t BS = 0x08;

// Ends of a data subpacket, sent as ZDLE and one of these.
enum class FrameEnd : std::uint8_t {
  ZCRCE = 'h',  // end of frame, header follows
  ZCRCG = 'i',  // frame goes on, no answer expected
  ZCRCQ = 'j',  // frame goes on, ZACK expected
  ZCRCW = 'k',  // end of frame, ZACK expected
};
constexpr std::uint8_t ZRUB0 = 'l';  // escaped 0x7F
constexpr std::uint8_t ZRUB1 = 'm';  // escaped 0xFF

// Frame types.
enum FrameType : std::uint8_t {
  ZRQINIT = 0,
  ZRINIT = 1,
  ZSINIT = 2,
  ZACK = 3,
  ZFILE = 4,
  ZSKIP = 5,
  ZNAK = 6,
  ZABORT = 7,
  ZFIN = 8,
  ZRPOS = 9,
  ZDATA = 10,
  ZEOF = 11,
  ZFERR = 12,
  ZCRC = 13,
  ZCHALLENGE = 14,
  ZCOMPL = 15,
  ZCAN = 16,
  ZFREECNT = 17,
  ZCOMMAND = 18,
  ZSTDERR = 19,
};

// ZRINIT capability flags (ZF0).
constexpr std::uint8_t CANFDX = 0x01;   // full duplex
constexpr std::uint8_t CANOVIO = 0x02;  // can receive while writing to disk
constexpr std::uint8_t CANFC32 = 0x20;  // takes 32-bit CRCs
constexpr std::uint8_t ESCCTL = 0x40;   // wants every control character escaped
constexpr std::uint8_t ESC8 = 0x80;     // wants 8th-bit bytes escaped

// ZSINIT flag (ZF0): the sender escapes every control character and wants ours escaped too.
constexpr std::uint8_t TESCCTL = 0x40;

// ZFILE conversion option (ZF0): binary transfer.
constexpr std::uint8_t ZCBIN = 1;

// Positions of the flag bytes inside a header's four data bytes.
constexpr int ZF0 = 3, ZF1 = 2, ZF2 = 1, ZF3 = 0;
// Position headers carry a little-endian 32-bit offset in the same four bytes.
constexpr int ZP0 = 0, ZP1 = 1;

// The largest data subpacket either end accepts; lrzsz sends at most 8 KiB.
constexpr std::size_t kMaxSubpacket = 8192;

// The cancel sequence: eight CANs, then backspaces to erase them from a terminal.
constexpr std::uint8_t kCancelSequence[] = {CAN, CAN, CAN, CAN, CAN, CAN, CAN, CAN,
                                            BS,  BS,  BS,  BS,  BS,  BS,  BS,  BS, BS, BS};

}  // namespace sio::zmodem
