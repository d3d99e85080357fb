// Kermit throughput: our send and our receive against C-Kermit, and C-Kermit against itself
// as the reference, over a pty line paced to a serial line's byte rate (8N1: bit/s over 10)
// and unpaced. Prints one table; the transferred files are checked byte for byte.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "bench/kermit/peer.h"
#include "bench/kermit/serial_line.h"
#include "sio/channel.h"
#include "sio/transfers.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPeerTimeoutMs = 600000;

class Folder {
 public:
  Folder() {
    std::string pattern = "/tmp/bench-kermit-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~Folder() { std::filesystem::remove_all(path_); }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Run {
  double seconds = 0;
  bool ok = false;
};

enum class Who { OursSend, OursReceive, Reference };

Run transfer(Who who, long bps, const std::string& data) {
  Folder from, to;
  const std::string name = "bench.bin";
  std::ofstream(from.file(name), std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
  bench::SerialLine line(bps);
  const auto start = Clock::now();
  bool ok = true;
  if (who == Who::Reference) {
    bench::CKermit receiver(line.device(1), to.path(), false);
    bench::CKermit sender(line.device(0), from.path(), true, name);
    ok = sender.wait(kPeerTimeoutMs) == 0 && receiver.wait(kPeerTimeoutMs) == 0;
  } else if (who == Who::OursSend) {
    bench::CKermit receiver(line.device(1), to.path(), false);
    sio::FdChannel channel(line.device_fd(0));
    ok = sio::kermit_send(channel, from.file(name), nullptr) == 0;
    ok = receiver.wait(kPeerTimeoutMs) == 0 && ok;
  } else {
    bench::CKermit sender(line.device(1), from.path(), true, name);
    sio::FdChannel channel(line.device_fd(0));
    std::string stored;
    ok = sio::kermit_receive(channel, to.path(), stored, nullptr) == 0;
    ok = sender.wait(kPeerTimeoutMs) == 0 && ok;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  ok = ok && read_file(to.file(name)) == data;
  return {seconds, ok};
}

std::string random_bytes(std::size_t n) {
  std::mt19937 gen(1);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

// Paced: the share of the line's byte rate that became file bytes. Unpaced: MB/s.
double figure(long bps, std::size_t bytes, double seconds) {
  const double rate = static_cast<double>(bytes) / seconds;
  return bps ? 100.0 * rate / (static_cast<double>(bps) / 10.0) : rate / 1e6;
}

void row(const char* name, long bps, std::size_t bytes, const Run& ours, const Run& ref) {
  const double a = figure(bps, bytes, ours.seconds), b = figure(bps, bytes, ref.seconds);
  const char* unit = bps ? "%" : " MB/s";
  std::printf("%-34s %8.2f s %8.2f%-5s %8.2f s %8.2f%-5s %6.2f %s\n", name, ours.seconds, a, unit, ref.seconds, b, unit,
              a / b, ours.ok && ref.ok ? "" : "(FAILED: file differs or a side reported failure)");
}

}  // namespace

int main() {
  std::printf("Kermit: ours against C-Kermit; reference = C-Kermit sending to C-Kermit on the same line\n");
  std::printf("%-34s %10s %13s %10s %13s %6s\n", "case", "ours", "ours", "C-Kermit", "C-Kermit", "ratio");
  struct Line {
    long bps;
    std::size_t bytes;
  };
  for (const Line& line : {Line{57600, 100 * 1024}, Line{115200, 100 * 1024}, Line{0, 8 * 1024 * 1024}}) {
    const std::string data = random_bytes(line.bytes);
    const Run reference = transfer(Who::Reference, line.bps, data);
    const Run send = transfer(Who::OursSend, line.bps, data);
    const Run receive = transfer(Who::OursReceive, line.bps, data);
    char what[64];
    if (line.bps)
      std::snprintf(what, sizeof what, "%zu KB random, %ld bit/s", line.bytes / 1024, line.bps);
    else
      std::snprintf(what, sizeof what, "%zu MB random, unpaced", line.bytes / (1024 * 1024));
    row((std::string("send ") + what).c_str(), line.bps, line.bytes, send, reference);
    row((std::string("receive ") + what).c_str(), line.bps, line.bytes, receive, reference);
    std::fflush(stdout);
  }
}
