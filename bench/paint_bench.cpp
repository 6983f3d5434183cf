// One whole paint through the headless host, as the window does it after an
// arrow key: erase with the class brush, 32 edges, 16 circles, 16 labels.
#include <benchmark/benchmark.h>
#include <windows.h>

#include "geometry/scene.h"
#include "shell/shell.h"
#include "winport/hosts/headless/headless.h"
#include "winport/user/testing.h"

namespace {

void paintAt(benchmark::State& state, int width, int height) {
  winport::HeadlessHost host({width, height});
  winport::setHost(&host);
  winport::resetUser();
  initStatics();
  HWND hwnd = openMainWindow(nullptr);
  for (auto _ : state) {
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
  }
  benchmark::DoNotOptimize(host.canvas(hwnd)->pixel(0, 0));
  winport::resetUser();
  winport::setHost(nullptr);
}

void BM_Paint1920x1080(benchmark::State& state) { paintAt(state, 1920, 1080); }
void BM_Paint3840x2160(benchmark::State& state) { paintAt(state, 3840, 2160); }

BENCHMARK(BM_Paint1920x1080)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Paint3840x2160)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
