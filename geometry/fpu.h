// The x87 unit's control word. Every frame is computed in 80-bit extended
// precision, so the process must run with a 64-bit significand and rounding to
// nearest whatever mode the C runtime left it in.
#ifndef GEOMETRY_FPU_H
#define GEOMETRY_FPU_H

#include <cstdint>

#if defined(__i386__) || defined(__x86_64__)
#define GEOMETRY_HAS_X87 1
#else
#define GEOMETRY_HAS_X87 0
#endif

// Precision control 11 (64-bit significand), rounding control 00 (nearest);
// exceptions and the other bits are left as they are. No effect without x87.
void setExtendedPrecision();

#if GEOMETRY_HAS_X87
inline uint16_t readX87ControlWord() {
  uint16_t cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}

inline void loadX87ControlWord(uint16_t cw) { __asm__ volatile("fldcw %0" : : "m"(cw)); }
#endif

#endif
