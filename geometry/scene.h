// The one program-wide state of the demonstration: the cube's vertices, the
// eye, the arrow keys' step rotations, the drawing area and the per-frame work
// buffers. It lives in static storage: all zero before anything runs but for
// the fixed view direction, which its initialiser sets.
#ifndef GEOMETRY_SCENE_H
#define GEOMETRY_SCENE_H

#include <cstdint>

#include "geometry/quaternion.h"

// Extended constants are the nearest doubles widened, not the nearest extended
// values, hence the double literals.
constexpr int32_t kVertexRadius = 4;
constexpr Extended kSideEpsilon = Extended(1e-6);
constexpr Extended kCentroidScale = Extended(0.0625);
constexpr Extended kPi = Extended(3.141592653589793);
constexpr Extended kHalfPi = Extended(3.141592653589793 * 0.5);  // kPi * 0.5, exact
constexpr Extended kScaleFactor = Extended(0.22);
constexpr Extended kProbeStep = Extended(1e-4);
constexpr Extended kStepComponent = Extended(0.08);

constexpr int kVertexCount = 16;
constexpr int kEdgeCount = 32;
constexpr int kCellCount = 8;

// Plain records: every use sets every field (and the scene, in static
// storage, starts all zero).
struct Point3 {
  Extended x;
  Extended y;
  Extended z;
  int32_t visible;
};

struct Point2 {
  Extended x;
  Extended y;
  int32_t visible;
};

// A segment in logical screen units with how many of its ends are visible.
struct ScreenEdge {
  int32_t x0;
  int32_t y0;
  int32_t x1;
  int32_t y1;
  int32_t visibleCount;
  int32_t solid;
};

// The hyperplane nw*w + nx*x + ny*y + nz*z + d = 0 of one cubic cell.
struct CellPlane {
  Extended nw;
  Extended nx;
  Extended ny;
  Extended nz;
  Extended d;
};

struct Scene {
  Point4 vertices[kVertexCount];
  Point4 eye;
  // Fixed initial data, never changed.
  Point3 viewDir{Extended(3.0), Extended(-3.5), Extended(4.0), 0};
  Quaternion stepI, stepJ;        // Up, Left
  Quaternion stepIInv, stepJInv;  // Down, Right
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  Extended scale = Extended(0.0);
  CellPlane cells[kCellCount];
  Point4 centroid, probe, offset;
  Point3 points3[kVertexCount];
  Point2 points2[kVertexCount];
  ScreenEdge edges[kEdgeCount];
};

extern Scene scene;

// Where initScene() reads the screen size; the shell points it at the
// platform. Until then a provisional size serves: the first client size
// replaces it before anything is drawn.
struct ScreenSize {
  int32_t width;
  int32_t height;
};
using ScreenSizeSource = ScreenSize (*)();
void setScreenSizeSource(ScreenSizeSource source);

// Start-up values: eye, unnormalised steps, vertices at the origin. Runs during
// static initialisation, before main or WinMain.
void initStatics();

// Window-creation values: vertices in place, provisional scale, unit steps and
// their inverses. Runs once.
void initScene();

// Sets the drawing area and the scale derived from its shorter side.
void setClientSize(int32_t width, int32_t height);

// The arrow keys' steps, in the order of their virtual-key codes: Left, Up,
// Right, Down. Scripts of key presses name them by these letters.
constexpr char kArrowLetters[] = "LURD";
// The step of arrow 0 to 3 in that order; nullptr for any other number.
const Quaternion* stepForArrow(int arrow);
// The step of one of kArrowLetters; nullptr for any other character.
const Quaternion* stepForLetter(char letter);

#endif
