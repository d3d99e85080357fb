// e365sim: plays a Motorola E365 phone on a pseudo-terminal linked as COMn (see kUsage).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "sio/program_folder.h"
#include "tools/e365sim/memo_store.h"
#include "tools/e365sim/options.h"
#include "tools/e365sim/pty_link.h"
#include "tools/e365sim/scratch_folder.h"
#include "tools/e365sim/session.h"
#include "tools/e365sim/stop_signals.h"

namespace {

using namespace e365sim;

// What an extra memo holds: a valid AMR file of one second of "no data" frames.
std::string extra_memo_content() { return "#!AMR\n" + std::string(50, '\x7C'); }

std::vector<Memo> write_extra_memos(const std::vector<std::string>& names, const std::string& folder) {
  std::vector<Memo> memos;
  const std::string content = extra_memo_content();
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::string path = folder + "/extra" + std::to_string(i) + ".amr";
    std::ofstream(path, std::ios::binary) << content;
    memos.push_back({names[i], path, static_cast<long long>(content.size())});
  }
  return memos;
}

int run(const Options& options) {
  std::string folder = options.folder.empty() ? sio::program_folder() : options.folder;
  std::string memos = std::filesystem::absolute(options.memos.empty() ? E365SIM_SAMPLES : options.memos);
  if (!std::filesystem::is_directory(memos)) {
    std::fprintf(stderr, "e365sim: no memo folder %s\n", memos.c_str());
    return 2;
  }
  install_stop_handlers();
  ScratchFolder scratch;
  MemoStore store(memos, write_extra_memos(options.extra_memos, scratch.path()));
  PtyLink link(folder, options.port);
  std::printf("%s\n", link.device().c_str());
  std::fflush(stdout);
  std::fprintf(stderr, "e365sim: %s -> %s, memos from %s%s\n", link.link_path().c_str(), link.device().c_str(),
               memos.c_str(), options.pacing ? "" : ", no pacing");

  PhoneLine line(link, options.pacing, options.faults);
  Dialogue dialogue(options.dialogue);
  Session(line, dialogue, store).run();
  std::fprintf(stderr, "e365sim: %s\n", line.hung_up() ? "hung up" : "stopped");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  auto options = parse_options(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "e365sim: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  if (options->help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  try {
    return run(*options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "e365sim: %s\n", e.what());
    return 1;
  }
}
