#include "bench/transfer/cases.h"

#include "sio/protocols.h"

namespace bench {
namespace {

constexpr std::size_t kPacedSize = 100 * 1024;
constexpr std::size_t kUnpacedSize = 10 << 20;

Endpoint our_zmodem_sender() { return our_sender("zmodem"); }
Endpoint our_zmodem_receiver() { return our_receiver("zmodem"); }

Endpoint sz() { return {"sz", nullptr, {"sz", "-q", "{file}"}}; }
Endpoint rz() { return {"rz", nullptr, {"rz", "-q"}}; }

// Our receive against sz and our send against rz, with lrzsz's own pair as the reference.
void add_zmodem_both_ways(std::vector<Case>& cases, const std::string& line_name, Line line, std::size_t size) {
  cases.push_back({"zmodem receive from sz, " + line_name, line, size, sz(), our_zmodem_receiver(), sz(), rz()});
  cases.push_back({"zmodem send to rz, " + line_name, line, size, our_zmodem_sender(), rz(), sz(), rz()});
}

}  // namespace

Endpoint our_sender(const std::string& protocol) {
  const sio::Protocol* p = sio::protocol_named(protocol);
  return {"ours", [p](sio::ByteChannel& c, const std::string& file, const std::string&) {
            sio::TransferJob job;
            job.file = file;
            return p->send(c, job, nullptr);
          }, {}};
}

Endpoint our_receiver(const std::string& protocol) {
  const sio::Protocol* p = sio::protocol_named(protocol);
  return {"ours", [p](sio::ByteChannel& c, const std::string& file, const std::string& folder) {
            sio::TransferJob job;
            job.file = file;
            job.folder = folder;
            return p->receive(c, job, nullptr);
          }, {}};
}

std::vector<Case> transfer_cases() {
  std::vector<Case> cases;
  add_zmodem_both_ways(cases, "57600 bit/s, 100 KB", {57600, {}}, kPacedSize);
  add_zmodem_both_ways(cases, "115200 bit/s, 100 KB", {115200, {}}, kPacedSize);
  add_zmodem_both_ways(cases, "unpaced, 10 MiB", {0, {}}, kUnpacedSize);
  // A line that flips a bit in one byte of a thousand, both ways: recovery is the speed here.
  Line noisy{0, {1, 1000, 0}};
  cases.push_back({"zmodem ours to ours, 1/1000 bit flips, 100 KB", noisy, kPacedSize, our_zmodem_sender(),
                   our_zmodem_receiver(), sz(), rz()});
  add_zmodem_both_ways(cases, "1/1000 bit flips, 100 KB", noisy, kPacedSize);
  add_kermit_cases(cases);
  add_xmodem_cases(cases);
  return cases;
}

}  // namespace bench
