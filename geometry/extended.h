// The one number type of the geometry: the x87's 80-bit extended format.
// Where the CPU has it, that is long double in hardware; elsewhere (or with
// HYPERCUBE_SOFT_EXTENDED, to test the software on x86) the same format and
// the same results from Float80, so every CPU draws the same bits.
#ifndef GEOMETRY_EXTENDED_H
#define GEOMETRY_EXTENDED_H

#include <cmath>
#include <cstdint>
#include <cstring>

#include "geometry/float80.h"
#include "geometry/fpu.h"

#if GEOMETRY_HAS_X87 && !defined(HYPERCUBE_SOFT_EXTENDED)
#define GEOMETRY_HARDWARE_EXTENDED 1
using Extended = long double;

inline Extended squareRoot(Extended v) { return sqrtl(v); }
inline bool isFiniteExtended(Extended v) { return std::isfinite(v); }
inline int32_t truncateToInt32(Extended v) { return static_cast<int32_t>(v); }

// The x87 register format as it sits in memory: significand, then sign and
// exponent, little-endian.
inline Float80 toFloat80(Extended v) {
  unsigned char raw[sizeof v];
  std::memcpy(raw, &v, sizeof v);
  uint64_t significand;
  uint16_t signExp;
  std::memcpy(&significand, raw, 8);
  std::memcpy(&signExp, raw + 8, 2);
  return Float80::fromBits(signExp, significand);
}
inline Extended fromFloat80(Float80 f) {
  unsigned char raw[sizeof(Extended)] = {};
  const uint64_t significand = f.significand();
  const uint16_t signExp = f.signExp();
  std::memcpy(raw, &significand, 8);
  std::memcpy(raw + 8, &signExp, 2);
  Extended v;
  std::memcpy(&v, raw, sizeof v);
  return v;
}
#else
#define GEOMETRY_HARDWARE_EXTENDED 0
using Extended = Float80;

inline Extended squareRoot(Extended v) { return sqrt(v); }
inline bool isFiniteExtended(Extended v) { return v.isFinite(); }
inline int32_t truncateToInt32(Extended v) { return v.toInt32(); }
inline Float80 toFloat80(Extended v) { return v; }
inline Extended fromFloat80(Float80 f) { return f; }
#endif

// out[i] := in[i] truncated toward zero, for values inside the int32 range.
// On the x87 a plain conversion switches the rounding mode twice per value
// (about 100 cycles each time); this switches it once for the whole batch.
void truncateToInt32(const Extended* in, int32_t* out, int count);

// An extended constant given by its bits: sign and biased exponent, then the
// 64-bit significand with its integer bit.
inline Extended extendedFromBits(uint16_t signExp, uint64_t significand) {
  return fromFloat80(Float80::fromBits(signExp, significand));
}

#endif
