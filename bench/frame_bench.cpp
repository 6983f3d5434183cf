// updateFrame() for a few eyes at 1000x700.
#include <benchmark/benchmark.h>

#include "geometry/projection.h"

namespace {

void setUp(const char* keys) {
  static bool ready = false;
  if (!ready) {
    initScene();
    ready = true;
  }
  setClientSize(1000, 700);
  scene.eye = Point4(Extended(3.0), Extended(-4.0), Extended(4.0), Extended(4.0));
  for (const char* k = keys; *k; ++k) {
    if (const Quaternion* step = stepForLetter(*k)) scene.eye.multiply(*step);
  }
}

void runFrames(benchmark::State& state, const char* keys) {
  setUp(keys);
  for (auto _ : state) {
    updateFrame();
    benchmark::DoNotOptimize(scene.edges);
    benchmark::ClobberMemory();
  }
}

void BM_UpdateFrameStart(benchmark::State& state) { runFrames(state, ""); }
void BM_UpdateFrame40Ups(benchmark::State& state) {
  runFrames(state, "UUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUU");
}
void BM_UpdateFrame8Hidden(benchmark::State& state) { runFrames(state, "DDDDDDDDRRRRRRRR"); }

BENCHMARK(BM_UpdateFrameStart);
BENCHMARK(BM_UpdateFrame40Ups);
BENCHMARK(BM_UpdateFrame8Hidden);

}  // namespace

BENCHMARK_MAIN();
