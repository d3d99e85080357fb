#include "sio/sio.h"
#include "sio/transfers.h"

namespace sio {

int ascii_send(ByteChannel&, const std::string&, const ProgressFn&) { return SIOFT_NOTSUPPORT; }
int ascii_receive(ByteChannel&, const std::string&, const ProgressFn&, int) { return SIOFT_NOTSUPPORT; }

}  // namespace sio
