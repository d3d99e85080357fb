#include "transfer/memo_file.h"

#include <QString>
#include <filesystem>

#include "fileutil/cls_open_file.h"
#include "phone/convert_code_page.h"
#include "phone/windows1251.h"
#include "sio/program_folder.h"
#include "ui/message_box.h"

namespace {

// A name from the phone as the memo list shows it.
QString PhoneName(const std::string& name) { return FromWindows1251(ConvertCodePage(name)); }

void ShowOtherFile(const std::string& stored_name) {
  ShowMessage(MessageIcon::Warning,
              stored_name.empty()
                  ? QString::fromUtf8("Телефон не прислал запрошенную запись.")
                  : QString::fromUtf8("Телефон прислал другой файл, а не запрошенную запись: ") + PhoneName(stored_name));
}

}  // namespace

std::string MemoFilePath(const MemoNames& memo) {
  const std::string display = DisplayFileName(memo.display);
  return display.empty() ? std::string() : sio::program_folder() + "/" + display + ".amr";
}

bool PathIsTaken(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

QString MemoFileExistsText(const std::string& path) {
  return QString::fromUtf8("Файл уже существует: ") + PathText(path) +
         QString::fromUtf8("\r\nПереименуйте или переместите его и повторите снова.");
}

std::string CompleteMemoDownload(const TransferOutcome& outcome, const MemoNames& memo) {
  if (outcome.result < 0) {
    ShowTransferError(outcome.result, FtProtocol, FtReceive, outcome.system_error);
    return {};
  }
  // A file the phone sent in place of the one asked for (a cancelled download's memo coming
  // late, say) must never pass for it.
  if (!AnnouncesMemo(outcome.stored_name, memo)) {
    if (!outcome.received_path.empty()) clsOpenFile().DeleteFile(outcome.received_path);
    ShowOtherFile(outcome.stored_name);
    return {};
  }
  const std::string destination = MemoFilePath(memo);
  if (!destination.empty() && clsOpenFile().MoveFile(outcome.received_path, destination)) {
    ShowReceivedFile(destination);
    return destination;
  }
  // Something took the name while the memo came: the memo stays where it landed.
  ShowMessage(MessageIcon::Warning, QString::fromUtf8("Не могу сохранить запись в файл ") + PathText(destination) +
                                        QString::fromUtf8("\r\nЗапись осталась в файле: ") +
                                        PathText(outcome.received_path));
  return {};
}
