#include "geometry/scene.h"

#include <cstring>

#include "geometry/fpu.h"

Scene scene;

namespace {

ScreenSize provisionalScreenSize() { return {1000, 700}; }

ScreenSizeSource screenSizeSource = provisionalScreenSize;

Extended scaleFor(int32_t width, int32_t height) {
  const int32_t shorter = width > height ? height : width;
  return Extended(shorter) * kScaleFactor;
}

// The unit must be in extended mode before any geometry runs, and initStatics()
// must run before the entry point: both happen here, during static
// initialisation of the object file that holds the scene.
const bool staticsReady = (setExtendedPrecision(), initStatics(), true);

}  // namespace

void setScreenSizeSource(ScreenSizeSource source) {
  screenSizeSource = source ? source : provisionalScreenSize;
}

void initStatics() {
  for (Point4& v : scene.vertices) v = Point4();
  scene.centroid = Point4();
  scene.probe = Point4();
  scene.offset = Point4();
  scene.eye = Point4(Extended(3.0), Extended(-4.0), Extended(4.0), Extended(4.0));
  scene.stepI = Quaternion(Point4(Extended(1.0), kStepComponent, Extended(0.0), Extended(0.0)));
  scene.stepJ = Quaternion(Point4(Extended(1.0), Extended(0.0), kStepComponent, Extended(0.0)));
  scene.stepIInv = Quaternion();
  scene.stepJInv = Quaternion();
}

void initScene() {
  for (int i = 0; i < kVertexCount; ++i) {
    auto coordinate = [i](int k) { return Extended((i >> k) & 1 ? 1.0 : -1.0); };
    scene.vertices[i] = Point4(coordinate(0), coordinate(1), coordinate(2), coordinate(3));
  }
  const ScreenSize screen = screenSizeSource();
  setClientSize(screen.width, screen.height);
  scene.stepI.normalize();
  scene.stepIInv = scene.stepI;
  scene.stepIInv.unitConjugate();
  scene.stepJ.normalize();
  scene.stepJInv = scene.stepJ;
  scene.stepJInv.unitConjugate();
}

void setClientSize(int32_t width, int32_t height) {
  scene.clientWidth = width;
  scene.clientHeight = height;
  scene.scale = scaleFor(width, height);
}

const Quaternion* stepForArrow(int arrow) {
  const Quaternion* const steps[] = {&scene.stepJ, &scene.stepI, &scene.stepJInv, &scene.stepIInv};
  return arrow >= 0 && arrow < 4 ? steps[arrow] : nullptr;
}

const Quaternion* stepForLetter(char letter) {
  // For '\0' strchr finds the terminator, whose index 4 names no arrow.
  const char* at = std::strchr(kArrowLetters, letter);
  return at ? stepForArrow(static_cast<int>(at - kArrowLetters)) : nullptr;
}
