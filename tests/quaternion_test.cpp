#include "geometry/quaternion.h"

#include <gtest/gtest.h>

#include <cmath>

#include "geometry/fpu.h"
#include "tests/extended_testing.h"

namespace {

constexpr Extended kTol = Extended(1e-18);

void expectQuad(const Quaternion& q, Extended w, Extended x, Extended y, Extended z,
                Extended tol = kTol) {
  EXPECT_NEAR_X(q.w, w, tol);
  EXPECT_NEAR_X(q.x, x, tol);
  EXPECT_NEAR_X(q.y, y, tol);
  EXPECT_NEAR_X(q.z, z, tol);
}

TEST(Quaternion, StepRotationAndItsInverseMultiplyToOneEitherWay) {
  Quaternion step(Extended(1.0), static_cast<Extended>(0.08), Extended(0.0), Extended(0.0));
  step.normalize();
  expectQuad(step, Extended(0.996815278536125), Extended(0.079745222282890), Extended(0.0),
             Extended(0.0), Extended(1e-15));
  Quaternion inverse = step;
  inverse.unitConjugate();
  expectQuad(inverse, step.w, -step.x, Extended(0.0), Extended(0.0));

  Quaternion a = step;
  a.multiply(inverse);
  expectQuad(a, Extended(1.0), Extended(0.0), Extended(0.0), Extended(0.0));
  Quaternion b = inverse;
  b.multiply(step);
  expectQuad(b, Extended(1.0), Extended(0.0), Extended(0.0), Extended(0.0));
}

TEST(Quaternion, UnitConjugateOfTheStartEye) {
  const Quaternion eye(Extended(3.0), Extended(-4.0), Extended(4.0), Extended(4.0));
  const Extended root57 = squareRoot(Extended(57.0));
  EXPECT_EQ(eye.norm(), root57);
  Quaternion r = eye;
  r.unitConjugate();
  expectQuad(r, Extended(3.0) / root57, Extended(4.0) / root57, Extended(-4.0) / root57,
             Extended(-4.0) / root57);
  // The steps have no z part; normalize must still scale it.
  Quaternion unit = eye;
  expectQuad(unit.normalize(), Extended(3.0) / root57, Extended(-4.0) / root57,
             Extended(4.0) / root57, Extended(4.0) / root57);
  Quaternion turned = eye;
  turned.multiply(r);
  expectQuad(turned, root57, Extended(0.0), Extended(0.0), Extended(0.0), Extended(1e-17));
}

TEST(Quaternion, ProductIsNotCommutative) {
  Quaternion i(Extended(0.0), Extended(1.0), Extended(0.0), Extended(0.0));
  const Quaternion j(Extended(0.0), Extended(0.0), Extended(1.0), Extended(0.0));
  Quaternion ij = i;
  ij.multiply(j);
  expectQuad(ij, Extended(0.0), Extended(0.0), Extended(0.0), Extended(1.0), Extended(0.0));
  Quaternion ji = j;
  ji.multiply(i);
  expectQuad(ji, Extended(0.0), Extended(0.0), Extended(0.0), Extended(-1.0), Extended(0.0));
}

TEST(Point4, AddSubtractAndScaleEachComponent) {
  Point4 p(Extended(1.0), Extended(2.0), Extended(3.0), Extended(4.0));
  p.add(Quaternion(Extended(0.5), Extended(0.25), Extended(-1.0), Extended(8.0)));
  expectQuad(Quaternion(p), Extended(1.5), Extended(2.25), Extended(2.0), Extended(12.0),
             Extended(0.0));
  p.subtract(Point4(Extended(1.0), Extended(1.0), Extended(1.0), Extended(2.0)));
  expectQuad(Quaternion(p), Extended(0.5), Extended(1.25), Extended(1.0), Extended(10.0),
             Extended(0.0));
  p.scaleBy(Extended(4.0));
  expectQuad(Quaternion(p), Extended(2.0), Extended(5.0), Extended(4.0), Extended(40.0),
             Extended(0.0));
}

TEST(Point4, ArithmeticKeepsTheFlagAndConversionDropsIt) {
  Point4 p(Extended(1.0), Extended(-1.0), Extended(1.0), Extended(-1.0));
  p.visible = 1;
  p.multiply(Quaternion(Extended(0.5), Extended(0.5), Extended(0.5), Extended(0.5)))
      .add(Point4(Extended(1.0), Extended(1.0), Extended(1.0), Extended(1.0)))
      .subtract(Quaternion(Extended(0.25), Extended(0.0), Extended(0.0), Extended(0.0)))
      .scaleBy(Extended(2.0))
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
