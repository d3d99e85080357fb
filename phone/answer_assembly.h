// The answer buffer: the bytes received since the last command line went out, with its scans
// kept up to date as blocks arrive. Each block costs only its own bytes, so a phone that goes on
// sending after its answer never makes a poll read the whole buffer again.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "phone/answer_parser.h"

class AnswerAssembly {
 public:
  // A new answer begins (a command line is sent).
  void Clear();
  void Append(std::string_view block);

  const std::string& Text() const { return text_; }
  bool Complete() const { return scan_.complete; }
  AnswerKind Kind() const { return KindOf(scan_); }
  // Changes with every Clear, so that a reader can tell a new answer from a longer one.
  unsigned Serial() const { return serial_; }

  // The reply of a model or firmware answer, read up to the newest block.
  std::string Reply();
  // The memo names of a listing answer found up to the newest block, in listing order.
  const std::vector<std::string>& MemoNames();

 private:
  std::string text_;
  AnswerScan scan_;
  ReplyScan reply_;
  MemoListScan listing_;
  unsigned serial_ = 0;
};
