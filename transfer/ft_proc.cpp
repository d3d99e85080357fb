#include "transfer/ft_proc.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <cstring>
#include <memory>

#include "serial/serial_errors.h"
#include "sio/incoming_file.h"
#include "sio/program_folder.h"
#include "sio/protocols.h"
#include "sio/temporary_files.h"
#include "transfer/transfer_progress.h"
#include "ui/guarded_step.h"
#include "ui/message_box.h"

short FtProtocol = 0;
short FtReceive = 0;
bool FtAbortRequested = false;
std::string FtSendFileName;
std::string FtReceiveFileName;
char* FtNameBufferList[1] = {nullptr};
std::array<std::string, 7> FtProtocolNames;

namespace {

constexpr int kAbortKey = 27;
constexpr std::size_t kNameField = 260;

// The display of the running transfer, for the callbacks.
TransferProgress* current_progress = nullptr;

bool IsBatchProtocol(short protocol) {
  const sio::Protocol* entry = sio::protocol_numbered(protocol);
  return entry && entry->batch;
}

using SendOperation = int (*)(int, const char*, sio_callback, int);
using FileReceiveOperation = int (*)(int, const char*, sio_callback, int);
using BatchReceiveOperation = int (*)(int, char**, int, sio_callback, int);

constexpr SendOperation kSendOperations[7] = {sio_FtXmodem1KCRCTx, sio_FtXmodemCheckSumTx, sio_FtXmodemCRCTx,
                                              sio_FtZmodemTx,      sio_FtYmodemTx,         sio_FtKermitTx,
                                              sio_FtASCIITx};

// The file a receive stored: the name the library reports for a batch protocol, else the name given.
TransferOutcome CallLibrary(int port, short protocol, bool receive) {
  TransferOutcome outcome;
  if (protocol < 0 || protocol > 6) return outcome;  // no operation: the general transfer error
  if (!receive) {
    const std::string name = FtSendFileName;
    outcome.result = kSendOperations[protocol](port, name.c_str(), TxProgressCallback, kAbortKey);
    outcome.system_error = sio_last_error();
    return outcome;
  }
  if (IsBatchProtocol(protocol)) {
    static constexpr BatchReceiveOperation kBatch[] = {sio_FtZmodemRx, sio_FtYmodemRx, sio_FtKermitRx};
    auto buffer = std::make_unique<char[]>(SIO_NAME_BUFFER);
    buffer[0] = '\0';
    FtNameBufferList[0] = buffer.get();
    const auto release = qScopeGuard([] { FtNameBufferList[0] = nullptr; });
    outcome.result = kBatch[protocol - kFtZmodem](port, FtNameBufferList, 1, RxProgressCallback, kAbortKey);
    outcome.system_error = sio_last_error();
    const std::string stored(buffer.get(), strnlen(buffer.get(), kNameField));
    if (outcome.result >= 0 && !stored.empty()) {
      outcome.stored_name = stored;
      outcome.received_path = sio::program_folder() + "/" + stored;
    }
    return outcome;
  }
  const std::string name = FtReceiveFileName;
  if (protocol == kFtASCII)
    outcome.result = sio_FtASCIIRx(port, name.c_str(), RxProgressCallback, kAbortKey, 3);
  else {
    static constexpr FileReceiveOperation kFile[] = {sio_FtXmodem1KCRCRx, sio_FtXmodemCheckSumRx, sio_FtXmodemCRCRx};
    outcome.result = kFile[protocol](port, name.c_str(), RxProgressCallback, kAbortKey);
  }
  outcome.system_error = sio_last_error();
  // An ASCII receive ends by its abort (-4) with the file stored.
  if (outcome.result >= 0 || (protocol == kFtASCII && outcome.result == SIOFT_ABORT)) outcome.received_path = name;
  return outcome;
}

int ProgressCallback(long xmitlen, long flen) {
  if (FtAbortRequested) return -1;
  GuardedStep([] { QCoreApplication::processEvents(); });
  if (current_progress) GuardedStep([&] { current_progress->Refresh(xmitlen, flen); });
  return 0;
}

}  // namespace

void InitProtocolNames() {
  for (std::size_t i = 0; i < FtProtocolNames.size(); ++i) FtProtocolNames[i] = sio::protocols()[i].title;
}

TransferOutcome RunFileTransfer(int port, TransferProgress* progress) {
  // What a program that died while receiving left behind would only be in the way.
  if (FtReceive != 0) GuardedStep([] { sio::remove_stale_temporaries(sio::program_folder()); });
  current_progress = progress;
  // The display goes whether the library returns or throws.
  const auto unload = qScopeGuard([progress] {
    current_progress = nullptr;
    if (progress) GuardedStep([progress] { progress->Unload(); });
  });
  return CallLibrary(port, FtProtocol, FtReceive != 0);
}

void CompleteTransfer(const TransferOutcome& outcome) {
  if (outcome.result < 0)
    ShowTransferError(outcome.result, FtProtocol, FtReceive, outcome.system_error);
  else if (FtReceive == 0)
    ShowMessage(MessageIcon::None, QString::fromUtf8("Передача файла успешно завершена!"));
  else
    ShowReceivedFile(outcome.received_path);
}

QString PathText(const std::string& path) { return QString::fromStdString(path); }

void ShowReceivedFile(const std::string& path) {
  QString text = QString::fromUtf8("Прием файла успешно завершен!");
  // A batch whose sender sent no file has no place to tell.
  if (!path.empty()) text += QString::fromUtf8("\r\nМестонахождение файла: ") + PathText(path);
  ShowMessage(MessageIcon::Information, text);
}

int TxProgressCallback(long xmitlen, int, int, long flen) { return ProgressCallback(xmitlen, flen); }

int RxProgressCallback(long xmitlen, int, int, long flen) {
  if (FtAbortRequested) return -1;
  if (IsBatchProtocol(FtProtocol) && FtNameBufferList[0])
    GuardedStep([] { FtReceiveFileName.assign(FtNameBufferList[0], strnlen(FtNameBufferList[0], kNameField)); });
  return ProgressCallback(xmitlen, flen);
}

void ShowTransferError(int result, short protocol, short receive, int system_error) {
  const bool receiving = receive == 1;
  QString text;
  switch (result) {
    case SIOFT_BADPORT: text = QString::fromUtf8("Порт не был открыт заранее"); break;
    case SIOFT_TIMEOUT:
      text = QString::fromUtf8(receiving ? "Время ожидания приема истекло" : "Время ожидания передачи истекло");
      break;
    case SIOFT_ABORT:
      text = QString::fromUtf8(protocol == kFtASCII && receiving ? "Файл получен" : "Прервано пользователем");
      break;
    case SIOFT_FOPEN:
      text = QString::fromUtf8("Не могу открыть файл");
      // The user can move a file that is in the way, once told which.
      if (const std::string blocking = sio::last_blocking_path(); !blocking.empty())
        text += QString::fromUtf8("\r\nФайл уже существует: ") + PathText(blocking);
      break;
    case SIOFT_CANABORT: text = QString::fromUtf8("Прервано другой стороной"); break;
    case SIOFT_NOTSUPPORT: text = QString::fromUtf8("Данная функция не поддерживается"); break;
    default: text = QString::fromUtf8("При передаче файла произошла ошибка"); break;
  }
  if (result == SIOFT_WIN32FAIL)
    ShowSystemError(system_error);
  else
    ShowMessage(MessageIcon::None, text);
}
