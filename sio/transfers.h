// The file transfers over any byte channel. The sio_Ft* operations run these over a port;
// tools and tests run them over ptys, sockets and pipes.
#pragma once

#include <string>

#include "sio/channel.h"
#include "sio/progress.h"

namespace sio {

enum class XmodemVariant { Checksum, Crc, Crc1K };

// Senders: `path` is the file to send. Results as the sio_Ft* operations. The batch senders
// announce the file as `announced_name`, or when it is empty (or not given) under its own name.
int xmodem_send(ByteChannel& channel, XmodemVariant variant, const std::string& path, const ProgressFn& progress);
int ymodem_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress,
                const std::string& announced_name = {});
int zmodem_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress,
                const std::string& announced_name = {});
int kermit_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress,
                const std::string& announced_name = {});
int ascii_send(ByteChannel& channel, const std::string& path, const ProgressFn& progress);

// Receivers of one named file: `path` is where it goes.
int xmodem_receive(ByteChannel& channel, XmodemVariant variant, const std::string& path, const ProgressFn& progress);
int ascii_receive(ByteChannel& channel, const std::string& path, const ProgressFn& progress, int quiet_seconds);

// Batch receivers: the first file is stored in `folder` under the name the sender announces,
// and `stored_name` gets that name.
int ymodem_receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress);
int zmodem_receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress);
int kermit_receive(ByteChannel& channel, const std::string& folder, std::string& stored_name, const ProgressFn& progress);

}  // namespace sio
