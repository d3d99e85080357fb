// Reading the phone's answers. An answer is everything received since the last command line
// was sent; the phone echoes the command first, so the echo tells which command was answered.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// CR LF "OK" CR LF: an answer is complete once it holds this.
inline constexpr std::string_view kAnswerComplete = "\r\nOK\r\n";

enum class AnswerKind {
  Ignored,        // empty, "ATZ", the download command, anything typed by hand
  SmsList,        // "AT+CMGL=4": stays in the terminal only
  MemoList,       // "AT%PCTL=DIR /Voice Memo"
  Firmware,       // "AT+GMR"
  AcceptedModel,  // "AT+GMM" answered by an E365
  RejectedModel,  // "AT+GMM" answered by any other phone
};

// Tests the commands in this order: "AT+CMGL=4", the listing, "AT+GMR", "AT+GMM" (exact case).
AnswerKind ClassifyAnswer(std::string_view answer);

// The reply of a model or firmware query: the answer from its 10th character on, without its
// last character, with every CR, then every "OK", then every LF removed and the blanks trimmed.
// ("AT+GMR", CR, CR, LF are the 9 characters in front of the reply.)
std::string ReplyText(std::string_view answer);

// The raw memo names of a listing answer, in listing order. Each entry line reads: name,
// blanks, "| FRW |", further text, CR LF; "Transfer OK" ends the listing (markers in any case).
std::vector<std::string> ScanMemoNames(std::string_view answer);
