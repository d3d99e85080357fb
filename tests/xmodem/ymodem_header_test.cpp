// The YMODEM header block: the name and length a sender announces, and what a receiver refuses.
#include <gtest/gtest.h>
#include <string>

#include "sio/xmodem/block.h"
#include "sio/xmodem/ymodem_header.h"
#include "tests/protocol_rig.h"

using namespace sio::xmodem;
using protocol_rig::Bytes;

namespace {

Bytes bytes_of(const std::string& text) { return protocol_rig::bytes(text); }

}  // namespace

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
