// Putting a file under a new name without ever replacing what is already there. Each call is
// atomic: no moment exists at which the destination was checked free but not yet taken.
#pragma once

#include <string>

namespace fileutil {

// rename() that fails with EEXIST instead of replacing `to`. Also moves folders. EINVAL or
// ENOSYS when the file system cannot refuse to replace this way.
bool rename_noreplace(const std::string& from, const std::string& to);

// The older way to the same end for files: link() refuses an existing `to`; then `from` goes.
// Should `from` refuse to go, the new link is taken back and the call fails.
bool link_then_unlink(const std::string& from, const std::string& to);

// rename_noreplace, falling back to link_then_unlink where the file system lacks the former.
// errno tells why it failed (EEXIST: the destination exists; EXDEV: another file system).
bool place_without_replacing(const std::string& from, const std::string& to);

// The folder part of a path ("." for a bare name, "/" for a name in the root).
std::string folder_of(const std::string& path);

}  // namespace fileutil
