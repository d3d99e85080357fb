// The block core without I/O: encoding, and decoding fed one byte at a time.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "sio/sio.h"
#include "sio/xmodem/block.h"
#include "sio/xmodem/file_assembler.h"
#include "sio/xmodem/sender_core.h"
#include "sio/xmodem/ymodem_header.h"
#include "tests/protocol_rig.h"

using namespace sio::xmodem;
using protocol_rig::Bytes;
using Result = BlockDecoder::Result;
using Results = std::vector<Result>;

namespace {

Bytes bytes_of(const std::string& text) { return protocol_rig::bytes(text); }

// Feeds every byte and returns the result of each one that was not Pending.
Results feed_all(BlockDecoder& decoder, const Bytes& bytes) {
  Results results;
  for (auto byte : bytes)
    if (auto result = decoder.feed(byte); result != Result::Pending) results.push_back(result);
  return results;
}

}  // namespace

TEST(XmodemBlock, EncodesHeaderPaddingAndBothChecks) {
  Bytes a = {0x01, 1, 0xFE, 'A'};  // SOH, the number and its complement, then "A" and 127 SUBs
  a.resize(131, 0x1A);
  auto with = [&](Bytes check) {
    check.insert(check.begin(), a.begin(), a.end());
    return check;
  };
  EXPECT_EQ(encode_block(1, bytes_of("A"), kShortBlock, Check::Crc), with({0xF2, 0xDD}));  // CRC-16/XMODEM
  EXPECT_EQ(encode_block(1, bytes_of("A"), kShortBlock, Check::Sum), with({0x27}));  // (0x41 + 127 * 0x1A) mod 256
  Bytes empty_header = {0x01, 0, 0xFF};
  empty_header.resize(133, 0);  // zero padding, and its CRC is zero
  EXPECT_EQ(encode_block(0, {}, kShortBlock, Check::Crc, 0), empty_header);

  auto long_block = encode_block(255, Bytes(1024, 7), kLongBlock, Check::Crc);
  ASSERT_EQ(long_block.size(), 1029u);
  EXPECT_EQ(Bytes(long_block.begin(), long_block.begin() + 4), (Bytes{0x02, 255, 0x00, 7}));
}

TEST(XmodemBlock, DecodesWhatWasEncodedAndRejectsDamageAnywhere) {
  for (auto check : {Check::Sum, Check::Crc}) {
    for (auto size : {kShortBlock, kLongBlock}) {
      Bytes payload(size);
      for (std::size_t i = 0; i < size; ++i) payload[i] = static_cast<std::uint8_t>(i * 7 + 3);
      const auto good = encode_block(42, payload, size, check);
      BlockDecoder decoder(check);
      ASSERT_EQ(feed_all(decoder, good), Results{Result::Block});
      EXPECT_EQ(decoder.number(), 42);
      EXPECT_EQ(Bytes(decoder.data().begin(), decoder.data().end()), payload);
      EXPECT_FALSE(decoder.in_block());
      for (std::size_t at : {std::size_t{10}, good.size() - 1}) {  // data, check byte
        auto bad = good;
        bad[at] ^= 0x10;
        EXPECT_EQ(feed_all(decoder, bad), Results{Result::BadBlock}) << at;
      }
    }
  }
  // A wrong complement is reported at once, without waiting for the rest of the block.
  BlockDecoder decoder;
  EXPECT_EQ(feed_all(decoder, {SOH, 3, 0x00}), Results{Result::BadBlock});
  EXPECT_FALSE(decoder.in_block());
}

TEST(XmodemBlock, BetweenBlocksKnowsEotCancelAndNoise) {
  BlockDecoder decoder;
  EXPECT_EQ(feed_all(decoder, {'x', EOT, CAN, 'y', CAN, CAN}),
            (Results{Result::Noise, Result::Eot, Result::Noise, Result::Cancel}));
  // Inside a block every byte is data, CANs and EOTs included.
  Bytes payload(kShortBlock, CAN);
  payload[5] = EOT;
  EXPECT_EQ(feed_all(decoder, encode_block(1, payload, kShortBlock, Check::Crc)), Results{Result::Block});
  // A block cut short and forgotten leaves the decoder ready for the next one.
  auto block = encode_block(2, bytes_of("cut"), kShortBlock, Check::Crc);
  feed_all(decoder, {block.begin(), block.begin() + 50});
  EXPECT_TRUE(decoder.in_block());
  decoder.reset();
  EXPECT_EQ(feed_all(decoder, block), Results{Result::Block});
}

TEST(YmodemHeader, ParsesNameAndLength) {
  auto block = encode_block(0, ymodem_header_bytes("запись.amr", 123456, 0123), kShortBlock, Check::Crc, 0);
  auto header = parse_ymodem_header({block.data() + 3, kShortBlock});
  ASSERT_TRUE(header);
  EXPECT_EQ(header->name, "запись.amr");
  EXPECT_EQ(header->length, 123456);
  EXPECT_EQ(ymodem_header_bytes("a", 5, 8), bytes_of(std::string("a\0" "5 10\0", 7)));  // the time in octal

  auto no_length = bytes_of(std::string("name\0\0", 6));
  EXPECT_EQ(parse_ymodem_header(no_length)->length, -1);
  EXPECT_FALSE(parse_ymodem_header(bytes_of("no terminating zero")));
  EXPECT_FALSE(parse_ymodem_header(bytes_of(std::string("n\0" "99999999999999999999999", 25))));
}

// Padding the file's end is the contract suite's; an announced length that the blocks never
// reach is a failure.
TEST(XmodemFileAssembler, AnAnnouncedLengthCutsThePaddingAndMustBeReached) {
  protocol_rig::MemorySink file;
  FileAssembler exact(&file, 130);
  exact.add(bytes_of(std::string(128, '\x1a')));  // SUBs inside the file stay
  EXPECT_EQ(exact.finish(), SIOFT_PROTOCOL);
  exact.add(bytes_of("xy" + std::string(126, '\x1a')));
  EXPECT_EQ(exact.finish(), 0);
  EXPECT_EQ(file.data, std::string(128, '\x1a') + "xy");
}
