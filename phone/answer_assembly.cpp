#include "phone/answer_assembly.h"

void AnswerAssembly::Clear() {
  text_.clear();
  scan_ = {};
  reply_ = {};
  listing_ = {};
  ++serial_;
}

void AnswerAssembly::Append(std::string_view block) {
  text_.append(block);
  ContinueAnswerScan(scan_, text_);
}

std::string AnswerAssembly::Reply() {
  ContinueReplyScan(reply_, text_);
  return ReplyOf(reply_);
}

const std::vector<std::string>& AnswerAssembly::MemoNames() {
  ContinueMemoListScan(listing_, text_);
  return listing_.names;
}
