// A main window in its own program folder, connected to the phone simulator linked there as
// COM5, with its messages recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/terminal_box.h"
#include "tests/e365sim/sim_process.h"
#include "tests/support/qt_application.h"
#include "tests/support/temp_folder.h"
#include "transfer/ft_proc.h"
#include "transfer/ft_stat.h"

struct RecordedMessage {
  MessageIcon icon;
  QString text;
};

inline std::string SampleBytes(const std::string& name) {
  return test_support::read_file(std::string(VOKAREL_SAMPLES_DIR) + "/" + name + ".amr");
}

class DownloadTest : public ::testing::Test {
 protected:
  DownloadTest() {
    test_support::EnsureApplication();
    previous_handler_ = SetMessageHandler([this](MessageIcon icon, const QString& text) { messages.push_back({icon, text}); });
    window = std::make_unique<frmMain>();
  }
  ~DownloadTest() override {
    window->close();
    window.reset();
    SetMessageHandler(previous_handler_);
  }

  // Starts the simulator with `args` (besides its folder and port) and opens the port to it.
  void Connect(std::vector<std::string> args = {"--no-pacing"}) {
    args.insert(args.end(), {"--folder", folder.path(), "--port", "5"});
    sim = std::make_unique<e365sim_test::SimProcess>(args);
    ASSERT_FALSE(sim->device().empty());
    window->cmdPortOpen->click();
    ASSERT_TRUE(test_support::PumpUntil([this] { return window->pcSms->isEnabled() && window->lstCommand->count() == 0; }, 10000));
    window->cmdRefresh->click();
    ASSERT_TRUE(test_support::PumpUntil([this] { return window->lstAmr->count() > 0; }, 10000));
    test_support::PumpFor(200);
  }

  int RowOf(const QString& display) const {
    for (int row = 0; row < window->lstAmr->count(); ++row)
      if (window->lstAmr->item(row)->text() == display) return row;
    return -1;
  }

  // Selects the memo and presses Save; returns when the download has ended.
  void Save(const QString& display) {
    const int row = RowOf(display);
    ASSERT_GE(row, 0) << display.toStdString();
    window->lstAmr->setCurrentRow(row);
    messages.clear();
    window->cmdsaveSMS->click();
  }

  // Runs `action` `ms` milliseconds from now, inside the transfer's event processing.
  void During(int ms, std::function<void()> action) { QTimer::singleShot(ms, window.get(), std::move(action)); }

  bool TerminalHas(const std::string& text) const { return window->Term->Bytes().find(text) != std::string::npos; }

  bool Idle() const {
    return window->cmdsaveSMS->isEnabledTo(window->pcSms) && window->tmrRecive->isActive() && !window->tmrSend->isActive() &&
           FtStatDialog() == nullptr;
  }

  // The names in the program folder besides the port link.
  std::vector<std::string> FolderFiles() const;

  QString OnlyMessage() const { return messages.size() == 1 ? messages[0].text : QString("<%1 messages>").arg(messages.size()); }

  test_support::ScopedProgramFolder folder;
  std::unique_ptr<e365sim_test::SimProcess> sim;
  std::vector<RecordedMessage> messages;
  std::unique_ptr<frmMain> window;

 private:
  MessageHandler previous_handler_;
};
