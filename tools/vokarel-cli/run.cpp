#include "tools/vokarel-cli/run.h"

#include <cstdio>
#include <filesystem>
#include <sys/ioctl.h>
#include <unistd.h>

#include "serial/option_tables.h"
#include "serial/port_settings.h"
#include "sio/port_table.h"
#include "sio/program_folder.h"
#include "tools/vokarel-cli/cli_phone.h"
#include "tools/vokarel-cli/interrupt.h"
#include "tools/vokarel-cli/memo_fetch.h"
#include "tools/vokarel-cli/memo_json.h"
#include "tools/vokarel-cli/memo_text.h"
#include "transfer/ft_proc.h"
#include "ui/message_box.h"

namespace cli {
namespace {

void Say(const std::string& text) { std::fprintf(stderr, "vokarel-cli: %s\n", text.c_str()); }

ProgressView::Mode ProgressMode(bool quiet) {
  if (quiet) return ProgressView::Mode::Quiet;
  return isatty(STDERR_FILENO) ? ProgressView::Mode::Bar : ProgressView::Mode::Plain;
}

int TerminalWidth() {
  winsize size{};
  return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

int List(CliPhone& phone, bool json) {
  const auto memos = phone.ListMemos();
  if (!memos) {
    Say("the phone gave no memo listing");
    return kNotAllSaved;
  }
  for (const MemoNames& memo : *memos)
    std::printf("%s\n", json ? memo_json(DisplayUtf8(memo), memo.raw).c_str() : PrintableName(memo).c_str());
  return kAllDone;
}

class GetReport {
 public:
  void Add(const FetchResult& result) {
    static const char* const kWords[] = {"saved  ", "skipped", "failed "};
    const auto fate = static_cast<int>(result.fate);
    ++counts_[fate];
    std::printf("%s %s%s%s\n", kWords[fate], result.memo.c_str(),
                result.fate == FetchResult::Fate::Saved ? " -> " : ": ", result.detail.c_str());
    std::fflush(stdout);
  }
  int Finish() const {
    std::printf("%d saved, %d skipped, %d not saved\n", counts_[0], counts_[1], counts_[2]);
    return counts_[1] + counts_[2] == 0 ? kAllDone : kNotAllSaved;
  }

 private:
  int counts_[3] = {};
};

int Get(CliPhone& phone, const Options& options) {
  const auto memos = phone.ListMemos();
  if (!memos) {
    Say("the phone gave no memo listing");
    return kNotAllSaved;
  }
  ProgressView view(ProgressMode(options.quiet), stderr, TerminalWidth());
  MemoFetch fetch(phone.Session(), view);
  GetReport report;
  if (options.all)
    for (const MemoNames& memo : *memos) report.Add(fetch.Fetch(memo));
  for (const std::string& name : options.names) {
    bool listed = false;
    for (const MemoNames& memo : *memos) {
      if (DisplayUtf8(memo) != name) continue;
      listed = true;
      report.Add(fetch.Fetch(memo));
    }
    if (!listed) report.Add({name, FetchResult::Fate::NotSaved, "not on the phone"});
  }
  return report.Finish();
}

}  // namespace

int Run(const Options& options) {
  CatchInterrupts();
  std::error_code error;
  const std::filesystem::path dir = std::filesystem::canonical(options.dir, error);
  if (error || !std::filesystem::is_directory(dir)) {
    Say("no folder " + options.dir);
    return kBadCommandLine;
  }
  InitOptionTables();
  InitProtocolNames();
  PortSettings = kStartupPortSettings;
  PortSettings.Port = options.port;
  PortSettings.BaudCode = BaudCodes[speed_index(options.speed)];
  // The port is found as the window finds it (or is the device given); received memos land in
  // the folder asked for.
  const std::string device = options.device.empty() ? sio::resolve_port_path(options.port) : options.device;
  sio::bind_port_device(options.port, device);
  sio::set_program_folder(dir.string());
  SetMessageHandler([](MessageIcon, const QString& text) { Say(MessageLine(text)); });

  CliPhone phone(PortSettings);
  const auto identity = phone.Identify(options.action == Action::Identify);
  if (Interrupted()) return kNotAllSaved;
  if (!identity) {
    Say((phone.Session().IsOpen() ? "no phone answers on " : "cannot open ") + device);
    return kNoPhone;
  }
  if (!identity->e365) {
    Say("the phone on " + device + " is not a Motorola E365: " + PrintableText(identity->model));
    return kNoPhone;
  }
  switch (options.action) {
    case Action::Identify:
      std::printf("Model: %s\nFirmware: %s\n", PrintableText(identity->model).c_str(),
                  PrintableText(identity->firmware).c_str());
      return kAllDone;
    case Action::List: return List(phone, options.json);
    case Action::Get: return Get(phone, options);
  }
  return kAllDone;
}

}  // namespace cli
