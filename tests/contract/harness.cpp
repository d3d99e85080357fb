#include "tests/contract/harness.h"

#include <algorithm>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "sio/channel.h"

namespace contract {

using namespace testbed;

testing::AssertionResult same_bytes(const std::string& got, const std::string& want) {
  if (got == want) return testing::AssertionSuccess();
  auto differ = std::mismatch(got.begin(), got.end(), want.begin(), want.end());
  return testing::AssertionFailure() << "got " << got.size() << " bytes, want " << want.size()
                                     << ", first difference at " << differ.first - got.begin();
}

std::vector<TestFile> every_file(const Row& row) {
  std::string block = random_bytes(1024, 11) + "z";  // a 1K block and one byte more
  // A Kermit long packet of 3987 characters with the CRC: printable bytes fill it, one more spills.
  std::string printable;
  for (std::size_t i = 0; i < 3988; ++i) printable += static_cast<char>('A' + i % 26);
  std::vector<TestFile> files = {{"one_byte", "A"}, {"block", block}, {"packet", printable},
                                 {"every_byte_and_random", all_byte_values() + random_bytes(256 * 1024, 12) + "z"}};
  if (!row.ascii()) files.insert(files.begin(), {"empty", ""});
  return files;
}

TestFile mixed_file() { return {"mixed", all_byte_values() + random_bytes(64 * 1024, 9) + "z"}; }

Line::Line(long bytes_per_second, LinkFaults faults) {
  socketpair(AF_UNIX, SOCK_STREAM, 0, sockets_);
  relay_ = std::make_unique<LinkRelay>(pty_.peer(), sockets_[0], bytes_per_second, faults, true);
  // A socket would take far more of our output than a serial port's buffer: a paced line would
  // have it all gone at once.
  const int buffer = 4096;
  setsockopt(sockets_[1], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
  // Once the far side hangs up, our end's writes fail, as on a serial port, instead of killing us.
  signal(SIGPIPE, SIG_IGN);
}

Line::~Line() {
  relay_.reset();
  for (int fd : sockets_)
    if (fd >= 0) close(fd);
}

std::unique_ptr<End> End::sender(const std::string& name, const std::string& bytes) {
  auto end = std::make_unique<End>();
  end->job.file = end->folder.file(name);
  write_file(end->job.file, bytes);
  return end;
}

std::unique_ptr<End> End::receiver(const std::string& name) {
  auto end = std::make_unique<End>();
  end->job.file = end->folder.file(name);
  end->job.folder = end->folder.path();
  end->job.quiet_seconds = 1;
  return end;
}

int End::run(sio::TransferRunner runner, int fd) {
  sio::FdChannel channel(fd);
  return result = runner(channel, job, [this](long now_done, long now_total) {
    monotone = monotone && now_done >= done;
    done = now_done;
    total = now_total;
    ++reports;
    return stop && stop(now_done) ? -1 : 0;
  });
}

testing::AssertionResult End::holds(const Row& row, const std::string& name, const std::string& bytes) const {
  if (stored() != std::vector<std::string>{name}) return testing::AssertionFailure() << stored().size() << " files stored";
  return same_bytes(read_file(folder.file(name)), as_received(row, bytes));
}

void transfer(const Row& row, const Line& line, End& from, End& to) {
  auto sending = in_background([&] { return from.run(row, true, line.ours()); });
  to.run(row, false, line.device_fd());
  sending.get();
}

std::string as_received(const Row& row, const std::string& bytes) {
  if (!row.drops_trailing_subs()) return bytes;
  return bytes.substr(0, bytes.find_last_not_of('\x1a') + 1);
}

}  // namespace contract
