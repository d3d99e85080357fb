// vokarel-cli: the phone's memos from the command line, over the window's phone session, its
// download sequence and the transfer engine (see kUsage and the README).
#include <QCoreApplication>
#include <csignal>
#include <cstdio>

#include "tools/vokarel-cli/command_line.h"
#include "tools/vokarel-cli/run.h"

int main(int argc, char** argv) {
  std::string error;
  const auto options = cli::parse_command_line(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "vokarel-cli: %s\n%s", error.c_str(), cli::kUsage);
    return cli::kBadCommandLine;
  }
  // A reader that goes away (`| head`) ends the output, not the download.
  std::signal(SIGPIPE, SIG_IGN);
  QCoreApplication app(argc, argv);
  return cli::Run(*options);
}
