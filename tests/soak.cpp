// Soak: a long run of random arrow keys through the headless host, a paint
// every so many steps. Afterwards no GDI object may be left over, memory may
// not have grown, and the eye must still be as long as at the start: each
// step is a rotation. Prints its figures; times are printed, never judged.
// usage: soak [STEPS [STEPS_PER_PAINT]]   (defaults 1000000 and 100)
#include <unistd.h>
#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

#include "geometry/scene.h"
#include "shell/shell.h"
#include "tests/support.h"
#include "winport/gdi/dc.h"
#include "winport/hosts/headless/headless.h"
#include "winport/user/user.h"

namespace {

long residentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// `steps` random arrows, posted as a user's presses arrive, painted every `batch`.
void walk(HWND hwnd, long steps, long batch, std::mt19937& random) {
  for (long done = 0; done < steps;) {
    for (long i = 0; i < batch && done < steps; ++i, ++done) {
      const int vk = VK_LEFT + static_cast<int>(random() % 4);
      support::keyDown(hwnd, vk, false, false);
      support::keyUp(hwnd, vk, false);
    }
    support::pump();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const long steps = argc > 1 ? std::atol(argv[1]) : 1000000;
  const long batch = argc > 2 ? std::atol(argv[2]) : 100;
  if (steps <= 0 || batch <= 0) {
    std::fprintf(stderr, "usage: soak [STEPS [STEPS_PER_PAINT]]\n");
    return 2;
  }
  winport::HeadlessHost host({1000, 700});
  winport::setHost(&host);
  HWND hwnd = openMainWindow(nullptr);
  if (!hwnd) {
    std::fprintf(stderr, "soak: the window did not open\n");
    return 1;
  }
  const long double startLength = std::sqrt(57.0L);
  std::mt19937 random(20240601);
  // A warm-up lets the allocator and the font caches reach their working size.
  walk(hwnd, 100 * batch, batch, random);
  const int gdiBefore = winport::liveGdiObjects();
  // The clock's first reading, like the RSS reading's, maps code pages (a
  // whole fault-around block): both come before the measured run.
  const auto start = std::chrono::steady_clock::now();
  residentKiB();
  const long rssBefore = residentKiB();
  const int paintsBefore = host.presents();

  walk(hwnd, steps, batch, random);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  const int gdiAfter = winport::liveGdiObjects();
  const long rssAfter = residentKiB();
  const long double length = scene.eye.norm();
  const long double relative = std::fabs(length - startLength) / startLength;
  std::printf("soak: %ld steps, %d paints in %.2f s (%.0f ns a step)\n", steps,
              host.presents() - paintsBefore, seconds, seconds * 1e9 / steps);
  std::printf("soak: live GDI objects %d before, %d after\n", gdiBefore, gdiAfter);
  std::printf("soak: RSS %ld KiB before, %ld KiB after\n", rssBefore, rssAfter);
  std::printf("soak: eye length %.21Lg, start sqrt(57) = %.21Lg, relative error %.3Lg\n", length,
              startLength, relative);

  int passed = 0, failed = 0;
  auto check = [&](bool ok, const char* what) {
    ok ? ++passed : ++failed;
    if (!ok) std::printf("FAIL: %s\n", what);
  };
  check(host.presents() - paintsBefore == (steps + batch - 1) / batch, "one paint per batch");
  check(gdiAfter == gdiBefore, "live GDI objects as before");
#ifdef HC_ASAN
  std::printf("soak: RSS not judged under AddressSanitizer, which holds freed memory back\n");
#else
  // A page or two of slack for the allocator's bookkeeping, no more.
  check(rssAfter <= rssBefore + 16, "RSS has not grown");
#endif
  check(std::isfinite(length) && relative <= 1e-12L, "eye length kept within 1e-12");

  DestroyWindow(hwnd);
  winport::setHost(nullptr);
  check(winport::liveGdiObjects() == 0, "no GDI object left at the end");
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
