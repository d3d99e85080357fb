// The transfer engine: runs one file transfer over the open port with one of seven protocols,
// feeds a progress display, reports the outcome and gives a received file its final name. It
// knows nothing of the window: the caller says which port, which memo and where progress goes.
#pragma once

#include <array>
#include <string>

#include "phone/safe_names.h"
#include "sio/sio.h"

class TransferProgress;

// Protocol numbers: the 1K variant is 0 and the checksum variant 1.
enum : short {
  kFtXmodem1KCRC = 0,
  kFtXmodemCheckSum = 1,
  kFtXmodemCRC = 2,
  kFtZmodem = 3,
  kFtYmodem = 4,
  kFtKermit = 5,
  kFtASCII = 6,
};

extern short FtProtocol;        // 0-6
extern short FtReceive;         // 1 = receive, 0 = send
extern bool FtAbortRequested;   // raised by the progress dialog, read by the callbacks
extern std::string FtSendFileName;     // at most 260 bytes
extern std::string FtReceiveFileName;  // for a batch receive, the name the sender announces
extern char* FtNameBufferList[1];      // the name buffer of a batch receive, during the call only
extern std::array<std::string, 7> FtProtocolNames;

struct TransferOutcome {
  int result = SIOFT_PROTOCOL;  // the library's result; the general error when no operation ran
  int system_error = 0;       // the system error number read when the library returned
  std::string received_path;  // the file a receive stored, when it stored one
};

void InitProtocolNames();
// Runs the transfer that FtProtocol and FtReceive name on `port`, reporting to `progress` (which
// may be null) and unloading it when the library call has returned. The progress callbacks let
// pending events run, so the caller's timers keep ticking inside this call.
TransferOutcome RunFileTransfer(int port, TransferProgress* progress);
// The memo's file: its display name and ".amr" in the program folder; empty when the display
// name could leave the folder.
std::string MemoFilePath(const MemoNames& memo);
// Reports the outcome of RunFileTransfer. A successful receive is moved to MemoFilePath (never
// replacing a file there); whatever the receive stored under another name is deleted afterwards.
// Returns the memo's file when the receive was saved there, else empty.
std::string CompleteTransfer(const TransferOutcome& outcome, const MemoNames& memo);
int TxProgressCallback(long xmitlen, int buflen, int buf, long flen);
int RxProgressCallback(long xmitlen, int buflen, int buf, long flen);
// `system_error` is the system error number read when the library returned (for result -10).
void ShowTransferError(int result, short protocol, short receive, int system_error);
