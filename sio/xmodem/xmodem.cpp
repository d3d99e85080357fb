#include "sio/sio.h"
#include "sio/transfers.h"

namespace sio {

int xmodem_send(ByteChannel&, XmodemVariant, const std::string&, const ProgressFn&) { return SIOFT_NOTSUPPORT; }
int xmodem_receive(ByteChannel&, XmodemVariant, const std::string&, const ProgressFn&) { return SIOFT_NOTSUPPORT; }
int ymodem_send(ByteChannel&, const std::string&, const ProgressFn&) { return SIOFT_NOTSUPPORT; }
int ymodem_receive(ByteChannel&, const std::string&, std::string&, const ProgressFn&) { return SIOFT_NOTSUPPORT; }

}  // namespace sio
