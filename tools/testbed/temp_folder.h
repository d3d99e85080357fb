// A temporary folder removed with everything in it when the test ends, and a program folder
// pointed at one for the test's length (so parallel tests never share COMn links or files).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testbed {

class TempFolder {
 public:
  explicit TempFolder(const std::string& base = "/tmp");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

class ScopedProgramFolder : public TempFolder {
 public:
  ScopedProgramFolder();
  ~ScopedProgramFolder();
  // Makes COMn in the program folder a link to `device`.
  void link_port(int n, const std::string& device) const;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);
// What file code leaves behind: entries in a folder (their names, sorted), and the descriptors
// this process holds.
std::size_t entries_in(const std::string& folder);
std::vector<std::string> names_in(const std::string& folder);
std::size_t open_descriptors();

}  // namespace testbed
