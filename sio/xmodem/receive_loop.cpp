#include "sio/xmodem/receive_loop.h"

#include <algorithm>
#include <chrono>

#include "sio/sio.h"

namespace sio::xmodem {
namespace {

class Clock {
 public:
  long now_ms() const {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start_)
                                 .count());
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

int send_reply(ByteChannel& channel, ReceiverCore& core) {
  auto& reply = core.reply();
  if (reply.empty()) return 0;
  int result = channel.write(reply.data(), reply.size());
  reply.clear();
  return result;
}

// Lets the sink act on an event; a sink's failure cancels the session.
void handle(ReceiverCore::Event event, ReceiverCore& core, ReceiveSink& sink, long now_ms) {
  int result = 0;
  switch (event) {
    case ReceiverCore::Event::Header:
      result = sink.on_header(core.payload());
      if (result == 0) core.accept_header(now_ms);
      break;
    case ReceiverCore::Event::Data:
      result = sink.on_data(core.payload());
      break;
    case ReceiverCore::Event::EndOfFile:
      result = sink.on_end_of_file();
      break;
    default:
      break;
  }
  if (result < 0) core.abort(result);
}

}  // namespace

int run_receiver(ByteChannel& channel, ReceiverCore& core, ReceiveSink& sink, const ProgressFn& progress) {
  Clock clock;
  ProgressReporter reporter(progress);
  core.start(clock.now_ms());
  if (int result = send_reply(channel, core); result < 0) return result;
  std::uint8_t buf[4096];
  while (!core.finished()) {
    if (!reporter.report(sink.done(), sink.total())) {
      core.abort(SIOFT_ABORT);
      send_reply(channel, core);
      break;
    }
    long wait = std::clamp(core.deadline() - clock.now_ms(), 0L, static_cast<long>(kProgressSliceMs));
    int n = channel.read(buf, sizeof buf, static_cast<int>(wait));
    if (n < 0) return n;
    long now = clock.now_ms();
    if (n == 0 && now >= core.deadline()) handle(core.tick(now), core, sink, now);
    for (int i = 0; i < n && !core.finished(); ++i) {
      handle(core.feed(buf[i], now), core, sink, now);
      if (int result = send_reply(channel, core); result < 0) return result;
    }
    if (int result = send_reply(channel, core); result < 0) return result;
  }
  reporter.report(sink.done(), sink.total(), true);
  return core.result();
}

}  // namespace sio::xmodem
