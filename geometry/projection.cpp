#include "geometry/projection.h"

#include <cmath>

#include "geometry/classify.h"

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
    scene.points3[i] = Point3{p.x, p.y, p.z, p.visible};
  }
}

void projectTo2D() {
  const Point3& view = scene.viewDir;
  // Turn the horizontal part of the view direction onto +x ...
  const long double phi = atan2l(view.y, view.x);
  const long double c1 = cosOfDouble(-phi);
  const long double s1 = sinOfDouble(-phi);
  for (Point3& p : scene.points3) {
    const long double x1 = c1 * p.x - s1 * p.y;
    const long double y1 = s1 * p.x + c1 * p.y;
    p.x = x1;
    p.y = y1;
  }
  // ... then the view direction itself onto +z.
  const long double r = sqrtl(view.x * view.x + view.y * view.y);
  const long double theta = atan2l(view.z, r);
  const long double psi = kHalfPi - theta;
  const long double c2 = cosOfDouble(psi);
  const long double s2 = sinOfDouble(psi);
  for (Point3& p : scene.points3) {
    const long double x2 = c2 * p.x - s2 * p.z;
    const long double z2 = s2 * p.x + c2 * p.z;
    p.x = x2;
    p.z = z2;
  }
  for (int i = 0; i < kVertexCount; ++i) {
    const Point3& p = scene.points3[i];
    scene.points2[i] = Point2{p.x, p.y, p.visible};
  }
}

void buildScreenEdges() {
  for (int k = 0; k < kEdgeCount; ++k) {
    const Point2& a = scene.points2[kEdgeVertices[k][0]];
    const Point2& b = scene.points2[kEdgeVertices[k][1]];
    ScreenEdge& e = scene.edges[k];
    e.x0 = toScreen(a.x);
    e.y0 = toScreen(a.y);
    e.x1 = toScreen(b.x);
    e.y1 = toScreen(b.y);
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
