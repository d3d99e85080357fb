#include "app/answer_parser.h"

#include "app/text_scan.h"

namespace {

constexpr std::string_view kEntryMarker = "| FRW |";
constexpr std::string_view kListingEnd = "Transfer OK";
// "AT%PCTL=DIR /Voice Memo", CR, CR, LF in front of the first entry.
constexpr std::size_t kListingEchoLength = 26;
constexpr std::string_view kLineBreak = "\r\n";

}  // namespace

AnswerKind ClassifyAnswer(std::string_view answer) {
  if (answer.empty()) return AnswerKind::Ignored;
  if (Contains(answer, "AT+CMGL=4")) return AnswerKind::SmsList;
  if (Contains(answer, "AT%PCTL=DIR /Voice Memo")) return AnswerKind::MemoList;
  if (Contains(answer, "AT+GMR")) return AnswerKind::Firmware;
  if (Contains(answer, "AT+GMM"))
    return Contains(answer, "E365") ? AnswerKind::AcceptedModel : AnswerKind::RejectedModel;
  return AnswerKind::Ignored;
}

std::string ReplyText(std::string_view answer) {
  if (answer.size() < 10) return {};
  std::string reply(answer.substr(9, answer.size() - 10));
  reply = RemoveAll(reply, "\r");
  reply = RemoveAll(reply, "OK");
  reply = RemoveAll(reply, "\n");
  return TrimSpaces(reply);
}

std::vector<std::string> ScanMemoNames(std::string_view answer) {
  std::string listing = TrimSpaces(answer);
  if (listing.size() >= kListingEchoLength) listing.erase(0, kListingEchoLength);
  if (const auto end = FindIgnoringCase(listing, kListingEnd); end != std::string::npos)
    listing.erase(end);

  std::vector<std::string> names;
  std::size_t start = 0;
  for (;;) {
    const auto marker = FindIgnoringCase(listing, kEntryMarker, start);
    if (marker == std::string::npos) break;
    names.push_back(TrimSpaces(std::string_view(listing).substr(start, marker - start)));
    const auto line_end = listing.find(kLineBreak, marker);
    // A marker with no line break after it is the last entry: nothing can follow it.
    if (line_end == std::string::npos) break;
    start = line_end + kLineBreak.size();
  }
  return names;
}
