// What a complete answer does to the window: the model check, the firmware in the title, and
// the memo lists.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/answer_parser.h"
#include "app/convert_code_page.h"
#include "app/guarded_step.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/windows1251.h"

void frmMain::ParseAnswer(const std::string& A) {
  switch (ClassifyAnswer(A)) {
    case AnswerKind::MemoList:
      ParseMemoList(A);
      break;
    case AnswerKind::Firmware:
      // Rebuilt from the base title, so a repeated answer does not pile up.
      setWindowTitle(BaseTitle() + QStringLiteral(" Версия прошивки: ") + FromWindows1251(ReplyText(A)));
      break;
    case AnswerKind::RejectedModel: {
      const std::string model = ReplyText(A);
      cmdPortClose_Click();
      ShowMessage(MessageIcon::Information,
                  QStringLiteral("Извините, но программа только для телефонов Motorola E365.\r\nУ вас: ") +
                      FromWindows1251(model));
      break;
    }
    case AnswerKind::Ignored:
    case AnswerKind::SmsList:
    case AnswerKind::AcceptedModel:
      break;
  }
}

void frmMain::ParseMemoList(const std::string& A) {
  std::vector<std::string> names;
  GuardedStep([&] { names = ScanMemoNames(A); });
  GuardedStep([this] {
    lstAmr->clear();
    lstName->clear();
  });
  // Both lists get an entry for every name, so they stay aligned.
  for (const std::string& name : names) {
    GuardedStep([&] {
      AppendBytesItem(lstName, name);
      AppendBytesItem(lstAmr, ConvertCodePage(name));
    });
  }
  GuardedStep([this] { lblCount->setText(QString::number(lstAmr->count())); });
  cmdRefresh->setEnabled(true);
  cmdPortClose->setEnabled(true);
}

void frmMain::cmdRefresh_Click() {
  lblCount->setText(QStringLiteral("0"));
  lstAmr->clear();  // lstName keeps its entries until the listing arrives
  AddCommand("AT%PCTL=DIR /Voice Memo");
}
