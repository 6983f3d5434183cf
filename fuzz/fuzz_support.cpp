#include "fuzz/fuzz_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "geometry/projection.h"

namespace fuzz {

bool checkValues = true;

void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

void checkFrame() {
  if (!checkValues) return;
  require(std::isfinite(scene.scale) && scene.scale >= 0.0L, "scale finite, not negative");
  // The vertices are 2 from the centre and the projections rotate: no point can
  // lie farther out, whatever the eye.
  const long double reach = 2.0L * (1.0L + 1e-12L);
  for (const Point2& p : scene.points2) {
    require(std::isfinite(p.x) && std::isfinite(p.y), "screen point finite");
    require(std::hypot(p.x, p.y) <= reach, "screen point within the cube's reach");
  }
  for (int k = 0; k < kEdgeCount; ++k) {
    const ScreenEdge& e = scene.edges[k];
    const Point2& a = scene.points2[kEdgeVertices[k][0]];
    const Point2& b = scene.points2[kEdgeVertices[k][1]];
    require(e.x0 == toScreen(a.x) && e.y0 == toScreen(a.y) && e.x1 == toScreen(b.x) &&
                e.y1 == toScreen(b.y),
            "edge ends are the scaled vertices");
    require(e.visibleCount == (a.visible != 0) + (b.visible != 0), "edge visibility count");
    require(e.solid == (e.visibleCount == 2 ? 1 : 0), "edge solid exactly when both ends show");
  }
}

void checkEyeLength(long double length) {
  if (!checkValues) return;
  const long double n = scene.eye.norm();
  require(std::isfinite(n), "eye length finite");
  require(std::fabs(n - length) <= 1e-12L * length, "eye length kept");
}

}  // namespace fuzz
