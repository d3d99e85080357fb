// The rows of the transfer benchmark: each runs our ends and a reference pair over the same
// line with the same file. Other protocols add their rows in cases.cpp.
#pragma once

#include <string>
#include <vector>

#include "bench/transfer/line_run.h"
#include "sio/progress.h"

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

// Our end through a library entry point that sends a file, or that stores the file a sender
// announces in a folder (sio/transfers.h).
using FileSend = int (*)(sio::ByteChannel&, const std::string& path, const sio::ProgressFn&);
using FolderReceive = int (*)(sio::ByteChannel&, const std::string& folder, std::string& stored_name,
                              const sio::ProgressFn&);
Endpoint our_sender(FileSend send);
Endpoint our_receiver(FolderReceive receive);

// Kermit against C-Kermit (kermit_cases.cpp).
void add_kermit_cases(std::vector<Case>& cases);
// XMODEM, YMODEM and ASCII rows (xmodem_cases.cpp).
void add_xmodem_cases(std::vector<Case>& cases);

}  // namespace bench
