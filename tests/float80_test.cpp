// The software extended type against the x87 itself, operation by operation,
// on random and edge operands; elsewhere against values the x87 gave.
#include "geometry/float80.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "geometry/fpu.h"
#include "geometry/projection.h"

namespace {

Float80 f(uint16_t se, uint64_t m) { return Float80::fromBits(se, m); }

std::string bits(Float80 v) {
  char b[40];
  std::snprintf(b, sizeof b, "%04x:%016" PRIx64, v.signExp(), v.significand());
  return b;
}

// Random operands that reach every path: any exponent, exponents close to
// the other operand's (long carries and cancellation), the subnormal and
// overflow edges, and significands with few bits set (exact results and
// ties).
class Operands {
 public:
  explicit Operands(uint64_t seed) : rng_(seed) {}

  Float80 next(const Float80* near = nullptr) {
    const uint64_t r = rng_();
    const uint16_t sign = (r & 1) ? 0x8000 : 0;
    int exp;
    switch ((r >> 1) % 8) {
      case 0:
        exp = static_cast<int>(rng_() % 0x7FFF);
        break;  // anywhere, subnormals too
      case 1:
        exp = static_cast<int>(rng_() % 140);
        break;  // the bottom of the range
      case 2:
        exp = 0x7FFE - static_cast<int>(rng_() % 70);
        break;  // near overflow
      case 3:
      case 4:
        exp = near ? (near->signExp() & 0x7FFF) + static_cast<int>(rng_() % 140) - 70
                   : 16383 + static_cast<int>(rng_() % 40) - 20;
        break;
      default:
        exp = 16383 + static_cast<int>(rng_() % 80) - 40;
        break;
    }
    if (exp < 0) exp = 0;
    if (exp > 0x7FFE) exp = 0x7FFE;
    uint64_t m;
    switch ((r >> 4) % 6) {
      case 0:
        m = 0x8000000000000000u | (rng_() << 40);
        break;  // few low bits: ties
      case 1:
        m = 0x8000000000000000u | (uint64_t{1} << (rng_() % 63));
        break;
      case 2:
        m = ~uint64_t{0} << (rng_() % 64);
        break;  // long runs of ones
      case 3:
        m = near ? near->significand() ^ (uint64_t{1} << (rng_() % 64)) : rng_();
        break;
      default:
        m = rng_();
        break;
    }
    if (exp == 0) {
      m >>= 1 + rng_() % 63;  // subnormal (or zero)
    } else {
      m |= 0x8000000000000000u;
    }
    if ((r >> 8) % 64 == 0) return edge(sign);
    return f(static_cast<uint16_t>(sign | exp), m);
  }

 private:
  Float80 edge(uint16_t sign) {
    const Float80 edges[] = {
        f(0, 0),
        f(0, 1),
        f(0, 0x7FFFFFFFFFFFFFFFu),
        f(1, 0x8000000000000000u),
        f(0x7FFE, ~0ull),
        f(0x3FFF, 0x8000000000000000u),
        f(0x7FFF, 0x8000000000000000u),
        f(0x3FFF, ~0ull),
        f(0x401E, 0x8000000000000000u),
        f(0x401D, 0xFFFFFFFF00000000u),
        f(0x7FFF, 0xC000000000000000u),  // NaNs: quiet, with a payload, signalling
        f(0x7FFF, 0xC0000000DEADBEEFu),
        f(0x7FFF, 0x8000000000000001u),
    };
    const Float80 e = edges[rng_() % (sizeof edges / sizeof edges[0])];
    return f(static_cast<uint16_t>(e.signExp() | sign), e.significand());
  }

  std::mt19937_64 rng_;
};

#if GEOMETRY_HAS_X87
// Operations per operator; HC_FLOAT80_OPS raises it for a long run.
long operationCount() {
  const char* env = std::getenv("HC_FLOAT80_OPS");
  return env ? std::atol(env) : 1000000;
}
#endif

// Zeros are constants, so the scene starts all zero before any code runs.
static_assert(Float80(0.0).signExp() == 0 && Float80(0.0).significand() == 0, "+0");
static_assert(Float80(-0.0).signExp() == 0x8000 && Float80(-0.0).significand() == 0, "-0");
static_assert(Float80(-2.5).signExp() == 0xC000 &&
                  Float80(-2.5).significand() == 0xA000000000000000u,
              "-2.5");

// Results the x87 gave, checked on every CPU: the integer arithmetic must
// not depend on the word size or the byte order.
TEST(Float80Test, KnownX87ResultsOnEveryCpu) {
  const Float80 three(3.0), tenth(0.1), fifth(0.2);
  const Float80 tiny = f(0x0000, 0x20);  // 2^-16440, subnormal
  const struct {
    Float80 got;
    uint16_t signExp;
    uint64_t significand;
  } cases[] = {
      {sqrt(Float80(57.0)), 0x4001, 0xF1983E62B67ADEE1u},
      {Float80(1.0) / three, 0x3FFD, 0xAAAAAAAAAAAAAAABu},
      {tenth + fifth, 0x3FFD, 0x9999999999999C00u},
      {tenth * fifth, 0x3FF9, 0xA3D70A3D70A3DC29u},
      {Float80(1e-6) - tenth, 0xBFFB, 0xCCCC46950FC72094u},
      {f(0x7FFE, 0x8000000000000000u) * three, 0x7FFF, 0x8000000000000000u},         // overflow
      {Float80(1.0) + f(0x3FBF, 0x8000000000000000u), 0x3FFF, 0x8000000000000000u},  // tie: even
      {tiny * tenth, 0x0000, 0x0000000000000003u},
      // NaNs: the sign kept through a subtraction, made quiet; a quiet one
      // before a signalling one; of equal significands, the positive one.
      {three - f(0xFFFF, 0x8000000000000001u), 0xFFFF, 0xC000000000000001u},
      {f(0xFFFF, 0xC000000000000000u) * f(0xFFFF, 0x8000000000000001u), 0xFFFF,
       0xC000000000000000u},
      {f(0xFFFF, 0xC00000000000BEEFu) / f(0x7FFF, 0xC00000000000BEEFu), 0x7FFF,
       0xC00000000000BEEFu},
  };
  for (const auto& c : cases) EXPECT_EQ(bits(c.got), bits(f(c.signExp, c.significand)));
  EXPECT_EQ(formatFloat80(sqrt(Float80(57.0))), "7.54983443527074969725");
  EXPECT_EQ(formatFloat80(f(0x0000, 3)), "1.09355985956474238076e-4950");
  EXPECT_EQ((Float80(1.0) / three).toDouble(), 0.33333333333333331);
  EXPECT_EQ(Float80(-2.75).toInt32(), -2);
  Float80 parsed;
  ASSERT_TRUE(parseFloat80("0.9", &parsed));
  EXPECT_EQ(bits(parsed), bits(f(0x3FFE, 0xE666666666666666u)));
}

#if GEOMETRY_HAS_X87

long double hw(Float80 v) {
  long double d;
  unsigned char raw[sizeof(long double)] = {};
  const uint64_t m = v.significand();
  const uint16_t se = v.signExp();
  std::memcpy(raw, &m, 8);
  std::memcpy(raw + 8, &se, 2);
  std::memcpy(&d, raw, sizeof d);
  return d;
}

Float80 sw(long double d) {
  unsigned char raw[sizeof(long double)];
  std::memcpy(raw, &d, sizeof d);
  uint64_t m;
  uint16_t se;
  std::memcpy(&m, raw, 8);
  std::memcpy(&se, raw + 8, 2);
  return Float80::fromBits(se, m);
}

// Equal bits, NaNs too: which NaN comes out (sign, payload, quiet or not)
// follows the x87's rules.
bool same(Float80 a, Float80 b) {
  return a.signExp() == b.signExp() && a.significand() == b.significand();
}

TEST(Float80Test, ArithmeticEqualsTheX87) {
  setExtendedPrecision();
  Operands gen(26);
  const long n = operationCount();
  long mismatches[5] = {};
  const char* names[5] = {"+", "-", "*", "/", "sqrt"};
  for (long i = 0; i < n; ++i) {
    const Float80 a = gen.next();
    const Float80 b = gen.next(&a);
    volatile long double x = hw(a), y = hw(b);
    const long double results[5] = {x + y, x - y, x * y, x / y, sqrtl(x)};
    const Float80 ours[5] = {a + b, a - b, a * b, a / b, sqrt(a)};
    for (int k = 0; k < 5; ++k) {
      if (same(sw(results[k]), ours[k])) continue;
      if (++mismatches[k] <= 3) {
        ADD_FAILURE() << bits(a) << " " << names[k] << " " << bits(b) << ": x87 "
                      << bits(sw(results[k])) << ", ours " << bits(ours[k]);
      }
    }
  }
  for (int k = 0; k < 5; ++k) EXPECT_EQ(mismatches[k], 0) << names[k] << " of " << n;
}

// Exponents 63 to 66 and 127 to 129 apart: where the smaller operand's bits
// cross a word of the 128-bit alignment, and a bit shifted out decides the
// rounding after a cancellation. Random operands seldom land there.
TEST(Float80Test, SumsAcrossTheAlignmentWordsEqualTheX87) {
  setExtendedPrecision();
  std::mt19937_64 rng(29);
  long mismatches = 0;
  for (int gap : {63, 64, 65, 66, 127, 128, 129}) {
    for (int i = 0; i < 4000; ++i) {
      const uint64_t r = rng();
      const uint64_t top = 0x8000000000000000u;
      const uint64_t ma = (r & 1) ? top : rng() | top;
      const uint64_t mb = (r & 2) ? top | (uint64_t{1} << (rng() % 64)) : rng() | top;
      const Float80 a = f(0x3FFF, ma);
      const Float80 b = f(static_cast<uint16_t>(((r & 4) ? 0x8000 : 0) | (0x3FFF - gap)), mb);
      volatile long double x = hw(a), y = hw(b);
      const long double sum = x + y, difference = x - y;
      if ((!same(sw(sum), a + b) || !same(sw(difference), a - b)) && ++mismatches <= 3) {
        ADD_FAILURE() << bits(a) << " +/- " << bits(b);
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(Float80Test, ComparisonsAndConversionsEqualTheX87) {
  setExtendedPrecision();
  Operands gen(27);
  std::mt19937_64 rng(28);
  const long n = operationCount();
  for (long i = 0; i < n; ++i) {
    const Float80 a = gen.next();
    const Float80 b = (i % 4 == 0) ? a : gen.next(&a);
    const volatile long double x = hw(a), y = hw(b);
    ASSERT_EQ(a < b, x < y) << bits(a) << " " << bits(b);
    ASSERT_EQ(a <= b, x <= y) << bits(a) << " " << bits(b);
    ASSERT_EQ(a == b, x == y) << bits(a) << " " << bits(b);
    ASSERT_EQ(a != b, x != y) << bits(a) << " " << bits(b);
    ASSERT_EQ(a > b, x > y) << bits(a) << " " << bits(b);
    ASSERT_EQ(a >= b, x >= y) << bits(a) << " " << bits(b);

    // To double by rounding: the x87's own store.
    const double d = static_cast<double>(x);
    const double ours = a.toDouble();
    ASSERT_EQ(std::memcmp(&d, &ours, sizeof d), 0) << bits(a) << " " << d << " " << ours;

    // From double, exactly.
    uint64_t raw = rng();
    if (i % 3 == 0) raw &= 0x800FFFFFFFFFFFFFu;  // subnormals
    double dd;
    std::memcpy(&dd, &raw, sizeof dd);
    if (!std::isnan(dd)) {
      ASSERT_TRUE(same(Float80(dd), sw(static_cast<long double>(dd)))) << dd;
    }

    // To int32 by truncation, near and past its range too.
    const Float80 c =
        f(static_cast<uint16_t>((rng() & 0x8000) | (0x3FF0 + rng() % 48)), rng() | (1ull << 63));
    long double scaled = hw(c);
    int32_t truncated;
    const uint16_t saved = readX87ControlWord();
    loadX87ControlWord(static_cast<uint16_t>(saved | 0x0C00));
    __asm__("fistpl %0" : "=m"(truncated) : "t"(scaled) : "st");
    loadX87ControlWord(saved);
    ASSERT_EQ(c.toInt32(), truncated) << bits(c);
  }
  for (int32_t v : {0, 1, -1, 7, INT32_MAX, INT32_MIN, 1080, -65535}) {
    EXPECT_TRUE(same(Float80(v), sw(static_cast<long double>(v)))) << v;
  }
}

TEST(Float80Test, DecimalTextEqualsTheCLibrary) {
  setExtendedPrecision();
  Operands gen(29);
  std::mt19937_64 rng(30);
  // Formatting is slower than arithmetic; the exponent spread keeps it
  // mostly to values the frames print.
  const long n = operationCount() / 100;
  for (long i = 0; i < n; ++i) {
    const Float80 a = gen.next();
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.21Lg", hw(a));
    ASSERT_EQ(formatFloat80(a), expected) << bits(a);

    // Parsing: what we print, shortened, with digits that fall on and near
    // halfway points, and some that are not numbers at all.
    std::string text = expected;
    const size_t cut = rng() % (text.size() + 1);
    if (i % 3 == 0 && text.find('e') == std::string::npos) text = text.substr(0, cut);
    if (i % 5 == 0) text += "5000000000000000000000001";
    if (i % 7 == 0)
      text = std::to_string(rng() % 100000) + "." + std::to_string(rng()) + "e-" +
             std::to_string(rng() % 5000);
    if (i % 11 == 0) text = std::to_string(rng() % 1000) + "e" + std::to_string(rng() % 5000);
    if (text.find_first_not_of("0123456789+-.eE") != std::string::npos) continue;
    char* end = nullptr;
    const long double parsed = std::strtold(text.c_str(), &end);
    Float80 ours;
    const bool ok = parseFloat80(text, &ours);
    const bool whole = end == text.c_str() + text.size() && end != text.c_str();
    ASSERT_EQ(ok, whole) << text;
    if (ok) {
      ASSERT_TRUE(same(ours, sw(parsed))) << text << " " << bits(ours);
    }
  }
  for (const char* text :
       {"0", "-0", "1e-4951", "1.8e-4951", "3.7e-4951", "1.18973149535723176502e4932",
        "1.18973149535723176508e4932", "1e5000", "0.000", ".5", "5.", "+.5e+1"}) {
    Float80 ours;
    ASSERT_TRUE(parseFloat80(text, &ours)) << text;
    EXPECT_TRUE(same(ours, sw(std::strtold(text, nullptr)))) << text;
  }
  for (const char* text : {"", ".", "-", "e5", "1e", "1e+", "1.2.3", "1e5.3", "--1", "1-"}) {
    Float80 ours;
    EXPECT_FALSE(parseFloat80(text, &ours)) << text;
  }
}

// The view's pinned sines, cosines and arctangents are what the x87 and the
// C library compute from the scene's view direction and half pi: atan2l, then
// sinl and cosl (and the x87's own fsin and fcos) of the angles rounded to
// double.
TEST(Float80Test, PinnedViewTrigonometryEqualsTheX87AndTheCLibrary) {
  setExtendedPrecision();
  const Point3 view = Scene{}.viewDir;
  const long double x = view.x, y = view.y, z = view.z;
  const long double phi = atan2l(y, x);
  const long double theta = atan2l(z, sqrtl(x * x + y * y));
  EXPECT_EQ(kHalfPi, kPi * 0.5L);
  const long double halfPi = kHalfPi;
  const long double a1 = static_cast<double>(-phi), a2 = static_cast<double>(halfPi - theta);
  long double fc1, fs1, fc2, fs2;
  __asm__("fcos" : "=t"(fc1) : "0"(a1));
  __asm__("fsin" : "=t"(fs1) : "0"(a1));
  __asm__("fcos" : "=t"(fc2) : "0"(a2));
  __asm__("fsin" : "=t"(fs2) : "0"(a2));
  const ViewRotation& r = viewRotation();
  const struct {
    Extended pinned;
    long double library, x87;
  } cases[] = {{r.phi, phi, phi},     {r.theta, theta, theta}, {r.c1, cosl(a1), fc1},
               {r.s1, sinl(a1), fs1}, {r.c2, cosl(a2), fc2},   {r.s2, sinl(a2), fs2}};
  for (const auto& c : cases) {
    EXPECT_EQ(bits(toFloat80(c.pinned)), bits(sw(c.library)));
    EXPECT_EQ(bits(toFloat80(c.pinned)), bits(sw(c.x87)));
  }
}

#endif

}  // namespace
