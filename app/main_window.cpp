#include "app/main_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "app/mail_link.h"
#include "app/terminal_box.h"
#include "serial/option_tables.h"
#include "serial/port_settings.h"
#include "transfer/ft_proc.h"
#include "ui/twips.h"

static void InitResources() { Q_INIT_RESOURCE(vokarel); }

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
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      session_(PortSettings),
      download_(session_, [this] { return SelectedMemo(); },
                [this](const MemoNames& memo) { return ShowProgress(memo); }) {
  InitResources();
  setWindowTitle(QStringLiteral("Motorola E365"));
  setWindowIcon(QIcon(QStringLiteral(":/vokarel.png")));
  CreateControls();
  ConnectControls();
  // A window of fixed size: a drag of its border or a restore brings back this size.
  setFixedSize(kClientWidth, kClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  Load();
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

  lstName = Place(new QListWidget(this), Twips(120, 3840, 8415, 645), strip);
  Term = Place(new TerminalBox(this), Twips(3840, 4680, 4965, 1935), CyrillicFont("Microsoft Sans Serif", 9));
  lstCommand = Place(new QListWidget(this), Twips(0, 5070, 5595, 840), small);
  Text1 = Place(new QLineEdit(QStringLiteral("AT+GMm"), this), Twips(0, 6030, 2415, 795), small);
  Command1 = Button("Command1", this, Twips(2640, 6210, 1245, 585), small);

  tmrNewCommand = &session_.SendTimer();
  tmrRecive = &session_.PollTimer();
  tmrSend = &download_.SendTimer();
}

void frmMain::ConnectControls() {
  connect(cmdOption, &QPushButton::clicked, this, &frmMain::cmdOption_Click);
  connect(cmdPortOpen, &QPushButton::clicked, this, &frmMain::cmdPortOpen_Click);
  connect(cmdPortClose, &QPushButton::clicked, this, &frmMain::cmdPortClose_Click);
  connect(cmdRefresh, &QPushButton::clicked, this, &frmMain::cmdRefresh_Click);
  connect(cmdsaveSMS, &QPushButton::clicked, this, &frmMain::cmdsaveSMS_Click);
  connect(Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
  connect(Label3, &MailLink::clicked, this, &frmMain::Label3_Click);
  connect(&session_, &PhoneSession::received, Term, &TerminalBox::AppendBytes);
  connect(&session_, &PhoneSession::answerCompleted, this, &frmMain::AnswerCompleted);
  connect(&session_, &PhoneSession::lineSent, this, &frmMain::LineSent);
  connect(&session_, &PhoneSession::queueChanged, this, &frmMain::ShowQueue);
  connect(&session_, &PhoneSession::portOpened, this, &frmMain::UpdateControls);
  connect(&session_, &PhoneSession::portClosed, this, &frmMain::PortClosed);
  connect(&session_, &PhoneSession::connectionLost, this, &frmMain::ConnectionLost);
  connect(&session_, &PhoneSession::silent, this, &frmMain::PhoneSilent);
  connect(&download_, &MemoDownload::runningChanged, this, &frmMain::UpdateControls);
}

// Runs once before the window is first shown; opens no port and queues nothing.
void frmMain::Load() {
  PortSettings = kStartupPortSettings;
  InitOptionTables();
  InitProtocolNames();
  setWindowTitle(BaseTitle());
}

void frmMain::ClearDisplays() {
  Term->ClearBytes();
  txtMSG->clear();
  lblCount->setText(QStringLiteral("0"));
}

// While the port is open and the phone has not answered yet, neither port button is offered:
// the close button comes back with the first answer, or when the phone has stayed silent.
void frmMain::UpdateControls() {
  cmdPortOpen->setEnabled(!GbOpen());
  cmdPortClose->setEnabled((connected_ || unanswered_) && !sms_listing_);
  pcSms->setEnabled(connected_);
  cmdRefresh->setEnabled(!sms_listing_);
  cmdsaveSMS->setEnabled(!download_.Running());
}
