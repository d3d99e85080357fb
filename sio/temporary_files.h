// The temporary files that received data is written to before it gets its name. Each is locked
// (flock) while it is written, so a cleanup can tell a running transfer's file, in this or another
// process, from one that a program which died while receiving left behind.
#pragma once

#include <string>

namespace sio {

// Creates a temporary file in `folder` and holds its lock on the returned descriptor (closing it
// releases the lock); `path` gets its name. -1 with errno set when none can be made.
int create_locked_temporary(const std::string& folder, std::string& path);

// Removes the temporary files in `folder` that nobody holds locked, and nothing else. Returns how
// many were removed.
int remove_stale_temporaries(const std::string& folder);

}  // namespace sio
