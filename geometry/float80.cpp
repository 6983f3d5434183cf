#include "geometry/float80.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

constexpr uint64_t kTop = 0x8000000000000000u;
constexpr int kBias = 16383;
constexpr int kMaxExp = 0x7FFF;

// A 128-bit unsigned integer as two halves: 32-bit CPUs have no wider type.
struct U128 {
  uint64_t hi, lo;
};

U128 mul64(uint64_t a, uint64_t b) {
#ifdef __SIZEOF_INT128__
  __extension__ typedef unsigned __int128 Wide;  // 64-bit CPUs have the product in one step
  const Wide p = static_cast<Wide>(a) * b;
  return {static_cast<uint64_t>(p >> 64), static_cast<uint64_t>(p)};
#else
  const uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const uint64_t mid = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  return {p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32), (mid << 32) | (p00 & 0xFFFFFFFFu)};
#endif
}

bool less(U128 a, U128 b) { return a.hi < b.hi || (a.hi == b.hi && a.lo < b.lo); }
U128 sub(U128 a, U128 b) { return {a.hi - b.hi - (a.lo < b.lo ? 1 : 0), a.lo - b.lo}; }
U128 shl(U128 a, int n) {  // 0 <= n < 64
  return n == 0 ? a : U128{(a.hi << n) | (a.lo >> (64 - n)), a.lo << n};
}

// a shifted right by n, with every bit shifted out ORed into bit 0 so that
// rounding still sees that the value lies above the kept bits.
U128 shiftRightJam(U128 a, int n) {
  if (n == 0) return a;
  if (n < 64) {
    const bool lost = (a.lo << (64 - n)) != 0;
    return {a.hi >> n, (a.hi << (64 - n)) | (a.lo >> n) | (lost ? 1 : 0)};
  }
  if (n < 128) {
    const bool lost = a.lo != 0 || (n > 64 && (a.hi << (128 - n)) != 0);
    return {0, (n == 64 ? a.hi : a.hi >> (n - 64)) | (lost ? 1 : 0)};
  }
  return {0, (a.hi | a.lo) != 0 ? 1u : 0u};
}

int leadingZeros(uint64_t v) {  // v != 0
#if defined(__GNUC__)
  return __builtin_clzll(v);
#else
  int n = 0;
  while ((v & kTop) == 0) v <<= 1, ++n;
  return n;
#endif
}

// An operand taken apart: finite non-zero values get a significand with its
// top bit set and an exponent that may fall below 1 (subnormals).
struct Unpacked {
  bool negative;
  int exp;
  uint64_t sig;
};

Unpacked unpack(Float80 f) {
  Unpacked u{(f.signExp() & 0x8000) != 0, f.signExp() & kMaxExp, f.significand()};
  if (u.exp == 0 && u.sig != 0) {
    const int z = leadingZeros(u.sig);
    u.sig <<= z;
    u.exp = 1 - z;
  }
  return u;
}

bool isZero(Float80 f) { return (f.signExp() & kMaxExp) == 0 && f.significand() == 0; }
bool isInf(Float80 f) { return (f.signExp() & kMaxExp) == kMaxExp && (f.significand() << 1) == 0; }

Float80 make(bool negative, int exp, uint64_t sig) {
  return Float80::fromBits(static_cast<uint16_t>((negative ? 0x8000 : 0) | exp), sig);
}
Float80 infinity(bool negative) { return make(negative, kMaxExp, kTop); }
Float80 defaultNan() { return Float80::fromBits(0xFFFF, 0xC000000000000000u); }

// A NaN operand comes back quiet; of two, a quiet one before a signalling
// one, else the one of larger significand, else the positive one (the x87's
// rules).
Float80 propagateNan(Float80 a, Float80 b) {
  const uint64_t quiet = 0x4000000000000000u;
  if (!a.isNan()) return Float80::fromBits(b.signExp(), b.significand() | quiet);
  if (!b.isNan()) return Float80::fromBits(a.signExp(), a.significand() | quiet);
  const bool qa = (a.significand() & quiet) != 0, qb = (b.significand() & quiet) != 0;
  if (qa != qb) return qa ? a : b;
  const uint64_t ma = a.significand() | quiet, mb = b.significand() | quiet;
  const bool takeB = mb > ma || (mb == ma && (b.signExp() & 0x8000) == 0);
  return takeB ? Float80::fromBits(b.signExp(), mb) : Float80::fromBits(a.signExp(), ma);
}

// The value (sig.hi + sig.lo / 2^64) * 2^(exp - kBias - 63) rounded to nearest
// even on a 64-bit significand: sig.lo holds the bits below, its top bit the
// half. Below the normal range the value is first shifted onto the subnormal
// grid, so it is rounded once, as the x87 does with underflow masked.
Float80 roundPack(bool negative, int exp, U128 sig) {
  if (sig.hi == 0 && sig.lo == 0) return make(negative, 0, 0);
  if (exp <= 0) {
    sig = shiftRightJam(sig, 1 - exp > 200 ? 200 : 1 - exp);
    exp = 0;
  }
  if (sig.lo > kTop || (sig.lo == kTop && (sig.hi & 1) != 0)) {
    if (++sig.hi == 0) {
      sig.hi = kTop;
      ++exp;
    }
  }
  if (exp == 0 && (sig.hi & kTop) != 0) exp = 1;  // rounded up into the normal range
  if (exp >= kMaxExp) return infinity(negative);
  return make(negative, exp, sig.hi);
}

// Normalises a non-zero sig (top bit of sig.hi set) before rounding.
Float80 normalizeRoundPack(bool negative, int exp, U128 sig) {
  if (sig.hi == 0) {
    sig = {sig.lo, 0};
    exp -= 64;
  }
  const int z = leadingZeros(sig.hi);
  return roundPack(negative, exp - z, shl(sig, z));
}

}  // namespace

Float80 Float80::add(Float80 a, Float80 b, bool subtract) {
  // A NaN keeps its sign through a subtraction.
  if (a.isNan() || b.isNan()) return propagateNan(a, b);
  if (subtract) b = -b;
  const bool na = (a.signExp() & 0x8000) != 0, nb = (b.signExp() & 0x8000) != 0;
  if (isInf(a) || isInf(b)) {
    if (isInf(a) && isInf(b) && na != nb) return defaultNan();
    return isInf(a) ? a : b;
  }
  if (isZero(a) || isZero(b)) {
    if (isZero(a) && isZero(b)) return make(na && nb, 0, 0);  // -0 only from -0 + -0
    return isZero(a) ? b : a;
  }
  Unpacked x = unpack(a), y = unpack(b);
  if (x.exp < y.exp || (x.exp == y.exp && x.sig < y.sig)) std::swap(x, y);
  const U128 small = shiftRightJam({y.sig, 0}, x.exp - y.exp > 200 ? 200 : x.exp - y.exp);
  if (x.negative == y.negative) {
    U128 sum{x.sig + small.hi, small.lo};
    if (sum.hi < x.sig) {  // carried out of the top bit
      sum = shiftRightJam(sum, 1);
      sum.hi |= kTop;
      return roundPack(x.negative, x.exp + 1, sum);
    }
    return roundPack(x.negative, x.exp, sum);
  }
  const U128 diff = sub({x.sig, 0}, small);
  if (diff.hi == 0 && diff.lo == 0) return make(false, 0, 0);  // x - x is +0
  return normalizeRoundPack(x.negative, x.exp, diff);
}

Float80 operator*(Float80 a, Float80 b) {
  if (a.isNan() || b.isNan()) return propagateNan(a, b);
  const bool negative = ((a.signExp() ^ b.signExp()) & 0x8000) != 0;
  if (isInf(a) || isInf(b)) {
    if (isZero(a) || isZero(b)) return defaultNan();
    return infinity(negative);
  }
  if (isZero(a) || isZero(b)) return make(negative, 0, 0);
  const Unpacked x = unpack(a), y = unpack(b);
  const U128 product = mul64(x.sig, y.sig);
  return normalizeRoundPack(negative, x.exp + y.exp - kBias + 1, product);
}

Float80 operator/(Float80 a, Float80 b) {
  if (a.isNan() || b.isNan()) return propagateNan(a, b);
  const bool negative = ((a.signExp() ^ b.signExp()) & 0x8000) != 0;
  if (isInf(a)) return isInf(b) ? defaultNan() : infinity(negative);
  if (isInf(b)) return make(negative, 0, 0);
  if (isZero(b)) return isZero(a) ? defaultNan() : infinity(negative);
  if (isZero(a)) return make(negative, 0, 0);
  const Unpacked x = unpack(a), y = unpack(b);
  // Long division, one quotient bit at a time: 66 bits, the first of weight
  // 1, then whether anything remains.
  uint64_t rem = x.sig;
  bool remCarry = false;  // the remainder's 65th bit
  U128 q{0, 0};
  for (int i = 0; i < 66; ++i) {
    const bool bit = remCarry || rem >= y.sig;
    if (bit) rem -= y.sig;
    q = shl(q, 1);
    q.lo |= bit ? 1 : 0;
    remCarry = (rem & kTop) != 0;
    rem <<= 1;
  }
  // q = quotient * 2^65; put its 66 bits at the top of a 128-bit significand.
  U128 sig = shl(q, 62);
  if (rem != 0 || remCarry) sig.lo |= 1;
  return normalizeRoundPack(negative, x.exp - y.exp + kBias, sig);
}

Float80 sqrt(Float80 a) {
  if (a.isNan()) return Float80::fromBits(a.signExp(), a.significand() | 0x4000000000000000u);
  if (isZero(a)) return a;  // sqrt(-0) is -0
  if ((a.signExp() & 0x8000) != 0) return defaultNan();
  if (isInf(a)) return a;
  Unpacked x = unpack(a);
  // value = sig * 2^(e - 63) with e even; the root of n = sig * 2^63 (or
  // 2^64 for odd e) has 64 bits and is the result's significand.
  int e = x.exp - kBias;
  U128 n = {x.sig >> 1, x.sig << 63};
  if (e % 2 != 0) {
    n = {x.sig, 0};
    --e;
  }
  U128 rem{0, 0}, root{0, 0};
  for (int i = 0; i < 64; ++i) {
    rem = shl(rem, 2);
    rem.lo |= n.hi >> 62;
    n = shl(n, 2);
    const U128 trial = {(root.hi << 2) | (root.lo >> 62), (root.lo << 2) | 1};
    root = shl(root, 1);
    if (!less(rem, trial)) {
      rem = sub(rem, trial);
      root.lo |= 1;
    }
  }
  // The exact root lies above root + 1/2 exactly when rem > root; it is
  // never exactly halfway.
  U128 sig{root.lo, 0};
  if (rem.hi != 0 || rem.lo > root.lo) {
    sig.lo = kTop | 1;
  } else if (rem.lo != 0) {
    sig.lo = 1;
  }
  return roundPack(false, e / 2 + kBias, sig);
}

int Float80::compare(Float80 a, Float80 b) {
  if (a.isNan() || b.isNan()) return 2;
  if (isZero(a) && isZero(b)) return 0;
  const bool na = (a.signExp() & 0x8000) != 0, nb = (b.signExp() & 0x8000) != 0;
  if (na != nb) return na ? -1 : 1;
  const int ea = a.signExp() & kMaxExp, eb = b.signExp() & kMaxExp;
  int magnitude = 0;
  if (ea != eb) {
    magnitude = ea < eb ? -1 : 1;
  } else if (a.significand() != b.significand()) {
    magnitude = a.significand() < b.significand() ? -1 : 1;
  }
  return na ? -magnitude : magnitude;
}

int32_t Float80::toInt32() const {
  const int32_t indefinite = INT32_MIN;
  if (!isFinite()) return indefinite;
  const int exp = (signExp_ & kMaxExp) - kBias;
  if (exp < 0) return 0;
  if (exp > 31) return indefinite;
  const uint64_t magnitude = significand_ >> (63 - exp);
  const bool negative = (signExp_ & 0x8000) != 0;
  if (negative) return magnitude > 0x80000000u ? indefinite : static_cast<int32_t>(0 - magnitude);
  return magnitude > 0x7FFFFFFFu ? indefinite : static_cast<int32_t>(magnitude);
}

double Float80::toDouble() const {
  const bool negative = (signExp_ & 0x8000) != 0;
  uint64_t bits = negative ? 0x8000000000000000u : 0;
  if (isNan()) {
    bits |= 0x7FF8000000000000u | ((significand_ << 1) >> 12);
  } else if (!isFinite()) {
    bits |= 0x7FF0000000000000u;
  } else if (!isZero(*this)) {
    const Unpacked u = unpack(*this);
    int e = u.exp - kBias;  // value = sig * 2^(e - 63)
    // Keep 53 bits, or fewer below double's normal range.
    int drop = 11;
    if (e < -1022) drop += -1022 - e;
    U128 sig = shiftRightJam({u.sig, 0}, drop > 120 ? 120 : drop);
    uint64_t kept = sig.hi;
    if (sig.lo > kTop || (sig.lo == kTop && (kept & 1) != 0)) ++kept;
    if (e < -1022) {
      // Subnormal double (or rounded up into the normal range): the field
      // arithmetic below carries the bit into the exponent by itself.
      bits |= kept;
    } else {
      if (kept == (uint64_t{1} << 53)) {
        kept >>= 1;
        ++e;
      }
      if (e > 1023) {
        bits |= 0x7FF0000000000000u;
      } else {
        bits |= (static_cast<uint64_t>(e + 1023) << 52) | (kept & 0xFFFFFFFFFFFFFu);
      }
    }
  }
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

namespace {

// Unsigned big integers for exact decimal conversion, 32-bit limbs, least
// significant first.
using Big = std::vector<uint32_t>;

void trim(Big& a) {
  while (!a.empty() && a.back() == 0) a.pop_back();
}

void mulSmall(Big& a, uint32_t m, uint32_t add = 0) {
  uint64_t carry = add;
  for (uint32_t& limb : a) {
    const uint64_t v = static_cast<uint64_t>(limb) * m + carry;
    limb = static_cast<uint32_t>(v);
    carry = v >> 32;
  }
  if (carry != 0) a.push_back(static_cast<uint32_t>(carry));
}

// a := a / d, returning the remainder.
uint32_t divSmall(Big& a, uint32_t d) {
  uint64_t rem = 0;
  for (size_t i = a.size(); i-- > 0;) {
    const uint64_t v = (rem << 32) | a[i];
    a[i] = static_cast<uint32_t>(v / d);
    rem = v % d;
  }
  trim(a);
  return static_cast<uint32_t>(rem);
}

void mulPow(Big& a, uint32_t base, int count) {
  uint32_t chunk = 1;
  int inChunk = 0;
  const int perChunk = base == 5 ? 13 : 9;  // 5^13 and 10^9 fit 32 bits
  for (int i = 0; i < count; ++i) {
    chunk *= base;
    if (++inChunk == perChunk) {
      mulSmall(a, chunk);
      chunk = 1;
      inChunk = 0;
    }
  }
  if (inChunk != 0) mulSmall(a, chunk);
}

void shiftLeft(Big& a, int n) {
  const int words = n / 32, bits = n % 32;
  if (bits != 0) {
    uint32_t carry = 0;
    for (uint32_t& limb : a) {
      const uint32_t next = limb >> (32 - bits);
      limb = (limb << bits) | carry;
      carry = next;
    }
    if (carry != 0) a.push_back(carry);
  }
  a.insert(a.begin(), static_cast<size_t>(words), 0u);
}

int bitLength(const Big& a) {
  if (a.empty()) return 0;
  int n = 32 * static_cast<int>(a.size() - 1);
  for (uint32_t top = a.back(); top != 0; top >>= 1) ++n;
  return n;
}

int compareBig(const Big& a, const Big& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

void subBig(Big& a, const Big& b) {  // a >= b
  int64_t borrow = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    int64_t v = static_cast<int64_t>(a[i]) - borrow - (i < b.size() ? b[i] : 0);
    borrow = v < 0 ? 1 : 0;
    a[i] = static_cast<uint32_t>(v + (borrow << 32));
  }
  trim(a);
}

std::string decimalDigits(Big a) {
  std::string s;
  while (!a.empty()) {
    uint32_t chunk = divSmall(a, 1000000000u);
    for (int i = 0; i < 9; ++i) {
      s.push_back(static_cast<char>('0' + chunk % 10));
      chunk /= 10;
    }
  }
  while (s.size() > 1 && s.back() == '0') s.pop_back();
  std::string r(s.rbegin(), s.rend());
  return r.empty() ? "0" : r;
}

// a := a >> n; true when a bit that was shifted out was set.
bool shiftRight(Big& a, int n) {
  bool lost = false;
  const size_t words = static_cast<size_t>(n / 32);
  const int bitsN = n % 32;
  for (size_t i = 0; i < words && i < a.size(); ++i) lost = lost || a[i] != 0;
  a.erase(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(words < a.size() ? words : a.size()));
  if (bitsN != 0 && !a.empty()) {
    lost = lost || (a[0] << (32 - bitsN)) != 0;
    for (size_t i = 0; i < a.size(); ++i) {
      a[i] = (a[i] >> bitsN) | (i + 1 < a.size() ? a[i + 1] << (32 - bitsN) : 0);
    }
  }
  trim(a);
  return lost;
}

// floor(n / den), with sticky set when a remainder is left; by long
// division, one quotient bit at a time (the quotients here have under 100).
Big divideBig(Big n, const Big& den, bool* sticky) {
  Big q;
  const int qBits = bitLength(n) - bitLength(den) + 1;
  if (qBits > 0) {
    Big d = den;
    shiftLeft(d, qBits - 1);
    trim(d);
    q.assign(static_cast<size_t>(qBits / 32 + 1), 0u);
    for (int b = qBits - 1; b >= 0; --b) {
      if (compareBig(n, d) >= 0) {
        subBig(n, d);
        q[static_cast<size_t>(b / 32)] |= 1u << (b % 32);
      }
      shiftRight(d, 1);
    }
    trim(q);
  }
  *sticky = *sticky || !n.empty();
  return q;
}

// The top 128 bits of a non-zero n, its top bit at bit 127, and the weight
// of that bit; sticky set when a bit below them is.
U128 topBits(Big n, int* topWeight, bool* sticky) {
  const int length = bitLength(n);
  *topWeight = length - 1;
  if (length > 128) {
    *sticky = shiftRight(n, length - 128) || *sticky;
  } else {
    shiftLeft(n, 128 - length);
  }
  n.resize(4, 0u);
  return {(uint64_t{n[3]} << 32) | n[2], (uint64_t{n[1]} << 32) | n[0]};
}

}  // namespace

std::string formatFloat80(Float80 v) {
  const bool negative = (v.signExp() & 0x8000) != 0;
  const std::string sign = negative ? "-" : "";
  if (v.isNan()) return sign + "nan";
  if (!v.isFinite()) return sign + "inf";
  if (isZero(v)) return sign + "0";
  constexpr int kPrecision = 21;
  // |v| = sig * 2^e exactly. Scaled by 10^s so that its integer part has 22
  // to 25 digits, with whether anything was cut off below: that is all that
  // rounding to 21 digits needs.
  const int field = v.signExp() & kMaxExp;
  const int e = (field == 0 ? 1 : field) - kBias - 63;
  Big n{static_cast<uint32_t>(v.significand()), static_cast<uint32_t>(v.significand() >> 32)};
  trim(n);
  const int estimate = ((e + bitLength(n) - 1) * 30103) / 100000;  // about log10 |v|
  const int s = kPrecision + 2 - estimate;
  bool sticky = false;
  if (s >= 0) {
    mulPow(n, 5, s);  // 10^s = 5^s * 2^s
    if (e + s >= 0) {
      shiftLeft(n, e + s);
    } else {
      sticky = shiftRight(n, -(e + s));
    }
  } else {
    shiftLeft(n, e);  // |v| > 1e20 here, so e > 0
    Big den{1};
    mulPow(den, 10, -s);
    n = divideBig(n, den, &sticky);
  }
  std::string digits = decimalDigits(n);
  int x = static_cast<int>(digits.size()) - 1 - s;  // exponent of the leading digit
  const std::string tail = digits.substr(kPrecision);
  digits.resize(kPrecision);
  const bool restNonZero = sticky || tail.find_first_not_of('0', 1) != std::string::npos;
  const bool above = tail[0] > '5' || (tail[0] == '5' && restNonZero);
  const bool half = tail[0] == '5' && !restNonZero;
  if (above || (half && (digits.back() - '0') % 2 != 0)) {
    int i = kPrecision - 1;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i < 0) {
      digits.insert(digits.begin(), '1');
      digits.pop_back();
      ++x;
    } else {
      ++digits[i];
    }
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = sign;
  if (x < -4 || x >= kPrecision) {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    const int ax = x < 0 ? -x : x;
    out += x < 0 ? "e-" : "e+";
    if (ax < 10) out += "0";
    out += std::to_string(ax);
  } else if (x < 0) {
    out += "0." + std::string(static_cast<size_t>(-x - 1), '0') + digits;
  } else {
    const size_t whole = static_cast<size_t>(x) + 1;
    if (digits.size() <= whole) {
      out += digits + std::string(whole - digits.size(), '0');
    } else {
      out += digits.substr(0, whole) + "." + digits.substr(whole);
    }
  }
  return out;
}

bool parseFloat80(const std::string& text, Float80* value) {
  size_t i = 0;
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::string digits;
  long long decExp = 0;
  bool any = false, point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      any = true;
      if (c == '0' && digits.empty()) {
        if (point) --decExp;
        continue;
      }
      digits.push_back(c);
      if (point) --decExp;
    } else {
      break;
    }
  }
  if (!any) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    const bool expNegative = j < text.size() && text[j] == '-';
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
    if (j == text.size() || text[j] < '0' || text[j] > '9') return false;
    long long e = 0;
    for (; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j) {
      if (e < 100000000) e = e * 10 + (text[j] - '0');
    }
    decExp += expNegative ? -e : e;
    i = j;
  }
  if (i != text.size()) return false;
  while (!digits.empty() && digits.back() == '0') digits.pop_back(), ++decExp;
  if (digits.empty()) {
    *value = make(negative, 0, 0);
    return true;
  }
  // Far beyond either end of the range the answer is known without the
  // arithmetic (the largest is about 1.19e4932, half the smallest subnormal
  // about 1.8e-4951).
  const long long magnitude = decExp + static_cast<long long>(digits.size());
  if (magnitude > 4934) {
    *value = infinity(negative);
    return true;
  }
  if (magnitude < -4952) {
    *value = make(negative, 0, 0);
    return true;
  }
  Big n;
  for (char c : digits) {
    if (n.empty()) n.push_back(0);
    mulSmall(n, 10, static_cast<uint32_t>(c - '0'));
  }
  trim(n);
  // value = n * 10^decExp: an integer, or n scaled up by a power of two and
  // divided by 10^-decExp with enough quotient bits to round.
  bool sticky = false;
  int topWeight = 0;
  U128 sig;
  if (decExp >= 0) {
    mulPow(n, 10, static_cast<int>(decExp));
    sig = topBits(n, &topWeight, &sticky);
  } else {
    Big den{1};
    mulPow(den, 10, static_cast<int>(-decExp));
    int shift = 66 + bitLength(den) - bitLength(n);
    if (shift < 0) shift = 0;
    shiftLeft(n, shift);
    trim(n);
    sig = topBits(divideBig(n, den, &sticky), &topWeight, &sticky);
    topWeight -= shift;
  }
  if (sticky) sig.lo |= 1;
  *value = normalizeRoundPack(negative, static_cast<int>(topWeight + kBias), sig);
  return true;
}
