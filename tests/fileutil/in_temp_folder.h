// A test in a fresh temporary folder with one file-utility object.
#pragma once

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

#include "fileutil/cls_open_file.h"
#include "tools/testbed/temp_folder.h"

using namespace testbed;

class InTempFolder : public ::testing::Test {
 protected:
  std::string at(const std::string& name) const { return folder.file(name); }
  // Writes `bytes` to a file `name` in the folder and gives its path.
  std::string put(const std::string& name, const std::string& bytes) const {
    write_file(at(name), bytes);
    return at(name);
  }
  std::string make_folder(const std::string& name) const {
    if (mkdir(at(name).c_str(), 0755) != 0) throw std::runtime_error("cannot make " + at(name));
    return at(name);
  }

  TempFolder folder;
  clsOpenFile file;
};
