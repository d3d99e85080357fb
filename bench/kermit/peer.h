// C-Kermit as a child process on a line's device, sending or receiving in binary mode.
#pragma once

#include <string>
#include <sys/types.h>

namespace bench {

class CKermit {
 public:
  // Runs in `folder` on `device`: sends `file` (a name in that folder), or receives into it.
  CKermit(const std::string& device, const std::string& folder, bool send, const std::string& file = {});
  ~CKermit();
  CKermit(const CKermit&) = delete;
  CKermit& operator=(const CKermit&) = delete;
  // The exit status (0 = the transfer succeeded), -1 when it had to be killed.
  int wait(int timeout_ms);

 private:
  pid_t pid_ = -1;
};

}  // namespace bench
