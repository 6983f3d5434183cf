// Which vertices the eye can see: a vertex is hidden when a point a tiny step
// from it toward the eye lies inside the cube, tested against the hyperplanes
// of the eight cubic cells.
#ifndef GEOMETRY_CLASSIFY_H
#define GEOMETRY_CLASSIFY_H

#include "geometry/scene.h"

// The four vertices that span each cell, in the order the plane is built from.
extern const int kCellVertices[kCellCount][4];

// Determinant of the rows (a, b, c), (d, e, f), (g, h, l).
Extended det3(Extended a, Extended b, Extended c, Extended d, Extended e, Extended f, Extended g,
              Extended h, Extended l);

// 1 when p and q lie clearly (product of signed values above kSideEpsilon) on
// the same side of the plane, else 0.
int32_t sameSide(const CellPlane& plane, const Point4& p, const Point4& q);

// Rebuilds scene.cells and sets every vertex's visible flag from scene.eye.
void classifyVertices();

#endif
