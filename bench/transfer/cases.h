// The rows of the transfer benchmark: each runs our ends and a reference pair over the same
// line with the same file. Other protocols add their rows in cases.cpp.
#pragma once

#include <string>
#include <vector>

#include "bench/transfer/line_run.h"

namespace bench {

struct Case {
  std::string name;
  Line line;
  std::size_t file_size = 0;
  Endpoint our_sender, our_receiver;  // the pair measured
  Endpoint reference_sender, reference_receiver;
  int timeout_ms = 300000;  // a run that takes longer fails (a pair may wait out long time-outs)
};

// The rows of a damaged line (16 KB) get a minute per run.
constexpr int kNoisyTimeoutMs = 60000;

std::vector<Case> transfer_cases();

// Our end of the protocol of that command-line name (sio/protocols.h).
Endpoint our_sender(const std::string& protocol);
Endpoint our_receiver(const std::string& protocol);

// Kermit against C-Kermit (kermit_cases.cpp).
void add_kermit_cases(std::vector<Case>& cases);
// XMODEM, YMODEM and ASCII rows (xmodem_cases.cpp).
void add_xmodem_cases(std::vector<Case>& cases);

}  // namespace bench
