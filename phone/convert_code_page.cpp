#include "phone/convert_code_page.h"

#include <cstdint>

#include "phone/text_scan.h"

std::string ConvertCodePage(const std::string& SourseString) {
  const std::string text = TrimSpaces(SourseString);
  std::string result;
  result.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<std::uint8_t>(text[i]);
    const bool has_second = i + 1 < text.size();
    const auto d = has_second ? static_cast<std::uint8_t>(text[i + 1]) : 0;
    if (c == 0xD0 && has_second && d < 0xD0) {
      result.push_back(static_cast<char>(d == 0x81 ? 0xA8 : d + 0x30));  // 0x81: Ё
      i += 2;
    } else if (c == 0xD1 && has_second) {
      result.push_back(static_cast<char>(d + 0x70 <= 0xFF ? d + 0x70 : 0xB8));  // 0x90 and up: ё
      i += 2;
    } else {
      result.push_back(static_cast<char>(c));
      ++i;
    }
  }
  return result;
}
