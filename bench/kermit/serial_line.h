// Two pty pairs joined by a relay: each end opens its device, and the relay carries the bytes
// between them at a serial line's byte rate (bit/s over 10 for 8N1), or as fast as it can.
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace bench {

class SerialLine {
 public:
  // bits_per_second 0: unpaced.
  explicit SerialLine(long bits_per_second);
  ~SerialLine();
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;

  // The device each end opens, and its open descriptor for an end in this process.
  const std::string& device(int end) const { return ends_[end].device; }
  int device_fd(int end) const { return ends_[end].slave; }

 private:
  struct End {
    int master = -1;
    int slave = -1;
    std::string device;
  };
  void carry(int from, int to);

  End ends_[2];
  long bytes_per_second_;
  std::atomic<bool> stop_{false};
  std::thread forward_, backward_;
};

}  // namespace bench
