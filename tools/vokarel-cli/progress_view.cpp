#include "tools/vokarel-cli/progress_view.h"

#include <algorithm>
#include <cstdio>

namespace cli {
namespace {

int percent(const ProgressSample& s) {
  return s.total > 0 ? static_cast<int>(std::min<long>(100, s.done * 100 / s.total)) : 0;
}

// Columns a UTF-8 text takes: one per character (the memo names are Cyrillic and Latin).
int columns(const std::string& text) {
  return static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string cut_to_columns(const std::string& text, int wanted) {
  std::string out;
  int used = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((text[i] & 0xC0) != 0x80 && used++ == wanted) break;
    out += text[i];
  }
  return out;
}

}  // namespace

std::string bar_line(const ProgressSample& s, int width) {
  const double rate = s.seconds > 0 ? s.done / s.seconds : 0;
  char tail[96];
  int n = std::snprintf(tail, sizeof tail, "  %.1f/%.1f KB  %3d%%  %.1f KB/s", s.done / 1024.0, s.total / 1024.0,
                        percent(s), rate / 1024);
  if (rate > 0 && s.total > s.done) {
    const long left = static_cast<long>((s.total - s.done) / rate + 0.5);
    std::snprintf(tail + n, sizeof tail - n, "  %ld:%02ld left", left / 60, left % 60);
  }
  constexpr int kBar = 20;
  const int filled = percent(s) * kBar / 100;
  const std::string bar = "  [" + std::string(filled, '#') + std::string(kBar - filled, '-') + "]";
  const int room = std::max(8, width - 1 - columns(bar) - columns(tail));
  std::string name = s.memo;
  if (columns(name) > room) name = cut_to_columns(name, room - 1) + "~";
  return name + bar + tail;
}

std::string plain_line(const ProgressSample& s) {
  return s.memo + ": " + std::to_string(s.done) + " of " + std::to_string(s.total) + " bytes (" +
         std::to_string(percent(s)) + "%)";
}

void ProgressView::update(const ProgressSample& s) {
  if (mode_ == Mode::Bar) {
    if (last_drawn_ >= 0 && s.seconds - last_drawn_ < 0.1 && s.done < s.total) return;
    last_drawn_ = s.seconds;
    std::fprintf(out_, "\r\033[K%s", bar_line(s, width_).c_str());
    bar_shown_ = true;
  } else if (mode_ == Mode::Plain && s.total > 0) {
    const int tenth = percent(s) / 10;
    if (tenth == last_tenth_) return;
    last_tenth_ = tenth;
    std::fprintf(out_, "%s\n", plain_line(s).c_str());
  }
  std::fflush(out_);
}

void ProgressView::finish() {
  if (bar_shown_) std::fprintf(out_, "\r\033[K");
  bar_shown_ = false;
  last_drawn_ = -1;
  last_tenth_ = -1;
  std::fflush(out_);
}

}  // namespace cli
