// A main window with a scripted phone on COM5 (a pty linked in a temporary program folder) and
// its messages recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <memory>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/message_box.h"
#include "tests/support/pty_pair.h"
#include "tests/support/qt_application.h"
#include "tests/support/scripted_phone.h"
#include "tests/support/temp_folder.h"

struct RecordedMessage {
  MessageIcon icon;
  QString text;
};

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() : phone(pty.peer()) {
    test_support::EnsureApplication();
    folder.link_port(5, pty.device());
    previous_handler = SetMessageHandler(
        [this](MessageIcon icon, const QString& text) { messages.push_back({icon, text}); });
    window = std::make_unique<frmMain>();
  }
  ~WindowTest() override {
    window->close();
    window.reset();
    SetMessageHandler(previous_handler);
  }

  // Pumps events with the phone answering until `done` holds.
  bool Until(const std::function<bool()>& done, int timeout_ms = 5000) {
    return test_support::PumpUntil(done, timeout_ms, [this] { phone.serve(); });
  }
  void PumpFor(int ms) { test_support::PumpFor(ms, [this] { phone.serve(); }); }

  bool Connected() const {
    return window->GbOpen && !window->cmdPortOpen->isEnabled() && window->cmdPortClose->isEnabled() &&
           window->pcSms->isEnabled();
  }
  bool Closed() const {
    return !window->GbOpen && window->cmdPortOpen->isEnabled() && !window->cmdPortClose->isEnabled() &&
           !window->pcSms->isEnabled();
  }
  // Opens the port and waits for the phone's identification to finish.
  void Connect() {
    window->cmdPortOpen->click();
    ASSERT_TRUE(Until([this] { return Connected() && window->lstCommand->count() == 0 && phone.lines().size() >= 3; }));
    ASSERT_TRUE(Until([this] { return window->windowTitle().contains("R373"); }));
  }

  test_support::ScopedProgramFolder folder;
  test_support::PtyPair pty;
  test_support::ScriptedPhone phone;
  std::vector<RecordedMessage> messages;
  MessageHandler previous_handler;
  std::unique_ptr<frmMain> window;
};
