// The tool's one window: a strip of port buttons and the recordings panel on top; below the
// visible edge, the raw-name list, the terminal, the command queue and the manual command line,
// which exist and work but are not seen. The phone session and the download do the work; the
// window shows their state and forwards its buttons to them.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/memo_download.h"
#include "app/phone_session.h"
#include "transfer/ft_stat.h"

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

  // "Motorola E365 Vokarel ver." and the program's version.
  static QString BaseTitle();

  // Controls of the visible strip.
  QPushButton* cmdOption;
  QPushButton* cmdPortOpen;
  QPushButton* cmdPortClose;
  QLabel* Label1[2];  // "E-mail:" and, on the panel, the count caption
  MailLink* Label3;
  QWidget* pcSms;     // the recordings panel: enabled while the phone is connected
  // Controls on the panel.
  QPushButton* cmdRefresh;
  QPushButton* cmdsaveSMS;
  QLabel* lblCount;
  QListWidget* lstAmr;  // display names of the listed memos
  QPlainTextEdit* txtMSG;
  // Controls below the visible edge.
  QListWidget* lstName;  // raw names, entry for entry beside lstAmr
  TerminalBox* Term;
  QListWidget* lstCommand;  // shows the session's command queue
  QLineEdit* Text1;
  QPushButton* Command1;
  // The session's sender and poll, and the download's send timer.
  QTimer* tmrNewCommand;
  QTimer* tmrRecive;
  QTimer* tmrSend;

  // Views onto the session.
  bool GbOpen() const { return session_.IsOpen(); }
  bool GbBusy() const { return session_.IsBusy(); }
  const std::string& GsAnswer() const { return session_.Answer().Text(); }
  PhoneSession& Session() { return session_; }
  MemoDownload& Download() { return download_; }
  // The listed memos, entry for entry as lstAmr and lstName show them.
  // The progress dialog of the running download, if any.
  FtStat* ProgressDialog() const { return progress_dialog_.data(); }

  // Queues a command line; unless NoCR, a carriage return is added.
  void AddCommand(const std::string& Cmd, bool NoCR = false) { session_.Queue(Cmd, NoCR); }
  bool OpenPort() { return session_.Open(); }
  void ClosePort() { session_.Close(); }

 public slots:
  void cmdOption_Click();
  void cmdPortOpen_Click();
  void cmdPortClose_Click();
  void cmdRefresh_Click();
  void cmdsaveSMS_Click();
  void Command1_Click();
  void Label3_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void ConnectControls();
  void Load();
  void ClearDisplays();
  // The buttons and the panel as the connection, the SMS listing and the download have them.
  void UpdateControls();

  // Reactions to the session.
  void AnswerCompleted();
  void ParseAnswer(AnswerAssembly& answer);
  void ParseMemoList(AnswerAssembly& answer);
  void LineSent(const std::string& line);
  void ShowQueue();
  void PortClosed();
  void ConnectionLost();
  void PhoneSilent();
  // The SMS-listing state: busy pointer, refresh and close buttons off, until an answer
  // completes or the port closes.
  void EnterSmsListing();
  void LeaveSmsListing();

  std::optional<MemoNames> SelectedMemo() const;
  std::unique_ptr<TransferProgress> ShowProgress(const MemoNames& memo);

  PhoneSession session_;
  MemoDownload download_;
  std::vector<MemoNames> memos_;
  // The answer the memo lists were filled from, while they still show all of it.
  std::optional<unsigned> listed_answer_;
  bool connected_ = false;
  // The phone has not answered within the session's first-answer time since the open.
  bool unanswered_ = false;
  bool sms_listing_ = false;
  QPointer<FtStat> progress_dialog_;
};
