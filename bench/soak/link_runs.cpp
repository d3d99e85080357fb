#include "bench/soak/link_runs.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <random>
#include <thread>
#include <unistd.h>
#include <vector>

#include "sio/channel.h"
#include "sio/sio.h"
#include "sio/transfers.h"
#include "tools/testbed/child_process.h"
#include "tools/testbed/link_relay.h"
#include "tools/testbed/pty_pair.h"
#include "tools/testbed/temp_folder.h"

namespace soak {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testbed::read_file;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

unsigned one_in(double rate) { return rate > 0 ? static_cast<unsigned>(1.0 / rate + 0.5) : 0; }

std::string random_content(long size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  for (auto& b : bytes) b = static_cast<char>(rng());
  return bytes;
}

// The number after "result " in a transfer's standard error; SIOFT_PROTOCOL when it printed none.
int reported_result(const std::string& log) {
  auto at = log.rfind("result ");
  return at == std::string::npos ? SIOFT_PROTOCOL : std::atoi(log.c_str() + at + 7);
}

bool folder_empty(const std::string& folder) { return fs::is_empty(folder); }

// Judges a receive by its result and the file it left: `received` is where the file should be.
Outcome judge(int result, const std::string& received, const std::string& sent, const std::string& folder) {
  Outcome o;
  o.result = result;
  if (result == SIOFT_NOTSUPPORT) {
    o.ending = Ending::NotSupported;
  } else if (result < 0) {
    o.ending = Ending::Failed;
    o.leftover = !folder_empty(folder);
  } else {
    bool same = fs::is_regular_file(received) && read_file(received) == sent;
    o.ending = same ? Ending::Exact : Ending::WrongFile;
  }
  return o;
}

bool announces_name(const std::string& protocol) {
  return protocol == "zmodem" || protocol == "ymodem" || protocol == "kermit";
}

// What a protocol promises to deliver of `content`. XMODEM carries no length: its receiver
// drops the padding SUBs (0x1A) of the last block, and a file's own trailing SUBs with them.
std::string deliverable(const std::string& protocol, const std::string& content) {
  if (protocol.rfind("xmodem", 0) != 0) return content;
  return content.substr(0, content.find_last_not_of('\x1a') + 1);
}

int dev_null() { return open("/dev/null", O_RDWR | O_CLOEXEC); }

}  // namespace

Outcome run_sio_transfer(const Options& options, const std::string& protocol, const Noise& noise, unsigned seed) {
  testbed::TempFolder work;
  const std::string outbox = work.file("out"), inbox = work.file("in");
  fs::create_directory(outbox);
  fs::create_directory(inbox);
  const std::string content = random_content(options.size, seed);
  const std::string name = "soak-" + std::to_string(seed) + ".bin";
  testbed::write_file(outbox + "/" + name, content);
  const std::string received = inbox + "/" + name;

  testbed::PtyPair sender_side, receiver_side;
  testbed::LinkRelay line(sender_side.peer(), receiver_side.peer(), options.bytes_per_second,
                               {seed, one_in(noise.flip), one_in(noise.drop)});
  const std::string tool = options.bin + "/sio-transfer";
  std::vector<std::string> receive{tool, "receive", "--protocol", protocol, "--device", receiver_side.device()};
  if (announces_name(protocol)) receive.insert(receive.end(), {"--dir", inbox});
  else receive.push_back(received);
  int null_fd = dev_null();
  auto start = Clock::now();
  testbed::ChildProcess receiver(receive, null_fd, work.path(), work.file("receive.log"));
  testbed::ChildProcess sender({tool, "send", "--protocol", protocol, "--device", sender_side.device(),
                                     outbox + "/" + name},
                                    null_fd, work.path(), work.file("send.log"));
  int receiver_status = receiver.wait(options.timeout_s * 1000);
  double seconds = seconds_since(start);
  int sender_status = sender.wait(options.timeout_s * 1000);
  close(null_fd);

  Outcome o;
  if (receiver_status < 0 || sender_status < 0) {
    o.ending = Ending::Hung;
    o.result = receiver_status < 0 ? SIOFT_TIMEOUT : 0;
  } else {
    o = judge(reported_result(read_file(work.file("receive.log"))), received, deliverable(protocol, content), inbox);
  }
  o.seconds = seconds;
  o.bytes = options.size;
  return o;
}

Outcome run_phone_download(const Options& options, const Noise& noise, unsigned seed) {
  // The phone lists its memos without the ".amr" of the files it keeps them in.
  static const std::vector<std::string> memos = {"memo01", "Ёлка_2006", "Звонок_от_Алёны",
                                                 "Заметка_1_встреча_с_клиентом"};
  const std::string& memo = memos[seed % memos.size()];
  testbed::TempFolder work;
  const std::string inbox = work.file("in");
  fs::create_directory(inbox);
  char rate_text[2][32];
  std::snprintf(rate_text[0], sizeof rate_text[0], "%g", noise.flip);
  std::snprintf(rate_text[1], sizeof rate_text[1], "%g", noise.drop);
  int null_fd = dev_null();
  testbed::ChildProcess phone({options.bin + "/e365sim", "--folder", work.path(), "--port", "7", "--no-pacing",
                                    "--noise", rate_text[0], "--drop", rate_text[1], "--seed", std::to_string(seed)},
                                   null_fd, work.path(), work.file("e365sim.log"));
  close(null_fd);
  // The simulator links its pty as COM7 once it is ready.
  const std::string link = work.file("COM7");
  auto wait_start = Clock::now();
  while (!fs::is_symlink(link) && seconds_since(wait_start) < 10)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  Outcome o;
  int fd = fs::is_symlink(link) ? open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
  if (fd < 0) {
    o.ending = Ending::Failed;
    o.result = SIOFT_BADPORT;
    return o;
  }
  sio::FdChannel channel(fd);
  const std::string get = "AT%PCTL=GET /Voice Memo/" + memo + "\r";
  auto start = Clock::now();
  std::string stored;
  int result = channel.write(reinterpret_cast<const std::uint8_t*>(get.data()), get.size());
  if (result == 0) {
    // The receive gives up by itself within its time-outs; the safety limit still holds.
    auto safety = [&, started = Clock::now()](long, long) {
      return seconds_since(started) > options.timeout_s ? -1 : 0;
    };
    result = sio::zmodem_receive(channel, inbox, stored, safety);
  }
  const std::string content = read_file(std::string(SOAK_SAMPLES) + "/" + memo + ".amr");
  o = judge(result, inbox + "/" + stored, content, inbox);
  o.bytes = static_cast<long>(content.size());
  if (result == SIOFT_ABORT) o.ending = Ending::Hung;
  o.seconds = seconds_since(start);
  close(fd);
  phone.signal(SIGTERM);
  phone.wait(5000);
  return o;
}

}  // namespace soak
