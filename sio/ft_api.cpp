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
#include "sio/protocols.h"

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

// A transfer of one named file: sent, or received under the caller's name.
int named_file(int port, ProtocolId id, bool send, const char* fname, sio_callback cb, int quiet_seconds = 0) {
  clear_blocking_path();
  if (!fname) return SIOFT_FOPEN;
  const Protocol& chosen = protocol(id);
  TransferJob job;
  job.file = fname;
  job.quiet_seconds = quiet_seconds;
  return on_port(port, [&](ByteChannel& channel) {
    return (send ? chosen.send : chosen.receive)(channel, job, progress_of(cb));
  });
}

// The name buffer shows the stored name as soon as the receiver knows it, so that the callback
// can show it during the transfer, and holds the final name (or nothing) afterwards.
int batch_receive(int port, ProtocolId id, char** names, int count, sio_callback cb) {
  clear_blocking_path();
  if (!names || count < 1 || !names[0]) return SIOFT_FOPEN;
  names[0][0] = '\0';
  return on_port(port, [&](ByteChannel& channel) {
    TransferJob job;
    job.folder = program_folder();
    auto publish = [&] {
      std::size_t n = std::min(job.stored_name.size(), kMaxStoredName);
      std::memcpy(names[0], job.stored_name.data(), n);
      names[0][n] = '\0';
    };
    ProgressFn progress = [&](long done, long total) {
      publish();
      return cb ? cb(done, 0, 0, total) : 0;
    };
    int result = protocol(id).receive(channel, job, progress);
    publish();
    return result;
  });
}

}  // namespace
}  // namespace sio

using namespace sio;

int sio_FtXmodem1KCRCTx(int port, const char* fname, sio_callback cb, int) { return named_file(port, ProtocolId::Xmodem1K, true, fname, cb); }
int sio_FtXmodemCheckSumTx(int port, const char* fname, sio_callback cb, int) { return named_file(port, ProtocolId::XmodemChecksum, true, fname, cb); }
int sio_FtXmodemCRCTx(int port, const char* fname, sio_callback cb, int) { return named_file(port, ProtocolId::XmodemCrc, true, fname, cb); }
int sio_FtYmodemTx(int port, const char* fname, sio_callback cb, int) { return named_file(port, ProtocolId::Ymodem, true, fname, cb); }
int sio_FtZmodemTx(int port, const char* fname, sio_callback cb, int) { return named_file(port, ProtocolId::Zmodem, true, fname, cb); }
int sio_FtKermitTx(int port, const char* fname, sio_callback cb, int) { return named_file(port, ProtocolId::Kermit, true, fname, cb); }
int sio_FtASCIITx(int port, const char* fname, sio_callback cb, int) { return named_file(port, ProtocolId::Ascii, true, fname, cb); }

int sio_FtXmodem1KCRCRx(int port, const char* fname, sio_callback cb, int) { return named_file(port, ProtocolId::Xmodem1K, false, fname, cb); }
int sio_FtXmodemCheckSumRx(int port, const char* fname, sio_callback cb, int) { return named_file(port, ProtocolId::XmodemChecksum, false, fname, cb); }
int sio_FtXmodemCRCRx(int port, const char* fname, sio_callback cb, int) { return named_file(port, ProtocolId::XmodemCrc, false, fname, cb); }
int sio_FtASCIIRx(int port, const char* fname, sio_callback cb, int, int quiet_seconds) {
  return named_file(port, ProtocolId::Ascii, false, fname, cb, quiet_seconds);
}

int sio_FtYmodemRx(int port, char** names, int count, sio_callback cb, int) { return batch_receive(port, ProtocolId::Ymodem, names, count, cb); }
int sio_FtZmodemRx(int port, char** names, int count, sio_callback cb, int) { return batch_receive(port, ProtocolId::Zmodem, names, count, cb); }
int sio_FtKermitRx(int port, char** names, int count, sio_callback cb, int) { return batch_receive(port, ProtocolId::Kermit, names, count, cb); }
