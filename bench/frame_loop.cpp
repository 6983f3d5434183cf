// Runs updateFrame() a fixed number of times for one key sequence, so that
// callgrind can count the instructions of one frame:
//   frame_loop [KEYS] [FRAMES]
#include <cstdio>
#include <cstdlib>

#include "geometry/projection.h"

int main(int argc, char** argv) {
  const char* keys = argc > 1 ? argv[1] : "";
  const int frames = argc > 2 ? std::atoi(argv[2]) : 1000;
  initScene();
  setClientSize(1000, 700);
  for (const char* k = keys; *k; ++k) {
    if (const Quaternion* step = stepForLetter(*k)) scene.eye.multiply(*step);
  }
  for (int i = 0; i < frames; ++i) updateFrame();
  std::printf("%d\n", scene.edges[0].x0);
  return 0;
}
