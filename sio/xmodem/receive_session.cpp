#include "sio/xmodem/receive_session.h"

namespace sio::xmodem {

void ReceiveSession::feed(const std::uint8_t* bytes, std::size_t len, Micros now) {
  for (std::size_t i = 0; i < len && !core_.finished(); ++i) handle(core_.feed(bytes[i], ms(now)), ms(now));
}

void ReceiveSession::tick(Micros now) {
  if (ms(now) >= core_.deadline()) handle(core_.tick(ms(now)), ms(now));
}

// Lets the sink act on an event; a sink's failure cancels the session.
void ReceiveSession::handle(ReceiverCore::Event event, long now_ms) {
  int result = 0;
  switch (event) {
    case ReceiverCore::Event::Header:
      result = sink_.on_header(core_.payload());
      if (result == 0) core_.accept_header(now_ms);
      break;
    case ReceiverCore::Event::Data:
      result = sink_.on_data(core_.payload());
      break;
    case ReceiverCore::Event::EndOfFile:
      result = sink_.on_end_of_file();
      break;
    default:
      break;
  }
  if (result < 0) core_.abort(result);
}

}  // namespace sio::xmodem
