// The frame codec against byte-exact vectors (worked out independently of this code with
// Python's binascii and zlib), and the decoder against every way the bytes may arrive.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "sio/zmodem/decoder.h"
#include "sio/zmodem/encoder.h"
#include "tests/protocol_rig.h"
#include "tests/support/test_bytes.h"

using namespace sio::zmodem;
using protocol_rig::bytes;
using protocol_rig::text;
using K = FrameDecoder::Kind;

namespace {

Header in_format(Header h, HeaderFormat format) {
  h.format = format;
  return h;
}

// A decoded frame in words: a header's type, format and position; a subpacket's end and data.
std::string said(const Header& h) {
  return "header " + std::to_string(h.type) + "/" + std::to_string(static_cast<int>(h.format)) + " @" +
         std::to_string(h.position());
}
std::string said(FrameEnd end, const std::string& data) { return "subpacket " + std::string(1, char(end)) + data; }

// Every event the decoder finds in `input`, fed in pieces of the given sizes (cycled).
std::vector<std::string> decode(const Bytes& input, const std::vector<std::size_t>& pieces) {
  FrameDecoder decoder;
  std::vector<std::string> events;
  for (std::size_t pos = 0, k = 0; pos < input.size();) {
    for (std::size_t end = pos + std::min(pieces[k++ % pieces.size()], input.size() - pos); pos < end;) {
      pos += decoder.feed(input.data() + pos, end - pos);
      const auto& e = decoder.event();
      if (e.kind == K::Header) events.push_back(said(e.header));
      if (e.kind == K::Subpacket) events.push_back(said(e.end, std::string(e.data, e.data + e.size)));
      if (e.kind == K::BadHeader) events.push_back("bad header");
      if (e.kind == K::BadSubpacket) events.push_back("bad subpacket");
      if (e.kind == K::Cancel) events.push_back("cancel");
    }
  }
  return events;
}

}  // namespace

TEST(ZmodemCodec, HeadersSubpacketsAndEscapesAreByteExact) {
  auto header = [](Header h, HeaderFormat format = HeaderFormat::Hex) {
    Escaper escaper;
    Bytes out;
    append_header(out, in_format(h, format), escaper);
    return text(out);
  };
  const Bytes data = bytes(std::string("ab\x13\x7f", 4));
  auto subpacket = [&](FrameEnd end, bool crc32) {
    Escaper escaper;
    Bytes out;
    append_subpacket(out, data.data(), data.size(), end, crc32, escaper);
    return text(out);
  };
  auto escaped = [](bool every_control, const std::string& in) {
    Escaper escaper(every_control);
    Bytes out;
    escaper.put(out, bytes(in).data(), in.size());
    return text(out);
  };
  const Header zdata = Header::at(ZDATA, 0x00119018);
  const std::pair<std::string, std::string> cases[] = {
      // The ZRINIT that lrzsz's rz sends, and its ZRQINIT.
      {header(Header::flags(ZRINIT, CANFDX | CANOVIO | CANFC32)), std::string("**\x18" "B0100000023be50\r\x8a\x11")},
      {header(Header::at(ZRQINIT, 0)), std::string("**\x18" "B00000000000000\r\x8a\x11")},
      // Positions are little-endian; ZFIN and ZACK end without XON.
      {header(Header::at(ZRPOS, 0x01020304)), std::string("**\x18" "B09040302014d9e\r\x8a\x11")},
      {header(Header::at(ZFIN, 0)).substr(19), "\x8a"},
      // Binary headers escape ZDLE, XON and XOFF with or without the high bit, CRC bytes
      // included; DLE (0x90 here) goes out bare.
      {header(zdata, HeaderFormat::Bin16), std::string("\x2a\x18\x41\x0a\x18\x58\x90\x18\x51\x00\x90\xb1", 12)},
      {header(zdata, HeaderFormat::Bin32), std::string("\x2a\x18\x43\x0a\x18\x58\x90\x18\x51\x00\x2c\x0b\xf5\xb7", 14)},
      {subpacket(FrameEnd::ZCRCG, true), std::string("\x61\x62\x18\x53\x7f\x18\x69\x84\x37\xf6\x71", 11)},
      {subpacket(FrameEnd::ZCRCW, false), std::string("\x61\x62\x18\x53\x7f\x18\x6b\xd8\xae\x11", 10)},
      // CR after '@' is escaped; every control character only on request.
      {escaped(false, "@\r\x01"), std::string("@\x18\x4d\x01")},
      {escaped(true, std::string("\x01\x1f\x80 A", 5)), std::string("\x18\x41\x18\x5f\x18\xc0 A")},
  };
  for (const auto& [got, expected] : cases) EXPECT_EQ(got, expected);
}

TEST(ZmodemCodec, DecodesAnyChunkingAmidGarbage) {
  // Modem chatter and an echoed command line, a hex header, a binary frame with three
  // subpackets (every end kind that continues or ends), a CRC-16 header, a hex header with a
  // subpacket, XONs inserted by the line.
  const std::string all = test_support::all_byte_values();
  const Bytes all_bytes = bytes(all);
  Escaper escaper;
  Bytes wire = bytes("AT%PCTL=GET /Voice Memo/x\r\r\nOK\r\n*junk*\x18z**");
  const Header file = in_format(Header::at(ZDATA, 0x10), HeaderFormat::Bin32);
  const Header eof = in_format(Header::at(ZEOF, 356), HeaderFormat::Bin16);
  append_header(wire, Header::at(ZRQINIT, 0), escaper);
  append_header(wire, file, escaper);
  append_subpacket(wire, all_bytes.data(), all.size(), FrameEnd::ZCRCG, true, escaper);
  wire.push_back(XON);
  append_subpacket(wire, all_bytes.data(), 0, FrameEnd::ZCRCQ, true, escaper);
  append_subpacket(wire, all_bytes.data() + 7, 100, FrameEnd::ZCRCE, true, escaper);
  append_header(wire, eof, escaper);
  // lrzsz's sz -e sends ZSINIT in hex, its subpacket after the header's CR LF XON.
  append_header(wire, Header::flags(ZSINIT, TESCCTL), escaper);
  append_subpacket(wire, all_bytes.data() + 200, 56, FrameEnd::ZCRCW, false, escaper);
  const std::vector<std::string> expected = {
      said(Header::at(ZRQINIT, 0)), said(file), said(FrameEnd::ZCRCG, all), said(FrameEnd::ZCRCQ, ""),
      said(FrameEnd::ZCRCE, all.substr(7, 100)), said(eof), said(Header::flags(ZSINIT, TESCCTL)),
      said(FrameEnd::ZCRCW, all.substr(200)),
  };
  std::mt19937 rng(7);
  std::vector<std::vector<std::size_t>> chunkings = {{1}, {2}, {3}, {wire.size()}};
  for (int i = 0; i < 20; ++i) chunkings.push_back({1 + rng() % 40, 1 + rng() % 7, 1 + rng() % 300});
  for (const auto& pieces : chunkings) EXPECT_EQ(decode(wire, pieces), expected) << "piece size " << pieces[0];
}

TEST(ZmodemCodec, ReportsDamageAndCancel) {
  Escaper escaper;
  // A hex header with one digit changed fails its CRC; one with a character that is no digit ends
  // there, even 'G' (as 16 it would read as the type's '0'); the next good one is still found,
  // upper-case digits and all.
  Bytes wire;
  append_header(wire, Header::at(ZRPOS, 5), escaper);
  wire[6] ^= 1;
  const std::size_t second = wire.size();
  append_header(wire, Header::at(ZRPOS, 5), escaper);
  wire[second + 4] = 'G';
  const std::size_t third = wire.size();
  append_header(wire, Header::at(ZRPOS, 0xFF), escaper);
  wire[third + 6] = wire[third + 7] = 'F';
  const std::size_t fourth = wire.size();  // no lead-in: '+' is no ZPAD
  append_header(wire, Header::at(ZRPOS, 5), escaper);
  wire[fourth + 1] = '+';
  EXPECT_EQ(decode(wire, {1}), (std::vector<std::string>{"bad header", "bad header", said(Header::at(ZRPOS, 0xFF))}));

  // A damaged data byte, an unknown escape, a subpacket that never ends, and one a byte too long
  // whose last byte travels escaped.
  const Header data = in_format(Header::at(ZDATA, 0), HeaderFormat::Bin32);
  const std::vector<std::string> damaged = {said(data), "bad subpacket", said(Header::at(ZEOF, 0))};
  Bytes payload(50, 'x');
  Bytes too_long(kMaxSubpacket, 'x');
  too_long.push_back(ZDLE);
  for (int damage = 0; damage < 4; ++damage) {
    wire.clear();
    append_header(wire, data, escaper);
    std::size_t start = wire.size();
    if (damage == 2) {
      wire.insert(wire.end(), kMaxSubpacket + 10, 'y');
    } else {
      const Bytes& sent = damage == 3 ? too_long : payload;
      append_subpacket(wire, sent.data(), sent.size(), FrameEnd::ZCRCE, true, escaper);
      if (damage == 0) wire[start + 10] ^= 0x20;
      if (damage == 1) wire.insert(wire.begin() + static_cast<long>(start) + 3, {ZDLE, 0x20});
    }
    append_header(wire, Header::at(ZEOF, 0), escaper);
    EXPECT_EQ(decode(wire, {7}), damaged) << damage;
  }

  // Five CANs cancel, wherever they come; four do not.
  EXPECT_EQ(decode(bytes("xx\x18\x18\x18\x18y\x18\x18\x18\x18\x18\x08\x08"), {1}), std::vector<std::string>{"cancel"});
  wire.clear();
  append_header(wire, data, escaper);
  wire.insert(wire.end(), {'a', 'b', CAN, CAN, CAN, CAN, CAN, CAN, CAN, CAN});
  EXPECT_EQ(decode(wire, {3}), (std::vector<std::string>{said(data), "cancel"}));
}
