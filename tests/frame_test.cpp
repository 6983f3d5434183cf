#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "geometry/classify.h"
#include "geometry/projection.h"
#include "tests/extended_testing.h"

namespace {

struct ScreenPoint {
  int32_t x, y;
  bool operator==(const ScreenPoint& o) const { return x == o.x && y == o.y; }
};

void PrintTo(const ScreenPoint& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initStatics();
    initScene();
    setClientSize(1000, 700);
  }

  static void press(const std::string& keys) {
    for (char k : keys) scene.eye.multiply(*stepForLetter(k));
  }

  static ScreenPoint point(int i) {
    return {toScreen(scene.points2[i].x), toScreen(scene.points2[i].y)};
  }

  static std::vector<int> hidden() {
    std::vector<int> h;
    for (int i = 0; i < kVertexCount; ++i) {
      if (scene.vertices[i].visible == 0) h.push_back(i);
    }
    return h;
  }

  static std::vector<int> edgesWithCount(int count) {
    std::vector<int> e;
    for (int k = 0; k < kEdgeCount; ++k) {
      if (scene.edges[k].visibleCount == count) e.push_back(k);
    }
    return e;
  }
};

TEST_F(FrameTest, StartUpFrameAt1000x700) {
  updateFrame();
  const ScreenPoint expected[kVertexCount] = {
      {-128, -201}, {145, -183}, {-34, -2},   {239, 15},  {-135, -245}, {138, -227},
      {-41, -46},   {232, -28},  {-232, 28},  {41, 46},   {-138, 227},  {135, 245},
      {-239, -15},  {34, 2},     {-145, 183}, {128, 201},
  };
  for (int i = 0; i < kVertexCount; ++i) EXPECT_EQ(point(i), expected[i]) << "vertex " << i;
  EXPECT_EQ(hidden(), std::vector<int>{2});
  EXPECT_EQ(edgesWithCount(1), (std::vector<int>{1, 3, 6, 26}));
  EXPECT_TRUE(edgesWithCount(0).empty());
  for (const ScreenEdge& e : scene.edges) EXPECT_EQ(e.solid, e.visibleCount == 2 ? 1 : 0);
  const ScreenEdge& e26 = scene.edges[26];  // 2 -> 10
  EXPECT_EQ((ScreenPoint{e26.x0, e26.y0}), expected[2]);
  EXPECT_EQ((ScreenPoint{e26.x1, e26.y1}), expected[10]);
}

// One row per key sequence: where vertices 0 and 3 land and what is hidden.
TEST_F(FrameTest, ArrowKeysMoveTheFigure) {
  struct Case {
    const char* keys;
    ScreenPoint v0, v3;
    std::vector<int> hidden;
  };
  const Case cases[] = {
      {"U", {-131, -204}, {250, -2}, {2}},
      {"L", {-147, -201}, {228, 0}, {2}},
      {"R", {-108, -199}, {249, 31}, {2}},
      {"D", {-124, -196}, {228, 33}, {2}},
      {"UUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUU", {130, 203}, {-246, -3}, {13}},
  };
  for (const Case& c : cases) {
    SetUp();
    press(c.keys);
    updateFrame();
    EXPECT_EQ(point(0), c.v0) << c.keys;
    EXPECT_EQ(point(3), c.v3) << c.keys;
    EXPECT_EQ(hidden(), c.hidden) << c.keys;
  }
  EXPECT_EQ(edgesWithCount(1), (std::vector<int>{17, 20, 22, 29}));
  EXPECT_NEAR_X(scene.eye.w, Extended(-3.2023), Extended(1e-4));
  EXPECT_NEAR_X(scene.eye.x, Extended(3.8399), Extended(1e-4));
  EXPECT_NEAR_X(scene.eye.y, Extended(-4.2010), Extended(1e-4));
  EXPECT_NEAR_X(scene.eye.z, Extended(-3.7883), Extended(1e-4));
}

TEST_F(FrameTest, KeysKeepTheEyeLengthAndUndoEachOther) {
  const Point4 start = scene.eye;
  const Extended length = start.norm();
  press("UDLRRLDU");
  EXPECT_NEAR_X(scene.eye.w, start.w, Extended(1e-17));
  EXPECT_NEAR_X(scene.eye.x, start.x, Extended(1e-17));
  EXPECT_NEAR_X(scene.eye.y, start.y, Extended(1e-17));
  EXPECT_NEAR_X(scene.eye.z, start.z, Extended(1e-17));
  press("UUULLLDRDRUUUUUUUUUUUUUULLLLLLLLLLLLLLLLLLLLLLRRD");
  EXPECT_NEAR_X(scene.eye.norm() / length, Extended(1.0), Extended(1e-16));

  SetUp();
  press("UL");
  const Point4 upLeft = scene.eye;
  SetUp();
  press("LU");
  EXPECT_GT(absX(upLeft.w - scene.eye.w) + absX(upLeft.z - scene.eye.z), Extended(1e-3));
}

TEST_F(FrameTest, VertexAndItsOppositeAreMirrorImages) {
  for (const char* keys : {"", "U", "LLLL", "DDDDDDDDRRRRRRRR", "URDLLLU"}) {
    SetUp();
    press(keys);
    updateFrame();
    for (int i = 0; i < kVertexCount; ++i) {
      EXPECT_EQ(scene.points2[i].x, -scene.points2[15 - i].x) << keys << " vertex " << i;
      EXPECT_EQ(scene.points2[i].y, -scene.points2[15 - i].y) << keys << " vertex " << i;
    }
  }
}

TEST_F(FrameTest, EyesPlacedDirectlyOnAndInsideCells) {
  struct Case {
    Point4 eye;
    std::vector<int> hidden;
  };
  const Case cases[] = {
      {Point4(Extended(1.0), Extended(5.0), Extended(5.0), Extended(5.0)),
       {0}},  // exactly on the plane w = +1
      {Point4(Extended(0.9), Extended(5.0), Extended(5.0), Extended(5.0)), {0, 1}},
      {Point4(Extended(0.5), Extended(-0.25), Extended(0.1), Extended(0.0)),
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},  // inside the cube
  };
  for (const Case& c : cases) {
    scene.eye = c.eye;
    updateFrame();
    EXPECT_EQ(hidden(), c.hidden) << formatFloat80(toFloat80(c.eye.w));
  }
  for (const ScreenEdge& e : scene.edges) {
    EXPECT_EQ(e.visibleCount, 0);
    EXPECT_EQ(e.solid, 0);
  }
}

TEST_F(FrameTest, CellPlanesHaveOneAxisNormalOfLengthEightAndAreStable) {
  classifyVertices();
  EXPECT_EQ(scene.cells[0].nz, Extended(-8.0));
  EXPECT_EQ(scene.cells[0].d, Extended(-8.0));
  CellPlane first[kCellCount];
  for (int c = 0; c < kCellCount; ++c) {
    const CellPlane& p = scene.cells[c];
    const Extended n[4] = {p.nw, p.nx, p.ny, p.nz};
    int nonZero = 0;
    for (Extended v : n) {
      if (v != Extended(0.0)) {
        ++nonZero;
        EXPECT_EQ(absX(v), Extended(8.0)) << "cell " << c;
      }
    }
    EXPECT_EQ(nonZero, 1) << "cell " << c;
    EXPECT_EQ(absX(p.d), Extended(8.0)) << "cell " << c;
    // The centroid (origin) is 1 unit from every cell, on the inner side.
    EXPECT_EQ(sameSide(p, Point4(), Point4()), 1) << "cell " << c;
    first[c] = p;
  }
  scene.eye.multiply(scene.stepI);
  classifyVertices();
  for (int c = 0; c < kCellCount; ++c) {
    EXPECT_EQ(scene.cells[c].nw, first[c].nw);
    EXPECT_EQ(scene.cells[c].d, first[c].d);
  }
}

TEST(SideTest, ThresholdIsStrict) {
  // n = (1, 0, 0, 0), d = 0: the signed value of a point is its w.
  const CellPlane plane{Extended(1.0), Extended(0.0), Extended(0.0), Extended(0.0), Extended(0.0)};
  const Point4 one(Extended(1.0), Extended(0.0), Extended(0.0), Extended(0.0));
  EXPECT_EQ(sameSide(plane, one, Point4(kSideEpsilon, Extended(0.0), Extended(0.0), Extended(0.0))),
            0);
  EXPECT_EQ(
      sameSide(plane, one,
               Point4(kSideEpsilon * Extended(2.0), Extended(0.0), Extended(0.0), Extended(0.0))),
      1);
  EXPECT_EQ(sameSide(plane, one, Point4()), 0);
  EXPECT_EQ(
      sameSide(plane, one, Point4(Extended(-1.0), Extended(0.0), Extended(0.0), Extended(0.0))), 0);
  EXPECT_EQ(det3(Extended(1.0), Extended(2.0), Extended(3.0), Extended(4.0), Extended(5.0),
                 Extended(6.0), Extended(7.0), Extended(8.0), Extended(10.0)),
            Extended(-3.0));
  EXPECT_EQ(det3(Extended(2.0), Extended(0.0), Extended(0.0), Extended(0.0), Extended(3.0),
                 Extended(0.0), Extended(0.0), Extended(0.0), Extended(4.0)),
            Extended(24.0));
}

// The frame's own test is strict too: a probe whose product with the
// centroid's side is exactly kSideEpsilon lies outside. Every value below is
// a short binary fraction, so each sum and product is exact: a cube of side
// 1/4 at the origin, vertex 15 (which spans no cell) moved to the probe,
// vertex 14 (nor does it) moved to keep the centroid at the middle, and the
// eye on vertex 15 so that its probe is the vertex itself. On the cell w = 0
// the product is 2^-9 * (2^-6 * w) = kSideEpsilon when w = kSideEpsilon * 2^15.
TEST_F(FrameTest, ProbeExactlyAtThresholdIsOutside) {
  const Extended side = Extended(0.25), half = side / Extended(2.0);
  const auto place = [&](Extended w) {
    for (int i = 0; i < kVertexCount; ++i) {
      auto at = [i, side](int k) { return (i >> k) & 1 ? side : Extended(0.0); };
      scene.vertices[i] = Point4(at(0), at(1), at(2), at(3));
    }
    scene.vertices[15] = Point4(w, half, half, half);
    scene.vertices[14] = Point4(side - w, side + half, side + half, side + half);
    scene.eye = scene.vertices[15];
    classifyVertices();
    for (Extended c : {scene.centroid.w, scene.centroid.x, scene.centroid.y, scene.centroid.z})
      EXPECT_EQ(c, half);
    return scene.vertices[15].visible;
  };
  const Extended w = kSideEpsilon * Extended(32768.0);
  EXPECT_EQ(place(w), 1);
  EXPECT_EQ(place(w + Extended(0x1p-50)), 0);
  EXPECT_EQ(place(half), 0);
}

// Off the origin and with unequal sides, the planes of opposite cells no
// longer mirror each other: for a box, a vertex is hidden exactly when its
// probe lies strictly inside the box, coordinate by coordinate.
TEST_F(FrameTest, HiddenExactlyWhenTheProbeIsInsideAnOffCentreBox) {
  const Extended lo[4] = {Extended(1.0), Extended(-2.0), Extended(0.5), Extended(2.0)},
                 hi[4] = {Extended(3.0), Extended(0.0), Extended(1.5), Extended(5.0)};
  for (int i = 0; i < kVertexCount; ++i) {
    auto at = [&](int k) { return (i >> k) & 1 ? hi[k] : lo[k]; };
    scene.vertices[i] = Point4(at(0), at(1), at(2), at(3));
  }
  std::srand(7);
  auto coordinate = [] { return Extended(std::rand() % 2001 - 1000) / Extended(97.0); };
  int hidden = 0;
  for (int n = 0; n < 300; ++n) {
    scene.eye = Point4(coordinate(), coordinate(), coordinate(), coordinate());
    classifyVertices();
    for (int i = 0; i < kVertexCount; ++i) {
      const Point4& v = scene.vertices[i];
      const Extended e[4] = {scene.eye.w, scene.eye.x, scene.eye.y, scene.eye.z};
      const Extended p[4] = {v.w, v.x, v.y, v.z};
      bool inside = true;
      for (int k = 0; k < 4; ++k) {
        const Extended probe = p[k] + (e[k] - p[k]) * kProbeStep;
        inside = inside && lo[k] < probe && probe < hi[k];
      }
      EXPECT_EQ(v.visible, inside ? 0 : 1) << "eye " << n << ", vertex " << i;
      hidden += inside;
      if (i == kVertexCount - 1) {  // the scene keeps the last vertex's offset and probe
        EXPECT_EQ(scene.offset.y, (e[2] - p[2]) * kProbeStep);
        EXPECT_EQ(scene.probe.z, p[3] + (e[3] - p[3]) * kProbeStep);
      }
    }
  }
  EXPECT_GT(hidden, 300);  // the eyes see the box from every side
}

// The view turns are rotations: they keep each point's distance from the
// origin, and the 2D point is the turned 3D point without its depth.
TEST_F(FrameTest, ViewTurnsKeepLengthsAndDropOnlyTheDepth) {
  updateFrame();
  for (int i = 0; i < kVertexCount; ++i) {
    Point4 p = scene.vertices[i];
    Quaternion r(scene.eye);
    r.unitConjugate();
    p.multiply(r);
    const Point3& q = scene.points3[i];
    EXPECT_NEAR_X(q.x * q.x + q.y * q.y + q.z * q.z, p.x * p.x + p.y * p.y + p.z * p.z,
                  Extended(1e-15));
    EXPECT_EQ(scene.points2[i].x, q.x);
    EXPECT_EQ(scene.points2[i].y, q.y);
  }
}

TEST_F(FrameTest, ScreenValuesTruncateTowardZero) {
  scene.scale = Extended(1.0);
  EXPECT_EQ(toScreen(Extended(-128.507)), -128);
  EXPECT_EQ(toScreen(Extended(145.54)), 145);
  EXPECT_EQ(toScreen(Extended(-0.99)), 0);
  setClientSize(0, 480);
  updateFrame();
  for (const ScreenEdge& e : scene.edges) {
    EXPECT_EQ(e.x0 | e.y0 | e.x1 | e.y1, 0);
  }
}

}  // namespace
