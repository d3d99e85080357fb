// Copies that appear complete or not at all: the bytes go to a temporary file beside the
// destination, which is then put in place. errno tells why a call failed.
#pragma once

#include <string>

namespace fileutil {

enum class Existing { Keep, Replace };

// Copies the regular file `source` to `destination` with its permissions and modification time.
// With Existing::Keep an existing destination makes it fail (EEXIST) and stays untouched; with
// Existing::Replace it is replaced in one step.
bool copy_file(const std::string& source, const std::string& destination, Existing existing);

// Moves the regular file `source` to another file system: copy in place without replacing, data
// on disk, then remove the source. On any failure the source stays and no destination is left.
bool move_by_copying(const std::string& source, const std::string& destination);

}  // namespace fileutil
