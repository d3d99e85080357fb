// A main window in its own program folder with its messages recorded: the base of the window's
// tests and of the download's.
#pragma once

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "app/main_window.h"
#include "tests/support/message_recorder.h"
#include "tools/testbed/qt_application.h"
#include "tools/testbed/temp_folder.h"

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    testbed::EnsureApplication();
    window = std::make_unique<frmMain>();
  }
  ~WindowTest() override {
    window->close();
    window.reset();
  }

  bool Connected() const {
    return window->GbOpen() && !window->cmdPortOpen->isEnabled() && window->cmdPortClose->isEnabled() &&
           window->pcSms->isEnabled();
  }
  bool Closed() const {
    return !window->GbOpen() && window->cmdPortOpen->isEnabled() && !window->cmdPortClose->isEnabled() &&
           !window->pcSms->isEnabled();
  }

  testbed::ScopedProgramFolder folder;
  test_support::MessageRecorder recorder;
  std::vector<test_support::RecordedMessage>& messages = recorder.messages;
  std::unique_ptr<frmMain> window;
};
