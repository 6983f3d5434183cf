#include "geometry/scene.h"

#include <gtest/gtest.h>

#include "tests/extended_testing.h"

namespace {

ScreenSize fullHd() { return {1920, 1080}; }
ScreenSize square() { return {800, 800}; }

class SceneTest : public ::testing::Test {
 protected:
  void TearDown() override { setScreenSizeSource(nullptr); }
};

TEST_F(SceneTest, StaticsLeaveVerticesAtTheOriginAndStepsUnnormalised) {
  // Whatever ran before.
  initScene();
  scene.centroid = scene.probe = scene.offset =
      Point4(Extended(1.0), Extended(1.0), Extended(1.0), Extended(1.0));
  initStatics();
  for (const Point4* p : {&scene.centroid, &scene.probe, &scene.offset}) {
    EXPECT_EQ(p->w + p->x + p->y + p->z, Extended(0.0));
  }
  for (const Quaternion* q : {&scene.stepIInv, &scene.stepJInv}) {
    EXPECT_EQ(q->w, Extended(0.0));
    EXPECT_EQ(q->x, Extended(0.0));
    EXPECT_EQ(q->y, Extended(0.0));
    EXPECT_EQ(q->z, Extended(0.0));
  }
  for (const Point4& v : scene.vertices) {
    EXPECT_EQ(v.w, Extended(0.0));
    EXPECT_EQ(v.x, Extended(0.0));
    EXPECT_EQ(v.y, Extended(0.0));
    EXPECT_EQ(v.z, Extended(0.0));
    EXPECT_EQ(v.visible, 0);
  }
  EXPECT_EQ(scene.eye.w, Extended(3.0));
  EXPECT_EQ(scene.eye.x, Extended(-4.0));
  EXPECT_EQ(scene.stepI.x, Extended(0.08));
  Float80 nearest;
  ASSERT_TRUE(parseFloat80("0.08", &nearest));
  EXPECT_NE(scene.stepI.x, fromFloat80(nearest)) << "widened double, not the extended 0.08";
  EXPECT_EQ(scene.stepIInv.w, Extended(0.0));
}

TEST_F(SceneTest, InitSceneLaysOutVerticesByIndexBits) {
  initStatics();
  initScene();
  for (int i = 0; i < kVertexCount; ++i) {
    const Point4& v = scene.vertices[i];
    EXPECT_EQ(v.w, (i & 1) ? Extended(1.0) : Extended(-1.0)) << i;
    EXPECT_EQ(v.x, (i & 2) ? Extended(1.0) : Extended(-1.0)) << i;
    EXPECT_EQ(v.y, (i & 4) ? Extended(1.0) : Extended(-1.0)) << i;
    EXPECT_EQ(v.z, (i & 8) ? Extended(1.0) : Extended(-1.0)) << i;
  }
  Quaternion one = scene.stepI;
  one.multiply(scene.stepIInv);
  EXPECT_NEAR_X(one.w, Extended(1.0), Extended(1e-18));
  EXPECT_NEAR_X(one.x, Extended(0.0), Extended(1e-18));
  EXPECT_NEAR_X(scene.stepJ.y, Extended(0.07974522228289), Extended(1e-13));
  EXPECT_EQ(scene.stepJInv.y, -scene.stepJ.y);
}

TEST_F(SceneTest, ArrowsAndLettersNameTheSteps) {
  const Quaternion* const steps[] = {&scene.stepJ, &scene.stepI, &scene.stepJInv, &scene.stepIInv};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(stepForArrow(i), steps[i]);
    EXPECT_EQ(stepForLetter(kArrowLetters[i]), steps[i]);
  }
  for (int bad : {-1, 4, 1 << 30}) EXPECT_EQ(stepForArrow(bad), nullptr) << bad;
  for (char bad : {'\0', 'l', 'X'}) EXPECT_EQ(stepForLetter(bad), nullptr) << int{bad};
}

TEST_F(SceneTest, WithoutAScreenTheSizeIsProvisional) {
  setScreenSizeSource(nullptr);
  initStatics();
  initScene();
  EXPECT_EQ(scene.clientWidth, 1000);
  EXPECT_EQ(scene.clientHeight, 700);
}

TEST_F(SceneTest, ProvisionalScaleComesFromTheShorterScreenSide) {
  setScreenSizeSource(fullHd);
  initStatics();
  initScene();
  EXPECT_EQ(scene.clientWidth, 1920);
  EXPECT_EQ(scene.clientHeight, 1080);
  EXPECT_NEAR_X(scene.scale, Extended(237.6), Extended(1e-13));

  setScreenSizeSource(square);
  initStatics();
  initScene();
  EXPECT_NEAR_X(scene.scale, Extended(176.0), Extended(1e-13));
}

TEST_F(SceneTest, ClientSizeSetsScaleIncludingZero) {
  setClientSize(1000, 700);
  EXPECT_NEAR_X(scene.scale, Extended(154.0), Extended(1e-15));
  setClientSize(699, 1000);
  EXPECT_EQ(scene.scale, Extended(699.0) * kScaleFactor);
  setClientSize(0, 0);
  EXPECT_EQ(scene.scale, Extended(0.0));
}

}  // namespace
