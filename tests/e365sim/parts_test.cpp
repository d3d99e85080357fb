// The simulator's smaller parts: command lines, line faults, pacing, the memo folder, options.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "tools/testbed/temp_folder.h"
#include "tools/e365sim/command_line.h"
#include "tools/e365sim/line_faults.h"
#include "tools/e365sim/memo_store.h"
#include "tools/e365sim/options.h"
#include "tools/e365sim/pacing.h"

namespace e365sim {
namespace {

TEST(CommandLineReader, SplitsAtCarriageReturnsAndDropsARunawayLine) {
  CommandLineReader reader;
  std::string_view bytes = "AT";
  EXPECT_FALSE(reader.take(bytes));
  bytes = "Z\rAT+GMM\r\nAT+G";
  EXPECT_EQ(reader.take(bytes)->text, "ATZ");
  EXPECT_EQ(reader.take(bytes)->text, "AT+GMM");
  EXPECT_FALSE(reader.take(bytes));  // "\nAT+G" waits for its CR
  bytes = "MR\r";
  EXPECT_EQ(reader.take(bytes)->text, "\nAT+GMR");
  std::string_view nul("A\0T\r", 4);
  EXPECT_EQ(reader.take(nul)->text, std::string("A\0T", 3));

  const std::string flood(CommandLineReader::kMaxLine * 5, 'A');
  bytes = flood;
  EXPECT_FALSE(reader.take(bytes));
  bytes = "\rATZ\r";
  const auto runaway = reader.take(bytes);
  ASSERT_TRUE(runaway);
  EXPECT_TRUE(runaway->too_long);
  EXPECT_TRUE(runaway->text.empty());
  EXPECT_EQ(reader.take(bytes)->text, "ATZ");
  const std::string longest = std::string(CommandLineReader::kMaxLine, 'B') + "\r";
  bytes = longest;
  EXPECT_EQ(reader.take(bytes)->text, longest.substr(0, CommandLineReader::kMaxLine));

  bytes = "partial";
  reader.take(bytes);
  reader.reset();
  bytes = "ATZ\r";
  EXPECT_EQ(reader.take(bytes)->text, "ATZ");
}

TEST(LineFaults, CutsATransferAtTheFirstThresholdCountedFromItsStart) {
  LineFaultSettings settings;
  settings.cancel_after = 10;
  LineFaults cancelling(settings);
  cancelling.start_transfer();
  EXPECT_EQ(cancelling.pass("123456").cut, LineFaults::Cut::None);
  const auto second = cancelling.pass("789abcdef");
  EXPECT_EQ(second.bytes, "789a");
  EXPECT_EQ(second.cut, LineFaults::Cut::Cancel);
  cancelling.start_transfer();  // the next transfer counts afresh, and its threshold is reached
  EXPECT_EQ(cancelling.pass("0123456789").cut, LineFaults::Cut::Cancel);
  cancelling.start_transfer();
  EXPECT_EQ(cancelling.pass("012345678").cut, LineFaults::Cut::None);

  // The earlier threshold wins; at equal ones the hang-up does.
  for (long long hangup_after : {4, 10}) {
    settings.hangup_after = hangup_after;
    LineFaults hanging(settings);
    hanging.start_transfer();
    const auto hung = hanging.pass("0123456789abc");
    EXPECT_EQ(hung.bytes.size(), static_cast<std::size_t>(hangup_after));
    EXPECT_EQ(hung.cut, LineFaults::Cut::HangUp);
  }
  LineFaultSettings at_once;
  at_once.cancel_after = 0;
  LineFaults nothing(at_once);
  nothing.start_transfer();
  EXPECT_EQ(nothing.pass("abc").bytes, "");
}

TEST(LineFaults, NoiseFlipsSingleBitsAndDropsLoseBytesRepeatablyBySeed) {
  std::string clean;
  for (int i = 0; i < 20000; ++i) clean.push_back(static_cast<char>('a' + i % 26));
  LineFaultSettings settings;
  settings.noise = 0.05;
  settings.seed = 7;
  const std::string noisy = LineFaults(settings).pass(clean).bytes;
  ASSERT_EQ(noisy.size(), clean.size());
  int flipped = 0;
  for (std::size_t i = 0; i < clean.size(); ++i) {
    const unsigned diff = static_cast<unsigned char>(noisy[i] ^ clean[i]);
    flipped += diff != 0;
    EXPECT_EQ(diff & (diff - 1), 0u) << "more than one bit changed";
  }
  EXPECT_GT(flipped, 500);  // about 1000 expected
  EXPECT_LT(flipped, 1500);
  EXPECT_EQ(LineFaults(settings).pass(clean).bytes, noisy);

  // A fault limit keeps the line clean once that many bytes were damaged, across writes.
  const std::string uniform(20000, '\x55');
  settings.drop = 0.05;
  settings.fault_limit = 30;
  LineFaults bounded(settings);
  const std::string first = bounded.pass(uniform.substr(0, 200)).bytes;
  const std::string rest = bounded.pass(uniform.substr(200)).bytes;
  std::size_t damaged = uniform.size() - first.size() - rest.size();
  for (char c : first + rest) damaged += c != '\x55';
  EXPECT_EQ(damaged, 30u);

  LineFaultSettings dropping;
  dropping.drop = 0.1;
  const std::size_t kept = LineFaults(dropping).pass(clean).bytes.size();
  EXPECT_GT(kept, 17000u);  // about 18000 expected
  EXPECT_LT(kept, 19000u);
  EXPECT_EQ(LineFaults(LineFaultSettings{}).pass(clean).bytes, clean);
}

TEST(Pacer, SpacesChunksByTheLineSpeedWithoutCatchingUp) {
  EXPECT_EQ(Pacer::chunk_size(5760), 28u);
  EXPECT_EQ(Pacer::chunk_size(30), 1u);  // 300 bit/s
  using Clock = Pacer::Clock;
  Pacer pacer;
  const auto start = Clock::time_point{} + std::chrono::seconds(100);
  pacer.sent(576, 5760, start);
  EXPECT_EQ(pacer.next_start(), start + std::chrono::milliseconds(100));
  // A chunk sent a little late (an oversleep) still ends where the schedule says.
  pacer.sent(576, 5760, start + std::chrono::milliseconds(103));
  EXPECT_EQ(pacer.next_start(), start + std::chrono::milliseconds(200));
  // After an idle second the line is free at once, and the next chunk takes its own time only.
  const auto later = start + std::chrono::seconds(2);
  pacer.sent(5760, 5760, later);
  EXPECT_EQ(pacer.next_start(), later + std::chrono::seconds(1));
}

// The extras and a fresh look at every listing are the process tests' (the download's lists them).
TEST(MemoStore, ListsTheAmrFilesByNameWithoutExtension) {
  testbed::TempFolder folder;
  for (const char* name : {"b memo.amr", "a.amr", "notes.txt", ".amr", "upper.AMR"})
    testbed::write_file(folder.file(name), "12345");
  mkdir(folder.file("dir.amr").c_str(), 0700);
  const auto memos = MemoStore(folder.path(), {}).memos();
  ASSERT_EQ(memos.size(), 2u);
  EXPECT_EQ(memos[0].name, "a");
  EXPECT_EQ(memos[1].name, "b memo");
  EXPECT_EQ(memos[1].size, 5);
  EXPECT_EQ(memos[1].path, folder.file("b memo.amr"));
  EXPECT_TRUE(MemoStore(folder.path() + "/missing", {}).memos().empty());
}

TEST(Options, RefusesBadValues) {
  for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
           {"--port", "0"}, {"--port", "257"}, {"--port", "5x"}, {"--port"}, {"--noise", "1.5"}, {"--bogus"}}) {
    std::string error;
    EXPECT_FALSE(parse_options(bad, error)) << bad[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace e365sim
