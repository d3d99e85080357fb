// What the protocol cores' tests share: bytes written as text, and a file sink in memory that
// keeps what each step of a received file did.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sio/file_sink.h"

namespace protocol_rig {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytes(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }

struct MemorySink : sio::FileSink {
  std::vector<std::string> opened;  // the announced names, in order
  std::string data, committed;      // what the open file holds, and what its commit kept
  int commits = 0;
  bool open_now = false, discarded = false;

  int open(const std::string& announced) override {
    opened.push_back(announced);
    open_now = true;
    data.clear();
    return 0;
  }
  int write(const std::uint8_t* d, std::size_t len) override {
    data.append(reinterpret_cast<const char*>(d), len);
    return 0;
  }
  int commit() override {
    committed = data;
    open_now = false;
    ++commits;
    return 0;
  }
  void discard() override {
    open_now = false;
    discarded = true;
  }
};

}  // namespace protocol_rig
