// What a sender may call a file: received names are confined to the folder they land in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sio {

// The longest name a batch receive reports (its buffer holds this and a terminating zero).
constexpr std::size_t kMaxStoredName = 260;

// The name to store an announced file under: the bytes of its last path component, unchanged.
// Nothing for an empty name, ".", "..", a name with control characters, or one too long to store.
std::optional<std::string> stored_name_for(std::string_view announced);

}  // namespace sio
