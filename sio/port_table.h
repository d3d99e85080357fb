// The open ports of this process, by COM number; shared by the port operations and the transfers.
#pragma once

#include <optional>
#include <string>

#include "sio/os.h"

namespace sio {

constexpr int kMaxPort = 256;

// The device a COM number reaches: the link COMn in the program folder, else /dev/ttyS<n-1>.
std::string resolve_port_path(int port);

// The handle of an open port, or nothing when the port number is not open.
std::optional<os::Handle> port_handle(int port);

// Keeps the system error number for sio_last_error().
void keep_last_error(int error_number);

}  // namespace sio
