// The terminal's text: one character per received byte, in arrival order, capped. Before a
// character is added to a text of 8192 characters or more, the first 4096 are dropped.
#pragma once

#include <QString>
#include <string>
#include <string_view>

class TerminalText {
 public:
  static constexpr std::size_t kCap = 8192;
  static constexpr std::size_t kDrop = 4096;

  // How many leading characters appending `incoming` characters one by one drops.
  std::size_t DropCount(std::size_t incoming) const;
  // Appends a block with the same result as appending its bytes one at a time.
  void Append(std::string_view block);
  void Clear() { text_.clear(); }
  const std::string& Bytes() const { return text_; }

 private:
  std::string text_;
};

// How the terminal shows received bytes: CR LF, a lone CR and a lone LF are each one line
// break ('\n'), other control characters are visible placeholders (the Control Pictures
// block), everything else is its Windows-1251 letter. `before` is the byte in front of `bytes`
// (0 at the start), so that an LF after a CR of the previous block adds no second break.
QString RenderTerminal(std::string_view bytes, char before = 0);

// The length of RenderTerminal(bytes): one per byte, less one per CR LF pair.
std::size_t RenderedLength(std::string_view bytes);
