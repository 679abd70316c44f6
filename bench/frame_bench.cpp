// layers: render app base
// CPU time of one animated frame of the main window on the software path: a download running
// with the indeterminate bar and the spinner, at 900 × 860 DIPs, at scale 1 and 2.
#include <benchmark/benchmark.h>

#include "../tests/render/frame_fixtures.h"
#include "lookup/video_search.h"
#include "render/canvas.h"
#include "render/frame_state_from_app.h"
#include "render/offscreen.h"
#include "render/painters.h"

namespace tarnwick {
namespace {

FrameState animatedState() {
  FrameState state = test::englishState();
  state.jobState = 2;
  state.statusKind = 1;
  state.statusId = statusText::starting;
  state.progress = -1;
  test::applyEnabledRule(state);
  return state;
}

void BM_AnimatedFrame(benchmark::State& bench) {
  const double scale = static_cast<double>(bench.range(0));
  OffscreenRenderer renderer;
  FrameState state = animatedState();
  const MainLayout layout = layoutMainWindow(state, 900, 860, renderer.text());
  renderer.paintMainWindow(state, layout, scale);  // first frame builds the caches
  for (auto _ : bench) {
    state.clockMs += 33;
    renderer.paintMainWindow(state, layout, scale);
  }
}
BENCHMARK(BM_AnimatedFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The same frame with a determinate bar (glow and sheen) and a preview with its thumbnail.
void BM_ProgressFrameWithPreview(benchmark::State& bench) {
  const double scale = static_cast<double>(bench.range(0));
  OffscreenRenderer renderer;
  FrameState state = animatedState();
  state.progress = 42;
  state.preview.active = true;
  state.preview.title = L"Big Buck Bunny";
  state.preview.channel = L"Blender Foundation";
  state.preview.durationSeconds = 596;
  state.preview.thumb = test::makeThumb();
  const MainLayout layout = layoutMainWindow(state, 900, 1000, renderer.text());
  renderer.paintMainWindow(state, layout, scale);
  for (auto _ : bench) {
    state.clockMs += 33;
    renderer.paintMainWindow(state, layout, scale);
  }
}
BENCHMARK(BM_ProgressFrameWithPreview)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

// What the cache saves: the background glows and cards drawn directly, every frame.
void BM_StaticLayerUncached(benchmark::State& bench) {
  const double scale = static_cast<double>(bench.range(0));
  OffscreenRenderer renderer;
  FrameState state = animatedState();
  MainLayout layout = layoutMainWindow(state, 900, 860, renderer.text());
  for (auto _ : bench) {
    layout.clientWidthDip = layout.clientWidthDip == 900 ? 900.5f : 900;  // defeats the cache
    renderer.paintMainWindow(state, layout, scale);
  }
}
BENCHMARK(BM_StaticLayerUncached)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The layout pass (run on resize, language or mode changes, never per frame).
void BM_LayoutPass(benchmark::State& bench) {
  const OffscreenRenderer renderer;
  const FrameState state = animatedState();
  for (auto _ : bench) benchmark::DoNotOptimize(layoutMainWindow(state, 900, 860, renderer.text()));
}
BENCHMARK(BM_LayoutPass)->Unit(benchmark::kMicrosecond);

// The shell builds a frame from the app's state before every paint: a download running, a
// preview and 15 search hits.
void BM_FrameStateFromApp(benchmark::State& bench) {
  AppState app;
  app.jobState = downloadJobRunning;
  app.statusKind = statusBusy;
  app.progress = 42;
  app.preview.active = true;
  app.preview.title = L"Big Buck Bunny";
  app.preview.height = 720;
  for (int i = 0; i < searchHitCount; ++i)
    app.results.push_back({L"aqz-KE-bpKQ", L"Big Buck Bunny", L"Blender Foundation", 596, 1050, 0, nullptr});
  std::uint64_t clock = 0;
  for (auto _ : bench) benchmark::DoNotOptimize(frameStateFrom(app, false, clock += 33));
}
BENCHMARK(BM_FrameStateFromApp)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tarnwick

BENCHMARK_MAIN();
