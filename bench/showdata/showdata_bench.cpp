// ShowData with a 512-byte block (the most one receive tick takes): into a terminal at its
// 8192-character cap, which drops the first 4096 first, and into one with room.
// Runs offscreen unless a platform is chosen: QT_QPA_PLATFORM=xcb bench_showdata
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/terminal_box.h"

namespace {

// Phone traffic: echoed commands, replies, line breaks.
std::string Traffic(std::size_t size) {
  static const std::string kPiece = "AT+GMM\r\r\nE365\r\n\r\nOK\r\nMemo \xC7\xE0\xEF\xE8\xF1\xFC.amr | FRW | 1024\r\n";
  std::string text;
  while (text.size() < size) text += kPiece;
  text.resize(size);
  return text;
}

frmMain& Window() {
  static std::unique_ptr<frmMain> window = [] {
    auto w = std::make_unique<frmMain>();
    if (!qEnvironmentVariableIsSet("BENCH_HIDDEN")) w->show();
    return w;
  }();
  return *window;
}

void Refill(frmMain& window, const std::string& text) {
  window.Term->ClearBytes();
  window.Term->AppendBytes(text);
  window.GsAnswer.clear();
}

// Argument: characters in the terminal before the block (8192 = full, so the front is dropped).
void BM_ShowData512(benchmark::State& state) {
  frmMain& window = Window();
  const std::string before = Traffic(static_cast<std::size_t>(state.range(0)));
  const std::string block = Traffic(512 + 7).substr(7);
  for (auto _ : state) {
    state.PauseTiming();
    Refill(window, before);
    state.ResumeTiming();
    window.ShowData(*window.Term, block.data(), static_cast<int>(block.size()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * block.size()));
}
BENCHMARK(BM_ShowData512)->Arg(8192)->Arg(4096)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
