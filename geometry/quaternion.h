// Four extended components (w, x, y, z) read both as a quaternion and as a
// point of 4D space. Every operation works in place and returns the object,
// so calls chain: eye.multiply(stepI).
#ifndef GEOMETRY_QUATERNION_H
#define GEOMETRY_QUATERNION_H

#include <cstdint>

#include "geometry/extended.h"

template <class Self>
struct Quad {
  Extended w = Extended(0.0);
  Extended x = Extended(0.0);
  Extended y = Extended(0.0);
  Extended z = Extended(0.0);

  constexpr Quad() = default;
  constexpr Quad(Extended w_, Extended x_, Extended y_, Extended z_) : w(w_), x(x_), y(y_), z(z_) {}

  template <class Q>
  Self& add(const Quad<Q>& q) {
    w += q.w;
    x += q.x;
    y += q.y;
    z += q.z;
    return self();
  }

  template <class Q>
  Self& subtract(const Quad<Q>& q) {
    w -= q.w;
    x -= q.x;
    y -= q.y;
    z -= q.z;
    return self();
  }

  Self& scaleBy(Extended k) {
    w *= k;
    x *= k;
    y *= k;
    z *= k;
    return self();
  }

  // Hamilton product with this object as the left factor: this := this * q.
  template <class Q>
  Self& multiply(const Quad<Q>& q) {
    const Extended a0 = w, a1 = x, a2 = y, a3 = z;
    const Extended b0 = q.w, b1 = q.x, b2 = q.y, b3 = q.z;
    w = a0 * b0 - a1 * b1 - a2 * b2 - a3 * b3;
    x = a0 * b1 + a1 * b0 + a2 * b3 - a3 * b2;
    y = a0 * b2 - a1 * b3 + a2 * b0 + a3 * b1;
    z = a0 * b3 + a1 * b2 - a2 * b1 + a3 * b0;
    return self();
  }

  Extended norm() const { return squareRoot(w * w + x * x + y * y + z * z); }

  Self& normalize() {
    const Extended n = norm();
    w /= n;
    x /= n;
    y /= n;
    z /= n;
    return self();
  }

  // The conjugate divided by the norm: the inverse of a unit quaternion.
  Self& unitConjugate() {
    const Extended n = norm();
    w = w / n;
    x = x / -n;
    y = y / -n;
    z = z / -n;
    return self();
  }

 private:
  Self& self() { return static_cast<Self&>(*this); }
};

struct Point4;

struct Quaternion : Quad<Quaternion> {
  using Quad::Quad;
  constexpr Quaternion() = default;
  constexpr explicit Quaternion(const Point4& p);
};

// A 4D point; `visible` is meaningful for the cube's vertices only and no
// arithmetic reads or changes it.
struct Point4 : Quad<Point4> {
  int32_t visible = 0;

  constexpr Point4() = default;
  constexpr Point4(Extended w_, Extended x_, Extended y_, Extended z_) : Quad(w_, x_, y_, z_) {}
};

constexpr Quaternion::Quaternion(const Point4& p) : Quad(p.w, p.x, p.y, p.z) {}

#endif
