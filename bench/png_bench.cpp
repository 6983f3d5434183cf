// PNG encoding of a painted frame, the bulk of the frame tool's time for a
// large PNG: our encoder at the zlib level, strategy and row filter the tools
// use and at the alternatives, and cairo's writer (libpng), which the tool
// used before. Each reports the file's size as `bytes`.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <windows.h>

#include <map>
#include <memory>
#include <utility>

#include "shell/shell.h"
#include "tools/frame.h"
#include "tools/png.h"
#include "winport/gdi/dc.h"
#include "winport/raster/raster_canvas.h"

namespace {

// The start-up frame at each size, painted once.
const winport::RasterCanvas& frame(int width, int height) {
  static std::map<std::pair<int, int>, std::unique_ptr<winport::RasterCanvas>> frames;
  std::unique_ptr<winport::RasterCanvas>& canvas = frames[{width, height}];
  if (!canvas) {
    RenderOptions options;
    options.width = width;
    options.height = height;
    std::string error;
    computeFrame(options, &error);
    canvas.reset(new winport::RasterCanvas(width, height));
    canvas->fillRect(0, 0, width, height, RGB(255, 255, 255));
    HDC dc = winport::createDC(*canvas);
    drawFrame(dc);
    winport::releaseDC(dc);
  }
  return *canvas;
}

// Args: width, height, level, strategy, filter.
void BM_Encode(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const winport::RasterCanvas& canvas = frame(width, height);
  PngCompression compression;
  compression.level = static_cast<int>(state.range(2));
  compression.strategy = static_cast<int>(state.range(3));
  compression.filter = static_cast<int>(state.range(4));
  size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    PngEncoder png(
        width, height,
        [&](const unsigned char*, size_t size) {
          bytes += size;
          return true;
        },
        compression);
    for (int y = 0; y < height; ++y) png.addRow(canvas.row(y));
    benchmark::DoNotOptimize(png.finish());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_Cairo(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const winport::RasterCanvas& canvas = frame(width, height);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(canvas.row(0))), CAIRO_FORMAT_RGB24,
      width, height, width * 4);
  size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char*, unsigned int size) {
          *static_cast<size_t*>(closure) += size;
          return CAIRO_STATUS_SUCCESS;
        },
        &bytes);
  }
  cairo_surface_destroy(surface);
  state.counters["bytes"] = static_cast<double>(bytes);
}

void sizes(benchmark::internal::Benchmark* b, bool settings) {
  for (const auto& size : {std::pair<int, int>{1920, 1080}, {7680, 4320}}) {
    if (!settings) {
      b->Args({size.first, size.second});
      continue;
    }
    b->Args({size.first, size.second, 1, 3, 0});  // what the tools use
    b->Args({size.first, size.second, 1, 3, 2});
    b->Args({size.first, size.second, 1, 0, 0});
    b->Args({size.first, size.second, 1, 0, 2});
    b->Args({size.first, size.second, 6, 0, 0});
    b->Args({size.first, size.second, 6, 0, 2});
    b->Args({size.first, size.second, 9, 1, 2});
    b->Args({size.first, size.second, 0, 0, 0});  // stored: the floor of any setting
  }
}

}  // namespace

BENCHMARK(BM_Encode)
    ->Apply([](benchmark::internal::Benchmark* b) { sizes(b, true); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cairo)
    ->Apply([](benchmark::internal::Benchmark* b) { sizes(b, false); })
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
