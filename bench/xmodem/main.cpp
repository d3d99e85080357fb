// XMODEM (checksum, CRC, 1K) and YMODEM throughput: our send and our receive against lrzsz, and
// lrzsz against itself as the reference, over a pty line paced to a serial line's byte rate
// (8N1: bit/s over 10) and unpaced. Prints one table; every file is checked byte for byte.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <random>
#include <string>
#include <vector>

#include "bench/kermit/serial_line.h"
#include "sio/channel.h"
#include "sio/transfers.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;
using test_support::ChildProcess;
using test_support::read_file;
using Folder = test_support::TempFolder;
constexpr int kPeerTimeoutMs = 600000;

struct Protocol {
  const char* name;
  sio::XmodemVariant variant;
  bool batch;
  std::vector<std::string> lrzsz_send;     // the file's name follows
  std::vector<std::string> lrzsz_receive;  // XMODEM: the file's name follows
};

const Protocol kProtocols[] = {
    {"XMODEM-checksum", sio::XmodemVariant::Checksum, false, {"sx", "-q"}, {"rx", "-q"}},
    {"XMODEM-CRC", sio::XmodemVariant::Crc, false, {"sx", "-q"}, {"rx", "-q", "-c"}},
    {"XMODEM-1K", sio::XmodemVariant::Crc1K, false, {"sx", "-q", "-k"}, {"rx", "-q", "-c"}},
    {"YMODEM", sio::XmodemVariant::Crc1K, true, {"sb", "-q"}, {"rb", "-q"}},
};

struct Run {
  double seconds = 0;
  bool ok = false;
};

enum class Who { OursSend, OursReceive, Reference };

ChildProcess lrzsz(std::vector<std::string> argv, const std::string& file, int device_fd, const Folder& folder) {
  if (!file.empty()) argv.push_back(file);
  return ChildProcess(argv, device_fd, folder.path());
}

// The time is taken when the receiving side has the whole file: lrzsz flushes its output as it
// exits, which on a pty loses its last ACK, so an lrzsz sender waits out its time-outs after
// every transfer (and ours waits two short ones), while the file is already complete.
Run transfer(const Protocol& protocol, Who who, long bps, const std::string& data) {
  Folder from, to;
  const std::string name = "bench.bin";
  std::ofstream(from.file(name), std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
  bench::SerialLine line(bps);
  const std::string receive_name = protocol.batch ? "" : name;
  const auto start = Clock::now();
  Clock::time_point received_at;
  bool ok = true;
  if (who == Who::OursReceive) {
    ChildProcess sender(lrzsz(protocol.lrzsz_send, name, line.device_fd(1), from));
    sio::FdChannel channel(line.device_fd(0));
    std::string stored;
    ok = (protocol.batch ? sio::ymodem_receive(channel, to.path(), stored, nullptr)
                         : sio::xmodem_receive(channel, protocol.variant, to.file(name), nullptr)) == 0;
    received_at = Clock::now();
    ok = sender.wait(kPeerTimeoutMs) == 0 && ok;
  } else {
    ChildProcess receiver(lrzsz(protocol.lrzsz_receive, receive_name, line.device_fd(1), to));
    auto receiving = std::async(std::launch::async, [&] {
      bool done = receiver.wait(kPeerTimeoutMs) == 0;
      received_at = Clock::now();
      return done;
    });
    if (who == Who::Reference) {
      ChildProcess sender(lrzsz(protocol.lrzsz_send, name, line.device_fd(0), from));
      ok = receiving.get();
    } else {
      sio::FdChannel channel(line.device_fd(0));
      ok = (protocol.batch ? sio::ymodem_send(channel, from.file(name), nullptr)
                           : sio::xmodem_send(channel, protocol.variant, from.file(name), nullptr)) == 0;
      ok = receiving.get() && ok;
    }
  }
  const double seconds = std::chrono::duration<double>(received_at - start).count();
  // rx keeps XMODEM's padding (SUBs to a whole block); ours drops it. The data never ends in SUB.
  std::string received = read_file(to.file(name));
  if (!protocol.batch && received.size() > data.size() &&
      received.find_first_not_of('\x1a', data.size()) == std::string::npos)
    received.resize(data.size());
  return {seconds, ok && received == data};
}

std::string random_bytes(std::size_t n) {
  std::mt19937 gen(1);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
  s.back() = 'z';
  return s;
}

// A transfer's figure: on a paced line the share of its byte rate that became file bytes (%),
// unpaced the file bytes per second (MB/s).
std::string figure(long bps, std::size_t bytes, const Run& run) {
  const double rate = static_cast<double>(bytes) / run.seconds;
  char text[48];
  if (bps)
    std::snprintf(text, sizeof text, "%8.2f s %7.2f%%    ", run.seconds, 100.0 * rate / (bps / 10.0));
  else
    std::snprintf(text, sizeof text, "%8.2f s %7.2f MB/s", run.seconds, rate / 1e6);
  return text;
}

void row(const std::string& name, long bps, std::size_t bytes, const Run& ours, const Run& ref) {
  const bool failed = !ours.ok || !ref.ok;
  std::printf("%-46s %s %s %6.2f%s\n", name.c_str(), figure(bps, bytes, ours).c_str(), figure(bps, bytes, ref).c_str(),
              ref.seconds / ours.seconds, failed ? " (FAILED: file differs or a side reported failure)" : "");
  std::fflush(stdout);
}

}  // namespace

int main() {
  std::printf("XMODEM/YMODEM: ours against lrzsz; reference = lrzsz sending to lrzsz on the same line\n");
  std::printf("%-46s %-24s %-24s %s\n", "case", "ours", "lrzsz", "ratio (lrzsz time / ours)");
  struct Line {
    long bps;
    std::size_t bytes;
  };
  for (const Line& line : {Line{57600, 100 * 1024}, Line{0, 1024 * 1024}}) {
    const std::string data = random_bytes(line.bytes);
    for (const auto& protocol : kProtocols) {
      const Run reference = transfer(protocol, Who::Reference, line.bps, data);
      const Run send = transfer(protocol, Who::OursSend, line.bps, data);
      const Run receive = transfer(protocol, Who::OursReceive, line.bps, data);
      char what[64];
      if (line.bps)
        std::snprintf(what, sizeof what, " %zu KB random, %ld bit/s", line.bytes / 1024, line.bps);
      else
        std::snprintf(what, sizeof what, " %zu MB random, unpaced", line.bytes / (1024 * 1024));
      row(std::string("send ") + protocol.name + what, line.bps, line.bytes, send, reference);
      row(std::string("receive ") + protocol.name + what, line.bps, line.bytes, receive, reference);
    }
  }
}
