// What a running transfer reports to: the progress dialog in the window, or anything else that
// can show a size and a count.
#pragma once

class TransferProgress {
 public:
  virtual ~TransferProgress() = default;
  // Bytes so far and the file's length, at every progress callback.
  virtual void Refresh(long xlen, long flen) = 0;
  // The transfer has ended: the display goes away before its outcome is reported.
  virtual void Unload() = 0;
};
