// Helpers for tests written once for both extended types: the x87's long
// double and the software Float80.
#ifndef TESTS_EXTENDED_TESTING_H
#define TESTS_EXTENDED_TESTING_H

#include <gtest/gtest.h>

#include <ostream>

#include "geometry/extended.h"

inline Extended absX(Extended v) { return v < Extended(0.0) ? -v : v; }

// |a - b| <= tol, all in extended precision.
#define EXPECT_NEAR_X(a, b, tol) EXPECT_LE(absX(Extended(a) - Extended(b)), Extended(tol))

// gtest prints failing Float80 values as their decimal text.
inline void PrintTo(const Float80& v, std::ostream* os) { *os << formatFloat80(v); }

#endif
