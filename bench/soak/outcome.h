// How one soak transfer ended, judged by the receiver's result and the file it left.
#pragma once

#include <string>

namespace soak {

enum class Ending {
  Exact,         // reported good, and the file is the one sent
  Failed,        // reported failure with a result
  WrongFile,     // reported good with a missing or different file: must never happen
  NotSupported,  // the protocol is not built yet (-11)
  Hung,          // did not end within the safety time-out, and was killed
};

struct Outcome {
  Ending ending = Ending::Failed;
  int result = 0;         // the receiver's result
  double seconds = 0;     // from the receiver's start until both ends stopped
  bool leftover = false;  // a failed receive left a file behind
  long bytes = 0;         // size of the file sent
};

// A line's faults: each byte has a bit flipped with chance `flip`, and is lost with chance `drop`.
struct Noise {
  double flip = 0;
  double drop = 0;
};

const char* ending_name(Ending ending);

}  // namespace soak
