// Names from the phone become file names only when they cannot reach outside the program folder.
#pragma once

#include <cstddef>
#include <string>

// True when `name` can be used as it is for a file in the program folder: not empty, not "."
// or "..", no "/" and no control characters.
bool IsSafeFileName(const std::string& name);

// The display name (Windows-1251 bytes) as a file name in UTF-8, or empty when it is not safe.
std::string DisplayFileName(const std::string& display_name);

// A memo as a download needs it: the display name as listed (Windows-1251 bytes) and the raw name
// as the phone spells it.
struct MemoNames {
  std::string display;
  std::string raw;
};

// A memo may be saved only when both its names stay inside the program folder.
bool NamesAreSafe(const MemoNames& memo);

// The phone announces a memo it sends by its raw name, cut to the first 30 bytes when longer.
inline constexpr std::size_t kAnnouncedNameBytes = 30;

// True when `announced` (the name a receive stored the file under: the last part of what the
// sender announced) is the memo's raw name or the first 30 bytes of it.
bool AnnouncesMemo(const std::string& announced, const MemoNames& memo);
