#include "tools/e365sim/dialogue.h"

#include <algorithm>
#include <cctype>

namespace e365sim {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kOk = "\r\nOK\r\n";
constexpr std::string_view kError = "\r\nERROR\r\n";
constexpr std::string_view kListCommand = "AT%PCTL=DIR /Voice Memo";
constexpr std::string_view kGetPrefix = "AT%PCTL=GET /Voice Memo/";

// Two stored messages in PDU mode (the listing of "AT+CMGL=4": all messages).
constexpr std::string_view kSmsListing =
    "+CMGL: 1,1,,30\r\n"
    "07919761989901F0040B919761214365F70000603051210300210CC3309B0D6A9741E2F0780D\r\n"
    "+CMGL: 2,1,,43\r\n"
    "07919761989901F0040B919730112132F30000603061905151211BCD72999E769F41613A280603A5DD203ABA0C7A9BCDE97119\r\n";

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

bool starts_ignoring_case(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equal_ignoring_case(text.substr(0, prefix.size()), prefix);
}

// Where the command starts: the first "AT", in either case.
std::string_view::size_type command_start(std::string_view line) {
  for (std::string_view::size_type i = 0; i + 1 < line.size(); ++i)
    if (starts_ignoring_case(line.substr(i), "AT")) return i;
  return std::string_view::npos;
}

std::string info_answer(std::string_view info) {
  std::string text(kCrLf);
  text.append(info);
  text.append(kCrLf);
  text.append(kOk);
  return text;
}

}  // namespace

std::string memo_listing(const std::vector<Memo>& memos) {
  std::string text;
  for (const Memo& memo : memos) {
    text += memo.name;
    text += " | FRW | ";
    text += std::to_string(memo.size);
    text += kCrLf;
  }
  text += "Transfer OK";
  text += kCrLf;
  return text;
}

Reply Dialogue::answer(const CommandLine& line, const std::vector<Memo>& memos) const {
  if (line.too_long) return {std::string(kError), std::nullopt};
  auto start = command_start(line.text);
  if (start == std::string_view::npos) return {};
  std::string_view command = std::string_view(line.text).substr(start);
  Reply reply = answer_command(command, memos);
  reply.text.insert(0, std::string(command) + "\r");
  return reply;
}

Reply Dialogue::answer_command(std::string_view command, const std::vector<Memo>& memos) const {
  for (const std::string& refused : settings_.error_commands)
    if (!refused.empty() && starts_ignoring_case(command, refused)) return {std::string(kError), std::nullopt};

  if (equal_ignoring_case(command, "AT") || equal_ignoring_case(command, "ATZ")) return {std::string(kOk), std::nullopt};
  if (equal_ignoring_case(command, "AT+GMM")) return {info_answer(settings_.model), std::nullopt};
  if (equal_ignoring_case(command, "AT+GMR")) return {info_answer(settings_.firmware), std::nullopt};
  if (equal_ignoring_case(command, "AT+CMGL=4")) return {std::string(kCrLf) + std::string(kSmsListing) + std::string(kOk), std::nullopt};
  if (equal_ignoring_case(command, kListCommand)) return {std::string(kCrLf) + memo_listing(memos) + std::string(kOk), std::nullopt};

  if (starts_ignoring_case(command, kGetPrefix)) {
    std::string_view name = command.substr(kGetPrefix.size());
    auto memo = std::find_if(memos.begin(), memos.end(), [&](const Memo& m) { return m.name == name; });
    if (memo == memos.end()) return {std::string(kError), std::nullopt};
    if (settings_.silent_get) return {};
    return {{}, MemoTransfer{memo->path, announced_name(*memo)}};
  }
  return {std::string(kError), std::nullopt};
}

std::string Dialogue::announced_name(const Memo& memo) const {
  if (!settings_.announce_as.empty()) return settings_.announce_as;
  return memo.name.substr(0, kAnnouncedNameBytes);
}

std::string Dialogue::after_transfer(bool succeeded) { return std::string(succeeded ? kOk : kError); }

}  // namespace e365sim
