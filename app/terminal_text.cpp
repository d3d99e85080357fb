#include "app/terminal_text.h"

#include <cstdint>

#include "phone/windows1251.h"

std::size_t TerminalText::DropCount(std::size_t incoming) const {
  std::size_t length = text_.size();
  std::size_t dropped = 0;
  for (std::size_t i = 0; i < incoming; ++i) {
    if (length >= kCap) {
      length -= kDrop;
      dropped += kDrop;
    }
    ++length;
  }
  return dropped;
}

void TerminalText::Append(std::string_view block) {
  const std::size_t dropped = DropCount(block.size());
  text_.append(block);
  text_.erase(0, dropped);
}

QString RenderTerminal(std::string_view bytes, char before) {
  QString shown = FromWindows1251(bytes);
  qsizetype out = 0;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    const char byte = bytes[static_cast<std::size_t>(i)];
    const char previous = i > 0 ? bytes[static_cast<std::size_t>(i - 1)] : before;
    const auto code = static_cast<std::uint8_t>(byte);
    if (byte == '\n' && previous == '\r') continue;  // the CR already broke the line
    if (byte == '\r' || byte == '\n')
      shown[out++] = QChar(u'\n');
    else if (code < 0x20)
      shown[out++] = QChar(char16_t(0x2400 + code));  // ␀, ␁, ... ␟
    else if (code == 0x7F)
      shown[out++] = QChar(char16_t(0x2421));  // ␡
    else
      shown[out++] = shown[i];
  }
  shown.truncate(out);
  return shown;
}

std::size_t RenderedLength(std::string_view bytes) {
  std::size_t pairs = 0;
  for (std::size_t i = 1; i < bytes.size(); ++i)
    if (bytes[i] == '\n' && bytes[i - 1] == '\r') ++pairs;
  return bytes.size() - pairs;
}
