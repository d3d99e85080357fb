// The contract suite's tables: what sets each protocol apart, and the real peers each one is run
// against with the options of theirs that change what crosses the line.
#pragma once

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "sio/protocols.h"
#include "sio/sio.h"

namespace contract {

using Argv = std::vector<std::string>;

// The sio_Ft* operations of a protocol: the receive of a named file, or of a batch.
using FtSend = int (*)(int port, const char* fname, sio_callback cb, int key);
using FtReceiveBatch = int (*)(int port, char** names, int count, sio_callback cb, int key);

// A protocol of the table, with its sio_Ft* operations and our runners with their waits cut to
// moments for a silent peer (each protocol's own interface takes its times; null for ASCII, which
// waits for the user until data comes).
struct Row {
  sio::ProtocolId id;
  FtSend ft_send;
  FtSend ft_receive;  // of a named file (ASCII's takes a quiet time too)
  FtReceiveBatch ft_receive_batch;
  sio::TransferRunner quick_send, quick_receive;

  const sio::Protocol& protocol() const { return sio::protocol(id); }
  bool batch() const { return protocol().batch; }
  bool ascii() const { return id == sio::ProtocolId::Ascii; }  // a receive ends on quiet or abort, keeps what came
  bool drops_trailing_subs() const { return !batch() && !ascii(); }  // XMODEM carries no length: its padding goes
  // What a whole receive returns: ASCII's normal end is the quiet after the data.
  int received_result() const { return ascii() ? SIOFT_ABORT : SIOFT_OK; }
};

const std::vector<Row>& rows();

// The rows of `all` that `keep` takes.
template <typename T, typename Keep>
std::vector<T> where(const std::vector<T>& all, Keep keep) {
  std::vector<T> kept;
  std::copy_if(all.begin(), all.end(), std::back_inserter(kept), keep);
  return kept;
}

// A real peer: its command, where `{file}`, `{size}` and `{device}` stand for the file it sends
// or stores, that file's length and the pty device it is on. A command without `{device}` talks
// on its standard input and output.
struct PeerRow {
  sio::ProtocolId id;
  std::string label;
  bool peer_sends;
  Argv command;
  // Base: the program's plain row, run with every test file, aborted and killed; Damage: run on
  // a damaging line; Option (neither): run with one mixed file.
  enum Use : unsigned { Option = 0, Base = 1, Damage = 2 };
  unsigned use = Option;
  bool plain_names = false;    // the peer cannot announce names with 8-bit characters
  std::size_t peer_holds = 0;  // the peer holds this much of the file already (it resumes)
  bool refused = false;        // the peer asks for what we refuse: the receive fails, nothing stored
  int status = 0;              // its exit status when it went well (C-Kermit's for a batch we cut short: 2)

  const Row& row() const;
  bool opens_device() const;  // C-Kermit: its standard input and output are not the line
};

const std::vector<PeerRow>& peer_rows();

// Test names: "zmodem", "zmodem_sz_e".
std::string test_name(const Row& row);
std::string test_name(const PeerRow& row);

}  // namespace contract
