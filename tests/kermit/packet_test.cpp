// The packet core without I/O: checks, framing, prefix encoding and the Send-Init exchange,
// with vectors taken from what G-Kermit and C-Kermit put on the wire.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "sio/kermit/attributes.h"
#include "sio/kermit/check.h"
#include "sio/kermit/codec.h"
#include "sio/kermit/init.h"
#include "sio/kermit/packet.h"
#include "tests/support/test_bytes.h"

using namespace sio::kermit;

namespace {

// Feeds bytes one at a time and collects what the reader makes of them.
struct Fed {
  std::vector<Packet> packets;
  int bad = 0;
};

Fed feed(PacketReader& reader, const std::string& bytes) {
  Fed fed;
  for (unsigned char b : bytes) {
    auto event = reader.feed(b);
    if (event == PacketReader::Event::Packet) fed.packets.push_back(reader.packet());
    if (event == PacketReader::Event::Bad) ++fed.bad;
  }
  return fed;
}

// The Send-Init packet C-Kermit sent in a transfer we watched.
const std::string kCkermitSendInit = std::string("\x01") + "9 S~/ @-#Y3~^>J)0___F\"U1A@\r";

}  // namespace

TEST(KermitPacket, ChecksAndNormalPacketsAreByteExact) {
  const std::string nine = "123456789";
  EXPECT_EQ(crc16_kermit(reinterpret_cast<const std::uint8_t*>(nine.data()), nine.size()), 0x2189);
  // 0x2189 goes out as its top 4 bits, then two 6-bit groups.
  EXPECT_EQ(block_check(3, nine), std::string({tochar(0x2), tochar(0x06), tochar(0x09)}));
  // "ab": sum 195 = 3 * 64 + 3.
  EXPECT_EQ(block_check(2, "ab"), "##");
  // Type 1 folds the top two bits of the sum into the low six: 161 -> (161 + 2) & 63 = 35.
  EXPECT_EQ(block_check(1, "#%Y"), "C");
  // G-Kermit's file header, whose sum (1626) has both of those bits.
  EXPECT_EQ(block_check(1, "5!FXXXXXXXXXXXX_1.AMR"), ";");
  EXPECT_EQ(encode_packet(Packet{'Y', 5, ""}, 1, Framing{}), std::string("\x01#%YC\r"));
  // The peer's framing: padding before, its end-of-line after.
  EXPECT_EQ(encode_packet(Packet{'Y', 5, ""}, 1, Framing{2, '\0', '\n'}), std::string("\0\0\x01#%YC\n", 8));
  // C-Kermit's Send-Init, rebuilt from its fields, comes out exactly as C-Kermit sent it.
  EXPECT_EQ(encode_packet(Packet{'S', 0, "~/ @-#Y3~^>J)0___F\"U1A"}, 1, Framing{}), kCkermitSendInit);
}

TEST(KermitPacket, LongPacketsRoundTripWithEveryCheckType) {
  std::mt19937 gen(3);
  for (int type = 1; type <= 3; ++type) {
    for (std::size_t len : {0u, 1u, 88u, 89u, 90u, 91u, 92u, 500u, 9000u}) {
      std::string data(len, ' ');
      for (auto& c : data) c = static_cast<char>(33 + gen() % 94);
      const std::string frame = encode_packet(Packet{'D', 63, data}, type, Framing{});
      EXPECT_EQ(frame[1] == ' ', len + 2 + static_cast<std::size_t>(type) > 94) << len;
      PacketReader reader;
      reader.set_check_type(type);
      auto fed = feed(reader, frame);
      ASSERT_EQ(fed.packets.size(), 1u) << "type " << type << " length " << len;
      EXPECT_EQ(fed.packets[0].data, data);
      EXPECT_EQ(fed.packets[0].seq, 63);
    }
  }
  // C-Kermit's last packet of a file, whose data and check alone fill 94: normal, with LEN 96
  // (after a first packet, which alone may show parity in its header).
  const std::string covered = std::string(1, tochar(96)) + tochar(12) + "D" + std::string(91, 'x');
  PacketReader reader;
  reader.set_check_type(3);
  auto fed = feed(reader, encode_packet(Packet{'D', 11, ""}, 3, Framing{}) + "\x01" + covered + block_check(3, covered) + "\r");
  ASSERT_EQ(fed.packets.size(), 2u);
  EXPECT_EQ(fed.packets[1].data, std::string(91, 'x'));
}

TEST(KermitPacket, DamagedPacketsAreNeverDeliveredAndTheReaderRecovers) {
  const std::string data = "The quick brown fox ##jumps over the lazy dog";
  for (int type : {1, 2, 3}) {
    for (bool long_form : {false, true}) {
      const std::string payload = long_form ? data + std::string(200, 'x') : data;
      const std::string good = encode_packet(Packet{'D', 7, payload}, type, Framing{});
      // Each character after the MARK, changed by one bit: never a wrong packet.
      for (std::size_t i = 1; i + 1 < good.size(); ++i) {
        for (int bit : {0, 5}) {
          std::string bad = good;
          bad[i] = static_cast<char>(bad[i] ^ (1 << bit));
          if (bad[i] == kMark) continue;
          PacketReader reader;
          reader.set_check_type(type);
          auto fed = feed(reader, bad);
          for (const auto& p : fed.packets) EXPECT_TRUE(p.type == 'D' && p.seq == 7 && p.data == payload) << i;
          // A good copy after the damaged one still arrives.
          fed = feed(reader, good);
          ASSERT_EQ(fed.packets.size(), 1u) << "type " << type << " position " << i;
          EXPECT_EQ(fed.packets[0].data, payload);
        }
      }
    }
  }
  // A packet cut short gives way to the next; an impossible length is reported at once.
  PacketReader reader;
  reader.set_check_type(3);
  const std::string first = encode_packet(Packet{'D', 1, "first packet"}, 3, Framing{});
  auto fed = feed(reader, first.substr(0, 8) + encode_packet(Packet{'D', 2, "second"}, 3, Framing{}));
  ASSERT_EQ(fed.packets.size(), 1u);
  EXPECT_EQ(fed.packets[0].data, "second");
  EXPECT_EQ(feed(reader, std::string("\x01\x21")).bad, 1);
  // So is a long header whose LENX2 is no length character, though its header check matches.
  const std::string header = " !D\"\x1f";
  EXPECT_EQ(feed(reader, "\x01" + header + block_check(1, header)).bad, 1);
}

TEST(KermitCodec, QuotesControlCharactersAndPrefixesWithinTheLimitAndRefusesMalformedFields) {
  std::string out;
  const std::string raw("\x01#~&\x7f\x80\xff\xa3 a", 10);
  EXPECT_EQ(encode_data(Prefixing{}, raw, 100, out), raw.size());
  EXPECT_EQ(out, std::string("#A##~&#?#\xC0#\xBF#\xA3 a"));
  // With 8th-bit and repeat prefixes agreed, those characters are quoted too.
  out.clear();
  encode_data(Prefixing{'#', '&', '~'}, std::string("&~\x81\xa6") + "aaaa", 100, out);
  EXPECT_EQ(out, "#&#~&#A&#&~$a");
  // On a clean 8-bit session harmless control characters go bare, the packet mark never.
  out.clear();
  encode_data(Prefixing{'#', 0, 0, true}, std::string("\x02\x01\x1b\x0d\x7f\xff", 6), 100, out);
  EXPECT_EQ(out, std::string("\x02#A\x1b#M\x7f#\xBF"));
  // The limit never splits a prefix sequence: "#A" does not fit after "a".
  out.clear();
  EXPECT_EQ(encode_data(Prefixing{}, std::string("a\x01", 2), 2, out), 1u);
  EXPECT_EQ(out, "a");
  out.clear();
  EXPECT_EQ(encode_data(Prefixing{}, "\x01", 1, out), 0u);
  EXPECT_FALSE(decode_data(Prefixing{}, "abc#", out));
  EXPECT_FALSE(decode_data(Prefixing{'#', 0, '~'}, "~", out));
  EXPECT_FALSE(decode_data(Prefixing{'#', 0, '~'}, std::string("~\x05x"), out));
  EXPECT_FALSE(decode_data(Prefixing{'#', '&', 0}, "&", out));
}

TEST(KermitCodec, EveryByteValueSurvivesEveryPrefixingInRunsAndAlone) {
  std::string input = test_support::all_byte_values();
  for (int i = 0; i < 256; ++i) input += std::string(static_cast<std::size_t>(i % 7 + 1), static_cast<char>(i));
  input += std::string(300, '\0');
  // Bytes that never travel bare: packet mark and ends, interrupts, escapes, flow control.
  const std::string never_bare("\x00\x01\x03\x0a\x0d\x10\x11\x13\x81\x8d\x91\x93\xff", 13);
  for (const Prefixing& p : {Prefixing{}, Prefixing{'#', '&', 0}, Prefixing{'#', 0, '~'}, Prefixing{'#', '&', '~'},
                             Prefixing{'#', 0, '~', true}}) {
    std::string encoded;
    ASSERT_EQ(encode_data(p, input, 1 << 20, encoded), input.size());
    for (unsigned char c : encoded) {
      if (p.bare_safe_controls) {
        EXPECT_EQ(never_bare.find(static_cast<char>(c)), std::string::npos) << "bare " << int(c);
      } else {
        EXPECT_FALSE((c & 0x7F) < 32 || (c & 0x7F) == 127) << "control character " << int(c) << " on the wire";
      }
      if (p.qbin) {
        EXPECT_LT(c, 0x80) << "8-bit character on a 7-bit session";
      }
    }
    std::string decoded;
    ASSERT_TRUE(decode_data(p, encoded, decoded));
    EXPECT_EQ(decoded, input);
  }
}

// Fields compared as tuples: maxl, time, eol, qbin, chkt, rept, window, maxlx of an offer; check
// type, repeat and 8th-bit prefixes, bare controls, attributes, data per packet, the peer's time of
// what is agreed.
auto offered(const InitParams& p) { return std::tuple(p.maxl, p.time, p.eol, p.qbin, p.chkt, p.rept, p.window, p.maxlx); }
auto agreed(const Session& s) {
  return std::tuple(s.check_type, s.prefixing.rept, s.prefixing.qbin, s.prefixing.bare_safe_controls, s.attributes,
                    s.max_data, s.peer_time);
}

TEST(KermitInit, ParsesThePeersOffersAndNegotiates) {
  const InitParams ck = parse_init("~/ @-#Y3~^>J)0___F\"U1A");
  EXPECT_EQ(offered(ck), std::tuple(94, 15, '\r', 'Y', '3', '~', 30, 3999));
  EXPECT_EQ(ck.capas & (kCapLongPackets | kCapAttributes | kCapWindows), kCapLongPackets | kCapAttributes | kCapWindows);
  // Both are 8-bit clean: no 8th-bit prefix.
  EXPECT_EQ(agreed(negotiate(our_offer(5), ck)), std::tuple(3, '~', '\0', true, true, 3999 - 9 - 3, 15));
  // Our offer read back, also with edge values: the shortest MAXL, a long-packet length below 95,
  // the most pads, a NUL end of line (taken as CR).
  EXPECT_EQ(offered(parse_init(encode_init(our_offer(5)))), std::tuple(94, 5, '\r', 'Y', '3', '~', 31, 9000));
  InitParams edge = our_offer(5);
  std::tie(edge.maxl, edge.maxlx, edge.npad, edge.eol) = std::tuple(10, 90, 64, '\0');
  const InitParams back = parse_init(encode_init(edge));
  EXPECT_EQ(std::tuple(back.maxl, back.maxlx, back.eol), std::tuple(10, 90, '\r'));
  EXPECT_EQ(negotiate(our_offer(5), back).framing.npad, 64);
  // Our reply to a minimal 7-bit peer that wants '&' and type 1.
  const InitParams old = parse_init("P* @-#&1");
  const InitParams reply = reply_to(old, 5);
  EXPECT_EQ(std::tuple(reply.qbin, reply.chkt, reply.rept), std::tuple('&', '1', ' '));
  EXPECT_EQ(agreed(negotiate(reply, old)), std::tuple(1, '\0', '&', false, false, 48 - 2 - 1, 10));
  // C-Kermit's "force-3" is the CRC, agreed.
  const InitParams forced = parse_init("~/ @-#Y5");
  EXPECT_EQ(negotiate(reply_to(forced, 5), forced).check_type, 3);
  // Missing fields take the protocol's defaults.
  const InitParams bare = parse_init("");
  EXPECT_EQ(offered(bare), std::tuple(80, 5, '\r', ' ', '1', ' ', 1, 500));
  EXPECT_EQ(std::tuple(bare.qctl, bare.capas), std::tuple('#', 0));
  EXPECT_EQ(agreed(negotiate(our_offer(5), bare)), std::tuple(1, '\0', '\0', true, false, 80 - 2 - 1, 5));
}

TEST(KermitAttributes, LengthsGoExactAndInKilobytesAndAreReadBack) {
  EXPECT_EQ(encode_attributes(1024), "\"\"B81$1024!!1");
  EXPECT_EQ(encode_attributes(1025), "\"\"B81$1025!!2");  // kilobytes rounded up
  // Read back: the exact length, also of an empty file and after an empty attribute; else the kilobytes.
  for (const auto& [field, bytes] : {std::pair<std::string, long>{encode_attributes(0), 0}, {"# 1\"10", 10}, {"!!2", 2048}})
    EXPECT_EQ(parse_length(field).value_or(AnnouncedLength{-1}).bytes, bytes) << field;
}
