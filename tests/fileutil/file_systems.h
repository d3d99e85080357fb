// Two folders on different file systems, for the moves that must copy: a tmpfs (/dev/shm) and
// the build tree or /tmp. Empty when this machine offers no such pair.
#pragma once

#include <memory>
#include <utility>

#include "tests/support/temp_folder.h"

struct FoldersOnTwoFileSystems {
  std::unique_ptr<test_support::TempFolder> tmpfs;
  std::unique_ptr<test_support::TempFolder> disk;
  explicit operator bool() const { return tmpfs && disk; }
};

FoldersOnTwoFileSystems folders_on_two_file_systems();
