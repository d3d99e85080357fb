// XMODEM (checksum, CRC, 1K), YMODEM and ASCII rows. Each protocol runs our send against lrzsz's
// receiver and our receive against lrzsz's sender, with lrzsz's own pair as the reference.
// The files are whole 1024-byte blocks that do not end in SUB, so XMODEM's padding plays no part.
#include <string>

#include "bench/transfer/cases.h"
#include "sio/protocols.h"

namespace bench {
namespace {

constexpr std::size_t kPacedSize = 100 * 1024;
constexpr std::size_t kUnpacedSize = 1 << 20;        // stop-and-wait: a block per round trip
constexpr std::size_t kUnpacedAsciiSize = 64 << 20;    // a plain stream
constexpr std::size_t kCopyBlock = 4096;               // the reference copy's reads (dd bs)
constexpr std::size_t kNoisySize = 16 * 1024;

struct XmodemVariant {
  std::string name;
  std::vector<std::string> sx, rx;  // lrzsz's pair for it
};

const XmodemVariant kVariants[] = {
    {"xmodem-checksum", {"sx", "-q", "{file}"}, {"rx", "-q", "{file}"}},
    {"xmodem-crc", {"sx", "-q", "{file}"}, {"rx", "-q", "-c", "{file}"}},
    {"xmodem-1k", {"sx", "-q", "-k", "{file}"}, {"rx", "-q", "-c", "{file}"}},
};

Endpoint program(std::vector<std::string> argv) { return {argv[0], nullptr, std::move(argv)}; }

// An ASCII receive has no end of its own: the user stops it once the whole file is there (the
// abort is its normal end, -4), as soon as the progress report shows it.
Endpoint our_ascii_receiver(std::size_t size) {
  return {"ours", [size](sio::ByteChannel& c, const std::string& file, const std::string&) {
            sio::TransferJob job;
            job.file = file;
            int result = sio::protocol(sio::ProtocolId::Ascii)
                             .receive(c, job, [size](long done, long) { return static_cast<std::size_t>(done) >= size ? -1 : 0; });
            return result == -4 ? 0 : result;
          }, {}};
}

// The reference ASCII ends: the file copied to the line as it is, and copied off the line into
// the file until its length has come.
Endpoint cat_file() { return program({"cat", "{file}"}); }
Endpoint dd_into_file(std::size_t size) {
  return program({"dd", "of={file}", "bs=" + std::to_string(kCopyBlock), "count=" + std::to_string(size / kCopyBlock),
                  "iflag=fullblock", "status=none"});
}

// `noisy`: a damaged line, where the checksum variant is left out (its check can be fooled).
void add_xmodem_rows(std::vector<Case>& cases, const std::string& line_name, Line line, std::size_t size,
                     bool noisy = false) {
  const int timeout_ms = noisy ? kNoisyTimeoutMs : 300000;
  for (const auto& v : kVariants) {
    if (noisy && v.name == "xmodem-checksum") continue;
    cases.push_back({v.name + " send to rx, " + line_name, line, size, our_sender(v.name), program(v.rx),
                     program(v.sx), program(v.rx), timeout_ms});
    cases.push_back({v.name + " receive from sx, " + line_name, line, size, program(v.sx),
                     our_receiver(v.name), program(v.sx), program(v.rx), timeout_ms});
  }
  const Endpoint sb = program({"sb", "-q", "{file}"}), rb = program({"rb", "-q"});
  cases.push_back({"ymodem send to rb, " + line_name, line, size, our_sender("ymodem"), rb, sb, rb, timeout_ms});
  cases.push_back({"ymodem receive from sb, " + line_name, line, size, sb, our_receiver("ymodem"), sb, rb, timeout_ms});
}

void add_ascii_rows(std::vector<Case>& cases, const std::string& line_name, Line line, std::size_t size) {
  cases.push_back({"ascii send to dd, " + line_name, line, size, our_sender("ascii"), dd_into_file(size), cat_file(),
                   dd_into_file(size)});
  cases.push_back({"ascii receive from cat, " + line_name, line, size, cat_file(), our_ascii_receiver(size),
                   cat_file(), dd_into_file(size)});
}

}  // namespace

void add_xmodem_cases(std::vector<Case>& cases) {
  const Line paced{57600, {}}, unpaced{0, {}};
  add_xmodem_rows(cases, "57600 bit/s, 100 KB", paced, kPacedSize);
  add_xmodem_rows(cases, "unpaced, 1 MiB", unpaced, kUnpacedSize);
  add_xmodem_rows(cases, "1/1000 bit flips, 16 KB", {0, {1, 1000, 0}}, kNoisySize, true);
  add_xmodem_rows(cases, "1/10000 bit flips, 16 KB", {0, {1, 10000, 0}}, kNoisySize, true);
  add_ascii_rows(cases, "57600 bit/s, 100 KB", paced, kPacedSize);
  add_ascii_rows(cases, "unpaced, 64 MiB", unpaced, kUnpacedAsciiSize);
}

}  // namespace bench
