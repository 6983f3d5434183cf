#include "geometry/scene.h"

#include <gtest/gtest.h>

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
  scene.centroid = scene.probe = scene.offset = Point4(1.0L, 1.0L, 1.0L, 1.0L);
  initStatics();
  for (const Point4* p : {&scene.centroid, &scene.probe, &scene.offset}) {
    EXPECT_EQ(p->w + p->x + p->y + p->z, 0.0L);
  }
  for (const Quaternion* q : {&scene.stepIInv, &scene.stepJInv}) {
    EXPECT_EQ(q->w, 0.0L);
    EXPECT_EQ(q->x, 0.0L);
    EXPECT_EQ(q->y, 0.0L);
    EXPECT_EQ(q->z, 0.0L);
  }
  for (const Point4& v : scene.vertices) {
    EXPECT_EQ(v.w, 0.0L);
    EXPECT_EQ(v.x, 0.0L);
    EXPECT_EQ(v.y, 0.0L);
    EXPECT_EQ(v.z, 0.0L);
    EXPECT_EQ(v.visible, 0);
  }
  EXPECT_EQ(scene.eye.w, 3.0L);
  EXPECT_EQ(scene.eye.x, -4.0L);
  EXPECT_EQ(scene.stepI.x, static_cast<long double>(0.08));
  EXPECT_NE(static_cast<long double>(0.08), 0.08L) << "widened double, not the extended literal";
  EXPECT_EQ(scene.stepIInv.w, 0.0L);
}

TEST_F(SceneTest, InitSceneLaysOutVerticesByIndexBits) {
  initStatics();
  initScene();
  for (int i = 0; i < kVertexCount; ++i) {
    const Point4& v = scene.vertices[i];
    EXPECT_EQ(v.w, (i & 1) ? 1.0L : -1.0L) << i;
    EXPECT_EQ(v.x, (i & 2) ? 1.0L : -1.0L) << i;
    EXPECT_EQ(v.y, (i & 4) ? 1.0L : -1.0L) << i;
    EXPECT_EQ(v.z, (i & 8) ? 1.0L : -1.0L) << i;
  }
  Quaternion one = scene.stepI;
  one.multiply(scene.stepIInv);
  EXPECT_NEAR(one.w, 1.0L, 1e-18L);
  EXPECT_NEAR(one.x, 0.0L, 1e-18L);
  EXPECT_NEAR(scene.stepJ.y, 0.07974522228289L, 1e-13L);
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
  EXPECT_NEAR(scene.scale, 237.6L, 1e-13L);

  setScreenSizeSource(square);
  initStatics();
  initScene();
  EXPECT_NEAR(scene.scale, 176.0L, 1e-13L);
}

TEST_F(SceneTest, ClientSizeSetsScaleIncludingZero) {
  setClientSize(1000, 700);
  EXPECT_NEAR(scene.scale, 154.0L, 1e-15L);
  setClientSize(699, 1000);
  EXPECT_EQ(scene.scale, 699.0L * kScaleFactor);
  setClientSize(0, 0);
  EXPECT_EQ(scene.scale, 0.0L);
}

}  // namespace
