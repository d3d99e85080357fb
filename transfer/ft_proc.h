// The transfer engine: runs one file transfer over the open port with one of seven protocols,
// feeds a progress display and reports the outcome. It knows nothing of the window: the caller
// says which port and where progress goes. What a memo download does with its file is in
// memo_file.h.
#pragma once

#include <QString>
#include <array>
#include <string>

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
  std::string stored_name;    // of a batch receive: the last part of the name the sender announced
};

void InitProtocolNames();
// Runs the transfer that FtProtocol and FtReceive name on `port`, reporting to `progress` (which
// may be null) and unloading it when the library call has returned, or has thrown. The progress
// callbacks let pending events run, so the caller's timers keep ticking inside this call.
TransferOutcome RunFileTransfer(int port, TransferProgress* progress);
// Reports the outcome of RunFileTransfer. A received file stays where the library stored it.
void CompleteTransfer(const TransferOutcome& outcome);
// A file's path as the messages show it (file names are bytes; the program folder's are UTF-8).
QString PathText(const std::string& path);
// "Прием файла успешно завершен!" and where the file is.
void ShowReceivedFile(const std::string& path);
int TxProgressCallback(long xmitlen, int buflen, int buf, long flen);
int RxProgressCallback(long xmitlen, int buflen, int buf, long flen);
// `system_error` is the system error number read when the library returned (for result -10).
void ShowTransferError(int result, short protocol, short receive, int system_error);
