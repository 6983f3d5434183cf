#include "geometry/classify.h"

const int kCellVertices[kCellCount][4] = {
    {0, 1, 2, 4},  {0, 2, 4, 8}, {0, 1, 4, 8}, {4, 5, 6, 12},
    {2, 3, 6, 10}, {0, 1, 2, 8}, {1, 3, 5, 9}, {8, 9, 10, 12},
};

Extended det3(Extended a, Extended b, Extended c, Extended d, Extended e, Extended f, Extended g,
              Extended h, Extended l) {
  return l * (a * e) + g * (b * f) + c * (d * h) - c * (e * g) - l * (b * d) - f * (a * h);
}

namespace {

// Writes the plane's fields in place: building a CellPlane and copying it
// moves 80-bit values through 16-byte copies, which stalls on store
// forwarding.
void fillCellPlane(CellPlane* plane, const Point4& a, const Point4& b, const Point4& c,
                   const Point4& d) {
  // Rows B - A, C - A, D - A.
  const Extended r1w = b.w - a.w, r1x = b.x - a.x, r1y = b.y - a.y, r1z = b.z - a.z;
  const Extended r2w = c.w - a.w, r2x = c.x - a.x, r2y = c.y - a.y, r2z = c.z - a.z;
  const Extended r3w = d.w - a.w, r3x = d.x - a.x, r3y = d.y - a.y, r3z = d.z - a.z;
  const Extended u = det3(r1x, r1y, r1z, r2x, r2y, r2z, r3x, r3y, r3z);
  const Extended v = det3(r1w, r1y, r1z, r2w, r2y, r2z, r3w, r3y, r3z);
  const Extended f = det3(r1w, r1x, r1z, r2w, r2x, r2z, r3w, r3x, r3z);
  const Extended j = det3(r1w, r1x, r1y, r2w, r2x, r2y, r3w, r3x, r3y);
  plane->nw = u;
  plane->nx = -v;
  plane->ny = f;
  plane->nz = -j;
  plane->d = -a.w * u + a.x * v - a.y * f + a.z * j;
}

// The plane's value at a point: zero on the plane, its sign the side.
inline Extended signedValue(const CellPlane& plane, Extended w, Extended x, Extended y,
                            Extended z) {
  return plane.nw * w + plane.nx * x + plane.ny * y + plane.nz * z + plane.d;
}

inline Extended signedValue(const CellPlane& plane, const Point4& p) {
  return signedValue(plane, p.w, p.x, p.y, p.z);
}

// The threshold rule on two signed values: clearly on the same side only when
// their product is above kSideEpsilon; on the plane or near it is not.
inline bool clearlySameSide(Extended sP, Extended sQ) { return sP * sQ > kSideEpsilon; }

}  // namespace

int32_t sameSide(const CellPlane& plane, const Point4& p, const Point4& q) {
  return clearlySameSide(signedValue(plane, p), signedValue(plane, q)) ? 1 : 0;
}

void classifyVertices() {
  Scene& s = scene;
  for (int c = 0; c < kCellCount; ++c) {
    const int* v = kCellVertices[c];
    fillCellPlane(&s.cells[c], s.vertices[v[0]], s.vertices[v[1]], s.vertices[v[2]],
                  s.vertices[v[3]]);
  }
  // The running sum stays in registers: storing it to the scene on every
  // vertex costs more than the additions.
  Extended cw = Extended(0.0), cx = Extended(0.0), cy = Extended(0.0), cz = Extended(0.0);
  for (const Point4& v : s.vertices) {
    cw += v.w;
    cx += v.x;
    cy += v.y;
    cz += v.z;
  }
  s.centroid =
      Point4(cw * kCentroidScale, cx * kCentroidScale, cy * kCentroidScale, cz * kCentroidScale);
  // The centroid's side of each cell is the same for every vertex's test.
  Extended centroidSide[kCellCount];
  for (int c = 0; c < kCellCount; ++c) centroidSide[c] = signedValue(s.cells[c], s.centroid);

  // The probe is kept in scalars: copying whole points costs more than the
  // arithmetic. The scene keeps the last vertex's offset and probe.
  const Point4& eye = s.eye;
  Extended ow, ox, oy, oz, pw, px, py, pz;  // set by every vertex
  for (Point4& vertex : s.vertices) {
    // offset := (eye - vertex) * kProbeStep; probe := vertex + offset.
    ow = (eye.w - vertex.w) * kProbeStep;
    ox = (eye.x - vertex.x) * kProbeStep;
    oy = (eye.y - vertex.y) * kProbeStep;
    oz = (eye.z - vertex.z) * kProbeStep;
    pw = vertex.w + ow;
    px = vertex.x + ox;
    py = vertex.y + oy;
    pz = vertex.z + oz;
    bool inside = true;
    for (int c = 0; c < kCellCount && inside; ++c) {
      inside = clearlySameSide(centroidSide[c], signedValue(s.cells[c], pw, px, py, pz));
    }
    // A step toward the eye that enters the cube means the cube hides the vertex.
    vertex.visible = inside ? 0 : 1;
  }
  s.offset = Point4(ow, ox, oy, oz);
  s.probe = Point4(pw, px, py, pz);
}
