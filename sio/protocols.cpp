#include "sio/protocols.h"

#include <algorithm>
#include <array>

#include "sio/transfers.h"

namespace sio {
namespace {

template <XmodemVariant V>
int send_xmodem(ByteChannel& c, TransferJob& job, const ProgressFn& p) { return xmodem_send(c, V, job.file, p); }
template <XmodemVariant V>
int receive_xmodem(ByteChannel& c, TransferJob& job, const ProgressFn& p) { return xmodem_receive(c, V, job.file, p); }

int send_zmodem(ByteChannel& c, TransferJob& job, const ProgressFn& p) { return zmodem_send(c, job.file, p, job.announced); }
int send_ymodem(ByteChannel& c, TransferJob& job, const ProgressFn& p) { return ymodem_send(c, job.file, p, job.announced); }
int send_kermit(ByteChannel& c, TransferJob& job, const ProgressFn& p) { return kermit_send(c, job.file, p, job.announced); }
int send_ascii(ByteChannel& c, TransferJob& job, const ProgressFn& p) { return ascii_send(c, job.file, p); }

int receive_zmodem(ByteChannel& c, TransferJob& job, const ProgressFn& p) {
  return zmodem_receive(c, job.folder, job.stored_name, p);
}
int receive_ymodem(ByteChannel& c, TransferJob& job, const ProgressFn& p) {
  return ymodem_receive(c, job.folder, job.stored_name, p);
}
int receive_kermit(ByteChannel& c, TransferJob& job, const ProgressFn& p) {
  return kermit_receive(c, job.folder, job.stored_name, p);
}
int receive_ascii(ByteChannel& c, TransferJob& job, const ProgressFn& p) {
  return ascii_receive(c, job.file, p, job.quiet_seconds);
}

constexpr std::array<Protocol, 7> kProtocols = {{
    {"xmodem-1k", "XModem-1KCRC", false, send_xmodem<XmodemVariant::Crc1K>, receive_xmodem<XmodemVariant::Crc1K>},
    {"xmodem-checksum", "XModem-CheckSum", false, send_xmodem<XmodemVariant::Checksum>,
     receive_xmodem<XmodemVariant::Checksum>},
    {"xmodem-crc", "XModem-CRC", false, send_xmodem<XmodemVariant::Crc>, receive_xmodem<XmodemVariant::Crc>},
    {"zmodem", "ZModem", true, send_zmodem, receive_zmodem},
    {"ymodem", "YModem", true, send_ymodem, receive_ymodem},
    {"kermit", "Kermit", true, send_kermit, receive_kermit},
    {"ascii", "ASCII", false, send_ascii, receive_ascii},
}};

}  // namespace

std::span<const Protocol> protocols() { return kProtocols; }

const Protocol& protocol(ProtocolId id) { return kProtocols[static_cast<std::size_t>(id)]; }

const Protocol* protocol_numbered(int number) {
  return number >= 0 && number < static_cast<int>(kProtocols.size()) ? &kProtocols[number] : nullptr;
}

const Protocol* protocol_named(std::string_view name) {
  auto it = std::find_if(kProtocols.begin(), kProtocols.end(), [&](const Protocol& p) { return p.name == name; });
  return it == kProtocols.end() ? nullptr : &*it;
}

}  // namespace sio
