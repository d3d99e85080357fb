// A private temporary folder of the simulator, removed with its contents when it ends.
#pragma once

#include <string>

namespace e365sim {

class ScratchFolder {
 public:
  ScratchFolder();  // throws std::runtime_error when no folder can be made
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace e365sim
