// Counts that show what the file utilities leave behind: entries in a folder, and the
// descriptors this process holds.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

inline std::size_t entries_in(const std::string& folder) {
  std::size_t n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

inline std::size_t open_descriptors() { return entries_in("/proc/self/fd"); }
