#include "fileutil/ini_text.h"

#include <vector>

#include "fileutil/case_fold.h"

namespace fileutil {
namespace {

std::string_view trimmed(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

// One line of the file: where it lies in the text (its end of line excluded) and what it is.
struct Line {
  enum class Kind { Blank, Comment, Section, Entry, Other };
  std::size_t begin = 0, end = 0;
  Kind kind = Kind::Blank;
  std::string_view name;   // the section's or the key's
  std::string_view value;  // an entry's
};

Line parse_line(std::string_view text, std::size_t begin, std::size_t end) {
  Line line;
  line.begin = begin;
  line.end = end;
  std::string_view content = text.substr(begin, end - begin);
  if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
  content = trimmed(content);
  if (content.empty()) return line;
  line.kind = Line::Kind::Comment;
  if (content.front() == ';') return line;
  if (content.front() == '[') {
    line.kind = Line::Kind::Section;
    line.name = trimmed(content.substr(1, content.find(']') - 1));
    return line;
  }
  const auto equals = content.find('=');
  line.kind = Line::Kind::Other;
  if (equals == std::string_view::npos) return line;
  line.kind = Line::Kind::Entry;
  line.name = trimmed(content.substr(0, equals));
  line.value = trimmed(content.substr(equals + 1));
  return line;
}

std::vector<Line> lines_of(std::string_view text) {
  std::vector<Line> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(parse_line(text, begin, end));
    begin = end + 1;
  }
  return lines;
}

// Where the first section of that name lies: its header line and the line after its last.
struct SectionSpan {
  std::size_t header = 0, end = 0;
  bool found = false;
};

SectionSpan find_section(const std::vector<Line>& lines, std::string_view section) {
  SectionSpan span;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != Line::Kind::Section) continue;
    if (span.found) {
      span.end = i;
      return span;
    }
    if (equal_ignoring_case(lines[i].name, section)) span = {i, lines.size(), true};
  }
  return span;
}

const Line* find_entry(const std::vector<Line>& lines, const SectionSpan& span,
                       std::string_view key) {
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    if (lines[i].kind == Line::Kind::Entry && equal_ignoring_case(lines[i].name, key)) {
      return &lines[i];
    }
  }
  return nullptr;
}

// New lines end the way the file's lines already do.
std::string_view line_end_of(std::string_view text) {
  const auto newline = text.find('\n');
  return newline != std::string_view::npos && newline > 0 && text[newline - 1] == '\r' ? "\r\n"
                                                                                        : "\n";
}

}  // namespace

std::optional<std::string> ini_value(std::string_view text, std::string_view section,
                                     std::string_view key) {
  const auto lines = lines_of(text);
  const SectionSpan span = find_section(lines, trimmed(section));
  if (!span.found) return std::nullopt;
  const Line* entry = find_entry(lines, span, trimmed(key));
  if (!entry) return std::nullopt;
  return std::string(entry->value);
}

bool ini_entry_fits(std::string_view section, std::string_view key, std::string_view value) {
  auto one_line = [](std::string_view s) { return s.find_first_of("\r\n") == s.npos; };
  const std::string_view name = trimmed(key);
  return one_line(section) && one_line(key) && one_line(value) &&
         section.find(']') == section.npos && !name.empty() && name.find('=') == name.npos &&
         name.front() != ';' && name.front() != '[';
}

std::string ini_with_value(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value) {
  const auto lines = lines_of(text);
  const std::string_view eol = line_end_of(text);
  const std::string entry = std::string(trimmed(key)) + "=" + std::string(value);
  const SectionSpan span = find_section(lines, trimmed(section));

  std::string result(text);
  if (!span.found) {
    if (!result.empty() && result.back() != '\n') result += eol;
    result += "[" + std::string(trimmed(section)) + "]";
    result += eol;
    return result + entry + std::string(eol);
  }
  if (const Line* old = find_entry(lines, span, trimmed(key))) {
    // The old line's own "\r", if any, stays with its end of line.
    std::size_t end = old->end;
    if (end > old->begin && text[end - 1] == '\r') --end;
    return result.replace(old->begin, end - old->begin, entry);
  }
  // After the section's last line that is not blank, so blank lines before the next section
  // keep separating it.
  std::size_t last = span.header;
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    if (lines[i].kind != Line::Kind::Blank) last = i;
  }
  const Line& after = lines[last];
  if (after.end == text.size()) return result + std::string(eol) + entry + std::string(eol);
  return result.insert(after.end + 1, entry + std::string(eol));
}

}  // namespace fileutil
