// What the transfer tests share: the files they send, short times for local lines, and ways to
// run our side of a transfer beside a peer.
#pragma once

#include <cstdint>
#include <future>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "sio/channel.h"
#include "sio/xmodem/xmodem.h"
#include "tests/support/child_process.h"
#include "tests/support/pty_pair.h"
#include "tests/support/temp_folder.h"

namespace xmodem_test {

inline std::string random_bytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& byte : bytes) byte = static_cast<char>(random() & 0xFF);
  return bytes;
}

inline std::string all_byte_values() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  return bytes;
}

// Runs `work` on a thread of its own; get() gives its result.
template <typename Work>
auto in_background(Work work) {
  return std::async(std::launch::async, std::move(work));
}

// Short times for tests over local lines, so that recovery and time-outs take moments.
inline sio::xmodem::ReceiverTiming quick_receiver() {
  return {.start_retry_ms = 100, .start_requests = 10, .block_wait_ms = 600, .byte_wait_ms = 200,
          .purge_quiet_ms = 50, .max_errors = 12};
}

inline sio::xmodem::SenderTiming quick_sender() {
  return {.start_wait_ms = 1000, .answer_wait_ms = 300, .block_resend_ms = 100, .resend_wait_ms = 400, .max_retries = 6,
          .final_wait_ms = 500};
}

// An lrzsz program on a fresh pty, run in a folder of its own that holds the file `name`.
struct LrzszPeer {
  test_support::TempFolder folder;
  test_support::PtyPair pty;
  std::unique_ptr<test_support::ChildProcess> program;

  LrzszPeer(const std::string& name, const std::string& bytes, const std::vector<std::string>& argv,
            const std::string& log = "/dev/null") {
    test_support::write_file(folder.file(name), bytes);
    program = std::make_unique<test_support::ChildProcess>(argv, pty.device_fd(), folder.path(), log);
  }
  int wait() { return program->wait(60000); }
};

}  // namespace xmodem_test
