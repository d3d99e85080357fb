// How long each end of a ZMODEM session waits, and how often it retries. The defaults suit a
// phone on a serial cable: after the download command it may need several seconds before its
// sender starts, and the receive is started before that command is even sent.
#pragma once

namespace sio::zmodem {

struct Timing {
  // Waiting for the other end's first frame; the session ends with a time-out after this.
  int start_ms = 30000;
  // While waiting for the other end to start (or for the next file): how often our invitation
  // (ZRINIT, ZRQINIT) goes out again.
  int prompt_ms = 3000;
  // Inside a session: silence after which our last request (ZRPOS, ZFILE, ZEOF, ZFIN) goes out
  // again. Errors are answered at once; this only covers frames that got lost on the way.
  int retry_ms = 1000;
  // The first two repeats after silence come sooner: a ZACK or ZRPOS is answered at once, so a
  // quiet line soon after one means it got lost (a sender waits for its ZACK after a ZCRCW).
  int answer_ms = 250;
  // Inside a session: silence after which it ends with a time-out.
  int idle_ms = 15000;
  // After our ZFIN: how long we wait for the sender's "OO". It only confirms that the sender
  // heard our ZFIN (the file is in place by then), and a sender on a pty often loses it.
  int finish_ms = 500;
  // Errors in a row without progress before the session ends with a protocol failure.
  int max_errors = 30;
};

}  // namespace sio::zmodem
