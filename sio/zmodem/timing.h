// How long each end of a ZMODEM session waits, and how often it retries. The defaults suit a
// phone on a serial cable: after the download command it may need several seconds before its
// sender starts, and the receive is started before that command is even sent.
#pragma once

#include "sio/timing_defaults.h"

namespace sio::zmodem {

struct Timing {
  // Waiting for the other end's first frame; the session ends with a time-out after this.
  int start_ms = defaults::zmodem::kStartMs;
  // While waiting for the other end to start (or for the next file): how often our invitation
  // (ZRINIT, ZRQINIT) goes out again.
  int prompt_ms = defaults::zmodem::kPromptMs;
  // Inside a session: silence after which our last request (ZRPOS, ZFILE, ZEOF, ZFIN) goes out
  // again. Errors are answered at once; this only covers frames that got lost on the way.
  int retry_ms = defaults::zmodem::kRetryMs;
  // The first two repeats after silence come sooner: a ZACK or ZRPOS is answered at once, so a
  // quiet line soon after one means it got lost (a sender waits for its ZACK after a ZCRCW).
  int answer_ms = defaults::zmodem::kAnswerMs;
  // Inside a session: silence after which it ends with a time-out.
  int idle_ms = defaults::zmodem::kIdleMs;
  // After our ZFIN: how long we wait for the sender's "OO". It only confirms that the sender
  // heard our ZFIN (the file is in place by then), and a sender on a pty often loses it.
  int finish_ms = defaults::zmodem::kFinishMs;
  // Errors in a row without progress before the session ends with a protocol failure.
  int max_errors = defaults::zmodem::kMaxErrors;
};

}  // namespace sio::zmodem
