// The x87's 80-bit extended format computed with integers, for CPUs that do
// not have it: every frame must come out the same to the last bit everywhere,
// so each operation gives exactly what the x87 gives with a 64-bit
// significand and rounding to nearest even (subnormals, signed zeros,
// infinities and its default NaN included).
#ifndef GEOMETRY_FLOAT80_H
#define GEOMETRY_FLOAT80_H

#include <cstdint>
#include <string>

class Float80 {
 public:
  constexpr Float80() = default;
  // Exact: every double is an extended value.
  constexpr explicit Float80(double d) : Float80(fromDouble(d)) {}
  constexpr explicit Float80(int32_t i) : Float80(fromInt(i)) {}

  // Sign in bit 15 of signExp, biased exponent (16383) below it; the
  // significand carries its integer bit, as the x87 stores it.
  static constexpr Float80 fromBits(uint16_t signExp, uint64_t significand) {
    Float80 f;
    f.signExp_ = signExp;
    f.significand_ = significand;
    return f;
  }
  constexpr uint16_t signExp() const { return signExp_; }
  constexpr uint64_t significand() const { return significand_; }

  friend Float80 operator+(Float80 a, Float80 b) { return add(a, b, false); }
  friend Float80 operator-(Float80 a, Float80 b) { return add(a, b, true); }
  friend Float80 operator*(Float80 a, Float80 b);
  friend Float80 operator/(Float80 a, Float80 b);
  constexpr Float80 operator-() const { return fromBits(signExp_ ^ 0x8000, significand_); }
  Float80& operator+=(Float80 b) { return *this = *this + b; }
  Float80& operator-=(Float80 b) { return *this = *this - b; }
  Float80& operator*=(Float80 b) { return *this = *this * b; }
  Float80& operator/=(Float80 b) { return *this = *this / b; }

  friend bool operator==(Float80 a, Float80 b) { return compare(a, b) == 0; }
  friend bool operator!=(Float80 a, Float80 b) { return compare(a, b) != 0; }
  friend bool operator<(Float80 a, Float80 b) { return compare(a, b) == -1; }
  friend bool operator>(Float80 a, Float80 b) { return compare(a, b) == 1; }
  friend bool operator<=(Float80 a, Float80 b) {
    const int c = compare(a, b);
    return c == -1 || c == 0;
  }
  friend bool operator>=(Float80 a, Float80 b) {
    const int c = compare(a, b);
    return c == 1 || c == 0;
  }

  bool isNan() const { return (signExp_ & 0x7FFF) == 0x7FFF && (significand_ << 1) != 0; }
  bool isFinite() const { return (signExp_ & 0x7FFF) != 0x7FFF; }

  // Truncated toward zero; outside the int32 range (and NaN) 0x80000000, the
  // x87's integer indefinite.
  int32_t toInt32() const;
  // Rounded to nearest even, as the x87 stores a double.
  double toDouble() const;

 private:
  static constexpr Float80 fromDouble(double d);
  static constexpr Float80 fromInt(int32_t i);
  static Float80 add(Float80 a, Float80 b, bool subtract);
  // -1, 0, 1, or 2 when unordered.
  static int compare(Float80 a, Float80 b);

  uint64_t significand_ = 0;
  uint16_t signExp_ = 0;
};

Float80 sqrt(Float80 a);

// The exact binary value as "%.21Lg" prints it, digits rounded half to even.
std::string formatFloat80(Float80 v);

// A decimal number ([+-] digits [. digits] [e [+-] digits], at least one
// digit before the exponent) rounded to the nearest extended value, as
// strtold does on the x87. False when the whole text is not such a number.
bool parseFloat80(const std::string& text, Float80* value);

// constexpr so that the scene's constants are constants: the double is taken
// apart by its own arithmetic, every step exact.
constexpr Float80 Float80::fromDouble(double d) {
  if (d != d) return fromBits(0xFFFF, 0xC000000000000000u);  // the x87's default NaN
    // The sign of zero too, without dividing by it: zero must stay a constant
    // expression, or the scene in static storage would be initialised at run
    // time.
#if defined(__GNUC__)
  const uint16_t sign = __builtin_copysign(1.0, d) < 0 ? 0x8000 : 0;
#else
  const uint16_t sign = (d < 0 || (d == 0 && 1 / d < 0)) ? 0x8000 : 0;
#endif
  if (d < 0) d = -d;
  if (d == 0) return fromBits(sign, 0);
  if (d > 1.7976931348623157e308) return fromBits(sign | 0x7FFF, 0x8000000000000000u);
  int exponent = 0;
  while (d >= 0x1p64) d *= 0x1p-64, exponent += 64;
  while (d >= 2) d *= 0.5, ++exponent;
  while (d < 0x1p-64) d *= 0x1p64, exponent -= 64;
  while (d < 1) d *= 2, --exponent;
  // d is now in [1, 2) with at most 53 significant bits.
  const uint64_t bits = static_cast<uint64_t>(d * 0x1p52) << 11;
  return fromBits(static_cast<uint16_t>(sign | (exponent + 16383)), bits);
}

constexpr Float80 Float80::fromInt(int32_t i) {
  if (i == 0) return Float80();
  const uint16_t sign = i < 0 ? 0x8000 : 0;
  uint64_t m =
      i < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(i)) : static_cast<uint64_t>(i);
  int exponent = 63;
  while ((m & 0x8000000000000000u) == 0) m <<= 1, --exponent;
  return fromBits(static_cast<uint16_t>(sign | (exponent + 16383)), m);
}

#endif
