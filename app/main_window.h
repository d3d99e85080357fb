// The tool's one window: a strip of port buttons and the recordings panel on top; below the
// visible edge, the raw-name list, the terminal, the command queue and the manual command line,
// which exist and work but are not seen.
#pragma once

#include <QWidget>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class MailLink;
class TerminalBox;

class frmMain : public QWidget {
  Q_OBJECT

 public:
  explicit frmMain(QWidget* parent = nullptr);
  ~frmMain() override;

  // "Motorola E365 Vokarel ver." and the program's version.
  static QString BaseTitle();

  // Controls of the visible strip.
  QPushButton* cmdOption;
  QPushButton* cmdPortOpen;
  QPushButton* cmdPortClose;
  QLabel* Label1[2];  // "E-mail:" and, on the panel, the count caption
  MailLink* Label3;
  QWidget* pcSms;     // the recordings panel: disabled until the phone has answered
  // Controls on the panel.
  QPushButton* cmdRefresh;
  QPushButton* cmdsaveSMS;
  QLabel* lblCount;
  QListWidget* lstAmr;  // display names; each item's Qt::UserRole holds its Windows-1251 bytes
  QPlainTextEdit* txtMSG;
  // Controls below the visible edge.
  QListWidget* lstName;     // raw names, entry for entry beside lstAmr; Qt::UserRole holds the bytes
  TerminalBox* Term;
  QListWidget* lstCommand;  // the command queue; Qt::UserRole holds each line's bytes
  QLineEdit* Text1;
  QPushButton* Command1;
  QTimer* tmrNewCommand;  // 300 ms, sends the head of the queue
  QTimer* tmrRecive;      // 100 ms, polls the port
  QTimer* tmrSend;        // 300 ms, stopped: one tick per download

  bool GbOpen = false;  // the port is open
  bool GbBusy = false;  // a queue tick is putting a line on the port
  std::string GsAnswer;  // bytes received since the last command line was sent
  // The memo being downloaded: its display name (Windows-1251 bytes) and raw name (as the phone
  // spells it).
  std::string lstAmrTag;
  std::string lstNameTag;

  // The bytes of entry `row` of lstAmr, lstName or lstCommand (empty when there is none).
  static std::string ItemBytes(const QListWidget* list, int row);

  // Queues a command line; unless NoCR, a carriage return is added.
  void AddCommand(std::string Cmd, bool NoCR = false);
  // Writes one line to the port; a new answer starts with it.
  void SendString(const std::string& S);
  // Shows a received block in `Term`, adds it to the answer and interprets a complete answer.
  void ShowData(TerminalBox& Term, const char* Dta, int rlen);
  void ParseAnswer(const std::string& A);
  void ParseMemoList(const std::string& A);

  bool OpenPort();
  void ClosePort();

 public slots:
  void cmdOption_Click();
  void cmdPortOpen_Click();
  void cmdPortClose_Click();
  void cmdRefresh_Click();
  void cmdsaveSMS_Click();
  void Command1_Click();
  void Label3_Click();
  void tmrNewCommand_Timer();
  void tmrRecive_Timer();
  void tmrSend_Timer();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void Load();
  void ClearDisplays();
  // The SMS-listing state: busy pointer, refresh and close buttons off, until the answer
  // completes or the port closes.
  void EnterSmsListing();
  void LeaveSmsListing();
  void AppendBytesItem(QListWidget* list, const std::string& bytes);

  bool sms_listing_ = false;
  // The GET line of the running download, until the download ends.
  std::string pending_get_line_;
  // The window was asked to close while a transfer ran: it closes when the transfer has ended.
  bool close_after_transfer_ = false;
};

// The main window, for the parts that do not hold it. Set by its load step.
extern frmMain* GMainWindow;
