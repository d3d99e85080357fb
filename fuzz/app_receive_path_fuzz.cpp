// The terminal's receive path of the main window on an offscreen display: blocks of arbitrary
// bytes as the poll timer hands them over, shown in the terminal, gathered into the answer and
// interpreted once an answer is complete (model check, firmware title, memo lists). No crash,
// the two memo lists stay entry for entry, and the terminal keeps within its cap.
#include <QApplication>
#include <QListWidget>
#include <cstdlib>

#include "app/main_window.h"
#include "app/message_box.h"
#include "app/terminal_box.h"
#include "app/terminal_text.h"
#include "fuzz/fuzz_input.h"

namespace {

QApplication& Application() {
  static int argc = 1;
  static char name[] = "fuzz_app_receive_path";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    auto* created = new QApplication(argc, argv);
    SetMessageHandler([](MessageIcon, const QString&) {});  // a refused phone's message box
    return created;
  }();
  return *app;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Application();
  frmMain window;
  fuzz::Chunks chunks(data, size);
  const std::uint8_t* bytes;
  std::size_t len;
  while (chunks.next(bytes, len)) {
    window.ShowData(*window.Term, reinterpret_cast<const char*>(bytes), static_cast<int>(len));
    FUZZ_CHECK(window.lstAmr->count() == window.lstName->count());
    FUZZ_CHECK(window.Term->Bytes().size() <= TerminalText::kCap);
  }
  return 0;
}
