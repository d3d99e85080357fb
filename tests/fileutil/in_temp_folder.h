// A test in a fresh temporary folder with one file-utility object, and the counts that show what
// the file utilities leave behind: entries in a folder, and the descriptors this process holds.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

#include "fileutil/cls_open_file.h"
#include "tests/support/temp_folder.h"

using test_support::file_exists;
using test_support::read_file;

inline std::size_t entries_in(const std::string& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

inline std::size_t open_descriptors() { return entries_in("/proc/self/fd"); }

class InTempFolder : public ::testing::Test {
 protected:
  std::string at(const std::string& name) const { return folder.file(name); }
  // Writes `bytes` to a file `name` in the folder and gives its path.
  std::string put(const std::string& name, const std::string& bytes) const {
    test_support::write_file(at(name), bytes);
    return at(name);
  }
  std::string make_folder(const std::string& name) const {
    if (mkdir(at(name).c_str(), 0755) != 0) throw std::runtime_error("cannot make " + at(name));
    return at(name);
  }

  test_support::TempFolder folder;
  clsOpenFile file;
};
