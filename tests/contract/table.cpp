#include "tests/contract/table.h"

#include "sio/kermit/kermit.h"
#include "sio/xmodem/xmodem.h"
#include "sio/zmodem/drivers.h"

namespace contract {

using sio::ProtocolId;
using Use = PeerRow::Use;

namespace {

using C = sio::ByteChannel;
using J = sio::TransferJob;
using P = sio::ProgressFn;
using sio::XmodemVariant;

// C-Kermit on `{device}`, binary unless `binary` is false, names as they are, no delay before a
// send; `settings` are further commands. Its -C commands run after its action, too late for
// settings, so they come as a command file, through bash, with no file left behind.
Argv ckermit(const Argv& settings, const Argv& action, bool binary = true) {
  std::string commands =
      "set carrier-watch off\nset file names literal\nset receive pathnames off\nset delay 0\nset exit hangup off\n";
  for (const auto& s : settings) commands += s + "\n";
  const std::string mode = binary ? "-i " : "";
  Argv argv = {"bash", "-c", "exec kermit <(printf %s \"$0\") -Y -q " + mode + "-l \"$1\" -b 57600 \"${@:2}\"",
               commands, "{device}"};
  argv.insert(argv.end(), action.begin(), action.end());
  return argv;
}

// Each gives up after about half a second of silence.
const sio::xmodem::SenderTiming kXmodemSender{.start_wait_ms = 500};
const sio::xmodem::ReceiverTiming kXmodemReceiver{.start_retry_ms = 100, .start_requests = 5};
const sio::zmodem::Timing kZmodem{.start_ms = 500};
const sio::kermit::Timing kKermit{.packet_timeout_ms = 150, .start_timeout_ms = 500, .max_retries = 3};

template <XmodemVariant V>
int send_xmodem(C& c, J& job, const P& p) { return sio::xmodem::send_file(c, V, job.file, p, kXmodemSender); }
template <XmodemVariant V>
int receive_xmodem(C& c, J& job, const P& p) { return sio::xmodem::receive_file(c, V, job.file, p, kXmodemReceiver); }

}  // namespace

const std::vector<Row>& rows() {
  static const std::vector<Row> table = {
      {ProtocolId::Xmodem1K, sio_FtXmodem1KCRCTx, sio_FtXmodem1KCRCRx, nullptr,
       send_xmodem<XmodemVariant::Crc1K>, receive_xmodem<XmodemVariant::Crc1K>},
      {ProtocolId::XmodemChecksum, sio_FtXmodemCheckSumTx, sio_FtXmodemCheckSumRx, nullptr,
       send_xmodem<XmodemVariant::Checksum>, receive_xmodem<XmodemVariant::Checksum>},
      {ProtocolId::XmodemCrc, sio_FtXmodemCRCTx, sio_FtXmodemCRCRx, nullptr, send_xmodem<XmodemVariant::Crc>,
       receive_xmodem<XmodemVariant::Crc>},
      {ProtocolId::Zmodem, sio_FtZmodemTx, nullptr, sio_FtZmodemRx,
       [](C& c, J& job, const P& p) { return sio::zmodem::send(c, job.file, p, kZmodem); },
       [](C& c, J& job, const P& p) { return sio::zmodem::receive(c, job.folder, job.stored_name, p, kZmodem); }},
      {ProtocolId::Ymodem, sio_FtYmodemTx, nullptr, sio_FtYmodemRx,
       [](C& c, J& job, const P& p) { return sio::xmodem::send_batch(c, job.file, p, kXmodemSender); },
       [](C& c, J& job, const P& p) {
         return sio::xmodem::receive_batch(c, job.folder, job.stored_name, p, kXmodemReceiver);
       }},
      {ProtocolId::Kermit, sio_FtKermitTx, nullptr, sio_FtKermitRx,
       [](C& c, J& job, const P& p) { return sio::kermit::send_file(c, job.file, p, kKermit); },
       [](C& c, J& job, const P& p) { return sio::kermit::receive_file(c, job.folder, job.stored_name, p, kKermit); }},
      {ProtocolId::Ascii, sio_FtASCIITx,
       [](int port, const char* fname, sio_callback cb, int key) { return sio_FtASCIIRx(port, fname, cb, key, 1); },
       nullptr, nullptr, nullptr},
  };
  return table;
}

std::string test_name(const Row& row) {
  std::string name(row.protocol().name);
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
}
std::string test_name(const PeerRow& row) { return test_name(row.row()) + "_" + row.label; }

const Row& PeerRow::row() const { return rows()[static_cast<std::size_t>(id)]; }

bool PeerRow::opens_device() const { return std::find(command.begin(), command.end(), "{device}") != command.end(); }

namespace {

Argv gkermit(Argv options, bool sends) {
  options.insert(options.begin(), {"gkermit", "-q", "-i", "-P"});
  const Argv action = sends ? Argv{"-s", "{file}"} : Argv{"-r"};
  options.insert(options.end(), action.begin(), action.end());
  return options;
}

// A peer option in both directions: the peer sends, then receives.
void both_ways(std::vector<PeerRow>& rows, ProtocolId id, const std::string& label, Argv sending, Argv receiving,
               unsigned use = Use::Option) {
  rows.push_back({id, label + "_sends", true, std::move(sending), use});
  rows.push_back({id, label + "_receives", false, std::move(receiving), use});
}

// G-Kermit cannot announce names with 8-bit characters.
void gkermit_option(std::vector<PeerRow>& rows, const std::string& label, const Argv& options) {
  rows.push_back({ProtocolId::Kermit, "gkermit_" + label + "_sends", true, gkermit(options, true), Use::Option, true});
  rows.push_back({ProtocolId::Kermit, "gkermit_" + label + "_receives", false, gkermit(options, false)});
}

void kermit_option(std::vector<PeerRow>& rows, const std::string& label, const Argv& settings) {
  both_ways(rows, ProtocolId::Kermit, "ckermit_" + label, ckermit(settings, {"-s", "{file}"}), ckermit(settings, {"-r"}));
}

std::vector<PeerRow> make_peer_rows() {
  std::vector<PeerRow> rows;
  // sx sends 128-byte blocks, 1K blocks with -k; rx asks for CRCs with -c and pads the file to
  // a whole block. With -t 10 they wait a second, not ten, for what a damaging line lost.
  both_ways(rows, ProtocolId::Xmodem1K, "lrzsz", {"sx", "-q", "-k", "{file}"}, {"rx", "-q", "-c", "{file}"}, Use::Base);
  both_ways(rows, ProtocolId::XmodemCrc, "lrzsz", {"sx", "-q", "{file}"}, {"rx", "-q", "-c", "{file}"}, Use::Base);
  both_ways(rows, ProtocolId::XmodemChecksum, "lrzsz", {"sx", "-q", "{file}"}, {"rx", "-q", "{file}"}, Use::Base);
  both_ways(rows, ProtocolId::Xmodem1K, "lrzsz_t10", {"sx", "-q", "-k", "-t", "10", "{file}"},
            {"rx", "-q", "-c", "-t", "10", "{file}"}, Use::Damage);
  both_ways(rows, ProtocolId::Ymodem, "lrzsz", {"sb", "-q", "{file}"}, {"rb", "-q"}, Use::Base);
  rows.push_back({ProtocolId::Ymodem, "sb_k", true, {"sb", "-q", "-k", "{file}"}});
  // A batch of two: we store the first file and skip the second.
  rows.push_back({ProtocolId::Ymodem, "sb_two_files", true, {"sb", "-q", "{file}", "second"}});
  both_ways(rows, ProtocolId::Zmodem, "lrzsz", {"sz", "-q", "{file}"}, {"rz", "-q"}, Use::Base | Use::Damage);
  rows.push_back({ProtocolId::Zmodem, "sz_two_files", true, {"sz", "-q", "{file}", "second"}});
  rows.push_back({ProtocolId::Zmodem, "sz_e", true, {"sz", "-q", "-e", "{file}"}});  // every control character escaped
  rows.push_back({ProtocolId::Zmodem, "sz_o", true, {"sz", "-q", "-o", "{file}"}});  // 16-bit CRCs
  rows.push_back({ProtocolId::Zmodem, "sz_l64", true, {"sz", "-q", "-l", "64", "{file}"}});  // 64-byte subpackets
  // A 2 KiB window: ZCRCQ subpackets that want a ZACK.
  rows.push_back({ProtocolId::Zmodem, "sz_w2048", true, {"sz", "-q", "-w", "2048", "{file}"}});
  rows.push_back({ProtocolId::Zmodem, "sz_start_8k", true, {"sz", "-q", "--start-8k", "{file}"}});  // 8 KiB subpackets
  rows.push_back({ProtocolId::Zmodem, "sz_T", true, {"sz", "-q", "-T", "{file}"}});  // DLE and CR after '@' go bare
  // Asks us to convert line ends: we keep the bytes.
  rows.push_back({ProtocolId::Zmodem, "sz_a", true, {"sz", "-q", "-a", "{file}"}});
  rows.push_back({ProtocolId::Zmodem, "sz_znulls", true, {"env", "ZNULLS=64", "sz", "-q", "{file}"}});  // nulls first
  rows.push_back({ProtocolId::Zmodem, "rz_e", false, {"rz", "-q", "-e"}});  // asks for every control character escaped
  rows.push_back({ProtocolId::Zmodem, "rz_S", false, {"rz", "-q", "-S"}});  // asks for a time sync we do not offer
  rows.push_back({ProtocolId::Zmodem, "rz_r", false, {"rz", "-q", "-r"}, Use::Option, false, 40000});  // resumes
  // A command to run (sz -c waits for its status, -i for its receipt): we run none, store nothing.
  rows.push_back({ProtocolId::Zmodem, "sz_c", true, {"sz", "-q", "-c", "touch ran"}, Use::Option, false, 0, true});
  rows.push_back({ProtocolId::Zmodem, "sz_i", true, {"sz", "-q", "-i", "touch ran"}, Use::Option, false, 0, true});

  // G-Kermit announces an empty name for a name with 8-bit characters, which we refuse.
  rows.push_back({ProtocolId::Kermit, "gkermit_sends", true, gkermit({}, true), Use::Base, true});
  rows.push_back({ProtocolId::Kermit, "gkermit_8bit_name_sends", true, gkermit({}, true), Use::Option, false, 0, true});
  rows.push_back({ProtocolId::Kermit, "gkermit_receives", false, gkermit({}, false), Use::Base});
  gkermit_option(rows, "e40", {"-e", "40"});      // the shortest packets it takes
  gkermit_option(rows, "e9000", {"-e", "9000"});  // the longest
  gkermit_option(rows, "S", {"-S"});              // no streaming: each packet acknowledged
  gkermit_option(rows, "p_e", {"-p", "e"});       // even parity: the 8th bit goes behind a prefix
  gkermit_option(rows, "p_m", {"-p", "m"});       // mark parity: every byte arrives with its 8th bit set
  both_ways(rows, ProtocolId::Kermit, "ckermit", ckermit({}, {"-s", "{file}"}), ckermit({}, {"-r"}),
            Use::Base | Use::Damage);
  rows.push_back({.id = ProtocolId::Kermit, .label = "ckermit_two_files_sends", .peer_sends = true,
                  .command = ckermit({}, {"-s", "{file}", "second"}), .status = 2});
  // Set to text but not forced, it still sends in binary to a peer whose Send-Init names a system
  // like its own.
  rows.push_back({ProtocolId::Kermit, "ckermit_text_sends", true,
                  ckermit({"set file type text", "set file scan off"}, {"-s", "{file}"}, false)});
  kermit_option(rows, "block_check_1", {"set block-check 1"});  // 6-bit sum
  kermit_option(rows, "block_check_2", {"set block-check 2"});  // 12-bit sum
  kermit_option(rows, "block_check_4", {"set block-check 4"});  // 12-bit sum without blanks
  // The CRC from the Send-Init on: a receiver set so takes only a sender set so.
  rows.push_back({ProtocolId::Kermit, "ckermit_block_check_5_sends", true, ckermit({"set block-check 5"}, {"-s", "{file}"})});
  kermit_option(rows, "packet_length_40", {"set receive packet-length 40", "set send packet-length 40"});
  kermit_option(rows, "window_1", {"set window 1"});
  kermit_option(rows, "window_31", {"set window 31"});
  kermit_option(rows, "parity_even", {"set parity even"});
  kermit_option(rows, "prefixing_all", {"set prefixing all"});    // every control character prefixed
  kermit_option(rows, "prefixing_none", {"set prefixing none"});  // control characters bare but the framing
  kermit_option(rows, "end_of_packet_10", {"set receive end-of-packet 10"});
  kermit_option(rows, "locking_shift", {"set parity even", "set transfer locking-shift on"});
  kermit_option(rows, "clear_channel", {"set clear-channel on"});
  kermit_option(rows, "no_repeat_counts", {"set repeat counts off"});
  kermit_option(rows, "no_attributes", {"set attributes off"});  // no length, no date
  kermit_option(rows, "streaming", {"set reliable on", "set streaming on"});
  kermit_option(rows, "padding", {"set send padding 4", "set receive padding 4"});

  // ASCII: cat sends the file; head stores exactly its length.
  both_ways(rows, ProtocolId::Ascii, "shell", {"cat", "{file}"},
            {"sh", "-c", "exec head -c \"$0\" > \"$1\"", "{size}", "{file}"}, Use::Base);
  return rows;
}

}  // namespace

const std::vector<PeerRow>& peer_rows() {
  static const std::vector<PeerRow> table = make_peer_rows();
  return table;
}

}  // namespace contract
