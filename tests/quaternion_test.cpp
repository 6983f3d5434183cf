#include "geometry/quaternion.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/fpu.h"

namespace {

constexpr long double kTol = 1e-18L;

void expectQuad(const Quaternion& q, long double w, long double x, long double y, long double z,
                long double tol = kTol) {
  EXPECT_NEAR(q.w, w, tol);
  EXPECT_NEAR(q.x, x, tol);
  EXPECT_NEAR(q.y, y, tol);
  EXPECT_NEAR(q.z, z, tol);
}

TEST(Quaternion, StepRotationAndItsInverseMultiplyToOneEitherWay) {
  Quaternion step(1.0L, static_cast<long double>(0.08), 0.0L, 0.0L);
  step.normalize();
  expectQuad(step, 0.996815278536125L, 0.079745222282890L, 0.0L, 0.0L, 1e-15L);
  Quaternion inverse = step;
  inverse.unitConjugate();
  expectQuad(inverse, step.w, -step.x, 0.0L, 0.0L);

  Quaternion a = step;
  a.multiply(inverse);
  expectQuad(a, 1.0L, 0.0L, 0.0L, 0.0L);
  Quaternion b = inverse;
  b.multiply(step);
  expectQuad(b, 1.0L, 0.0L, 0.0L, 0.0L);
}

TEST(Quaternion, UnitConjugateOfTheStartEye) {
  const Quaternion eye(3.0L, -4.0L, 4.0L, 4.0L);
  const long double root57 = sqrtl(57.0L);
  EXPECT_EQ(eye.norm(), root57);
  Quaternion r = eye;
  r.unitConjugate();
  expectQuad(r, 3.0L / root57, 4.0L / root57, -4.0L / root57, -4.0L / root57);
  // The steps have no z part; normalize must still scale it.
  Quaternion unit = eye;
  expectQuad(unit.normalize(), 3.0L / root57, -4.0L / root57, 4.0L / root57, 4.0L / root57);
  Quaternion turned = eye;
  turned.multiply(r);
  expectQuad(turned, root57, 0.0L, 0.0L, 0.0L, 1e-17L);
}

TEST(Quaternion, ProductIsNotCommutative) {
  Quaternion i(0.0L, 1.0L, 0.0L, 0.0L);
  const Quaternion j(0.0L, 0.0L, 1.0L, 0.0L);
  Quaternion ij = i;
  ij.multiply(j);
  expectQuad(ij, 0.0L, 0.0L, 0.0L, 1.0L, 0.0L);
  Quaternion ji = j;
  ji.multiply(i);
  expectQuad(ji, 0.0L, 0.0L, 0.0L, -1.0L, 0.0L);
}

TEST(Point4, AddSubtractAndScaleEachComponent) {
  Point4 p(1.0L, 2.0L, 3.0L, 4.0L);
  p.add(Quaternion(0.5L, 0.25L, -1.0L, 8.0L));
  expectQuad(Quaternion(p), 1.5L, 2.25L, 2.0L, 12.0L, 0.0L);
  p.subtract(Point4(1.0L, 1.0L, 1.0L, 2.0L));
  expectQuad(Quaternion(p), 0.5L, 1.25L, 1.0L, 10.0L, 0.0L);
  p.scaleBy(4.0L);
  expectQuad(Quaternion(p), 2.0L, 5.0L, 4.0L, 40.0L, 0.0L);
}

TEST(Point4, ArithmeticKeepsTheFlagAndConversionDropsIt) {
  Point4 p(1.0L, -1.0L, 1.0L, -1.0L);
  p.visible = 1;
  p.multiply(Quaternion(0.5L, 0.5L, 0.5L, 0.5L))
      .add(Point4(1.0L, 1.0L, 1.0L, 1.0L))
      .subtract(Quaternion(0.25L, 0.0L, 0.0L, 0.0L))
      .scaleBy(2.0L)
      .normalize()
      .unitConjugate();
  EXPECT_EQ(p.visible, 1);
  Point4 copy = p;
  EXPECT_EQ(copy.visible, 1);
  const Quaternion q(p);
  EXPECT_EQ(q.w, p.w);
  EXPECT_EQ(q.z, p.z);
}

#if GEOMETRY_HAS_X87
TEST(Fpu, SetUpForcesExtendedPrecisionAndNearestRounding) {
  const uint16_t saved = readX87ControlWord();
  // 53-bit significand (precision 10), round up (rounding 10).
  loadX87ControlWord(static_cast<uint16_t>((saved & ~0x0F00) | 0x0200 | 0x0800));
  setExtendedPrecision();
  const uint16_t cw = readX87ControlWord();
  loadX87ControlWord(saved);
  EXPECT_EQ((cw >> 8) & 3, 3) << "precision control";
  EXPECT_EQ((cw >> 10) & 3, 0) << "rounding control";
  EXPECT_EQ(cw & 0x3F, saved & 0x3F) << "exception masks untouched";
}

TEST(Fpu, ProcessRunsInExtendedPrecisionBeforeMain) {
  const uint16_t cw = readX87ControlWord();
  EXPECT_EQ((cw >> 8) & 3, 3);
  EXPECT_EQ((cw >> 10) & 3, 0);
  // 1 + 2^-63 is representable only with a 64-bit significand.
  volatile long double tiny = 0x1p-63L;
  volatile long double sum = 1.0L + tiny;
  EXPECT_NE(sum, 1.0L);
}
#endif

}  // namespace
