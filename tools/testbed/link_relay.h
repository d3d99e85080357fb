// A line between two file descriptors (pty masters, sockets) run by two threads, one per
// direction: it can hold each direction to a line's byte rate and damage the bytes it carries
// (flipped bits, dropped bytes) from a seeded generator, so a faulty link repeats exactly.
#pragma once

#include <atomic>
#include <cstdint>
#include <random>
#include <vector>
#include <thread>

namespace testbed {

struct LinkFaults {
  std::uint32_t seed = 1;
  unsigned flip_one_in = 0;  // each byte has a bit flipped with chance 1/flip_one_in (0: never)
  unsigned drop_one_in = 0;  // each byte is lost with chance 1/drop_one_in (0: never)
};

class LinkRelay {
 public:
  // `bytes_per_second` 0 carries bytes as fast as they come. With `pass_hangup`, a side that
  // hangs up ends the line: once the bytes from it are delivered, the other side, when a socket,
  // is shut down, so that its reader sees the end instead of a silent line and its writes fail
  // (with SIGPIPE unless ignored).
  LinkRelay(int fd_a, int fd_b, long bytes_per_second = 0, LinkFaults faults = {}, bool pass_hangup = false);
  ~LinkRelay();
  LinkRelay(const LinkRelay&) = delete;
  LinkRelay& operator=(const LinkRelay&) = delete;

  // Bytes damaged or dropped so far, both directions together.
  unsigned long faults_made() const { return faults_made_; }

 private:
  void carry(int from, int to, std::uint32_t seed);
  void damage(const unsigned char* bytes, std::size_t n, std::mt19937& rng, std::vector<unsigned char>& out);

  long rate_;
  LinkFaults faults_;
  bool pass_hangup_;
  std::atomic<bool> stop_{false};
  std::atomic<unsigned long> faults_made_{0};
  std::thread a_to_b_;
  std::thread b_to_a_;
};

}  // namespace testbed
