// What the file utilities cost: moves within and across file systems (a tmpfs and the folder
// the benchmark runs in), copies, and wildcard searches of a large folder.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "fileutil/cls_open_file.h"
#include "fileutil/wildcard.h"

namespace {

class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& base) {
    std::string pattern = base + "/vokarel-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed in " + base);
    path_ = pattern;
  }
  ~ScratchFolder() { std::filesystem::remove_all(path_); }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void write_bytes(const std::string& path, std::size_t size) {
  std::ofstream(path, std::ios::binary) << std::string(size, 'm');
}

dev_t device_of(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_dev : 0;
}

void BM_MoveWithinAFileSystem(benchmark::State& state) {
  ScratchFolder folder(".");
  write_bytes(folder.file("a"), 1 << 20);
  clsOpenFile file;
  for (auto _ : state) {
    if (!file.MoveFile(folder.file("a"), folder.file("b")) ||
        !file.MoveFile(folder.file("b"), folder.file("a"))) {
      state.SkipWithError("move failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_MoveWithinAFileSystem);

void BM_MoveRefusedOntoAnExistingFile(benchmark::State& state) {
  ScratchFolder folder(".");
  write_bytes(folder.file("a"), 16);
  write_bytes(folder.file("b"), 16);
  clsOpenFile file;
  for (auto _ : state) benchmark::DoNotOptimize(file.MoveFile(folder.file("a"), folder.file("b")));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MoveRefusedOntoAnExistingFile);

// There and back: a tmpfs and the current folder, with the data synced to disk on arrival.
void BM_MoveAcrossFileSystems(benchmark::State& state) {
  if (device_of("/dev/shm") == device_of(".")) {
    state.SkipWithError("/dev/shm and . are one file system");
    return;
  }
  ScratchFolder shm("/dev/shm");
  ScratchFolder disk(".");
  const auto size = static_cast<std::size_t>(state.range(0));
  write_bytes(shm.file("memo"), size);
  clsOpenFile file;
  for (auto _ : state) {
    if (!file.MoveFile(shm.file("memo"), disk.file("memo.amr")) ||
        !file.MoveFile(disk.file("memo.amr"), shm.file("memo"))) {
      state.SkipWithError("move failed");
    }
  }
  state.SetBytesProcessed(state.iterations() * 2 * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_MoveAcrossFileSystems)->Arg(64 << 10)->Arg(4 << 20)->Arg(32 << 20)->UseRealTime();

void BM_CopyFile(benchmark::State& state) {
  ScratchFolder folder(".");
  const auto size = static_cast<std::size_t>(state.range(0));
  write_bytes(folder.file("memo"), size);
  clsOpenFile file;
  for (auto _ : state) {
    if (!file.CopyFile(folder.file("memo"), folder.file("copy"), false)) {
      state.SkipWithError("copy failed");
    }
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
}
BENCHMARK(BM_CopyFile)->Arg(64 << 10)->Arg(32 << 20)->UseRealTime();

// A search that matches nothing reads the whole folder.
void BM_FindFileInALargeFolder(benchmark::State& state) {
  ScratchFolder folder(".");
  const int entries = static_cast<int>(state.range(0));
  for (int i = 0; i < entries; ++i) write_bytes(folder.file("Запись " + std::to_string(i) + ".amr"), 0);
  clsOpenFile file;
  for (auto _ : state) benchmark::DoNotOptimize(file.FindFile(folder.file("*.wav")));
  state.SetItemsProcessed(state.iterations() * entries);
}
BENCHMARK(BM_FindFileInALargeFolder)->Arg(2000);

void BM_WildcardMatch(benchmark::State& state) {
  const std::string name = "Запись разговора с телефона 2005-03-14.amr";
  for (auto _ : state) benchmark::DoNotOptimize(fileutil::wildcard_match("*ЗАПИСЬ*.a?r", name));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WildcardMatch);

}  // namespace
