// layers: app base
// What a busy download costs the log: appending yt-dlp's progress lines one by one, through the
// cap (100 000 lines of ~90 characters pass 2,000,000 units several times).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/log_model.h"

namespace {

using tarnwick::LogModel;
using tarnwick::LogObserver;

// Stands in for the shell's text view: receives every event, keeps a running count.
class CountingObserver : public LogObserver {
 public:
  void logAppended(std::wstring_view text) override { appended += text.size(); }
  void logTrimmed(std::size_t count) override { trimmed += count; }
  void logCleared() override {}
  std::size_t appended = 0;
  std::size_t trimmed = 0;
};

std::vector<std::wstring> sampleLines() {
  return {
      L"[download]  42.7% of  812.35MiB at    8.42MiB/s ETA 00:55",
      L"[youtube] Extracting URL: https://www.youtube.com/watch?v=dQw4w9WgXcQ",
      L"[download] Destination: /home/user/Downloads/A rather long video title [dQw4w9WgXcQ].f137.mp4",
      L"[Merger] Merging formats into \"/home/user/Downloads/A rather long video title.mp4\"",
      L"مرحبًا بك في Tarnwick App!",
  };
}

void appendLines(benchmark::State& state, bool observed) {
  const std::vector<std::wstring> lines = sampleLines();
  constexpr int lineCount = 100'000;
  for (auto _ : state) {
    LogModel log;
    CountingObserver observer;
    if (observed) log.setObserver(&observer);
    for (int i = 0; i < lineCount; ++i) log.appendLogLine(lines[i % lines.size()]);
    benchmark::DoNotOptimize(log.text().data());
    benchmark::DoNotOptimize(observer.appended);
  }
  // Reported as time per appended line.
  state.counters["per_line"] = benchmark::Counter(
      lineCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetItemsProcessed(state.iterations() * lineCount);
}

void BM_Append100kLines(benchmark::State& state) {
  appendLines(state, false);
}
void BM_Append100kLinesObserved(benchmark::State& state) {
  appendLines(state, true);
}

BENCHMARK(BM_Append100kLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Append100kLinesObserved)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
