#include "tests/contract/short_waits.h"

#include "sio/kermit/kermit.h"
#include "sio/xmodem/xmodem.h"
#include "sio/zmodem/drivers.h"

namespace contract {
namespace {

using sio::ByteChannel;
using sio::ProgressFn;
using sio::TransferJob;
using sio::XmodemVariant;

// Each gives up after about half a second of silence.
const sio::xmodem::SenderTiming kXmodemSender{.start_wait_ms = 500};
const sio::xmodem::ReceiverTiming kXmodemReceiver{.start_retry_ms = 100, .start_requests = 5};
const sio::zmodem::Timing kZmodem{.start_ms = 500};
const sio::kermit::Timing kKermit{.packet_timeout_ms = 150, .start_timeout_ms = 500, .max_retries = 3};

template <XmodemVariant V>
int send_xmodem(ByteChannel& c, TransferJob& job, const ProgressFn& p) {
  return sio::xmodem::send_file(c, V, job.file, p, kXmodemSender);
}
template <XmodemVariant V>
int receive_xmodem(ByteChannel& c, TransferJob& job, const ProgressFn& p) {
  return sio::xmodem::receive_file(c, V, job.file, p, kXmodemReceiver);
}

}  // namespace

sio::TransferRunner quick_runner(sio::ProtocolId id, bool send) {
  using sio::ProtocolId;
  switch (id) {
    case ProtocolId::Xmodem1K:
      return send ? send_xmodem<XmodemVariant::Crc1K> : receive_xmodem<XmodemVariant::Crc1K>;
    case ProtocolId::XmodemChecksum:
      return send ? send_xmodem<XmodemVariant::Checksum> : receive_xmodem<XmodemVariant::Checksum>;
    case ProtocolId::XmodemCrc:
      return send ? send_xmodem<XmodemVariant::Crc> : receive_xmodem<XmodemVariant::Crc>;
    case ProtocolId::Ymodem:
      if (send) return [](ByteChannel& c, TransferJob& job, const ProgressFn& p) {
        return sio::xmodem::send_batch(c, job.file, p, kXmodemSender);
      };
      return [](ByteChannel& c, TransferJob& job, const ProgressFn& p) {
        return sio::xmodem::receive_batch(c, job.folder, job.stored_name, p, kXmodemReceiver);
      };
    case ProtocolId::Zmodem:
      if (send) return [](ByteChannel& c, TransferJob& job, const ProgressFn& p) {
        return sio::zmodem::send(c, job.file, p, kZmodem);
      };
      return [](ByteChannel& c, TransferJob& job, const ProgressFn& p) {
        return sio::zmodem::receive(c, job.folder, job.stored_name, p, kZmodem);
      };
    case ProtocolId::Kermit:
      if (send) return [](ByteChannel& c, TransferJob& job, const ProgressFn& p) {
        return sio::kermit::send_file(c, job.file, p, kKermit);
      };
      return [](ByteChannel& c, TransferJob& job, const ProgressFn& p) {
        return sio::kermit::receive_file(c, job.folder, job.stored_name, p, kKermit);
      };
    case ProtocolId::Ascii:
      break;
  }
  return nullptr;
}

}  // namespace contract
