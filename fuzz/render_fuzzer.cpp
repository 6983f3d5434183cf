// The frame tool's command line: the input is the argument list, NUL-separated.
// Whatever parses must compute a sound frame and its JSON, or be refused with
// one line; image frames are painted in memory when small enough to be quick.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "geometry/projection.h"
#include "geometry/scene.h"
#include "shell/shell.h"
#include "tools/frame.h"
#include "tools/render_options.h"
#include "winport/gdi/dc.h"
#include "winport/raster/raster_canvas.h"

namespace {

bool oneLine(const std::string& s) { return !s.empty() && s.find('\n') == std::string::npos; }

// The screen points depend on the eye's direction only: the eye scaled by a
// power of two, which is exact, to a length near 1 must give the same points.
void checkDirectionOnly() {
  if (!fuzz::checkValues) return;
  const Point4 eye = scene.eye;
  Point2 before[kVertexCount];
  std::copy(std::begin(scene.points2), std::end(scene.points2), before);
  int top = INT_MIN;
  for (const long double c : {eye.w, eye.x, eye.y, eye.z}) {
    int e = 0;
    if (c != 0.0L) top = std::max(top, (std::frexp(c, &e), e));
  }
  scene.eye = Point4(std::ldexp(eye.w, -top), std::ldexp(eye.x, -top), std::ldexp(eye.y, -top),
                     std::ldexp(eye.z, -top));
  projectTo3D();
  projectTo2D();
  for (int i = 0; i < kVertexCount; ++i) {
    fuzz::require(std::fabs(scene.points2[i].x - before[i].x) <= 1e-12L &&
                      std::fabs(scene.points2[i].y - before[i].y) <= 1e-12L,
                  "the projection depends on the eye's direction only");
  }
  scene.eye = eye;
  updateFrame();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back() += static_cast<char>(data[i]);
  }
  if (size == 0) args.clear();

  RenderOptions options;
  std::string error;
  if (!parseRenderOptions(args, &options, &error)) {
    fuzz::require(oneLine(error), "a refusal is one line");
    return 0;
  }
  if (options.help || options.version) return 0;  // the rest is never used then
  fuzz::require(options.width >= 0 && options.width <= 65535 && options.height >= 0 &&
                    options.height <= 65535,
                "sizes within 0 to 65535");
  for (char k : options.keys) fuzz::require(k == 'L' || k == 'U' || k == 'R' || k == 'D', "keys");
  if (options.format != RenderFormat::kJson) {
    fuzz::require(!options.output.empty(), "an image has somewhere to go");
    fuzz::require(options.width >= 1 && options.width <= kMaxImageSide && options.height >= 1 &&
                      options.height <= kMaxImageSide,
                  "image sides within 1 to the maximum");
  }

  // Each input starts from a fresh process's scene.
  initStatics();
  initScene();
  if (!computeFrame(options, &error)) {
    fuzz::require(oneLine(error), "a refusal is one line");
    return 0;
  }
  fuzz::checkFrame();
  if (fuzz::checkValues) {
    for (const long double c : {scene.eye.w, scene.eye.x, scene.eye.y, scene.eye.z}) {
      fuzz::require(std::isfinite(c), "eye finite");
    }
  }
  const std::string json = frameJson(options);
  fuzz::require(json.size() > 2 && json.compare(json.size() - 2, 2, "}\n") == 0, "JSON closed");
  fuzz::require(json.find("nan") == std::string::npos && json.find("inf") == std::string::npos,
                "JSON numbers finite");

  if (options.format != RenderFormat::kJson &&
      static_cast<int64_t>(options.width) * options.height <= (1 << 20)) {
    const int live = winport::liveGdiObjects();
    winport::RasterCanvas canvas(options.width, options.height);
    HDC dc = winport::createDC(canvas);
    drawFrame(dc);
    winport::releaseDC(dc);
    fuzz::require(winport::liveGdiObjects() == live, "every GDI object freed");
  }
  checkDirectionOnly();
  return 0;
}
