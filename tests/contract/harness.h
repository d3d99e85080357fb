// What the contract cases share: test files, the line between the two ends, and our ends of a
// transfer with their progress.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "tests/contract/table.h"
#include "tools/testbed/link_relay.h"
#include "tools/testbed/pty_pair.h"
#include "tools/testbed/temp_folder.h"
#include "tests/support/test_bytes.h"

namespace contract {

inline void PrintTo(const Row& row, std::ostream* out) { *out << test_name(row); }
inline void PrintTo(const PeerRow& row, std::ostream* out) { *out << test_name(row); }
// Names the instances of a test over rows.
template <typename T>
std::string named(const testing::TestParamInfo<T>& info) { return test_name(info.param); }

using test_support::all_byte_values;
using test_support::random_bytes;
using testbed::names_in;
// Names in a folder, sorted.
// Compares without printing megabytes.
testing::AssertionResult same_bytes(const std::string& got, const std::string& want);

// The files a transfer of the row's protocol is tried with (not the empty one with ASCII: its
// receive ends only on quiet after data); none ends in SUB, so XMODEM keeps them whole.
using TestFile = std::pair<std::string, std::string>;  // label, bytes
std::vector<TestFile> every_file(const Row& row);
TestFile mixed_file();

// The line between our end and the device side of a pty, where a peer runs (or our other end).
// Direct, or through a relay that paces and damages it and passes on the device side's hang-up.
class Line {
 public:
  Line() = default;
  explicit Line(long bytes_per_second, testbed::LinkFaults faults = {});
  ~Line();
  int ours() const { return relay_ ? sockets_[1] : pty_.peer(); }
  int device_fd() const { return pty_.device_fd(); }
  const std::string& device() const { return pty_.device(); }
  unsigned long faults_made() const { return relay_ ? relay_->faults_made() : 0; }
  // Once a peer holds the device: its end then hangs the line up.
  void close_device() { pty_.close_device(); }

 private:
  testbed::PtyPair pty_;
  int sockets_[2] = {-1, -1};  // the relay's end, ours
  std::unique_ptr<testbed::LinkRelay> relay_;
};

// One end of ours: the job, its folder and its progress.
struct End {
  testbed::TempFolder folder;
  sio::TransferJob job;
  int result = 1;
  // Its progress reports; `stop` (given what is done) makes a report abort.
  std::function<bool(long done)> stop;
  long done = -1;
  long total = -1;
  int reports = 0;
  bool monotone = true;

  // A sender of `bytes` as `name` in its folder; a receiver into its folder (as `name` when
  // the protocol carries no name).
  static std::unique_ptr<End> sender(const std::string& name, const std::string& bytes);
  static std::unique_ptr<End> receiver(const std::string& name);
  int run(sio::TransferRunner runner, int fd);
  int run(const Row& row, bool send, int fd) { return run(send ? row.protocol().send : row.protocol().receive, fd); }
  std::vector<std::string> stored() const { return names_in(folder.path()); }
  // Whether the receive stored `bytes` (as the row's protocol receives them) as `name`, and nothing else.
  testing::AssertionResult holds(const Row& row, const std::string& name, const std::string& bytes) const;
};

// Our sender on our end of the line, our receiver on the device side.
void transfer(const Row& row, const Line& line, End& from, End& to);

template <typename Work>
auto in_background(Work work) {
  return std::async(std::launch::async, std::move(work));
}

// What a receiver of the row's protocol holds after a whole transfer of `bytes`.
std::string as_received(const Row& row, const std::string& bytes);

}  // namespace contract
