// The transfer engine: runs one file transfer over the open port with one of seven protocols,
// feeds the progress dialog, reports the outcome and gives a received file its final name.
#pragma once

#include <array>
#include <string>

class FtStat;

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
// Raised when the download refuses a memo's name while the receive waits: the transfer then ends
// with the write error instead of the user-abort message. Cleared when the dialog loads.
extern bool FtNameRefused;

inline constexpr const char* kWriteErrorText = "Во время записи произошла ошибка!";

// The progress dialog of the running transfer, when one is loaded.
FtStat* FtStatDialog();
// Loads the progress dialog (which clears the abort request) for the memo in the download slot.
FtStat* LoadFtStat();
// True while a library transfer call runs.
bool FtTransferRunning();

void InitProtocolNames();
void RunFileTransfer();
int TxProgressCallback(long xmitlen, int buflen, int buf, long flen);
int RxProgressCallback(long xmitlen, int buflen, int buf, long flen);
// `system_error` is the system error number read when the library returned (for result -10).
void ShowTransferError(int result, short protocol, short receive, int system_error);
