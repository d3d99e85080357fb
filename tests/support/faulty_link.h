// A link between two file descriptors that damages what it carries: a thread copies bytes both
// ways and, from a seeded generator, flips single bits and drops bytes. Transfers over it must
// end with the exact file or with a failure, never with a wrong file reported as good.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace test_support {

struct LinkDamage {
  double flip_rate = 0;  // chance per byte of one flipped bit
  double drop_rate = 0;  // chance per byte of losing it
  std::uint32_t seed = 1;
  bool forward = true;   // damage what goes from `a` to `b`
  bool backward = true;  // and from `b` to `a`
};

class FaultyLink {
 public:
  FaultyLink(int a, int b, LinkDamage damage);
  ~FaultyLink();  // stops the thread; the descriptors stay open (the caller owns them)
  FaultyLink(const FaultyLink&) = delete;
  FaultyLink& operator=(const FaultyLink&) = delete;

  long flipped() const { return flipped_; }
  long dropped() const { return dropped_; }

 private:
  void run();

  int a_;
  int b_;
  LinkDamage damage_;
  std::atomic<bool> stop_{false};
  std::atomic<long> flipped_{0};
  std::atomic<long> dropped_{0};
  std::thread thread_;
};

}  // namespace test_support
