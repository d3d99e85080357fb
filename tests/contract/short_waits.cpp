#include <array>

#include "sio/kermit/kermit.h"
#include "sio/xmodem/xmodem.h"
#include "sio/zmodem/drivers.h"
#include "tests/contract/table.h"

namespace contract {
namespace {

using C = sio::ByteChannel;
using J = sio::TransferJob;
using P = sio::ProgressFn;
using sio::XmodemVariant;

// Each gives up after about half a second of silence.
const sio::xmodem::SenderTiming kXmodemSender{.start_wait_ms = 500};
const sio::xmodem::ReceiverTiming kXmodemReceiver{.start_retry_ms = 100, .start_requests = 5};
const sio::zmodem::Timing kZmodem{.start_ms = 500};
const sio::kermit::Timing kKermit{.packet_timeout_ms = 150, .start_timeout_ms = 500, .max_retries = 3};

template <XmodemVariant V>
int send_xmodem(C& c, J& job, const P& p) { return sio::xmodem::send_file(c, V, job.file, p, kXmodemSender); }
template <XmodemVariant V>
int receive_xmodem(C& c, J& job, const P& p) { return sio::xmodem::receive_file(c, V, job.file, p, kXmodemReceiver); }

// In the table's order: sender, receiver.
const std::array<std::pair<sio::TransferRunner, sio::TransferRunner>, 7> kQuick = {{
    {send_xmodem<XmodemVariant::Crc1K>, receive_xmodem<XmodemVariant::Crc1K>},
    {send_xmodem<XmodemVariant::Checksum>, receive_xmodem<XmodemVariant::Checksum>},
    {send_xmodem<XmodemVariant::Crc>, receive_xmodem<XmodemVariant::Crc>},
    {[](C& c, J& job, const P& p) { return sio::zmodem::send(c, job.file, p, kZmodem); },
     [](C& c, J& job, const P& p) { return sio::zmodem::receive(c, job.folder, job.stored_name, p, kZmodem); }},
    {[](C& c, J& job, const P& p) { return sio::xmodem::send_batch(c, job.file, p, kXmodemSender); },
     [](C& c, J& job, const P& p) {
       return sio::xmodem::receive_batch(c, job.folder, job.stored_name, p, kXmodemReceiver);
     }},
    {[](C& c, J& job, const P& p) { return sio::kermit::send_file(c, job.file, p, kKermit); },
     [](C& c, J& job, const P& p) { return sio::kermit::receive_file(c, job.folder, job.stored_name, p, kKermit); }},
    {nullptr, nullptr},
}};

}  // namespace

sio::TransferRunner quick_runner(sio::ProtocolId id, bool send) {
  const auto& runners = kQuick[static_cast<std::size_t>(id)];
  return send ? runners.first : runners.second;
}

}  // namespace contract
