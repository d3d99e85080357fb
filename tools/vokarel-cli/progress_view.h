// The progress of a download on standard error: a bar redrawn in place on a terminal, a line at
// every tenth otherwise, nothing when asked to be quiet.
#pragma once

#include <cstdio>
#include <string>

namespace cli {

struct ProgressSample {
  std::string memo;   // UTF-8, as the list shows it
  long done = 0;      // bytes
  long total = 0;     // bytes the phone announced; 0 while unknown
  double seconds = 0; // since the memo's transfer started
};

// "memo  [#####-----]  45.0/120.0 KB  37%  5.6 KB/s  0:13 left", fitted to `width` columns by
// shortening the memo's name.
std::string bar_line(const ProgressSample& s, int width);
// "memo: 46080 of 122880 bytes (37%)"
std::string plain_line(const ProgressSample& s);

class ProgressView {
 public:
  enum class Mode { Bar, Plain, Quiet };
  ProgressView(Mode mode, std::FILE* out, int width = 80) : mode_(mode), out_(out), width_(width) {}

  void update(const ProgressSample& s);
  // Ends the memo's progress (the bar's line is cleared) before its outcome is printed.
  void finish();

 private:
  Mode mode_;
  std::FILE* out_;
  int width_;
  double last_drawn_ = -1;
  int last_tenth_ = -1;
  bool bar_shown_ = false;
};

}  // namespace cli
