// The simulator's smaller parts: command lines, line faults, pacing, the memo folder, options.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "tests/support/temp_folder.h"
#include "tools/e365sim/command_line.h"
#include "tools/e365sim/line_faults.h"
#include "tools/e365sim/memo_store.h"
#include "tools/e365sim/options.h"
#include "tools/e365sim/pacing.h"

namespace e365sim {
namespace {

TEST(CommandLineReader, SplitsAtCarriageReturnsAndLeavesTheRest) {
  CommandLineReader reader;
  std::string_view bytes = "AT";
  EXPECT_FALSE(reader.take(bytes));
  EXPECT_TRUE(bytes.empty());
  bytes = "Z\rAT+GMM\r\nAT+G";
  auto first = reader.take(bytes);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->text, "ATZ");
  EXPECT_EQ(bytes, "AT+GMM\r\nAT+G");
  auto second = reader.take(bytes);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->text, "AT+GMM");
  EXPECT_FALSE(reader.take(bytes));  // "\nAT+G" waits for its CR
  bytes = "MR\r";
  EXPECT_EQ(reader.take(bytes)->text, "\nAT+GMR");

  std::string_view nul("A\0T\r", 4);
  EXPECT_EQ(reader.take(nul)->text, std::string("A\0T", 3));

  bytes = "partial";
  reader.take(bytes);
  reader.reset();
  bytes = "ATZ\r";
  EXPECT_EQ(reader.take(bytes)->text, "ATZ");
}

TEST(CommandLineReader, DropsARunawayLineAndRecoversAtItsEnd) {
  CommandLineReader reader;
  std::string flood(CommandLineReader::kMaxLine * 5, 'A');
  std::string_view bytes = flood;
  EXPECT_FALSE(reader.take(bytes));
  bytes = "\rATZ\r";
  auto runaway = reader.take(bytes);
  ASSERT_TRUE(runaway);
  EXPECT_TRUE(runaway->too_long);
  EXPECT_TRUE(runaway->text.empty());
  auto next = reader.take(bytes);
  ASSERT_TRUE(next);
  EXPECT_FALSE(next->too_long);
  EXPECT_EQ(next->text, "ATZ");

  std::string longest(CommandLineReader::kMaxLine, 'B');
  std::string line = longest + "\r";
  bytes = line;
  EXPECT_EQ(reader.take(bytes)->text, longest);
}

// What the first write of a new transfer gives.
LineFaults::Passed first_write(const LineFaultSettings& settings, std::string_view bytes) {
  LineFaults faults(settings);
  faults.start_transfer();
  return faults.pass(bytes);
}

TEST(LineFaults, CutsATransferAtTheFirstThresholdCountedFromItsStart) {
  LineFaultSettings settings;
  settings.cancel_after = 10;
  LineFaults cancelling(settings);
  cancelling.start_transfer();
  auto first = cancelling.pass("123456");
  EXPECT_EQ(first.bytes, "123456");
  EXPECT_EQ(first.cut, LineFaults::Cut::None);
  auto second = cancelling.pass("789abcdef");
  EXPECT_EQ(second.bytes, "789a");
  EXPECT_EQ(second.cut, LineFaults::Cut::Cancel);
  // The next transfer counts afresh.
  cancelling.start_transfer();
  EXPECT_EQ(cancelling.pass("0123456789").cut, LineFaults::Cut::Cancel);
  cancelling.start_transfer();
  EXPECT_EQ(cancelling.pass("012345678").cut, LineFaults::Cut::None);

  settings.hangup_after = 4;
  auto hung = first_write(settings, "0123456789abc");
  EXPECT_EQ(hung.bytes, "0123");
  EXPECT_EQ(hung.cut, LineFaults::Cut::HangUp);

  settings.hangup_after = 10;
  EXPECT_EQ(first_write(settings, "0123456789abc").cut, LineFaults::Cut::HangUp);

  LineFaultSettings at_once;
  at_once.cancel_after = 0;
  auto none = first_write(at_once, "abc");
  EXPECT_TRUE(none.bytes.empty());
  EXPECT_EQ(none.cut, LineFaults::Cut::Cancel);
}

TEST(LineFaults, NoiseFlipsSingleBitsAndDropsLoseBytesRepeatablyBySeed) {
  const std::string clean(20000, '\x55');
  LineFaultSettings settings;
  settings.noise = 0.05;
  settings.seed = 7;
  LineFaults noisy(settings);
  std::string out = noisy.pass(clean).bytes;
  ASSERT_EQ(out.size(), clean.size());
  int flipped = 0;
  for (char c : out) {
    unsigned diff = static_cast<unsigned char>(c ^ '\x55');
    if (diff == 0) continue;
    ++flipped;
    EXPECT_EQ(diff & (diff - 1), 0u) << "more than one bit changed";
  }
  EXPECT_GT(flipped, 500);   // about 1000 expected
  EXPECT_LT(flipped, 1500);
  EXPECT_EQ(LineFaults(settings).pass(clean).bytes, out);
  settings.seed = 8;
  EXPECT_NE(LineFaults(settings).pass(clean).bytes, out);

  // A fault limit keeps the line clean once that many bytes were damaged, across writes.
  LineFaultSettings limited = settings;
  limited.drop = 0.05;
  limited.fault_limit = 30;
  LineFaults bounded(limited);
  std::string first = bounded.pass(clean.substr(0, 200)).bytes;
  std::string rest = bounded.pass(clean.substr(200)).bytes;
  std::size_t damaged = clean.size() - first.size() - rest.size();
  for (char c : first + rest) damaged += c != '\x55';
  EXPECT_EQ(damaged, 30u);
  EXPECT_EQ(rest.substr(rest.size() - 10000), clean.substr(0, 10000));

  LineFaultSettings dropping;
  dropping.drop = 0.1;
  std::string counted;
  for (int i = 0; i < 20000; ++i) counted.push_back(static_cast<char>('a' + i % 26));
  std::string kept = LineFaults(dropping).pass(counted).bytes;
  EXPECT_GT(kept.size(), 17000u);  // about 18000 expected
  EXPECT_LT(kept.size(), 19000u);
  // What is left keeps its order: each byte is a later letter of the original run.
  std::size_t at = 0;
  for (char c : kept) {
    while (at < counted.size() && counted[at] != c) ++at;
    ASSERT_LT(at, counted.size());
    ++at;
  }

  EXPECT_EQ(LineFaults(LineFaultSettings{}).pass(counted).bytes, counted);
}

TEST(Pacer, SpacesChunksByTheLineSpeedWithoutCatchingUp) {
  EXPECT_EQ(Pacer::bytes_per_second(57600), 5760);
  EXPECT_EQ(Pacer::chunk_size(5760), 28u);
  EXPECT_EQ(Pacer::chunk_size(30), 1u);  // 300 bit/s
  using Clock = Pacer::Clock;
  Pacer pacer;
  const auto start = Clock::time_point{} + std::chrono::seconds(100);
  pacer.sent(576, 5760, start);
  EXPECT_EQ(pacer.next_start(), start + std::chrono::milliseconds(100));
  pacer.sent(576, 5760, start + std::chrono::milliseconds(100));
  EXPECT_EQ(pacer.next_start(), start + std::chrono::milliseconds(200));
  // A chunk sent a little late (an oversleep) still ends where the schedule says.
  pacer.sent(576, 5760, start + std::chrono::milliseconds(203));
  EXPECT_EQ(pacer.next_start(), start + std::chrono::milliseconds(300));
  // After an idle second the line is free at once, and the next chunk takes its own time only.
  const auto later = start + std::chrono::seconds(2);
  pacer.sent(5760, 5760, later);
  EXPECT_EQ(pacer.next_start(), later + std::chrono::seconds(1));
}

TEST(MemoStore, ListsTheAmrFilesByNameWithoutExtensionThenTheExtras) {
  test_support::TempFolder folder;
  test_support::write_file(folder.file("b memo.amr"), "12345");
  test_support::write_file(folder.file("\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0.amr"), "#!AMR\n");
  test_support::write_file(folder.file("a.amr"), "");
  test_support::write_file(folder.file("notes.txt"), "x");
  test_support::write_file(folder.file(".amr"), "x");
  test_support::write_file(folder.file("upper.AMR"), "x");
  mkdir(folder.file("dir.amr").c_str(), 0700);

  MemoStore store(folder.path(), {{"../x", "/extra", 56}});
  auto memos = store.memos();
  ASSERT_EQ(memos.size(), 4u);
  EXPECT_EQ(memos[0].name, "a");
  EXPECT_EQ(memos[0].size, 0);
  EXPECT_EQ(memos[1].name, "b memo");
  EXPECT_EQ(memos[1].size, 5);
  EXPECT_EQ(memos[1].path, folder.file("b memo.amr"));
  EXPECT_EQ(memos[2].name, "\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0");
  EXPECT_EQ(memos[3].name, "../x");
  EXPECT_EQ(memos[3].path, "/extra");

  // The folder is read at every look.
  test_support::write_file(folder.file("c.amr"), "1");
  EXPECT_EQ(store.memos().size(), 5u);
  EXPECT_EQ(MemoStore(folder.path() + "/missing", {}).memos().size(), 0u);
}

TEST(Options, ParsesEveryOptionAndRefusesBadValues) {
  std::string error;
  auto options = parse_options({"--port", "7", "--folder", "/f", "--memos", "/m", "--no-pacing", "--model", "V300",
                                "--error-on", "AT+GMR", "--error-on", "ATZ", "--silent-get", "--cancel-after", "100",
                                "--hangup-after", "200", "--noise", "0.01", "--drop", "0.5", "--seed", "42",
                                "--fault-limit", "9", "--extra-memo", "../x", "--extra-memo", "a/b", "--announce", "other"},
                               error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->port, 7);
  EXPECT_EQ(options->folder, "/f");
  EXPECT_EQ(options->memos, "/m");
  EXPECT_FALSE(options->pacing);
  EXPECT_EQ(options->dialogue.model, "V300");
  EXPECT_EQ(options->dialogue.error_commands, (std::vector<std::string>{"AT+GMR", "ATZ"}));
  EXPECT_TRUE(options->dialogue.silent_get);
  EXPECT_EQ(options->faults.cancel_after, 100);
  EXPECT_EQ(options->faults.hangup_after, 200);
  EXPECT_DOUBLE_EQ(options->faults.noise, 0.01);
  EXPECT_DOUBLE_EQ(options->faults.drop, 0.5);
  EXPECT_EQ(options->faults.seed, 42u);
  EXPECT_EQ(options->faults.fault_limit, 9);
  EXPECT_EQ(options->extra_memos, (std::vector<std::string>{"../x", "a/b"}));
  EXPECT_EQ(options->dialogue.announce_as, "other");

  auto defaults = parse_options({}, error);
  ASSERT_TRUE(defaults);
  EXPECT_EQ(defaults->port, 5);
  EXPECT_TRUE(defaults->pacing);
  EXPECT_EQ(defaults->dialogue.model, "E365");

  for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
           {"--port", "0"}, {"--port", "257"}, {"--port", "5x"}, {"--port"}, {"--noise", "1.5"}, {"--drop", "-0.1"},
           {"--cancel-after", "-1"}, {"--seed", "x"}, {"--fault-limit", "-2"}, {"--extra-memo", ""}, {"--bogus"}}) {
    error.clear();
    EXPECT_FALSE(parse_options(bad, error)) << bad[0];
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace e365sim
