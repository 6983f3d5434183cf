#include "tools/frame.h"

#include "geometry/projection.h"

namespace {

// The projection divides by the eye's length, the root of its squared length.
// Below the normal range that square keeps too few digits and the whole frame
// comes out scaled (1.22e-2475,0,0,0 drew 2% larger than 1,0,0,0), so such an
// eye is refused as a zero one is. (Zero is named apart for valgrind, whose
// x87 arithmetic in double precision holds LDBL_MIN as 0.)
bool projectable(const Point4& eye) {
  const Extended squared = eye.w * eye.w + eye.x * eye.x + eye.y * eye.y + eye.z * eye.z;
  const Extended smallestNormal = extendedFromBits(0x0001, 0x8000000000000000u);
  return isFiniteExtended(eye.w) && isFiniteExtended(eye.x) && isFiniteExtended(eye.y) &&
         isFiniteExtended(eye.z) && isFiniteExtended(squared) && squared != Extended(0.0) &&
         squared >= smallestNormal;
}

// "%.21Lg" of the exact value, by our own conversion: the C library's needs
// long double to be this format.
std::string formatExtended(Extended v) { return formatFloat80(toFloat80(v)); }

}  // namespace

bool computeFrame(const RenderOptions& options, std::string* error) {
  static bool sceneReady = false;  // the window creates the scene once
  if (!sceneReady) {
    initScene();
    sceneReady = true;
  }
  setClientSize(options.width, options.height);
  if (options.hasEye) {
    scene.eye = Point4(options.eye[0], options.eye[1], options.eye[2], options.eye[3]);
    if (!projectable(scene.eye)) {
      *error =
          "--eye: the eye's length is zero or too small or too large for the extended range; it "
          "cannot be projected";
      return false;
    }
  }
  // The options hold only arrow letters.
  for (char key : options.keys) scene.eye.multiply(*stepForLetter(key));
  if (!projectable(scene.eye)) {
    *error = "--keys: the eye left the extended range; it cannot be projected";
    return false;
  }
  updateFrame();
  return true;
}

std::string frameJson(const RenderOptions& options) {
  std::string s = "{\"size\":[" + std::to_string(options.width) + "," +
                  std::to_string(options.height) + "],\"keys\":\"" + options.keys + "\",\"eye\":[";
  const Extended eye[4] = {scene.eye.w, scene.eye.x, scene.eye.y, scene.eye.z};
  for (int i = 0; i < 4; ++i) s += (i ? ",\"" : "\"") + formatExtended(eye[i]) + "\"";
  s += "],\"hidden\":[";
  bool first = true;
  for (int i = 0; i < kVertexCount; ++i) {
    if (scene.vertices[i].visible != 0) continue;
    s += (first ? "" : ",") + std::to_string(i);
    first = false;
  }
  s += "],\"points\":[";
  for (int i = 0; i < kVertexCount; ++i) {
    const Point2& p = scene.points2[i];
    s += (i ? ",[" : "[") + std::to_string(toScreen(p.x)) + "," + std::to_string(toScreen(p.y)) +
         "]";
  }
  s += "],\"edges\":[";
  for (int k = 0; k < kEdgeCount; ++k) {
    const ScreenEdge& e = scene.edges[k];
    const int32_t v[6] = {e.x0, e.y0, e.x1, e.y1, e.visibleCount, e.solid};
    s += k ? ",[" : "[";
    for (int j = 0; j < 6; ++j) s += (j ? "," : "") + std::to_string(v[j]);
    s += "]";
  }
  s += "]}\n";
  return s;
}
