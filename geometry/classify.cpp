#include "geometry/classify.h"

const int kCellVertices[kCellCount][4] = {
    {0, 1, 2, 4},  {0, 2, 4, 8}, {0, 1, 4, 8}, {4, 5, 6, 12},
    {2, 3, 6, 10}, {0, 1, 2, 8}, {1, 3, 5, 9}, {8, 9, 10, 12},
};

long double det3(long double a, long double b, long double c, long double d, long double e,
                 long double f, long double g, long double h, long double l) {
  return l * (a * e) + g * (b * f) + c * (d * h) - c * (e * g) - l * (b * d) - f * (a * h);
}

CellPlane makeCellPlane(const Point4& a, const Point4& b, const Point4& c, const Point4& d) {
  Point4 r1 = b;
  r1.subtract(a);
  Point4 r2 = c;
  r2.subtract(a);
  Point4 r3 = d;
  r3.subtract(a);
  const long double u = det3(r1.x, r1.y, r1.z, r2.x, r2.y, r2.z, r3.x, r3.y, r3.z);
  const long double v = det3(r1.w, r1.y, r1.z, r2.w, r2.y, r2.z, r3.w, r3.y, r3.z);
  const long double f = det3(r1.w, r1.x, r1.z, r2.w, r2.x, r2.z, r3.w, r3.x, r3.z);
  const long double j = det3(r1.w, r1.x, r1.y, r2.w, r2.x, r2.y, r3.w, r3.x, r3.y);
  CellPlane plane;
  plane.nw = u;
  plane.nx = -v;
  plane.ny = f;
  plane.nz = -j;
  plane.d = -a.w * u + a.x * v - a.y * f + a.z * j;
  return plane;
}

int32_t sameSide(const CellPlane& plane, const Point4& p, const Point4& q) {
  const long double sp =
      plane.nw * p.w + plane.nx * p.x + plane.ny * p.y + plane.nz * p.z + plane.d;
  const long double sq =
      plane.nw * q.w + plane.nx * q.x + plane.ny * q.y + plane.nz * q.z + plane.d;
  return sp * sq > kSideEpsilon ? 1 : 0;
}

void classifyVertices() {
  Scene& s = scene;
  for (int c = 0; c < kCellCount; ++c) {
    const int* v = kCellVertices[c];
    s.cells[c] =
        makeCellPlane(s.vertices[v[0]], s.vertices[v[1]], s.vertices[v[2]], s.vertices[v[3]]);
  }
  s.centroid = Point4(0.0L, 0.0L, 0.0L, 0.0L);
  for (const Point4& v : s.vertices) s.centroid.add(v);
  s.centroid.scaleBy(kCentroidScale);

  for (Point4& vertex : s.vertices) {
    s.offset = s.eye;
    s.offset.subtract(vertex).scaleBy(kProbeStep);
    s.probe = vertex;
    s.probe.add(s.offset);
    bool inside = true;
    for (int c = 0; c < kCellCount && inside; ++c) {
      inside = sameSide(s.cells[c], s.centroid, s.probe) != 0;
    }
    // A step toward the eye that enters the cube means the cube hides the vertex.
    vertex.visible = inside ? 0 : 1;
  }
}
