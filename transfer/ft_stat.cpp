#include "transfer/ft_stat.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "transfer/ft_proc.h"
#include "ui/twips.h"

namespace {

QLabel* Caption(QWidget* parent, const char* text, QRect where) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setGeometry(where);
  return label;
}

QLabel* ValueField(QWidget* parent, QRect where) {
  auto* field = new QLabel(parent);
  field->setTextFormat(Qt::PlainText);  // a name from the phone is text, never markup
  field->setFrameStyle(QFrame::Box | QFrame::Plain);
  field->setGeometry(where);
  return field;
}

}  // namespace

FtStat::FtStat(QWidget* owner, std::function<QString()> display_name)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      display_name_(std::move(display_name)) {
  setWindowTitle(QString::fromUtf8("Передача файла"));
  setFixedSize(Twips(0, 0, 4770, 1485).size());
  setModal(false);

  auto* frame = new QFrame(this);
  frame->setGeometry(Twips(0, -60, 4755, 1515));
  Caption(frame, "Размер", Twips(60, 210, 735, 255));
  clFSize = ValueField(frame, Twips(1020, 210, 975, 255));
  Caption(frame, "Передано", Twips(2250, 210, 795, 255));
  clxLen = ValueField(frame, Twips(3060, 210, 1575, 255));
  Caption(frame, "Имя файла", Twips(60, 690, 900, 255));  // 45 wider than given, to show it whole
  clFName = ValueField(frame, Twips(1020, 690, 3615, 255));
  StatDlgCancel = new QPushButton(QString::fromUtf8("Отмена"), frame);
  StatDlgCancel->setGeometry(Twips(3420, 1020, 1215, 375));
  StatDlgCancel->setAutoDefault(false);
  connect(StatDlgCancel, &QPushButton::clicked, this, &FtStat::StatDlgCancel_Click);

  if (QScreen* screen = this->screen()) move(screen->geometry().center() - rect().center());
  FtAbortRequested = false;
}

void FtStat::RefreshDlg(long xlen, long flen) {
  clFSize->setText(QString::number(flen));
  clFName->setText(display_name_ ? display_name_() : QString());
  clxLen->setText(QString::number(xlen));
}

void FtStat::StatDlgCancel_Click() { FtAbortRequested = true; }

void FtStat::reject() { FtAbortRequested = true; }

void FtStat::closeEvent(QCloseEvent* event) {
  event->ignore();
  FtAbortRequested = true;
}
