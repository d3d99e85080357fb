// Our sender against our receiver, every protocol: whole files, aborts, silent and stalled lines,
// files in the way and missing. A damaging line is the peers' and the protocol cores' tests.
#include <atomic>
#include <chrono>

#include "tests/contract/harness.h"

using namespace contract;
using testbed::read_file;
using testbed::read_for;

namespace {

const std::string kName = "Запись 7.amr";

class OursToOurs : public testing::TestWithParam<Row> {};

}  // namespace

TEST_P(OursToOurs, DeliversTheExactFileWithMonotoneProgress) {
  const Row& row = GetParam();
  auto files = every_file(row);
  files.push_back({"ends_in_subs", "data\x1a\x1a"});
  for (const auto& [label, bytes] : files) {
    SCOPED_TRACE(label);
    Line line;
    auto from = End::sender(kName, bytes);
    auto to = End::receiver(kName);
    transfer(row, line, *from, *to);
    const long size = static_cast<long>(bytes.size());
    EXPECT_EQ(from->result, SIOFT_OK);
    EXPECT_EQ(to->result, row.received_result());
    EXPECT_TRUE(to->holds(row, kName, bytes));
    if (row.batch()) { EXPECT_EQ(to->job.stored_name, kName); }
    EXPECT_TRUE(from->monotone && to->monotone);
    EXPECT_EQ(from->done, size);
    EXPECT_EQ(from->total, size);
    EXPECT_EQ(to->done, static_cast<long>(as_received(row, bytes).size()));
    EXPECT_EQ(to->total, row.batch() ? size : 0);  // only a batch announces the length
  }
}

// Our abort ends both ends; the protocols tell the other end, and store nothing. ASCII tells
// nobody (its sender is told here that the receiver ended) and keeps what came.
TEST_P(OursToOurs, AbortFromEitherSideEndsBoth) {
  const Row& row = GetParam();
  const std::string bytes = random_bytes(100000, 5);
  for (bool receiver_aborts : {true, false}) {
    SCOPED_TRACE(receiver_aborts ? "receiver aborts" : "sender aborts");
    Line line(11520);  // slow enough that the abort lands early
    auto from = End::sender(kName, bytes);
    auto to = End::receiver(kName);
    std::atomic<bool> receiver_ended = false;
    (receiver_aborts ? to : from)->stop = [](long done) { return done > 0; };
    if (row.ascii() && receiver_aborts) from->stop = [&](long) { return receiver_ended.load(); };
    auto sending = in_background([&] { return from->run(row, true, line.ours()); });
    to->run(row, false, line.device_fd());
    receiver_ended = true;
    sending.get();
    EXPECT_EQ((receiver_aborts ? to : from)->result, SIOFT_ABORT);
    EXPECT_EQ((receiver_aborts ? from : to)->result, row.ascii() ? SIOFT_ABORT : SIOFT_CANABORT);
    if (row.ascii())
      EXPECT_LT(read_file(to->job.file).size(), bytes.size());
    else
      EXPECT_TRUE(to->stored().empty());
  }
}

// Each gives up on a silent line (its waits cut short here), reporting meanwhile. ASCII waits
// for the user until data comes, its quiet time notwithstanding, and stores an empty file.
TEST_P(OursToOurs, SilentPeerTimesOutReportingMeanwhile) {
  const Row& row = GetParam();
  for (bool send : {true, false}) {
    SCOPED_TRACE(send ? "send" : "receive");
    Line line;
    auto end = send ? End::sender(kName, "data") : End::receiver(kName);
    if (row.ascii()) {
      if (send) continue;  // the line takes it all
      const auto start = std::chrono::steady_clock::now();
      end->stop = [&](long) { return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(1200); };
      EXPECT_EQ(end->run(row, false, line.ours()), SIOFT_ABORT);
      EXPECT_EQ(read_file(end->job.file), "");
      continue;
    }
    EXPECT_EQ(end->run(send ? row.quick_send : row.quick_receive, line.ours()), SIOFT_TIMEOUT);
    EXPECT_GE(end->reports, 4);  // one at least every 100 ms
    if (!send) { EXPECT_TRUE(end->stored().empty()); }
  }
}

// A receiver that stops reading once data came: the line fills up, the sender's reports go on at
// the same count, and its abort ends it then and there.
TEST_P(OursToOurs, StalledLineStillReportsAndAborts) {
  const Row& row = GetParam();
  const std::string bytes = random_bytes(4 << 20, 6);
  Line line(1'000'000);  // a fast line, yet slow enough that the file cannot pass before the stop
  auto from = End::sender(kName, bytes);
  auto to = End::receiver(kName);
  long stalled_at = -1;
  int same = 0;
  from->stop = [&](long done) {
    same = done == stalled_at ? same + 1 : 0;
    stalled_at = done;
    return same >= 10;
  };
  auto sending = in_background([&] { return from->run(row, true, line.ours()); }).share();
  to->stop = [&](long done) { return done > 0 && (sending.wait(), true); };
  to->run(row, false, line.device_fd());
  EXPECT_EQ(sending.get(), SIOFT_ABORT);
  EXPECT_GT(stalled_at, 0);
  EXPECT_LT(stalled_at, static_cast<long>(bytes.size()));
  EXPECT_EQ(to->result, SIOFT_ABORT);
  if (!row.ascii()) { EXPECT_TRUE(to->stored().empty()); }
}

// A file in the way stays as it is (a batch receiver learns the name from the sender, and
// tells it); a sender without its file asks nothing of the line.
TEST_P(OursToOurs, ExistingFileStaysAndMissingSourceIsRefused) {
  const Row& row = GetParam();
  Line line;
  auto from = End::sender(kName, "new");
  auto to = End::receiver(kName);
  testbed::write_file(to->job.file, "old");
  if (row.batch()) {
    transfer(row, line, *from, *to);
    EXPECT_EQ(from->result, SIOFT_CANABORT);
  } else {
    to->run(row, false, line.device_fd());
    EXPECT_EQ(read_for(line.ours(), 1, 100), "");
  }
  EXPECT_EQ(to->result, SIOFT_FOPEN);
  EXPECT_EQ(to->stored(), std::vector<std::string>{kName});
  EXPECT_EQ(read_file(to->job.file), "old");

  from->job.file = from->folder.file("missing");
  EXPECT_EQ(from->run(row, true, line.ours()), SIOFT_FOPEN);
  EXPECT_EQ(read_for(line.device_fd(), 1, 100), "");
}

INSTANTIATE_TEST_SUITE_P(Protocols, OursToOurs, testing::ValuesIn(rows()), named<Row>);
