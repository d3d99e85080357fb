// Plain ASCII transfers: the file's bytes as they are, with no framing, no check and no end
// marker.
//
// Send: writes the file's bytes unchanged (no line-end conversion, no pacing beyond the line's
// own flow control) and returns 0 once the last byte has been handed to the line.
//
// Receive: writes every byte that arrives, unchanged, into a file beside `path` that takes its
// name at the end (an existing file is never replaced: -5 at once). The receive has no end of
// its own; it ends
// - when the progress callback returns -1, or
// - when `quiet_seconds` pass without data after some has arrived (0 or less: only the callback
//   ends it; before the first byte it waits for as long as the user does).
// Both are the normal end: the file is put in place, even when empty, and the result is -4,
// which the caller shows as "file received". A line failure (-1, -10) removes what was received.
#pragma once

#include <cstddef>

namespace sio::ascii {

// Bytes read from the file at a time, and the most handed to the line at once.
constexpr std::size_t kSendChunk = 64 * 1024;

}  // namespace sio::ascii
