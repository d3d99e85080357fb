// How fast a memo comes from the simulated phone through our ZMODEM receive: the large sample
// at the tool's speeds with the line paced like a cable, and unpaced. Prints the figures.
#include <chrono>
#include <cstdio>
#include <string>

#include "sio/transfers.h"
#include "tools/e365sim/sim_process.h"
#include "tools/testbed/pty_pair.h"
#include "tools/testbed/temp_folder.h"

namespace {

const std::string kLargeMemo = "\xD0\x9B\xD0\xB5\xD0\xBA\xD1\x86\xD0\xB8\xD1\x8F";  // Лекция, about 200 KB

void download_once(const char* label, long baud, speed_t speed, bool paced) {
  testbed::TempFolder folder;
  testbed::TempFolder received;
  std::vector<std::string> args{"--folder", folder.path()};
  if (!paced) args.push_back("--no-pacing");
  e365sim_client::SimProcess sim(args);
  e365sim_client::PhoneClient client(folder.file("COM5"), speed);
  sio::FdChannel channel(client.fd());
  std::string stored;
  bool asked = false;
  long size = 0;
  auto start = std::chrono::steady_clock::now();
  int result = sio::zmodem_receive(channel, received.path(), stored, [&](long done, long total) {
    if (!asked) testbed::write_all(client.fd(), "AT%PCTL=GET /Voice Memo/" + kLargeMemo + "\r");
    asked = true;
    size = total > 0 ? total : done;
    return 0;
  });
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double rate = size / seconds;
  std::printf("%-22s result %d, %ld bytes in %6.2f s: %8.0f bytes/s", label, result, size, seconds, rate);
  if (paced) std::printf(", %5.1f%% of the line's %ld bytes/s", 100.0 * rate / (baud / 10.0), baud / 10);
  std::printf("\n");
}

}  // namespace

int main() {
  std::printf("GET of the %s sample through zmodem_receive (times include the GET and the phone's pause)\n",
              "200 KB");
  download_once("paced, 57600 bit/s", 57600, B57600, true);
  download_once("paced, 115200 bit/s", 115200, B115200, true);
  download_once("unpaced", 0, B115200, false);
  return 0;
}
