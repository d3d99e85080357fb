// The protocols sio-transfer knows, by their command-line names, over the library's transfers.
#pragma once

#include <string>

#include "sio/channel.h"
#include "sio/progress.h"

struct TransferRequest {
  bool send = false;
  std::string file;  // sent, or received by protocols that announce no name
  std::string dir;   // receives of announced names land here
};

// Runs the transfer and returns the library's result; `known` is false (and nothing runs) for a
// name not in the table. `stored_name` gets the name a batch receive stored.
int run_protocol(const std::string& protocol, sio::ByteChannel& channel, const TransferRequest& request,
                 const sio::ProgressFn& progress, std::string& stored_name, bool& known);
