#include "sio/sio.h"
#include "sio/transfers.h"

namespace sio {

int kermit_send(ByteChannel&, const std::string&, const ProgressFn&) { return SIOFT_NOTSUPPORT; }
int kermit_receive(ByteChannel&, const std::string&, std::string&, const ProgressFn&) { return SIOFT_NOTSUPPORT; }

}  // namespace sio
