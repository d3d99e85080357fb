// What a batch receiver does with the names senders announce, and the sio_Ft* operations on a
// port: the name buffer, and a port closed from inside the callback.
#include <atomic>
#include <cstring>
#include <filesystem>

#include "tests/contract/harness.h"

using namespace contract;
using testbed::read_file;
using testbed::TempFolder;

namespace {

// Announced, stored (empty: refused); the name rules themselves are the library's own test.
const std::pair<std::string, std::string> kAnnounced[] = {
    {"../x", "x"}, {"a/b/x", "x"}, {std::string(255, 'n'), std::string(255, 'n')},  // the longest name a folder takes
    {"bad\nname", ""}, {"dir/", ""}, {std::string(261, 'n'), ""},  // longer than the name buffer
};

class BatchReceive : public testing::TestWithParam<Row> {};
class ThroughPort : public testing::TestWithParam<Row> {};

// The sio_Ft* callbacks are plain functions: what they see and do goes through these.
constexpr int kPort = 9;
char g_names[SIO_NAME_BUFFER];
std::string g_seen_during;  // the name buffer while data came
int keep_name(long done, int, int, long) {
  if (done > 0) g_seen_during = g_names;
  return 0;
}
int close_port(long done, int, int, long) {
  if (done > 0) sio_close(kPort);
  return 0;
}

// A receive through the port: into the program folder under the sender's name, or as `file`.
int receive_on_port(const Row& row, const std::string& file, sio_callback callback) {
  char* names[] = {g_names};
  return row.batch() ? row.ft_receive_batch(kPort, names, 1, callback, 27)
                     : row.ft_receive(kPort, file.c_str(), callback, 27);
}

}  // namespace

// The sender's path never leads out of the folder: the last component is stored, or the file refused.
TEST_P(BatchReceive, AnnouncedNamesStayInTheFolder) {
  const Row& row = GetParam();
  for (const auto& [announced, stored] : kAnnounced) {
    SCOPED_TRACE(announced);
    TempFolder root;
    std::filesystem::create_directories(root.file("in/deeper"));
    auto from = End::sender("x", "data");
    from->job.announced = announced;
    auto to = End::receiver("unused");
    to->job.folder = root.file("in/deeper");
    Line line;
    transfer(row, line, *from, *to);
    EXPECT_EQ(names_in(root.path()), std::vector<std::string>{"in"});
    EXPECT_EQ(names_in(root.file("in")), std::vector<std::string>{"deeper"});
    if (stored.empty()) {
      EXPECT_LT(to->result, 0);
      EXPECT_EQ(to->job.stored_name, "");
      EXPECT_TRUE(names_in(to->job.folder).empty());
    } else {
      EXPECT_EQ(to->result, SIOFT_OK);
      EXPECT_EQ(to->job.stored_name, stored);
      EXPECT_EQ(read_file(root.file("in/deeper/" + stored)), "data");
    }
  }
}

// A batch's name buffer shows the name while the data comes; a port closed by the callback
// ends either direction with -1 and nothing stored.
TEST_P(ThroughPort, FillsTheNameBufferAndSurvivesAClosedPort) {
  const Row& row = GetParam();
  testbed::ScopedProgramFolder program;
  const std::string bytes = random_bytes(40000, 9) + "z";
  {
    Line line;
    program.link_port(kPort, line.device());
    ASSERT_EQ(sio_open(kPort), SIO_OK);
    auto from = End::sender("memo.amr", bytes);
    auto sending = in_background([&] { return from->run(row, true, line.ours()); });
    std::strcpy(g_names, "stale");
    g_seen_during.clear();
    EXPECT_EQ(receive_on_port(row, program.file("memo.amr"), keep_name), row.received_result());
    EXPECT_EQ(sending.get(), SIOFT_OK);
    EXPECT_TRUE(same_bytes(read_file(program.file("memo.amr")), bytes));
    if (row.batch()) {
      EXPECT_STREQ(g_names, "memo.amr");
      EXPECT_EQ(g_seen_during, "memo.amr");
      EXPECT_EQ(row.ft_receive_batch(kPort, nullptr, 1, keep_name, 27), SIOFT_FOPEN);
    }
    sio_close(kPort);
  }
  for (bool send : {false, true}) {
    SCOPED_TRACE(send ? "send" : "receive");
    Line line(1'000'000);  // a fast line, yet slow enough that the file cannot pass before the close
    program.link_port(kPort, line.device());
    ASSERT_EQ(sio_open(kPort), SIO_OK);
    const std::string big = random_bytes(4 << 20, 10);
    auto ours = send ? End::receiver("big.bin") : End::sender("big.bin", big);
    auto source = End::sender("big.bin", big);
    std::atomic<bool> port_done = false;
    ours->stop = [&](long) { return port_done.load(); };  // an ASCII sender would never learn
    auto far_end = in_background([&] { return ours->run(row, !send, line.ours()); });
    const std::string received = program.file("big.bin");
    const int result = send ? row.ft_send(kPort, source->job.file.c_str(), close_port, 27)
                            : receive_on_port(row, received, close_port);
    port_done = true;
    line.close_device();  // the far end sees the line go
    EXPECT_EQ(result, SIOFT_BADPORT);
    const int far_result = far_end.get();
    if (!row.ascii()) { EXPECT_LT(far_result, 0); }  // an ASCII sender may be through before the close
    EXPECT_FALSE(testbed::file_exists(received));
    if (send && !row.ascii()) { EXPECT_TRUE(ours->stored().empty()); }  // ASCII keeps what came
  }
}

INSTANTIATE_TEST_SUITE_P(Protocols, BatchReceive,
                         testing::ValuesIn(where(rows(), [](const Row& row) { return row.batch(); })), named<Row>);
INSTANTIATE_TEST_SUITE_P(Protocols, ThroughPort, testing::ValuesIn(rows()), named<Row>);
