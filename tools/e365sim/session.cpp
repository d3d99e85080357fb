#include "tools/e365sim/session.h"

#include <cstdio>

#include "tools/e365sim/memo_sender.h"
#include "tools/e365sim/stop_signals.h"

namespace e365sim {
namespace {

using std::chrono::milliseconds;

// The phone takes a moment after GET before its sender starts.
constexpr milliseconds kPauseBeforeSend{200};
// After a transfer, the receiver's last words are not commands.
constexpr int kDrainQuietMs = 150;
constexpr int kDrainMaxMs = 2000;

std::string printable(std::string_view bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c != 0x7F && c != '\\') {
      text.push_back(static_cast<char>(c));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      text += escaped;
    }
  }
  return text;
}

}  // namespace

void Session::run() {
  char buf[512];
  while (!stop_requested() && !line_.hung_up()) {
    int n = line_.read(reinterpret_cast<std::uint8_t*>(buf), sizeof buf, 100);
    if (n < 0) return;
    std::string_view bytes(buf, static_cast<std::size_t>(n));
    while (!bytes.empty())
      if (!handle(bytes)) return;
  }
}

bool Session::handle(std::string_view& bytes) {
  auto command = reader_.take(bytes);
  if (!command) return true;
  Reply reply = dialogue_.answer(*command, store_.memos());
  if (reply.text.empty() && !reply.transfer) return true;
  std::fprintf(stderr, "e365sim: %s\n", command->too_long ? "(line too long)" : printable(command->text).c_str());
  // An answer that found no reader is lost, as on a cable; the phone stays.
  line_.say(reply.text);
  if (reply.transfer) {
    // What followed the command belongs to the transfer.
    line_.unread(bytes);
    bytes = {};
    transfer(*reply.transfer);
  }
  return !stop_requested() && !line_.hung_up();
}

void Session::transfer(const MemoTransfer& memo) {
  if (!sleep_until(Pacer::Clock::now() + kPauseBeforeSend)) return;
  int result = send_memo(line_, memo);
  std::fprintf(stderr, "e365sim: sent %s as \"%s\": result %d%s\n", printable(memo.path).c_str(),
               printable(header_name_for(memo.announced)).c_str(), result, line_.hung_up() ? ", hung up" : "");
  if (line_.hung_up() || stop_requested()) return;
  line_.drain(kDrainQuietMs, kDrainMaxMs);
  reader_.reset();
  line_.say(Dialogue::after_transfer(result >= 0));
}

}  // namespace e365sim
