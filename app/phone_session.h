// The phone on its serial port: the open port, the queue of command lines with the timer that
// sends them, the poll that reads what the phone sends, and the answer gathered since the last
// line went out. No widgets: the window (or any other front) reacts to its signals.
#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <string>
#include <string_view>

#include "phone/answer_assembly.h"
#include "serial/port_settings.h"

class PhoneSession : public QObject {
  Q_OBJECT

 public:
  static constexpr int kSendInterval = 300;  // ms between two queued lines
  static constexpr int kPollInterval = 100;  // ms between two reads
  static constexpr int kPollBlock = 512;     // bytes a read takes at most
  // How long after the open the phone may take for its first complete answer before it counts as
  // silent: its whole identification at 50 bit/s, the slowest speed offered (64 bytes of echoes
  // and answers at 5 bytes a second, 13 s, after the first line goes out at 300 ms), plus its
  // reset and a margin.
  static constexpr int kFirstAnswerTimeout = 20000;  // ms

  // Every port call takes its number from `settings`, which must outlive the session. The poll
  // runs from the start, also while no port is open.
  explicit PhoneSession(PortSettingsRecord& settings, QObject* parent = nullptr);
  ~PhoneSession() override;

  // Opens and configures the port (a failure shows its message) and queues the identification
  // "ATZ", "AT+GMM", "AT+GMR". True when the port is open. A port that was open and fails to
  // open again (its device vanished) ends up closed.
  bool Open();
  // Closes the port (whether or not it is open), empties the queue and stops the sender.
  void Close();
  // Applies the settings to the open port again; false (after its message) when a step failed.
  bool Reconfigure();

  // Adds a line at the end of the queue; unless `no_cr`, with a carriage return.
  void Queue(std::string line, bool no_cr = false);
  // Takes a line off the queue while it still waits there.
  void Unqueue(const std::string& line);
  // The sender's tick: puts the line at the head of the queue on the port.
  void SendNext();
  // Writes one line; the answer starts again with it. A failed write shows its message.
  void Send(const std::string& line);

  // The poll stops while a transfer owns the port.
  void PausePoll() { poll_timer_.stop(); }
  void ResumePoll() { poll_timer_.start(); }
  // The poll's tick: reads up to one block and hands it to Receive. A device that has vanished
  // closes the port once and announces the lost connection.
  void Poll();
  // A block from the phone: announced, added to the answer, and once the answer is complete
  // announced as an answer at every block until the next line is sent.
  void Receive(std::string_view block);

  int Port() const { return settings_.Port; }
  bool IsOpen() const { return open_; }
  bool IsBusy() const { return busy_; }
  const std::deque<std::string>& Queued() const { return queue_; }
  AnswerAssembly& Answer() { return answer_; }
  const AnswerAssembly& Answer() const { return answer_; }
  QTimer& SendTimer() { return send_timer_; }
  QTimer& PollTimer() { return poll_timer_; }
  // Runs from the open until the first complete answer; its interval is kFirstAnswerTimeout.
  QTimer& FirstAnswerTimer() { return first_answer_timer_; }

 signals:
  void received(std::string_view block);
  void answerCompleted();
  // A line went out; handlers run while the session still counts as busy sending it.
  void lineSent(const std::string& line);
  void queueChanged();
  void portOpened();
  void portClosed();
  // The device vanished; the port has been closed already.
  void connectionLost();
  // No complete answer came within kFirstAnswerTimeout of the open; the port stays open.
  void silent();

 private:
  PortSettingsRecord& settings_;
  bool open_ = false;
  bool busy_ = false;
  std::deque<std::string> queue_;
  AnswerAssembly answer_;
  QTimer send_timer_;
  QTimer poll_timer_;
  QTimer first_answer_timer_;
};
