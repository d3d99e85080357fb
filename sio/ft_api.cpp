// The sio_Ft* operations: each runs its protocol over the open port and reports progress
// through the caller's callback. The key code argument is the caller's abort key; aborts
// arrive through the callback here, so it is not read.
#include <algorithm>
#include <cstring>

#include "sio/incoming_file.h"
#include "sio/names.h"
#include "sio/port_table.h"
#include "sio/program_folder.h"
#include "sio/sio.h"
#include "sio/transfers.h"

namespace sio {
namespace {

ProgressFn progress_of(sio_callback cb) {
  return [cb](long done, long total) { return cb ? cb(done, 0, 0, total) : 0; };
}

template <typename Run>
int on_port(int port, Run run) {
  if (!port_handle(port)) return SIOFT_BADPORT;
  PortChannel channel(port);
  return run(channel);
}

template <typename Run>
int with_file_name(int port, const char* fname, Run run) {
  clear_blocking_path();
  if (!fname) return SIOFT_FOPEN;
  return on_port(port, [&](ByteChannel& channel) { return run(channel, std::string(fname)); });
}

// The name buffer shows the stored name as soon as the receiver knows it, so that the callback
// can show it during the transfer, and holds the final name (or nothing) afterwards.
template <typename Run>
int batch_receive(int port, char** names, int count, sio_callback cb, Run run) {
  clear_blocking_path();
  if (!names || count < 1 || !names[0]) return SIOFT_FOPEN;
  names[0][0] = '\0';
  return on_port(port, [&](ByteChannel& channel) {
    std::string stored;
    auto publish = [&] {
      std::size_t n = std::min(stored.size(), kMaxStoredName);
      std::memcpy(names[0], stored.data(), n);
      names[0][n] = '\0';
    };
    ProgressFn progress = [&](long done, long total) {
      publish();
      return cb ? cb(done, 0, 0, total) : 0;
    };
    int result = run(channel, program_folder(), stored, progress);
    publish();
    return result;
  });
}

}  // namespace
}  // namespace sio

using namespace sio;

int sio_FtXmodem1KCRCTx(int port, const char* fname, sio_callback cb, int) {
  return with_file_name(port, fname, [&](ByteChannel& c, const std::string& f) { return xmodem_send(c, XmodemVariant::Crc1K, f, progress_of(cb)); });
}
int sio_FtXmodemCheckSumTx(int port, const char* fname, sio_callback cb, int) {
  return with_file_name(port, fname, [&](ByteChannel& c, const std::string& f) { return xmodem_send(c, XmodemVariant::Checksum, f, progress_of(cb)); });
}
int sio_FtXmodemCRCTx(int port, const char* fname, sio_callback cb, int) {
  return with_file_name(port, fname, [&](ByteChannel& c, const std::string& f) { return xmodem_send(c, XmodemVariant::Crc, f, progress_of(cb)); });
}
int sio_FtYmodemTx(int port, const char* fname, sio_callback cb, int) {
  return with_file_name(port, fname, [&](ByteChannel& c, const std::string& f) { return ymodem_send(c, f, progress_of(cb)); });
}
int sio_FtZmodemTx(int port, const char* fname, sio_callback cb, int) {
  return with_file_name(port, fname, [&](ByteChannel& c, const std::string& f) { return zmodem_send(c, f, progress_of(cb)); });
}
int sio_FtKermitTx(int port, const char* fname, sio_callback cb, int) {
  return with_file_name(port, fname, [&](ByteChannel& c, const std::string& f) { return kermit_send(c, f, progress_of(cb)); });
}
int sio_FtASCIITx(int port, const char* fname, sio_callback cb, int) {
  return with_file_name(port, fname, [&](ByteChannel& c, const std::string& f) { return ascii_send(c, f, progress_of(cb)); });
}

int sio_FtXmodem1KCRCRx(int port, const char* fname, sio_callback cb, int) {
  return with_file_name(port, fname, [&](ByteChannel& c, const std::string& f) { return xmodem_receive(c, XmodemVariant::Crc1K, f, progress_of(cb)); });
}
int sio_FtXmodemCheckSumRx(int port, const char* fname, sio_callback cb, int) {
  return with_file_name(port, fname, [&](ByteChannel& c, const std::string& f) { return xmodem_receive(c, XmodemVariant::Checksum, f, progress_of(cb)); });
}
int sio_FtXmodemCRCRx(int port, const char* fname, sio_callback cb, int) {
  return with_file_name(port, fname, [&](ByteChannel& c, const std::string& f) { return xmodem_receive(c, XmodemVariant::Crc, f, progress_of(cb)); });
}
int sio_FtASCIIRx(int port, const char* fname, sio_callback cb, int, int quiet_seconds) {
  return with_file_name(port, fname, [&](ByteChannel& c, const std::string& f) { return ascii_receive(c, f, progress_of(cb), quiet_seconds); });
}

int sio_FtYmodemRx(int port, char** names, int count, sio_callback cb, int) {
  return batch_receive(port, names, count, cb, [&](ByteChannel& c, const std::string& folder, std::string& stored, const ProgressFn& p) { return ymodem_receive(c, folder, stored, p); });
}
int sio_FtZmodemRx(int port, char** names, int count, sio_callback cb, int) {
  return batch_receive(port, names, count, cb, [&](ByteChannel& c, const std::string& folder, std::string& stored, const ProgressFn& p) { return zmodem_receive(c, folder, stored, p); });
}
int sio_FtKermitRx(int port, char** names, int count, sio_callback cb, int) {
  return batch_receive(port, names, count, cb, [&](ByteChannel& c, const std::string& folder, std::string& stored, const ProgressFn& p) { return kermit_receive(c, folder, stored, p); });
}
