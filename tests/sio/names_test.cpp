#include <gtest/gtest.h>
#include <vector>

#include "sio/crc.h"
#include "sio/incoming_file.h"
#include "sio/names.h"
#include "sio/outgoing_file.h"
#include "sio/sio.h"
#include "tools/testbed/temp_folder.h"

using namespace testbed;

// What the contract's announced names do not show: letters, backslashes and control bytes
// other than a line break, and the exact length limit.
TEST(StoredName, KeepsTheLastComponentAndRefusesWhatCouldEscape) {
  EXPECT_EQ(sio::stored_name_for("Запись 1"), "Запись 1");
  EXPECT_EQ(sio::stored_name_for("a\\b"), "a\\b");
  for (const std::string& bad : {std::string(), std::string("a/.."), std::string("nul\0x", 5), std::string("del\x7f"),
                                 std::string(256, 'n')})
    EXPECT_FALSE(sio::stored_name_for(bad)) << bad;
}

TEST(Crc, KnownVectors) {
  const std::string check = "123456789";
  auto data = reinterpret_cast<const std::uint8_t*>(check.data());
  EXPECT_EQ(sio::crc16_xmodem(data, check.size()), 0x31C3);
  EXPECT_EQ(sio::crc32_ieee(data, check.size()), 0xCBF43926u);
  // Long runs are folded in eight bytes at a time: any start, length and split gives the same
  // CRC-32 (values from Python's zlib).
  std::vector<std::uint8_t> ramp(1024);
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(sio::crc32_ieee(ramp.data(), ramp.size()), 0xB70B4C26u);
  EXPECT_EQ(sio::crc32_ieee(ramp.data() + 3, 997), 0xA50E6B7Du);
  for (std::size_t split = 0; split <= 40; ++split) {
    std::uint32_t crc = sio::crc32_update(ramp.data() + 3, split, 0xFFFFFFFFu);
    EXPECT_EQ(~sio::crc32_update(ramp.data() + 3 + split, 997 - split, crc), 0xA50E6B7Du) << split;
  }
}

TEST(IncomingFile, AppearsCompleteOrNotAtAll) {
  TempFolder folder;
  const std::size_t descriptors = open_descriptors();
  const std::string target = folder.file("memo");
  {
    sio::IncomingFile file;
    ASSERT_EQ(file.open(target), 0);
    ASSERT_EQ(file.write(reinterpret_cast<const std::uint8_t*>("abcd"), 4), 0);
    EXPECT_FALSE(file_exists(target));
    EXPECT_EQ(file.size(), 4);
    ASSERT_EQ(file.commit(), 0);
  }
  EXPECT_EQ(read_file(target), "abcd");

  {  // never replaces, and names the file in the way
    sio::IncomingFile file;
    EXPECT_EQ(file.open(target), SIOFT_FOPEN);
    EXPECT_EQ(sio::last_blocking_path(), target);
    ASSERT_EQ(file.open(folder.file("other")), 0);
    write_file(folder.file("other"), "someone else's");
    ASSERT_EQ(file.write(reinterpret_cast<const std::uint8_t*>("x"), 1), 0);
    EXPECT_EQ(file.commit(), SIOFT_FOPEN);
    EXPECT_EQ(sio::last_blocking_path(), folder.file("other"));
  }
  EXPECT_EQ(read_file(folder.file("other")), "someone else's");

  {  // abandoned: nothing left behind
    sio::IncomingFile file;
    ASSERT_EQ(file.open(folder.file("partial")), 0);
    ASSERT_EQ(file.write(reinterpret_cast<const std::uint8_t*>("x"), 1), 0);
  }
  EXPECT_EQ(entries_in(folder.path()), 2u);
  EXPECT_EQ(sio::IncomingFile().open(folder.file("no-such-dir/x")), SIOFT_FOPEN);
  EXPECT_EQ(sio::OutgoingFile().open(target, ""), 0);  // read for sending
  EXPECT_EQ(open_descriptors(), descriptors);           // every file here closed again
  sio::OutgoingFile unreadable;  // a regular file whose first page is never mapped: EIO
  ASSERT_EQ(unreadable.open("/proc/self/mem"), 0);
  std::span<const std::uint8_t> got;
  EXPECT_EQ(unreadable.read(10, got), SIOFT_WIN32FAIL);
}
