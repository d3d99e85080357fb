// The one exception type of the file utilities: raised only where the caller must hear of a
// misuse or an unreadable file; every other failure is a false, empty or -1 result.
#pragma once

#include <stdexcept>
#include <string>

class FileUtilError : public std::runtime_error {
 public:
  enum class Kind {
    InvalidArgument,  // a dialog filter without ")", an empty text to write
    ReadFailed,       // a file that is missing, empty or unreadable
  };

  FileUtilError(Kind kind, const std::string& what) : std::runtime_error(what), kind_(kind) {}
  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};
