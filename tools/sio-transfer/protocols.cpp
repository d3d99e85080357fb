#include "tools/sio-transfer/protocols.h"

#include <functional>
#include <map>

#include "sio/sio.h"
#include "sio/transfers.h"

namespace {

using sio::ByteChannel;
using sio::ProgressFn;

// The ASCII receive ends after this many quiet seconds, as the tool's engine asks of it.
constexpr int kAsciiQuietSeconds = 3;

struct Protocol {
  std::function<int(ByteChannel&, const std::string& path, const ProgressFn&)> send;
  // Receivers of a named file get `file`; batch receivers get `dir` and report the name.
  std::function<int(ByteChannel&, const TransferRequest&, const ProgressFn&, std::string& stored)> receive;
};

Protocol xmodem(sio::XmodemVariant v) {
  return {[v](ByteChannel& c, const std::string& f, const ProgressFn& p) { return sio::xmodem_send(c, v, f, p); },
          [v](ByteChannel& c, const TransferRequest& r, const ProgressFn& p, std::string&) {
            return sio::xmodem_receive(c, v, r.file, p);
          }};
}

using BatchReceive = int (*)(ByteChannel&, const std::string&, std::string&, const ProgressFn&);
using Send = int (*)(ByteChannel&, const std::string&, const ProgressFn&);

Protocol batch(Send send, BatchReceive receive) {
  return {send, [receive](ByteChannel& c, const TransferRequest& r, const ProgressFn& p, std::string& stored) {
            return receive(c, r.dir, stored, p);
          }};
}

const std::map<std::string, Protocol>& protocols() {
  static const std::map<std::string, Protocol> table = {
      {"xmodem-1k", xmodem(sio::XmodemVariant::Crc1K)},
      {"xmodem-checksum", xmodem(sio::XmodemVariant::Checksum)},
      {"xmodem-crc", xmodem(sio::XmodemVariant::Crc)},
      {"zmodem", batch(sio::zmodem_send, sio::zmodem_receive)},
      {"ymodem", batch(sio::ymodem_send, sio::ymodem_receive)},
      {"kermit", batch(sio::kermit_send, sio::kermit_receive)},
      {"ascii",
       {sio::ascii_send,
        [](ByteChannel& c, const TransferRequest& r, const ProgressFn& p, std::string&) {
          return sio::ascii_receive(c, r.file, p, kAsciiQuietSeconds);
        }}},
  };
  return table;
}

}  // namespace

int run_protocol(const std::string& protocol, ByteChannel& channel, const TransferRequest& request,
                 const ProgressFn& progress, std::string& stored_name, bool& known) {
  auto it = protocols().find(protocol);
  known = it != protocols().end();
  if (!known) return SIOFT_NOTSUPPORT;
  if (request.send) return it->second.send(channel, request.file, progress);
  return it->second.receive(channel, request, progress, stored_name);
}
