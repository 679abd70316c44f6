// layers: base
//
// What the user feels of the runner: how fast a chatty tool's output gets through, next to the
// same bytes through a plain pipe, and how long a trivial program takes from start to exit.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/process_runner.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr std::size_t lineBytes = 100;
constexpr std::size_t lineCount = 10'000'000;  // 1 GB
constexpr std::size_t readSize = 1 << 20;

fs::path dataFolder;
fs::path dataFile;

// 1 GB of 100-byte lines in a temporary folder outside the repository, written once per run.
bool makeData() {
  const char* tmp = ::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnwick-bench-XXXXXX";
  if (!::mkdtemp(pattern.data())) return false;
  dataFolder = pattern;
  dataFile = dataFolder / "lines.txt";
  std::string block;
  for (std::size_t i = 0; i < 10'000; ++i) {
    std::string line =
        "[download]  42.0% of ~ 123.45MiB at  5.67MiB/s ETA 00:17 (frag " + std::to_string(i) + ")";
    line.resize(lineBytes - 1, '.');
    block += line + '\n';
  }
  std::ofstream out(dataFile, std::ios::binary);
  for (std::size_t i = 0; i < lineCount / 10'000; ++i)
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
  return static_cast<bool>(out);
}

double childCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Where the time goes on a busy machine: the writer's CPU time per iteration beside the reader's.
struct ChildCpu {
  benchmark::State& state;
  double start = childCpuSeconds();
  ~ChildCpu() {
    state.counters["child_cpu_ms"] =
        benchmark::Counter((childCpuSeconds() - start) * 1000 / static_cast<double>(state.iterations()));
  }
};

void runnerCat(benchmark::State& state) {
  ChildCpu childCpu{state};
  std::wstring command =
      tarnwick::quoteArgument(L"/bin/cat") + L" " + tarnwick::quoteArgument(dataFile.wstring());
  std::size_t lines = 0;
  std::size_t chars = 0;
  tarnwick::LineCallback onLine = [&](const std::wstring& line) {
    ++lines;
    chars += line.size();
  };
  for (auto _ : state) {
    if (tarnwick::runProcess(command, onLine, tarnwick::downloadProcessJob, false) != 0)
      state.SkipWithError("cat failed");
  }
  if (lines != lineCount * state.iterations()) state.SkipWithError("lines lost");
  benchmark::DoNotOptimize(chars);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * lineCount * lineBytes));
}

// The same bytes through a bare pipe read into a buffer and dropped: the ceiling for the runner.
void plainPipeCat(benchmark::State& state) {
  ChildCpu childCpu{state};
  auto buffer = std::make_unique<char[]>(readSize);
  for (auto _ : state) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return state.SkipWithError("pipe failed");
    ::fcntl(fds[1], F_SETPIPE_SZ, static_cast<int>(readSize));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    std::string path = dataFile.string();
    char* argv[] = {const_cast<char*>("/bin/cat"), path.data(), nullptr};
    pid_t pid = -1;
    int error = ::posix_spawn(&pid, "/bin/cat", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::size_t total = 0;
    ssize_t n;
    while ((n = ::read(fds[0], buffer.get(), readSize)) > 0) total += static_cast<std::size_t>(n);
    ::close(fds[0]);
    int status = 0;
    if (error == 0) ::waitpid(pid, &status, 0);
    if (error != 0 || total != lineCount * lineBytes) state.SkipWithError("cat failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * lineCount * lineBytes));
}

// The reference the task names: cat writing straight into /dev/null through the shell.
void catToDevNull(benchmark::State& state) {
  std::string command = "/bin/cat '" + dataFile.string() + "' > /dev/null";
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) state.SkipWithError("cat failed");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * lineCount * lineBytes));
}

void runnerTrue(benchmark::State& state) {
  std::wstring command = tarnwick::quoteArgument(L"/bin/true");
  tarnwick::LineCallback onLine = [](const std::wstring&) {};
  for (auto _ : state)
    if (tarnwick::runProcess(command, onLine, tarnwick::previewProcessJob, false) != 0)
      state.SkipWithError("true failed");
}

void spawnTrue(benchmark::State& state) {
  char* argv[] = {const_cast<char*>("/bin/true"), nullptr};
  for (auto _ : state) {
    pid_t pid = -1;
    int status = 0;
    if (::posix_spawn(&pid, "/bin/true", nullptr, nullptr, argv, environ) != 0 ||
        ::waitpid(pid, &status, 0) != pid)
      state.SkipWithError("true failed");
  }
}

BENCHMARK(runnerCat)
    ->Name("RunProcess/cat_1GB_100B_lines")
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(plainPipeCat)
    ->Name("PlainPipe/cat_1GB")
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(catToDevNull)
    ->Name("Shell/cat_1GB_to_dev_null")
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(runnerTrue)->Name("RunProcess/true_start_to_exit")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(spawnTrue)->Name("PosixSpawn/true_start_to_exit")->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bool ready = makeData();
  if (ready) benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  if (!dataFolder.empty()) fs::remove_all(dataFolder, ec);
  return ready ? 0 : 1;
}
