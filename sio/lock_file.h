// The lock file convention that Linux serial programs share (minicom, cu, C-Kermit): a file
// LCK..<device name> in the system's lock folder holding the owner's PID as ten ASCII digits
// and a newline.
#pragma once

#include <string>

namespace sio::os {

// /var/lock, else /run/lock; empty when the system has neither.
std::string lock_folder();

// "LCK..ttyUSB0" for /dev/ttyUSB0: the base name, as C-Kermit has it ("LCK..3" for
// /dev/pts/3).
std::string lock_file_name(const std::string& device);

// Takes the lock of `device` (a resolved path) in `folder` for this process. SIO_OK with `path`
// set to the lock file, or left empty when the folder is missing or not ours to write (the
// advisory lock on the device still keeps other programs out); SIO_OPENFAIL with errno EBUSY
// when a live process holds it. A lock file whose process has ended is taken over (or, where
// we may not remove it, ignored).
int take_lock_file(const std::string& folder, const std::string& device, std::string& path);

// Removes the lock file at `path` if it still names this process.
void release_lock_file(const std::string& path);

}  // namespace sio::os
