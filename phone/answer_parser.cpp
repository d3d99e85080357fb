#include "phone/answer_parser.h"

#include <algorithm>

#include "phone/text_scan.h"

namespace {

constexpr std::string_view kEntryMarker = "| FRW |";
constexpr std::string_view kListingEnd = "Transfer OK";
constexpr std::size_t kListingEchoLength = 26;
constexpr std::string_view kLineBreak = "\r\n";
constexpr auto npos = std::string_view::npos;

// How far back a search resumes so that a text split between two reads is still found.
std::size_t ResumeAt(std::size_t size, std::string_view text) {
  return size >= text.size() ? size - text.size() + 1 : 0;
}

void LookFor(bool& found, std::string_view answer, std::size_t from, std::string_view text) {
  if (!found) found = answer.find(text, ResumeAt(from, text)) != npos;
}

}  // namespace

void ContinueAnswerScan(AnswerScan& scan, std::string_view answer) {
  const std::size_t from = scan.scanned;
  LookFor(scan.complete, answer, from, kAnswerComplete);
  LookFor(scan.sms_list, answer, from, kSmsListCommand);
  LookFor(scan.memo_list, answer, from, kMemoListCommand);
  LookFor(scan.firmware, answer, from, "AT+GMR");
  LookFor(scan.model, answer, from, "AT+GMM");
  LookFor(scan.e365, answer, from, "E365");
  scan.scanned = answer.size();
}

AnswerKind KindOf(const AnswerScan& scan) {
  if (scan.sms_list) return AnswerKind::SmsList;
  if (scan.memo_list) return AnswerKind::MemoList;
  if (scan.firmware) return AnswerKind::Firmware;
  if (scan.model) return scan.e365 ? AnswerKind::AcceptedModel : AnswerKind::RejectedModel;
  return AnswerKind::Ignored;
}

void ContinueReplyScan(ReplyScan& scan, std::string_view answer) {
  // The last character of the answer is never part of the reply.
  for (; scan.consumed + 1 < answer.size(); ++scan.consumed) {
    const char c = answer[scan.consumed];
    if (c == '\r') continue;  // CR goes first, so "O" CR "K" makes an "OK"
    if (scan.held_o) {
      scan.held_o = false;
      if (c == 'K') continue;
      scan.text.push_back('O');
    }
    if (c == 'O') {
      scan.held_o = true;
      continue;
    }
    if (c == '\n') continue;  // LF goes last, so "O" LF "K" stays "OK"
    if (c == ' ' && scan.text.empty()) continue;
    scan.text.push_back(c);
  }
}

std::string ReplyOf(const ReplyScan& scan) {
  std::string reply = scan.text;
  if (scan.held_o) reply.push_back('O');
  return TrimSpaces(reply);
}

void ContinueMemoListScan(MemoListScan& scan, std::string_view answer) {
  if (scan.finished) return;
  if (scan.origin == MemoListScan::kUnknown) {
    const auto first = answer.find_first_not_of(' ');
    if (first == npos || answer.find_last_not_of(' ') + 1 - first < kListingEchoLength) return;
    scan.origin = scan.end_from = scan.name_start = scan.marker_from = first + kListingEchoLength;
  }
  if (scan.end == MemoListScan::kUnknown) {
    scan.end = FindIgnoringCase(answer, kListingEnd, scan.end_from);
    scan.end_from = std::max(scan.origin, ResumeAt(answer.size(), kListingEnd));
  }
  const std::string_view listing = answer.substr(0, scan.end == npos ? answer.size() : scan.end);
  // Nothing after "Transfer OK" counts: once it is found, this pass is the last.
  const bool last_pass = scan.end != npos;
  for (;;) {
    if (scan.marker != npos) {
      // The next name begins on the line after the entry's marker.
      const auto line_break = listing.find(kLineBreak, scan.break_from);
      if (line_break == npos) {
        scan.break_from = std::max(scan.marker, ResumeAt(listing.size(), kLineBreak));
        scan.finished = last_pass;
        return;
      }
      scan.name_start = scan.marker_from = line_break + kLineBreak.size();
      scan.marker = npos;
    }
    const auto marker = FindIgnoringCase(listing, kEntryMarker, scan.marker_from);
    if (marker == npos) {
      scan.marker_from = std::max(scan.name_start, ResumeAt(listing.size(), kEntryMarker));
      scan.finished = last_pass;
      return;
    }
    std::string name = TrimSpaces(listing.substr(scan.name_start, marker - scan.name_start));
    if (name.size() <= kMaxMemoNameBytes) scan.names.push_back(std::move(name));
    scan.marker = scan.break_from = marker;
  }
}

AnswerKind ClassifyAnswer(std::string_view answer) {
  AnswerScan scan;
  ContinueAnswerScan(scan, answer);
  return KindOf(scan);
}

std::string ReplyText(std::string_view answer) {
  ReplyScan scan;
  ContinueReplyScan(scan, answer);
  return ReplyOf(scan);
}

std::vector<std::string> ScanMemoNames(std::string_view answer) {
  MemoListScan scan;
  ContinueMemoListScan(scan, answer);
  if (scan.origin == MemoListScan::kUnknown) {
    const auto first = answer.find_first_not_of(' ');
    if (first == npos) return {};
    scan.origin = scan.end_from = scan.name_start = scan.marker_from = first;
    ContinueMemoListScan(scan, answer);
  }
  return std::move(scan.names);
}
