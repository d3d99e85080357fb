#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "app/guarded_step.h"
#include "app/mail_link.h"
#include "app/terminal_box.h"
#include "app/twips.h"
#include "app/windows1251.h"
#include "serial/option_tables.h"
#include "serial/port_settings.h"
#include "sio/sio.h"
#include "transfer/ft_proc.h"


static void InitResources() { Q_INIT_RESOURCE(vokarel); }

frmMain* GMainWindow = nullptr;

namespace {

constexpr const char* kContactAddress = "vokarel@example.org";
// The visible client area: the layout's width, and the strip down to the panel's bottom edge.
constexpr int kClientWidth = 577;
constexpr int kClientHeight = 247;

QFont CyrillicFont(const char* family, double points, bool bold = false, bool underline = false) {
  QFont font(QString::fromLatin1(family));
  font.setPointSizeF(points);
  font.setBold(bold);
  font.setUnderline(underline);
  return font;
}

template <typename Control>
Control* Place(Control* control, const QRect& geometry, const QFont& font) {
  control->setGeometry(geometry);
  control->setFont(font);
  return control;
}

QPushButton* Button(const char* caption, QWidget* parent, const QRect& geometry, const QFont& font) {
  return Place(new QPushButton(QString::fromUtf8(caption), parent), geometry, font);
}

QLabel* Label(const char* caption, QWidget* parent, const QRect& geometry, const QFont& font) {
  return Place(new QLabel(QString::fromUtf8(caption), parent), geometry, font);
}

}  // namespace

frmMain::frmMain(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  InitResources();
  setWindowTitle(QStringLiteral("Motorola E365"));
  setWindowIcon(QIcon(QStringLiteral(":/vokarel.png")));
  CreateControls();
  // A window of fixed size: a drag of its border or a restore brings back this size.
  setFixedSize(kClientWidth, kClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  Load();
}

frmMain::~frmMain() {
  if (GbOpen) sio_close(PortSettings.Port);
  if (GMainWindow == this) GMainWindow = nullptr;
}

QString frmMain::BaseTitle() {
  return QStringLiteral("Motorola E365 Vokarel ver.%1.%2.%3")
      .arg(VOKAREL_VERSION_MAJOR)
      .arg(VOKAREL_VERSION_MINOR)
      .arg(VOKAREL_VERSION_PATCH);
}

void frmMain::CreateControls() {
  const QFont strip = CyrillicFont("MS Sans Serif", 9.75);
  const QFont small = CyrillicFont("MS Sans Serif", 8.25);

  cmdOption = Button("Настройка соединения...", this, Twips(30, 60, 2625, 345), strip);
  cmdPortOpen = Button("Открыть порт", this, Twips(2880, 60, 1545, 345), strip);
  cmdPortClose = Button("Закрыть порт", this, Twips(4440, 60, 1545, 345), strip);
  cmdPortClose->setEnabled(false);
  Label1[0] = Label("E-mail:", this, Twips(6210, 120, 615, 240), strip);

  // Grown into the free space on both sides (given: 6930, 150, 1425, 225) to show the whole address.
  Label3 = Place(new MailLink(QString::fromLatin1(kContactAddress), this), Twips(6870, 150, 1755, 225),
                 CyrillicFont("MS Sans Serif", 8.25, true, true));
  QPalette blue = Label3->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
  Label3->setPalette(blue);
  Label3->setCursor(Qt::PointingHandCursor);
  Label3->setToolTip(QStringLiteral("Написать письмо автору"));

  pcSms = new QWidget(this);
  pcSms->setGeometry(Twips(30, 510, 8625, 3195));
  pcSms->setEnabled(false);
  cmdRefresh = Button("Обновить список amr - записей", pcSms, Twips(0, 30, 3495, 375), strip);
  cmdsaveSMS = Button("Сохранить", pcSms, Twips(3600, 30, 1335, 375), strip);
  Label1[1] = Label("Количество записей:", pcSms, Twips(5610, 120, 2085, 240), strip);
  lblCount = Label("0", pcSms, Twips(7875, 120, 315, 240), strip);
  lblCount->setAlignment(Qt::AlignCenter);
  lstAmr = Place(new QListWidget(pcSms), Twips(30, 510, 8535, 2460), strip);
  txtMSG = Place(new QPlainTextEdit(pcSms), Twips(5070, 360, 705, 525), CyrillicFont("Arial", 9.75));
  txtMSG->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  txtMSG->setVisible(false);
  tmrSend = new QTimer(this);
  tmrSend->setInterval(300);

  lstName = Place(new QListWidget(this), Twips(120, 3840, 8415, 645), strip);
  Term = Place(new TerminalBox(this), Twips(3840, 4680, 4965, 1935), CyrillicFont("Microsoft Sans Serif", 9));
  lstCommand = Place(new QListWidget(this), Twips(0, 5070, 5595, 840), small);
  Text1 = Place(new QLineEdit(QStringLiteral("AT+GMm"), this), Twips(0, 6030, 2415, 795), small);
  Command1 = Button("Command1", this, Twips(2640, 6210, 1245, 585), small);

  tmrNewCommand = new QTimer(this);
  tmrNewCommand->setInterval(300);
  tmrRecive = new QTimer(this);
  tmrRecive->setInterval(100);

  connect(cmdOption, &QPushButton::clicked, this, &frmMain::cmdOption_Click);
  connect(cmdPortOpen, &QPushButton::clicked, this, &frmMain::cmdPortOpen_Click);
  connect(cmdPortClose, &QPushButton::clicked, this, &frmMain::cmdPortClose_Click);
  connect(cmdRefresh, &QPushButton::clicked, this, &frmMain::cmdRefresh_Click);
  connect(cmdsaveSMS, &QPushButton::clicked, this, &frmMain::cmdsaveSMS_Click);
  connect(Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
  connect(Label3, &MailLink::clicked, this, &frmMain::Label3_Click);
  connect(tmrNewCommand, &QTimer::timeout, this, &frmMain::tmrNewCommand_Timer);
  connect(tmrRecive, &QTimer::timeout, this, &frmMain::tmrRecive_Timer);
  connect(tmrSend, &QTimer::timeout, this, &frmMain::tmrSend_Timer);
  tmrRecive->start();
}

// Runs once before the window is first shown; opens no port and queues nothing.
void frmMain::Load() {
  GuardedStep([] { PortSettings = kStartupPortSettings; });
  GbOpen = false;
  GMainWindow = this;
  GuardedStep([] { InitOptionTables(); });
  GuardedStep([] { InitProtocolNames(); });
  GuardedStep([this] { setWindowTitle(BaseTitle()); });
  GbBusy = false;
}

void frmMain::closeEvent(QCloseEvent* event) {
  // A transfer blocks below this handler: ask it to end, and close once it has.
  if (FtTransferRunning()) {
    FtAbortRequested = true;
    close_after_transfer_ = true;
    event->ignore();
    return;
  }
  ClosePort();
  event->accept();
}

void frmMain::Command1_Click() { AddCommand(ToWindows1251(Text1->text())); }

void frmMain::Label3_Click() {
  // Without a mail handler nothing happens, and nothing is reported.
  QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + Label3->text()));
}

void frmMain::ClearDisplays() {
  Term->ClearBytes();
  txtMSG->clear();
  lblCount->setText(QStringLiteral("0"));
}

std::string frmMain::ItemBytes(const QListWidget* list, int row) {
  const QListWidgetItem* item = list->item(row);
  if (!item) return {};
  return item->data(Qt::UserRole).toByteArray().toStdString();
}

void frmMain::AppendBytesItem(QListWidget* list, const std::string& bytes) {
  auto* item = new QListWidgetItem(FromWindows1251(bytes));
  item->setData(Qt::UserRole, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  list->addItem(item);
}
