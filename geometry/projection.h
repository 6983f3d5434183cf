// The frame: 4D to 3D along the eye, 3D to 2D along the fixed view direction,
// then integer screen segments with the visibility of their ends.
#ifndef GEOMETRY_PROJECTION_H
#define GEOMETRY_PROJECTION_H

#include "geometry/scene.h"

// The ends of each edge, as vertex indices.
extern const int kEdgeVertices[kEdgeCount][2];

// The two turns that bring the fixed view direction onto +z: about z by
// -phi (its horizontal part onto +x), then about y by psi = pi/2 - theta.
struct ViewRotation {
  Extended phi, theta;  // the direction's azimuth and elevation
  Extended c1, s1;      // cos and sin of -phi, taken on the angle rounded to double
  Extended c2, s2;      // cos and sin of psi, likewise
};
const ViewRotation& viewRotation();

// scene.scale * value truncated toward zero.
int32_t toScreen(Extended value);

void projectTo3D();
void projectTo2D();
void buildScreenEdges();

// Classification, both projections and the screen edges, in that order.
void updateFrame();

#endif
