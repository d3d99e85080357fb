// The open ports of this process, by COM number; shared by the port operations and the transfers.
#pragma once

#include <optional>
#include <string>

#include "sio/os.h"

namespace sio {

constexpr int kMaxPort = 256;

// The device a COM number reaches: the device bound to it, else the link COMn in the program
// folder, else /dev/ttyS<n-1>.
std::string resolve_port_path(int port);

// Binds a COM number to a device path (links such as /dev/serial/by-id/... are followed when the
// port opens), for a program that is given a device rather than a COM number; an empty path
// unbinds it. The binding lasts until the process ends.
void bind_port_device(int port, const std::string& device);

// The handle of an open port, or nothing when the port number is not open.
std::optional<os::Handle> port_handle(int port);

}  // namespace sio
