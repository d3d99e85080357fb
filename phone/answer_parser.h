// Reading the phone's answers. An answer is everything received since the last command line
// was sent; the phone echoes the command first, so the echo tells which command was answered.
//
// Each reading is a scan that can go on where it stopped: given the answer as it has grown since,
// it looks only at what is new. The whole-answer functions at the end run the same scans once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// CR LF "OK" CR LF: an answer is complete once it holds this.
inline constexpr std::string_view kAnswerComplete = "\r\nOK\r\n";
// The one command whose answer puts the window into its SMS-listing state.
inline constexpr std::string_view kSmsListCommand = "AT+CMGL=4";
inline constexpr std::string_view kMemoListCommand = "AT%PCTL=DIR /Voice Memo";
inline constexpr std::string_view kMemoGetCommand = "AT%PCTL=GET /Voice Memo/";

enum class AnswerKind {
  Ignored,        // empty, "ATZ", the download command, anything typed by hand
  SmsList,        // "AT+CMGL=4": stays in the terminal only
  MemoList,       // "AT%PCTL=DIR /Voice Memo"
  Firmware,       // "AT+GMR"
  AcceptedModel,  // "AT+GMM" answered by an E365
  RejectedModel,  // "AT+GMM" answered by any other phone
};

// Whether the answer is complete and which texts it holds (exact case), as far as it was read.
struct AnswerScan {
  std::size_t scanned = 0;
  bool complete = false;
  bool sms_list = false;
  bool memo_list = false;
  bool firmware = false;
  bool model = false;
  bool e365 = false;
};
void ContinueAnswerScan(AnswerScan& scan, std::string_view answer);
// Tests the commands in this order: "AT+CMGL=4", the listing, "AT+GMR", "AT+GMM".
AnswerKind KindOf(const AnswerScan& scan);

// The reply of a model or firmware query: the answer from its 10th character on, without its
// last character, with every CR, then every "OK", then every LF removed and the blanks trimmed.
// ("AT+GMR", CR, CR, LF are the 9 characters in front of the reply.)
struct ReplyScan {
  std::size_t consumed = 9;
  std::string text;     // without leading blanks; trailing ones go when it is read
  bool held_o = false;  // an "O" that the next character may make an "OK"
};
void ContinueReplyScan(ReplyScan& scan, std::string_view answer);
std::string ReplyOf(const ReplyScan& scan);

// The longest memo name kept from a listing, in bytes. The phone's own names are far shorter;
// at this bound even a name of bytes that each become three in UTF-8 makes a file name (with
// ".amr") within the 255 bytes a file system takes.
inline constexpr std::size_t kMaxMemoNameBytes = 80;

// The raw memo names of a listing answer, in listing order. The answer without its blanks at
// either end loses its first 26 characters (the echo "AT%PCTL=DIR /Voice Memo", CR, CR, LF) and
// ends at "Transfer OK"; each entry line then reads: name, blanks, "| FRW |", further text,
// CR LF (markers in any case). Text between entry lines joins the next name. An entry whose
// name is longer than kMaxMemoNameBytes is skipped: cut, it would no longer be a name the phone
// knows, so it could be neither asked for nor told from another.
struct MemoListScan {
  static constexpr std::size_t kUnknown = std::string_view::npos;
  std::size_t origin = kUnknown;  // where the entries begin
  std::size_t end = kUnknown;     // the "Transfer OK" that ends the listing
  std::size_t end_from = 0;
  std::size_t name_start = 0;
  std::size_t marker = kUnknown;  // an entry's marker whose line break has not come yet
  std::size_t marker_from = 0;
  std::size_t break_from = 0;
  bool finished = false;
  std::vector<std::string> names;
};
// The entries begin once the trimmed answer is 26 characters long (a listing answer always is:
// its echo alone has 23 characters and its completion 6).
void ContinueMemoListScan(MemoListScan& scan, std::string_view answer);

AnswerKind ClassifyAnswer(std::string_view answer);
std::string ReplyText(std::string_view answer);
// A trimmed answer shorter than 26 characters is scanned whole.
std::vector<std::string> ScanMemoNames(std::string_view answer);
