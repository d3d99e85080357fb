// One receive tick of the window: a 512-byte block (the most one poll takes) handed to the
// session, shown in the terminal and, the answer being complete, interpreted again. Cases: a
// terminal at its 8192-character cap (the front is dropped first) or with room, and an answer
// buffer that already holds a long listing answer followed by minutes of further bytes (the cost
// must not grow with it).
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

// Arguments: characters in the terminal before the block (8192 = full, so the front is
// dropped), and bytes of the answer received before it (a listing answer, complete, then more).
void BM_ReceiveTick512(benchmark::State& state) {
  frmMain& window = Window();
  const std::string before = Traffic(static_cast<std::size_t>(state.range(0)));
  const std::string listing = "AT%PCTL=DIR /Voice Memo\r\r\n" + Traffic(static_cast<std::size_t>(state.range(1)));
  const std::string block = Traffic(512 + 7).substr(7);
  PhoneSession& session = window.Session();
  session.Answer().Clear();
  session.Receive(listing);
  for (auto _ : state) {
    state.PauseTiming();
    window.Term->ClearBytes();
    window.Term->AppendBytes(before);
    state.ResumeTiming();
    session.Receive(block);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * block.size()));
}
BENCHMARK(BM_ReceiveTick512)->Args({8192, 0})->Args({4096, 0})->Args({8192, 600000})->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
