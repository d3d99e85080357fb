#include "tools/testbed/temp_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "sio/program_folder.h"

namespace testbed {

TempFolder::TempFolder(const std::string& base) {
  std::string pattern = base + "/vokarel-test-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed in " + base);
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ScopedProgramFolder::ScopedProgramFolder() { sio::set_program_folder(path()); }
ScopedProgramFolder::~ScopedProgramFolder() { sio::set_program_folder(""); }

void ScopedProgramFolder::link_port(int n, const std::string& device) const {
  std::string link = file("COM" + std::to_string(n));
  unlink(link.c_str());
  if (symlink(device.c_str(), link.c_str()) != 0) throw std::runtime_error("symlink failed: " + link);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::size_t entries_in(const std::string& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::size_t open_descriptors() { return entries_in("/proc/self/fd"); }

}  // namespace testbed
