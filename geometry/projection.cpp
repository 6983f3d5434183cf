#include "geometry/projection.h"

#include "geometry/classify.h"
#include "geometry/fpu.h"

const int kEdgeVertices[kEdgeCount][2] = {
    {0, 1},  {0, 2},  {1, 3},   {2, 3},   {0, 4},   {1, 5},   {2, 6},   {3, 7},
    {4, 5},  {4, 6},  {5, 7},   {6, 7},   {8, 9},   {8, 10},  {9, 11},  {10, 11},
    {8, 12}, {9, 13}, {10, 14}, {11, 15}, {12, 13}, {12, 14}, {13, 15}, {14, 15},
    {0, 8},  {1, 9},  {2, 10},  {3, 11},  {4, 12},  {5, 13},  {6, 14},  {7, 15},
};

int32_t toScreen(Extended value) { return truncateToInt32(scene.scale * value); }

const ViewRotation& viewRotation() {
  // The view direction (3, -3.5, 4) never changes. These are the extended
  // results of atan2l, and of sinl and cosl on the angles rounded to double,
  // written as bits so that no C library's or CPU's trigonometry can move
  // them by an ulp (one sine lies 0.04 ulp from a rounding midpoint).
  // geometry_test recomputes them on the x87.
  static const ViewRotation r = {
      extendedFromBits(0xBFFE, 0xDCB72D3C62E28C01u),  // phi = atan2(-3.5, 3), -0.86217...
      extendedFromBits(0x3FFE, 0xB6F61E0A4DD20026u),  // theta = atan2(4, |(3, -3.5)|), 0.71469...
      extendedFromBits(0x3FFE, 0xA69A437183268EBBu),  // cos(-phi), 0.65079...
      extendedFromBits(0x3FFE, 0xC25EA4046E57ACA8u),  // sin(-phi), 0.75925...
      extendedFromBits(0x3FFE, 0xA7C758B52CC255ABu),  // cos(psi), psi = kHalfPi - theta, 0.65538...
      extendedFromBits(0x3FFE, 0xC15AFB287A3F4E93u),  // sin(psi), 0.75529...
  };
  return r;
}

void projectTo3D() {
  Quaternion r(scene.eye);
  r.unitConjugate();  // eye * r lies on the positive real axis
  for (int i = 0; i < kVertexCount; ++i) {
    Point4 p = scene.vertices[i];
    p.multiply(r);
    scene.points3[i] = Point3{p.x, p.y, p.z, p.visible};  // the depth p.w is dropped
  }
}

void projectTo2D() {
  const ViewRotation& r = viewRotation();
  // Both turns and the drop of z, one point at a time: the same arithmetic as
  // three passes, with fewer 80-bit loads and stores.
  for (int i = 0; i < kVertexCount; ++i) {
    Point3& p = scene.points3[i];
    const Extended x1 = r.c1 * p.x - r.s1 * p.y;
    const Extended y1 = r.s1 * p.x + r.c1 * p.y;
    const Extended x2 = r.c2 * x1 - r.s2 * p.z;
    const Extended z2 = r.s2 * x1 + r.c2 * p.z;
    p.x = x2;
    p.y = y1;
    p.z = z2;
    scene.points2[i] = Point2{x2, y1, p.visible};
  }
}

void buildScreenEdges() {
  // Each vertex is converted once; every edge end is one of them.
  Extended scaled[2 * kVertexCount];
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
