// The phone's "/Voice Memo" folder: the ".amr" files of a folder on disk, read afresh at every
// look, plus any extra memos a test asks for.
#pragma once

#include <string>
#include <vector>

#include "tools/e365sim/memo.h"

namespace e365sim {

class MemoStore {
 public:
  MemoStore(std::string folder, std::vector<Memo> extra) : folder_(std::move(folder)), extra_(std::move(extra)) {}

  // The folder's memos sorted by name (each named after its file without ".amr"), then the extras.
  std::vector<Memo> memos() const;

 private:
  std::string folder_;
  std::vector<Memo> extra_;
};

}  // namespace e365sim
