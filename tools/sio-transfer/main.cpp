// sio-transfer: runs one of the library's file transfers over a tty or pty and reports the
// library's result as "result N" on standard error (exit status 1 when it is negative).
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "sio/channel.h"
#include "sio/os.h"
#include "sio/protocols.h"
#include "sio/sio.h"
#include "tools/sio-transfer/command_line.h"

int main(int argc, char** argv) {
  // A peer that goes away ends the transfer with an error result, not with a signal.
  std::signal(SIGPIPE, SIG_IGN);
  std::string error;
  auto cl = parse_command_line(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!cl) {
    std::fprintf(stderr, "sio-transfer: %s\n%s", error.c_str(), usage().c_str());
    return 2;
  }
  const sio::Protocol* protocol = sio::protocol_named(cl->protocol);
  if (!protocol) {
    std::fprintf(stderr, "sio-transfer: unknown protocol %s\n%s", cl->protocol.c_str(), usage().c_str());
    return 2;
  }
  if (cl->file.empty() && (cl->send || !protocol->batch)) {
    std::fprintf(stderr, "sio-transfer: FILE is required here\n%s", usage().c_str());
    return 2;
  }

  sio::os::Handle handle;
  int opened = sio::os::open_exclusive(cl->device, handle);
  if (opened < 0) {
    std::fprintf(stderr, "sio-transfer: cannot open %s\nresult %d\n", cl->device.c_str(), SIOFT_BADPORT);
    return 1;
  }
  if (cl->baud > 0 && sio::os::set_line(handle, cl->baud, sio::os::LineMode{}) < 0) {
    std::fprintf(stderr, "sio-transfer: cannot set %ld bit/s on %s\n", cl->baud, cl->device.c_str());
    sio::os::close(handle);
    return 2;
  }

  sio::FdChannel channel(handle);
  sio::ProgressFn progress;
  if (cl->progress)
    progress = [](long done, long total) {
      std::fprintf(stderr, "progress %ld %ld\n", done, total);
      return 0;
    };
  // The ASCII receive ends after three quiet seconds, as the tool's engine asks of it.
  sio::TransferJob job;
  job.file = cl->file;
  job.folder = cl->dir;
  job.quiet_seconds = 3;
  int result = (cl->send ? protocol->send : protocol->receive)(channel, job, progress);
  sio::os::close(handle);
  if (!job.stored_name.empty()) std::fprintf(stderr, "stored %s\n", job.stored_name.c_str());
  std::fprintf(stderr, "result %d\n", result);
  return result < 0 ? 1 : 0;
}
