#include "app/phone_session.h"

#include <QScopeGuard>

#include "phone/windows1251.h"
#include "serial/port_lifecycle.h"
#include "sio/sio.h"
#include "ui/guarded_step.h"
#include "ui/message_box.h"

PhoneSession::PhoneSession(PortSettingsRecord& settings, QObject* parent) : QObject(parent), settings_(settings) {
  send_timer_.setInterval(kSendInterval);
  poll_timer_.setInterval(kPollInterval);
  first_answer_timer_.setInterval(kFirstAnswerTimeout);
  first_answer_timer_.setSingleShot(true);
  connect(&send_timer_, &QTimer::timeout, this, &PhoneSession::SendNext);
  connect(&poll_timer_, &QTimer::timeout, this, &PhoneSession::Poll);
  connect(&first_answer_timer_, &QTimer::timeout, this, &PhoneSession::silent);
  poll_timer_.start();
}

PhoneSession::~PhoneSession() {
  if (open_) sio_close(settings_.Port);
}

// The first-answer timer runs until the phone's first complete answer; an answer left over from
// before does not count.
bool PhoneSession::Open() {
  if (!OpenAndConfigurePort(settings_)) {
    // The failed attempt has closed the port, also one that was open before.
    if (open_) Close();
    return false;
  }
  open_ = true;
  answer_.Clear();
  first_answer_timer_.start();
  emit portOpened();
  for (const char* line : {"ATZ", "AT+GMM", "AT+GMR"}) Queue(line);
  return true;
}

void PhoneSession::Close() {
  sio_close(settings_.Port);
  open_ = false;
  queue_.clear();
  send_timer_.stop();
  first_answer_timer_.stop();
  emit queueChanged();
  emit portClosed();
}

bool PhoneSession::Reconfigure() { return ConfigurePort(settings_); }

void PhoneSession::Queue(std::string line, bool no_cr) {
  if (!no_cr) line += '\r';
  queue_.push_back(std::move(line));
  emit queueChanged();
  // A tick that is sending starts the timer again itself when it ends.
  if (!busy_ && !send_timer_.isActive()) send_timer_.start();
}

void PhoneSession::Unqueue(const std::string& line) {
  const auto before = queue_.size();
  std::erase(queue_, line);
  if (queue_.size() != before) emit queueChanged();
}

void PhoneSession::SendNext() {
  send_timer_.stop();
  if (queue_.empty()) return;  // idle until the next line is queued
  // Whatever happens while sending, the queue keeps draining.
  const auto resume = qScopeGuard([this] {
    busy_ = false;
    send_timer_.start();
  });
  if (busy_ || !open_) return;
  busy_ = true;
  // Taken off before it is sent, so that what runs while it is sent cannot shift the queue.
  const std::string line = std::move(queue_.front());
  queue_.pop_front();
  GuardedStep([&] {
    emit queueChanged();
    Send(line);
    emit lineSent(line);
  });
}

void PhoneSession::Send(const std::string& line) {
  answer_.Clear();
  const int written = sio_write(settings_.Port, line.data(), static_cast<int>(line.size()));
  // A vanished device is the poll's to report, once: it reads the same device within a tick, and
  // during a transfer only after the transfer has reported its own failure.
  if (written < 0 && written != SIO_GONE)
    ShowMessage(MessageIcon::Warning,
                QStringLiteral("Команду ") + FromWindows1251(line) + QStringLiteral(" не удалось послать на запись"));
}

void PhoneSession::Poll() {
  char block[kPollBlock] = {};
  const int length = sio_read(settings_.Port, block, kPollBlock);
  if (length == SIO_GONE && open_) {
    Close();
    GuardedStep([this] { emit connectionLost(); });
    return;
  }
  // No data, a closed port and other read errors alike give nothing.
  if (length > 0) Receive(std::string_view(block, static_cast<std::size_t>(length)));
}

void PhoneSession::Receive(std::string_view block) {
  if (block.empty()) return;
  GuardedStep([&] { emit received(block); });
  GuardedStep([&] { answer_.Append(block); });
  if (!answer_.Complete()) return;
  first_answer_timer_.stop();
  GuardedStep([this] { emit answerCompleted(); });
}
