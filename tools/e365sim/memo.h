// A voice memo as the phone lists it: its name on the wire and the file that holds its bytes.
#pragma once

#include <string>

namespace e365sim {

struct Memo {
  std::string name;  // the name the listing shows and GET asks for, byte for byte
  std::string path;  // the file sent when it is asked for
  long long size = 0;
};

}  // namespace e365sim
