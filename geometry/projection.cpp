#include "geometry/projection.h"

#include <cmath>

#include "geometry/classify.h"
#include "geometry/fpu.h"

const int kEdgeVertices[kEdgeCount][2] = {
    {0, 1},  {0, 2},  {1, 3},   {2, 3},   {0, 4},   {1, 5},   {2, 6},   {3, 7},
    {4, 5},  {4, 6},  {5, 7},   {6, 7},   {8, 9},   {8, 10},  {9, 11},  {10, 11},
    {8, 12}, {9, 13}, {10, 14}, {11, 15}, {12, 13}, {12, 14}, {13, 15}, {14, 15},
    {0, 8},  {1, 9},  {2, 10},  {3, 11},  {4, 12},  {5, 13},  {6, 14},  {7, 15},
};

namespace {

// Sine and cosine take the angle rounded to double and give an extended result.
long double cosOfDouble(long double angle) {
  return cosl(static_cast<long double>(static_cast<double>(angle)));
}
long double sinOfDouble(long double angle) {
  return sinl(static_cast<long double>(static_cast<double>(angle)));
}

}  // namespace

int32_t toScreen(long double value) { return static_cast<int32_t>(scene.scale * value); }

void projectTo3D() {
  Quaternion r(scene.eye);
  r.unitConjugate();  // eye * r lies on the positive real axis
  for (int i = 0; i < kVertexCount; ++i) {
    Point4 p = scene.vertices[i];
    p.multiply(r);
    scene.points3[i] = Point3{p.x, p.y, p.z, p.visible};  // the depth p.w is dropped
  }
}

namespace {

// The two rotations that bring the fixed view direction onto +z. The
// direction never changes, so their sines and cosines are computed once, on
// first use (after start-up has put the FPU in extended mode).
struct ViewRotation {
  long double c1, s1;  // about z, by -phi: the horizontal part onto +x
  long double c2, s2;  // about y, by psi: the direction itself onto +z
};

ViewRotation makeViewRotation() {
  const Point3& view = scene.viewDir;
  ViewRotation r;
  const long double phi = atan2l(view.y, view.x);
  r.c1 = cosOfDouble(-phi);
  r.s1 = sinOfDouble(-phi);
  const long double horizontal = sqrtl(view.x * view.x + view.y * view.y);
  const long double theta = atan2l(view.z, horizontal);
  const long double psi = kHalfPi - theta;
  r.c2 = cosOfDouble(psi);
  r.s2 = sinOfDouble(psi);
  return r;
}

}  // namespace

void projectTo2D() {
  static const ViewRotation r = makeViewRotation();
  // Both turns and the drop of z, one point at a time: the same arithmetic as
  // three passes, with fewer 80-bit loads and stores.
  for (int i = 0; i < kVertexCount; ++i) {
    Point3& p = scene.points3[i];
    const long double x1 = r.c1 * p.x - r.s1 * p.y;
    const long double y1 = r.s1 * p.x + r.c1 * p.y;
    const long double x2 = r.c2 * x1 - r.s2 * p.z;
    const long double z2 = r.s2 * x1 + r.c2 * p.z;
    p.x = x2;
    p.y = y1;
    p.z = z2;
    scene.points2[i] = Point2{x2, y1, p.visible};
  }
}

void buildScreenEdges() {
  // Each vertex is converted once; every edge end is one of them.
  long double scaled[2 * kVertexCount];
  for (int i = 0; i < kVertexCount; ++i) {
    scaled[2 * i] = scene.scale * scene.points2[i].x;
    scaled[2 * i + 1] = scene.scale * scene.points2[i].y;
  }
  int32_t screen[2 * kVertexCount];
  truncateToInt32(scaled, screen, 2 * kVertexCount);
  for (int k = 0; k < kEdgeCount; ++k) {
    const int ia = kEdgeVertices[k][0];
    const int ib = kEdgeVertices[k][1];
    const Point2& a = scene.points2[ia];
    const Point2& b = scene.points2[ib];
    ScreenEdge& e = scene.edges[k];
    e.x0 = screen[2 * ia];
    e.y0 = screen[2 * ia + 1];
    e.x1 = screen[2 * ib];
    e.y1 = screen[2 * ib + 1];
    e.visibleCount = (a.visible != 0 ? 1 : 0) + (b.visible != 0 ? 1 : 0);
    e.solid = e.visibleCount == 2 ? 1 : 0;
  }
}

void updateFrame() {
  classifyVertices();
  projectTo3D();
  projectTo2D();
  buildScreenEdges();
}
