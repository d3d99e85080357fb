// `get`: the memos downloaded one after the other with the window's Save sequence, each
// reported as it ends. A memo whose file is already there is skipped before the phone is asked;
// Ctrl-C aborts the running transfer and leaves the rest untried, as does a phone that has gone.
#pragma once

#include <QTimer>
#include <string>
#include <vector>

#include "app/memo_download.h"
#include "phone/safe_names.h"
#include "tools/vokarel-cli/progress_view.h"

class PhoneSession;

namespace cli {

struct FetchResult {
  enum class Fate { Saved, Skipped, NotSaved };
  std::string memo;    // printable
  Fate fate = Fate::NotSaved;
  std::string detail;  // the file saved or in the way, or why nothing was saved
};

class MemoFetch {
 public:
  static constexpr int kInterruptCheck = 50;  // ms between two looks at Ctrl-C during a transfer

  MemoFetch(PhoneSession& session, ProgressView& view);

  // Downloads `memo`, or skips it, or says why it was not tried (once Ctrl-C came or the phone
  // has gone, no memo is).
  FetchResult Fetch(const MemoNames& memo);

 private:
  FetchResult Download(const MemoNames& memo);

  PhoneSession& session_;
  ProgressView& view_;
  MemoNames current_;
  MemoDownload download_;
  QTimer interrupt_check_;
  bool phone_gone_ = false;
};

}  // namespace cli
