// The frame: 4D to 3D along the eye, 3D to 2D along the fixed view direction,
// then integer screen segments with the visibility of their ends.
#ifndef GEOMETRY_PROJECTION_H
#define GEOMETRY_PROJECTION_H

#include "geometry/scene.h"

// The ends of each edge, as vertex indices.
extern const int kEdgeVertices[kEdgeCount][2];

// scene.scale * value truncated toward zero.
int32_t toScreen(long double value);

void projectTo3D();
void projectTo2D();
void buildScreenEdges();

// Classification, both projections and the screen edges, in that order.
void updateFrame();

#endif
