#include "tests/zmodem/memory_session.h"

namespace zmodem_test {

std::int64_t run_session(sio::zmodem::Sender& sender, sio::zmodem::Receiver& receiver, Line& to_receiver,
                         Line& to_sender, std::int64_t limit_ms) {
  std::int64_t now = 0;
  sender.start(now);
  receiver.start(now);
  while ((!sender.finished() || !receiver.finished()) && now < limit_ms) {
    if (sender.streaming()) sender.stream(4096);
    bool moved = !sender.output().empty() || !receiver.output().empty();
    Bytes a = to_receiver.carry(sender.output());
    Bytes b = to_sender.carry(receiver.output());
    if (!receiver.finished()) receiver.feed(a.data(), a.size(), now);
    if (!sender.finished()) sender.feed(b.data(), b.size(), now);
    if (!moved) {
      now += 10;
      sender.tick(now);
      receiver.tick(now);
    }
  }
  return now;
}

}  // namespace zmodem_test
