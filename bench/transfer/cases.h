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
};

std::vector<Case> transfer_cases();
// Kermit against C-Kermit (kermit_cases.cpp).
void add_kermit_cases(std::vector<Case>& cases);
// XMODEM, YMODEM and ASCII rows (xmodem_cases.cpp).
void add_xmodem_cases(std::vector<Case>& cases);

}  // namespace bench
